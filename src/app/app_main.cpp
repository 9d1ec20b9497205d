#include "app/app_main.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <clocale>
#include <iostream>

#include "app/application.h"
#include "app/main_frame.h"
#include "render/font_catalog.h"

// The icons are compiled into the library; a static library must ask for them by name.
static void LoadResources() {
  Q_INIT_RESOURCE(kalvane);
}

namespace kv {

int RunEditor(int argc, char** argv) {
  QApplication application(argc, argv);
  LoadResources();
  QApplication::setApplicationName("Kalvane 3");
  QApplication::setApplicationVersion(KALVANE_VERSION);
  // The user's decimal separator is read from the C locale, as the engine does everywhere.
  std::setlocale(LC_ALL, "");

  QCommandLineParser parser;
  parser.setApplicationDescription("Kalvane 3, an equation editor.");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.process(application);

  std::unique_ptr<KLV300App> app;
  try {
    app = std::make_unique<KLV300App>();
  } catch (const FontError& error) {
    std::cerr << "kalvane: cannot use the system's fonts: " << error.what() << '\n';
    return 1;
  }
  const std::string problems = app->StartUp();
  CMainFrame frame(*app);
  frame.NewDocument();
  frame.show();
  if (!problems.empty()) frame.ShowStatusMessage(QString::fromStdString(problems));
  return QApplication::exec();
}

}  // namespace kv
