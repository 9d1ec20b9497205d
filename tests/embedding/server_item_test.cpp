// The container's picture: its size, the empty space that puts a whole number of points below
// the baseline, the baseline hint in the exchange store, and the object's files.
#include "embedding/server_item.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "document/document.h"
#include "embedding/container_protocol.h"
#include "options/config_store.h"
#include "render/font_catalog.h"
#include "render/picture_metadata.h"
#include "support/picture_checks.h"
#include "support/scratch_environment.h"

namespace kv {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

FontCatalog& Catalog() {
  static FontCatalog catalog;
  return catalog;
}

// Worked by hand from the rules: a = align × 0.02834645852315717 points, d = trunc((ceil(a) − a)
// × 35.2777755), amount = trunc((d + align) × 1000 / (d + height)).
TEST(ServerItem, DescentAndHintFollowTheRules) {
  struct Case {
    NodeBox box;
    int descent;
    int amount;
  };
  const Case cases[] = {
      // a = 7.0866, ceil 8: 0.9134 × 35.2777755 = 32.2; 282 × 1000 / 1032 = 273.2
      {{.width = 5000, .height = 1000, .align = 250}, 32, 273},
      // nothing below the baseline: nothing to add, nothing below it
      {{.width = 2000, .height = 800, .align = 0}, 0, 0},
      // 1270 units are 36 points exactly: no space, though a reads 36.0000023
      {{.width = 900, .height = 3000, .align = 1270}, 0, 423},
      {{.width = 900, .height = 3000, .align = 3175}, 0, 1058},
      // one unit more: a = 36.0283, 0.9717 × 35.2777755 = 34.3; 1305 × 1000 / 3034 = 430.1
      {{.width = 900, .height = 3000, .align = 1271}, 34, 430},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box.align);
    EXPECT_EQ(WholePointDescent(c.box.align), c.descent);
    EXPECT_EQ(LoweringAmount(c.box, c.descent), c.amount);
  }
  ContainerPicture picture;
  picture.size = {5000, 1032};
  picture.lowering = 273;
  EXPECT_EQ(ExtentLine(picture), "width=5000 height=1032 lowering=273");
}

TEST(ServerItem, OnlyTheContentHasAnExtent) {
  test::ScratchEnvironment environment;
  HeadlessHost host;
  KLV300Doc document(host);
  ConfigStore store = ExchangeStore();
  const NodeBox painted{.width = 4321, .height = 987, .align = 55};
  const KLV300SrvrItem item(document, Catalog(), store, painted);
  PictureSize size{1, 1};
  EXPECT_TRUE(item.OnGetExtent(DrawAspect::kContent, size));
  EXPECT_EQ(size, (PictureSize{4321, 987}));
  for (const DrawAspect other :
       {DrawAspect::kThumbnail, DrawAspect::kIcon, DrawAspect::kDocPrint}) {
    size = {1, 1};
    EXPECT_FALSE(item.OnGetExtent(other, size));
    EXPECT_EQ(size, PictureSize{});
  }
}

// The metafile is the equation's box with the descent below it: its baseline lies a whole number
// of points above its bottom, the hint says where, and the exchange file keeps what else it held.
TEST(ServerItem, TheMetafileSitsOnAWholePointAndItsHintIsSaved) {
  test::ScratchEnvironment environment;
  ConfigStore prepared = ExchangeStore();
  prepared.WriteString("Font Info", "Name", "Liberation Serif", true);
  ASSERT_TRUE(prepared.Save());

  HeadlessHost host;
  KLV300Doc document(host);
  document.OnNewDocument();
  for (const char* text : {"x^2+1", "sigma(i=1,n)y_i", "(1,2 3,4)", ""}) {
    SCOPED_TRACE(text);
    document.SetEquationText(text);
    ConfigStore store = ExchangeStore();
    ASSERT_TRUE(store.Load());
    KLV300SrvrItem item(document, Catalog(), store, {});
    ContainerPicture picture;
    std::string error;
    ASSERT_TRUE(
        item.OnDraw({PictureFormat::kWmf, 96, std::nullopt, MetricsSource::kFace}, picture, error))
        << error;
    EXPECT_EQ(picture.hintError, "");
    EXPECT_EQ(test::PlaceableWmfSize(picture.bytes), std::pair(picture.size.cx, picture.size.cy));

    const std::optional<PictureEquation> equation =
        ReadPictureEquation(Bytes(picture.bytes), error);
    ASSERT_TRUE(equation) << error;
    const double depthInPoints = equation->depth * kPointsPerUnit;
    EXPECT_NEAR(depthInPoints, std::round(depthInPoints), 0.03);
    EXPECT_EQ(picture.lowering, equation->depth * 1000 / picture.size.cy);

    ConfigStore saved = ExchangeStore();
    ASSERT_TRUE(saved.Load());
    EXPECT_EQ(saved.ReadInt("Lowering Hint", "Amount"), picture.lowering);
    EXPECT_EQ(saved.ReadString("Font Info", "Name"), "Liberation Serif");
  }
}

// An exchange file that cannot be saved does not cost the picture; it is said why.
TEST(ServerItem, AnUnsavedHintIsReportedWithThePicture) {
  test::ScratchEnvironment environment;
  test::WriteFileBytes(environment.Root() / "not-a-folder", "x");
  ConfigStore store;
  store.SetLocation(kExplicitPath);
  store.SetPath((environment.Root() / "not-a-folder" / "KLV3ADJ.ini").string());
  HeadlessHost host;
  KLV300Doc document(host);
  document.OnNewDocument();
  document.SetEquationText("a/b");
  KLV300SrvrItem item(document, Catalog(), store, {});
  ContainerPicture picture;
  std::string error;
  ASSERT_TRUE(
      item.OnDraw({PictureFormat::kSvg, 96, std::nullopt, MetricsSource::kFace}, picture, error));
  EXPECT_FALSE(picture.bytes.empty());
  EXPECT_NE(picture.hintError.find("could not be saved"), std::string::npos) << picture.hintError;
}

// The object's files: written all three, or, when the object's place cannot be written, none.
TEST(ContainerProtocol, TheObjectIsWrittenWholeOrNotAtAll) {
  test::ScratchEnvironment environment;
  HeadlessHost host;
  KLV300Doc document(host);
  document.OnNewDocument();
  document.SetEquationText("sqrt(b^2-4ac)");
  ConfigStore store = ExchangeStore();

  const ObjectFiles files = ObjectFilesOf(environment.Root() / "object.kv3");
  EXPECT_EQ(files.metafile, environment.Root() / "object.wmf");
  EXPECT_EQ(files.svg, environment.Root() / "object.svg");
  const ObjectUpdate update = UpdateObject(document, Catalog(), store, files);
  ASSERT_TRUE(update.written) << update.error;
  for (const auto& path : {files.document, files.metafile, files.svg})
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
  EXPECT_EQ(test::ReadFileBytes(files.metafile), update.picture.bytes);

  test::WriteFileBytes(environment.Root() / "file", "x");
  const ObjectFiles nowhere = ObjectFilesOf(environment.Root() / "file" / "object.kv3");
  const ObjectUpdate failed = UpdateObject(document, Catalog(), store, nowhere);
  EXPECT_FALSE(failed.written);
  EXPECT_NE(failed.error, "");
}

}  // namespace
}  // namespace kv
