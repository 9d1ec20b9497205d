#include "app/printing.h"

namespace kv {

bool PrintDocument(KLV300Doc&, FontCatalog&, QPrinter&, QString& error) {
  error = "printing is not built yet";
  return false;
}

}  // namespace kv
