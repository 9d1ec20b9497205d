// Documents drawn into pictures that carry them, read back from those pictures, and the pictures
// still opening in the programs that show them.
#include "embedding/equation_picture.h"

#include <gtest/gtest.h>

#include <variant>

#include "document/document.h"
#include "document/document_file.h"
#include "render/font_catalog.h"
#include "render/font_surface.h"
#include "render/picture_metadata.h"
#include "support/picture_checks.h"
#include "support/scratch_environment.h"

namespace kv {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::vector<std::string> Lines(const KLV300Doc& document) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i)
    lines.push_back(document.EquationList().Line(i));
  return lines;
}

FontCatalog& Catalog() {
  static FontCatalog catalog;
  return catalog;
}

// A value unlike the default for every stored setting.
struct Changer {
  EquationSettings& s;
  void operator()(const IntSetting& d) const {
    (s.*d.option).Set(d.defaultValue == d.maximum ? d.defaultValue - 1 : d.defaultValue + 1);
  }
  void operator()(const DoubleSetting& d) const {
    (s.*d.option).Set((d.defaultValue + d.maximum) / 2);
  }
  void operator()(const BoolSetting& d) const { (s.*d.option).Set(!d.defaultValue); }
  void operator()(const ColorSetting& d) const { (s.*d.option).Set(d.defaultValue ^ 0x00102030); }
  void operator()(const TextSetting& d) const { (s.*d.option).Set("Face \xE9"); }
  void operator()(const LocaleCharSetting&) const {}
  void operator()(const PenSetting& d) const {
    (s.*d.option).Set(KVLogPen{.mode = 1, .type = 3, .colour = 0xFF, .width = 12.5});
  }
  void operator()(const FontSetting& d) const {
    KVLogFont font = d.defaultValue;
    font.lfItalic = !font.lfItalic;
    font.size += 50;
    (s.*d.option).Set(font);
  }
};

TEST(EquationPicture, EveryPictureCarriesItsDocumentWithEverySettingAndStillOpens) {
  test::ScratchEnvironment scratch;
  HeadlessHost host;
  KLV300Doc document(host);
  for (const SettingDescriptor& setting : SettingsTable())
    std::visit(Changer{document.Settings()}, setting.kind);
  // Windows-1252 lines; the empty lines at the end are no part of the readable text.
  document.SetEquationText("x^2+1=y\xB2\r\n\r\n(a+b)/2 \x80\xE9\r\n\r\n");
  const std::string text = "x^2+1=y\xC2\xB2\n\n(a+b)/2 \xE2\x82\xAC\xC3\xA9";
  FontMetricsSurface measuring(Catalog(), MetricsSource::kFace);
  const NodeBox extent = document.GetDocumentExtent(measuring);

  for (const PictureFormat format :
       {PictureFormat::kSvg, PictureFormat::kPng, PictureFormat::kWmf}) {
    SCOPED_TRACE(static_cast<int>(format));
    PictureOptions options;
    options.format = format;
    EquationPicture picture;
    try {
      picture = MakeEquationPicture(Catalog(), document, options);
    } catch (const PictureError& error) {
      // Metafiles are covered once their surface can make them.
      if (format == PictureFormat::kWmf) continue;
      throw;
    }
    EXPECT_EQ(picture.extent, extent);
    EXPECT_EQ(MakeEquationPicture(Catalog(), document, options).bytes, picture.bytes);

    std::string error;
    const auto carried = ReadPictureEquation(Bytes(picture.bytes), error);
    ASSERT_TRUE(carried) << error;
    EXPECT_EQ(carried->document, DocumentFileBytes(document));
    EXPECT_EQ(carried->text, text);
    EXPECT_EQ(carried->depth, extent.align);
    KLV300Doc read(host);
    ASSERT_TRUE(OpenPictureDocument(read, Bytes(picture.bytes), error)) << error;
    EXPECT_EQ(Lines(read), Lines(document));
    EXPECT_EQ(read.Settings(), document.Settings());

    const std::filesystem::path file = scratch.Root() / "picture";
    test::WriteFileBytes(file, picture.bytes);
    if (format == PictureFormat::kPng) {
      const auto chunks = test::PngChunks(picture.bytes);
      ASSERT_GE(chunks.size(), 4u);
      const auto idat = std::find_if(chunks.begin(), chunks.end(),
                                     [](const auto& chunk) { return chunk.type == "IDAT"; });
      EXPECT_EQ(idat[-1].data.substr(0, 17), std::string("Kalvane-Equation\0", 17));
      EXPECT_EQ(idat[-2].data.substr(0, 12), std::string("Description\0", 12));
    }
    if (format == PictureFormat::kWmf) {
      const auto records = test::WmfRecords(picture.bytes);  // the header counts the comments
      ASSERT_FALSE(records.empty());
      EXPECT_EQ(records.front().function, 0x0626);
    }
    const std::string program = format == PictureFormat::kSvg   ? "rsvg-convert"
                                : format == PictureFormat::kWmf ? "wmf2svg"
                                                                : "";
    if (!program.empty() && test::HaveProgram(program)) {
      const std::string command =
          program + " -o " + (scratch.Root() / "converted").string() + " " + file.string();
      EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
  }

  PictureOptions pdfOptions;
  pdfOptions.format = PictureFormat::kPdf;
  const std::string pdf = MakeEquationPicture(Catalog(), document, pdfOptions).bytes;
  EXPECT_TRUE(pdf.starts_with("%PDF"));
  EXPECT_EQ(pdf.find("Kalvane-Equation"), std::string::npos);
}

TEST(EquationPicture, PictureThatCannotBeReadLeavesTheDocumentAsItWas) {
  HeadlessHost host;
  KLV300Doc source(host);
  source.SetEquationText("a/b");
  std::string damaged =
      MakeEquationPicture(Catalog(), source, {PictureFormat::kSvg, 96, std::nullopt, {}}).bytes;
  const std::size_t base64 = damaged.find('>', damaged.find("crc32=")) + 10;
  damaged[base64] = damaged[base64] == 'A' ? 'B' : 'A';
  const std::string notADocument = AddPictureEquation(
      test::MinimalPng(), PictureFormat::kPng, {{0xD0, 0xCF, 0x11, 0xE0, 1, 2, 3}, "a/b", 0});

  const std::pair<std::string, const char*> cases[] = {
      {damaged, kDamagedEquationMessage},
      {notADocument, kDamagedEquationMessage},
      {test::MinimalWmf(), kNoEquationMessage},
      {"%PDF-1.7", kNotAPictureMessage},
  };
  for (const auto& [picture, message] : cases) {
    KLV300Doc document(host);
    document.SetEquationText("kept\r\ntoo");
    document.Settings().SqrtGap.Set(321);
    const EquationSettings settings = document.Settings();
    std::string error;
    EXPECT_FALSE(OpenPictureDocument(document, Bytes(picture), error));
    EXPECT_EQ(error, message);
    EXPECT_EQ(document.EquationList().Line(0), "kept");
    EXPECT_EQ(document.EquationList().Line(1), "too");
    EXPECT_EQ(document.Settings(), settings);
  }
}

}  // namespace
}  // namespace kv
