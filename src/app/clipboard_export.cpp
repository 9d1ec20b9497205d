#include "app/clipboard_export.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QMimeData>
#include <functional>
#include <memory>

#include "document/document.h"
#include "document/document_file.h"
#include "embedding/equation_picture.h"
#include "markup/markup.h"

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

// Empties the clipboard and gives it `data`, which holds `format`. Empty on success, otherwise
// what went wrong, for the user.
QString Place(QClipboard* clipboard, std::unique_ptr<QMimeData> data, const char* format) {
  clipboard->clear();
  const QMimeData* left = clipboard->mimeData();
  if (left != nullptr && !left->formats().isEmpty()) return Text("Cannot empty the Clipboard");
  clipboard->setMimeData(data.release());
  const QMimeData* placed = clipboard->mimeData();
  if (placed == nullptr || !placed->hasFormat(format)) return Text("Unable to set Clipboard data");
  return {};
}

// The markup `write` makes in `language`, placed on the clipboard as plain text and, when `type`
// is given, under that type too. The markup is made before the clipboard is touched, so a failure
// leaves it as it was.
QString CopyMarkup(QClipboard* clipboard, const char* language,
                   const std::function<std::string()>& write, const char* type) {
  if (clipboard == nullptr) return Text("Cannot open the Clipboard");
  QByteArray markup;
  try {
    markup = QByteArray::fromStdString(write());
  } catch (const MarkupError& error) {
    return Text("The equation cannot be written as %1: %2")
        .arg(QString::fromLatin1(language), QString::fromUtf8(error.what()));
  }
  auto data = std::make_unique<QMimeData>();
  if (type != nullptr) data->setData(type, markup);
  data->setText(QString::fromUtf8(markup));
  return Place(clipboard, std::move(data), type != nullptr ? type : "text/plain");
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
  return Place(clipboard, std::move(data), kEquationMimeType);
}

std::string StandaloneMathML(KLV300Doc& document) {
  return std::string(kXmlDeclaration) +
         EquationMathML(document.ReadLines(), document.Settings(), MarkupOptions{});
}

QString CopyDocumentMathML(QClipboard* clipboard, KLV300Doc& document) {
  return CopyMarkup(
      clipboard, "MathML", [&document] { return StandaloneMathML(document); }, kMathMLMimeType);
}

QString CopyDocumentLatex(QClipboard* clipboard, KLV300Doc& document) {
  return CopyMarkup(
      clipboard, "LaTeX",
      [&document] {
        return EquationLatex(document.ReadLines(), document.Settings(), MarkupOptions{});
      },
      nullptr);
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
