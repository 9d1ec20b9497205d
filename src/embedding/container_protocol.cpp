#include "embedding/container_protocol.h"

#include "base/safe_save.h"
#include "document/compound_file.h"
#include "document/document.h"
#include "document/document_file.h"
#include "options/config_store.h"
#include "render/picture.h"

namespace kv {
namespace {

bool SaveStore(ConfigStore& store, std::string& error) {
  if (store.Save()) return true;
  error = "The exchange file " + store.Path() + " could not be saved: " + store.LastError();
  return false;
}

// The pictures are shown at true size in the container: their resolution only matters to a
// bitmap, which these are not.
constexpr double kScreenDpi = 96.0;

}  // namespace

ObjectFiles ObjectFilesOf(const std::filesystem::path& document) {
  ObjectFiles files{document, document, document};
  files.metafile.replace_extension(".wmf");
  files.svg.replace_extension(".svg");
  return files;
}

bool MarkRunning(ConfigStore& exchangeStore, std::string& error) {
  exchangeStore.WriteInt(kControlSection, kRunningKey, 1, true);
  return SaveStore(exchangeStore, error);
}

bool MarkReturned(ConfigStore& exchangeStore, std::string& error) {
  exchangeStore.WriteInt(kControlSection, kRunningKey, 0, true);
  exchangeStore.WriteString(KLV300Doc::kFontInfoSection, KLV300Doc::kFontNameKey,
                            KLV300Doc::kNoFont, true);
  return SaveStore(exchangeStore, error);
}

ObjectUpdate UpdateObject(KLV300Doc& document, FontCatalog& fonts, ConfigStore& exchangeStore,
                          const ObjectFiles& files) {
  ObjectUpdate update;
  const NodeBox notAsked;  // the size a container is told is not part of the update
  KLV300SrvrItem item(document, fonts, exchangeStore, notAsked);
  ContainerPicture svg;
  std::string error;
  if (!item.OnDraw({PictureFormat::kWmf, kScreenDpi, std::nullopt, MetricsSource::kFace},
                   update.picture, error) ||
      !item.OnDraw({PictureFormat::kSvg, kScreenDpi, std::nullopt, MetricsSource::kFace}, svg,
                   error)) {
    update.error = "The equation cannot be made into a picture: " + error;
    return update;
  }
  // The document first: the pictures are made again from it, never the other way round.
  try {
    SaveDocumentFile(document, files.document);
  } catch (const StorageError& failure) {
    update.error =
        std::string(failure.what()) + "\n\n" + files.document.string() + ": " + failure.Detail();
    return update;
  }
  for (const auto& [path, bytes] :
       {std::pair{&files.metafile, &update.picture.bytes}, std::pair{&files.svg, &svg.bytes}}) {
    if (!SavePicture(*path, *bytes, error)) {
      update.error = error;
      return update;
    }
  }
  update.written = true;
  return update;
}

}  // namespace kv
