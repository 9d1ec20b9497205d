#include "app/application.h"

#include <QCoreApplication>
#include <QPrinter>

#include "app/about_dialogs.h"
#include "app/main_frame.h"
#include "app/options_sheet.h"
#include "embedding/container_protocol.h"
#include "options/default_configuration.h"
#include "options/option_store.h"

namespace kv {

KLV300App::KLV300App()
    : optionsStore_(kv::OptionsStore()),
      exchangeStore_(kv::ExchangeStore()),
      fonts_(std::make_unique<FontCatalog>()),
      dialogs_(std::make_unique<QtDialogs>()),
      opener_(std::make_unique<XdgOpener>()) {
  masterSettings_.ResetToDefaults();
}

KLV300App::~KLV300App() = default;

std::string KLV300App::StartUp() {
  std::string problems;
  const auto note = [&problems](const std::string& what) {
    if (!problems.empty()) problems += '\n';
    problems += what;
  };
  // A store that does not exist yet is not a problem: the defaults stand until one is saved.
  optionsStore_.Load();
  exchangeStore_.Load();
  std::string error;
  if (LoadStartUpSettings(masterSettings_, optionsStore_, &error) == ImportResult::NotSaved)
    note("The default configuration could not be saved in the options: " + error);
  return problems;
}

void KLV300App::ProcessStartRequest(const StartRequest& request) {
  if (mainFrame_ == nullptr) return;
  if (request.mode == StartMode::kEmbedded) {
    launchedEmbedded_ = true;
    std::string error;
    if (!MarkRunning(exchangeStore_, error))
      dialogs_->ShowError(mainFrame_, QString::fromStdString(error));
    mainFrame_->OpenEmbeddedObject(request.file);
    return;
  }
  if (request.file.empty() || mainFrame_->OpenDocument(request.file) == nullptr)
    mainFrame_->NewDocument();
}

void KLV300App::EndRun(int status) {
  exitStatus_ = status;
  QCoreApplication::exit(status);
}

void KLV300App::OnAppAbout() {
  AboutBox box(mainFrame_);
  dialogs_->RunModal(box);
}

void KLV300App::OnAboutMaker() {
  KVAboutMorvak dialog([this](const QString& address) { return opener_->OpenLink(address); },
                       [this] { dialogs_->Beep(); }, mainFrame_);
  dialogs_->RunModal(dialog);
}

void KLV300App::ReadDocumentation(const std::string& fileName) {
  kv::ReadDocumentation(mainFrame_, DocumentationPath(fileName), *opener_, *dialogs_);
}

QPrinter& KLV300App::Printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}

void KLV300App::ShowEquationText(std::string_view text) {
  if (mainFrame_ != nullptr) mainFrame_->ShowEquationText(text);
}

void KLV300App::UpdateAllViews(const KLV300Doc& document) {
  if (mainFrame_ != nullptr) mainFrame_->UpdateViewsOf(document);
}

bool KLV300App::RunOptionsSheet(KLV300Doc& document) {
  const auto saveDefaults = [this] {
    if (!SaveAll(masterSettings_, optionsStore_, false))
      dialogs_->ShowError(mainFrame_, QString::fromStdString("The defaults could not be saved in " +
                                                             optionsStore_.Path() + ": " +
                                                             optionsStore_.LastError()));
  };
  return kv::RunOptionsSheet(
      mainFrame_, document,
      {masterSettings_, *fonts_, *dialogs_, UserDecimalSeparator(), saveDefaults});
}

// Outcomes of the configuration commands: success is a message, failure a warning. Both have no
// owner window: they are about the program, not a document.
void KLV300App::OnResetOptions() {
  const ConfigurationOutcome outcome =
      ResetOptions(masterSettings_, [this](std::string_view question) {
        return dialogs_->AskOkCancel(nullptr, QString::fromUtf8(question));
      });
  ShowOutcome(outcome);
}

void KLV300App::OnWriteDefaultConfiguration() {
  ShowOutcome(WriteDefaultConfiguration(masterSettings_));
}

void KLV300App::ShowOutcome(const ConfigurationOutcome& outcome) {
  const QString message = QString::fromStdString(outcome.message);
  switch (outcome.status) {
    case ConfigurationOutcome::Status::Done:
      dialogs_->ShowMessage(nullptr, message);
      break;
    case ConfigurationOutcome::Status::Failed:
      dialogs_->ShowError(nullptr, message);
      break;
    case ConfigurationOutcome::Status::Cancelled:
      break;
  }
}

}  // namespace kv
