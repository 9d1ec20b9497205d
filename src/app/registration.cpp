#include "app/registration.h"

namespace kv {

bool RegisterWithDesktop(const std::filesystem::path&, std::string& report) {
  report = "registration is not built yet";
  return false;
}

bool UnregisterFromDesktop(std::string& report) {
  report = "registration is not built yet";
  return false;
}

}  // namespace kv
