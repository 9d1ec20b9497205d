#include "app/clipboard_export.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QMimeData>
#include <functional>
#include <memory>

#include "document/document.h"
#include "document/document_file.h"
#include "embedding/equation_picture.h"

namespace kv {
namespace {

constexpr ColorRef kWhite = 0x00FFFFFF;

QString Text(const char* text) {
  return QCoreApplication::translate("Clipboard", text);
}

QByteArray Bytes(const std::vector<std::uint8_t>& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

std::span<const std::uint8_t> Span(const QByteArray& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
          static_cast<std::size_t>(bytes.size())};
}

// The equation of a document read by `open` into a document of its own.
std::optional<QString> TextOfDocument(const std::function<bool(KLV300Doc&)>& open) {
  HeadlessHost host;
  KLV300Doc document(host);
  if (!open(document)) return std::nullopt;
  return QString::fromStdString(ReadableEquationText(document));
}

}  // namespace

QString CopyDocumentPicture(QClipboard* clipboard, FontCatalog& fonts, KLV300Doc& document,
                            const NodeBox& extent, ClipboardPicture kind, double screenDpi) {
  if (clipboard == nullptr) return Text("Cannot open the Clipboard");
  const bool scalable = kind == ClipboardPicture::kScalable;
  auto data = std::make_unique<QMimeData>();
  try {
    const PictureOptions options{scalable ? PictureFormat::kSvg : PictureFormat::kPng, screenDpi,
                                 scalable ? std::nullopt : std::optional<ColorRef>(kWhite),
                                 MetricsSource::kFace};
    const EquationPicture picture = MakeEquationPicture(fonts, document, options, extent);
    data->setData(scalable ? kSvgMimeType : kPngMimeType, QByteArray::fromStdString(picture.bytes));
    data->setData(kEquationMimeType, Bytes(DocumentFileBytes(document)));
  } catch (const std::exception& error) {
    return Text("The equation cannot be made into a picture: %1").arg(error.what());
  }
  clipboard->clear();
  const QMimeData* left = clipboard->mimeData();
  if (left != nullptr && !left->formats().isEmpty()) return Text("Cannot empty the Clipboard");
  clipboard->setMimeData(data.release());
  const QMimeData* placed = clipboard->mimeData();
  if (placed == nullptr || !placed->hasFormat(kEquationMimeType))
    return Text("Unable to set Clipboard data");
  return {};
}

std::optional<QString> EquationTextOf(const QMimeData& source) {
  if (source.hasFormat(kEquationMimeType)) {
    const QByteArray file = source.data(kEquationMimeType);
    return TextOfDocument([&file](KLV300Doc& document) {
      try {
        OpenDocumentBytes(document, Span(file));
      } catch (const std::exception&) {
        return false;
      }
      return true;
    });
  }
  for (const char* type : {kSvgMimeType, kPngMimeType}) {
    if (!source.hasFormat(type)) continue;
    const QByteArray picture = source.data(type);
    return TextOfDocument([&picture](KLV300Doc& document) {
      std::string error;
      return OpenPictureDocument(document, Span(picture), error);
    });
  }
  return std::nullopt;
}

}  // namespace kv
