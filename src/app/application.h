// The editor's application object: it lives for the whole run and owns what every window and
// document shares: the defaults new documents copy, the options and exchange stores, the fonts,
// and the box of the equation painted last. It is the documents' DocumentHost; what a document
// asks of the windows (show a text in the edit box, redraw its views) goes to the main frame.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "app/help_commands.h"
#include "app/user_dialogs.h"
#include "document/document.h"
#include "options/config_store.h"
#include "options/default_configuration.h"
#include "render/font_catalog.h"
#include "settings/equation_settings.h"
#include "typeset/node_box.h"

class QPrinter;

namespace kv {

class CMainFrame;

class KLV300App final : public DocumentHost {
 public:
  // The stores bound to their files but not read, and the defaults reset; StartUp reads them.
  KLV300App();
  ~KLV300App() override;
  KLV300App(const KLV300App&) = delete;
  KLV300App& operator=(const KLV300App&) = delete;

  // Reads the options and exchange stores, loads the defaults from the options store and then
  // applies a default configuration file when there is one. Returns the messages of what could
  // not be read or saved (empty when all went well); the program goes on with what it has.
  std::string StartUp();

  // Opens what the command line asks for in the main frame: the file, or a new document when
  // there is none or it cannot be read (the failure is shown). Started by a container, the
  // program is embedded from then on, and says so to the container's side through "Running" = 1
  // in section "Control" of the exchange store, saved at once.
  void ProcessStartRequest(const StartRequest& request);

  // Ends the run with `status` (the event loop returns it); a container reads it.
  void EndRun(int status);
  // The status EndRun was given; 0 until then.
  int ExitStatus() const { return exitStatus_; }

  // The main frame that shows documents; null before it exists and after it is gone.
  void SetMainFrame(CMainFrame* frame) { mainFrame_ = frame; }
  CMainFrame* MainFrame() const { return mainFrame_; }

  // DocumentHost
  const EquationSettings& MasterSettings() const override { return masterSettings_; }
  ConfigStore& ExchangeStore() override { return exchangeStore_; }
  void ShowEquationText(std::string_view text) override;
  void UpdateAllViews(const KLV300Doc& document) override;
  bool RunOptionsSheet(KLV300Doc& document) override;

  // The about box, and the maker's with its link.
  void OnAppAbout();
  void OnAboutMaker();
  // Opens a documentation file (DocumentationPath) with the desktop's program for it.
  void ReadDocumentation(const std::string& fileName);

  // "Reset Options...": after the user agrees, the default configuration file gets every
  // setting's factory value, for the next start to take.
  void OnResetOptions();
  // "Write Default Configuration File": the file gets the defaults in force.
  void OnWriteDefaultConfiguration();

  EquationSettings& MasterSettings() { return masterSettings_; }
  ConfigStore& OptionsStore() { return optionsStore_; }
  FontCatalog& Fonts() { return *fonts_; }
  const NodeBox& LastExtent() const { return lastExtent_; }
  void SetLastExtent(const NodeBox& extent) { lastExtent_ = extent; }
  // Where questions and messages go; tests put their own answers in place.
  UserDialogs& Dialogs() { return *dialogs_; }
  void SetDialogs(std::unique_ptr<UserDialogs> dialogs) { dialogs_ = std::move(dialogs); }
  // Where files and links are handed to the desktop; tests put their own in place.
  DesktopOpener& Opener() { return *opener_; }
  void SetOpener(std::unique_ptr<DesktopOpener> opener) { opener_ = std::move(opener); }
  bool LaunchedEmbedded() const { return launchedEmbedded_; }
  // The printer and its settings, kept from one print to the next; made on first use.
  QPrinter& Printer();

 private:
  void ShowOutcome(const ConfigurationOutcome& outcome);

  ConfigStore optionsStore_;
  ConfigStore exchangeStore_;
  NodeBox lastExtent_;
  EquationSettings masterSettings_;
  bool launchedEmbedded_ = false;
  int exitStatus_ = 0;
  std::unique_ptr<FontCatalog> fonts_;
  std::unique_ptr<UserDialogs> dialogs_;
  std::unique_ptr<DesktopOpener> opener_;
  std::unique_ptr<QPrinter> printer_;
  CMainFrame* mainFrame_ = nullptr;
};

}  // namespace kv
