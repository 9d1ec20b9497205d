#include "app/app_main.h"

#include <QApplication>
#include <clocale>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "app/main_frame.h"
#include "app/registration.h"
#include "render/font_catalog.h"

// The icons are compiled into the library; a static library must ask for them by name.
static void LoadResources() {
  Q_INIT_RESOURCE(kalvane);
}

namespace kv {
namespace {

// The modes that end without a window: they need no display.
int RunWithoutWindow(const StartRequest& request) {
  if (request.mode == StartMode::kHelp) {
    std::cout << CommandLineUsage();
    return 0;
  }
  if (request.mode == StartMode::kVersion) {
    std::cout << "kalvane " << KALVANE_VERSION << '\n';
    return 0;
  }
  std::string report;
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  const bool done = request.mode == StartMode::kRegister ? RegisterWithDesktop(executable, report)
                                                         : UnregisterFromDesktop(report);
  (done ? std::cout : std::cerr) << report << (report.ends_with('\n') ? "" : "\n");
  return done ? 0 : 1;
}

}  // namespace

int RunEditor(int argc, char** argv) {
  const StartRequest request = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!request.error.empty()) {
    std::cerr << "kalvane: " << request.error << '\n';
    return 2;
  }
  // Registration copies the icons out of the resources, so they are loaded before any mode.
  LoadResources();
  if (request.mode != StartMode::kEditor && request.mode != StartMode::kEmbedded)
    return RunWithoutWindow(request);

  QApplication application(argc, argv);
  QApplication::setApplicationName("Kalvane 3");
  QApplication::setApplicationVersion(KALVANE_VERSION);
  // The user's decimal separator is read from the C locale, as the engine does everywhere.
  std::setlocale(LC_ALL, "");

  std::unique_ptr<KLV300App> app;
  try {
    app = std::make_unique<KLV300App>();
  } catch (const FontError& error) {
    std::cerr << "kalvane: cannot use the system's fonts: " << error.what() << '\n';
    return 1;
  }
  const std::string problems = app->StartUp();
  CMainFrame frame(*app);
  frame.show();
  app->ProcessStartRequest(request);
  if (!problems.empty()) frame.ShowStatusMessage(QString::fromStdString(problems));
  return QApplication::exec();
}

}  // namespace kv
