// The editor started as a person starts it, for the Qt Test programs: in a scratch environment,
// with questions answered from a script, the main window shown and active.
#pragma once

#include <QTest>
#include <memory>

#include "app/application.h"
#include "app/main_frame.h"
#include "support/scratch_environment.h"
#include "support/scripted_dialogs.h"

// The icons are compiled into the editor's static library, which the program asks for by name
// (app_main.cpp); a test program must too.
inline void LoadEditorResources() {
  Q_INIT_RESOURCE(kalvane);
}

namespace kv::test {

class EditorWindow {
 public:
  // The environment comes first, so a test can prepare files before the editor starts.
  EditorWindow() : environment(std::make_unique<ScratchEnvironment>()) {}
  // The editor in the environment the process was given (the folders its caller chose).
  struct InGivenEnvironment {};
  explicit EditorWindow(InGivenEnvironment) {}

  // Starts the editor as the command line `request` asks; false when it reported a problem at
  // start-up or its window did not become active.
  bool Start(const StartRequest& request = {}) {
    LoadEditorResources();
    app = std::make_unique<KLV300App>();
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    app->SetDialogs(std::move(scripted));
    if (!app->StartUp().empty()) return false;
    frame = std::make_unique<CMainFrame>(*app);
    frame->show();
    app->ProcessStartRequest(request);
    // Without a window manager (Xvfb) nothing else makes the window active.
    frame->activateWindow();
    return QTest::qWaitForWindowActive(frame.get());
  }

  // Declared in the order they are made; destroyed the other way round.
  std::unique_ptr<ScratchEnvironment> environment;
  std::unique_ptr<KLV300App> app;
  ScriptedDialogs* dialogs = nullptr;
  std::unique_ptr<CMainFrame> frame;
};

}  // namespace kv::test
