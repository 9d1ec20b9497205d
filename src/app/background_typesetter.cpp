#include "app/background_typesetter.h"

#include <exception>
#include <memory>
#include <utility>

#include "app/document_painting.h"
#include "document/document.h"
#include "render/font_catalog.h"
#include "render/font_surface.h"

namespace kv {

BackgroundTypesetter::BackgroundTypesetter(QObject* parent) : QObject(parent) {}

BackgroundTypesetter::~BackgroundTypesetter() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (worker_.joinable()) worker_.join();
}

std::uint64_t BackgroundTypesetter::Request(std::string text, EquationSettings settings, double dpi,
                                            std::optional<QColor> background) {
  std::uint64_t number = 0;
  {
    const std::lock_guard lock(mutex_);
    number = ++lastNumber_;
    waiting_ = Job{number, std::move(text), std::move(settings), dpi, background};
    if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
  }
  wake_.notify_one();
  return number;
}

bool BackgroundTypesetter::Busy() const {
  const std::lock_guard lock(mutex_);
  return working_ || waiting_.has_value();
}

void BackgroundTypesetter::SetStartHook(std::function<void()> hook) {
  const std::lock_guard lock(mutex_);
  startHook_ = std::move(hook);
}

std::optional<BackgroundTypesetter::Job> BackgroundTypesetter::NextJob() {
  std::unique_lock lock(mutex_);
  working_ = false;
  wake_.wait(lock, [this] { return stopping_ || waiting_.has_value(); });
  if (stopping_) return std::nullopt;
  std::optional<Job> job = std::move(waiting_);
  waiting_.reset();
  working_ = true;
  return job;
}

// The worker keeps one document and its fonts from request to request: the lines an edit did
// not change are not read again, as in the window's own document.
void BackgroundTypesetter::Work() {
  std::unique_ptr<FontCatalog> fonts;
  HeadlessHost host;
  KLV300Doc document(host);
  while (std::optional<Job> job = NextJob()) {
    std::function<void()> hook;
    {
      const std::lock_guard lock(mutex_);
      hook = startHook_;
    }
    if (hook) hook();
    NodeBox extent;
    QImage picture;
    try {
      if (!fonts) fonts = std::make_unique<FontCatalog>();
      if (!(document.Settings() == job->settings)) {
        document.Settings() = std::move(job->settings);
        document.SettingsChanged();
      }
      document.SetEquationText(job->text);
      FontMetricsSurface measuring(*fonts);
      extent = document.GetDocumentExtent(measuring);
      picture = DocumentPicture(*fonts, document, extent, job->dpi, job->background);
    } catch (const std::exception&) {
      // Fonts that cannot be started: the view shows no picture, as it would itself.
    }
    QMetaObject::invokeMethod(
        this,
        [this, number = job->number, extent, picture] { emit typeset(number, extent, picture); },
        Qt::QueuedConnection);
  }
}

}  // namespace kv
