#include "settings/option_values.h"

#include <gtest/gtest.h>

#include "base/archive.h"
#include "support/bytes.h"

namespace kv {
namespace {

using test::Bytes;

template <typename T>
std::vector<std::uint8_t> Archived(T& object) {
  Archive ar = Archive::ForStoring();
  object.Serialize(ar);
  return ar.Bytes();
}

TEST(ValueClasses, NewObjectsHoldTheirStartingValues) {
  const KVLogFont font;
  EXPECT_EQ(font.lfHeight, -14);
  EXPECT_EQ(font.lfWidth, 0);
  EXPECT_EQ(font.lfWeight, 400);
  EXPECT_EQ(font.lfCharSet, 0);
  EXPECT_EQ(font.lfOutPrecision, 7);
  EXPECT_EQ(font.lfClipPrecision, 48);
  EXPECT_EQ(font.lfQuality, 2);
  EXPECT_EQ(font.lfPitchAndFamily, 2);
  EXPECT_EQ(font.FaceName(), "Arial");
  EXPECT_EQ(font.colour, 0);
  EXPECT_EQ(font.size, 400);

  const KVLogPen pen;
  EXPECT_EQ(pen.mode, 0);
  EXPECT_EQ(pen.type, 6);
  const KVLogBrush brush;
  EXPECT_EQ(brush.mode, 0);
  EXPECT_EQ(brush.type, 1);
}

TEST(ValueClasses, FontArchiveFormIs52BytesAndKeepsUnstoredFields) {
  KVLogFont font;
  font.lfHeight = -300;
  font.lfWeight = 700;
  font.lfItalic = 1;
  font.lfUnderline = 1;
  font.lfStrikeOut = 0;
  font.lfCharSet = 2;
  font.SetFaceName("Symbol");
  font.colour = 0x0000FF;
  font.size = 512;
  font.lfWidth = 11;  // not stored
  const auto expected = Bytes()
                            .Int32(-300)
                            .Int32(700)
                            .Raw({1, 1, 0, 2})
                            .Text("Symbol")
                            .Zeros(26)
                            .Int32(0xFF)
                            .Int32(512);
  ASSERT_EQ(expected.size(), 52u);
  EXPECT_EQ(Archived(font), expected.data());

  KVOptionKVLogFont option;
  option.Configure("Options", "Font", 0, font);
  const auto bytes = Archived(option);
  EXPECT_EQ(bytes, expected.data());

  // The receiver keeps its own width, escapement, orientation and precision/quality/pitch bytes.
  KVOptionKVLogFont receiver;
  KVLogFont receiverFont;
  receiverFont.lfWidth = 5;
  receiverFont.lfEscapement = 6;
  receiverFont.lfOrientation = 7;
  receiverFont.lfOutPrecision = 1;
  receiverFont.lfClipPrecision = 2;
  receiverFont.lfQuality = 3;
  receiverFont.lfPitchAndFamily = 4;
  receiver.Configure("Options", "Font", 0, receiverFont);
  Archive in = Archive::ForLoading(bytes);
  receiver.Serialize(in);
  const KVLogFont& got = receiver.Current();
  EXPECT_EQ(got.lfHeight, -300);
  EXPECT_EQ(got.lfWeight, 700);
  EXPECT_EQ(got.lfItalic, 1);
  EXPECT_EQ(got.lfUnderline, 1);
  EXPECT_EQ(got.lfStrikeOut, 0);
  EXPECT_EQ(got.lfCharSet, 2);
  EXPECT_EQ(got.FaceName(), "Symbol");
  EXPECT_EQ(got.colour, 0xFF);
  EXPECT_EQ(got.size, 512);
  EXPECT_EQ(got.lfWidth, 5);
  EXPECT_EQ(got.lfEscapement, 6);
  EXPECT_EQ(got.lfOrientation, 7);
  EXPECT_EQ(got.lfOutPrecision, 1);
  EXPECT_EQ(got.lfClipPrecision, 2);
  EXPECT_EQ(got.lfQuality, 3);
  EXPECT_EQ(got.lfPitchAndFamily, 4);
  // The default is not archived and stays the receiver's.
  EXPECT_EQ(receiver.Default(), receiverFont);
}

TEST(ValueClasses, FaceNamesStayTerminated) {
  KVLogFont font;
  font.SetFaceName(std::string(40, 'F'));
  EXPECT_EQ(font.FaceName(), std::string(31, 'F'));

  // A file may fill all 32 face bytes; the name read is cut to 31.
  auto bytes =
      Bytes().Int32(-14).Int32(400).Zeros(4).Text(std::string(32, 'G')).Int32(0).Int32(400);
  Archive in = Archive::ForLoading(bytes.data());
  font.Serialize(in);
  EXPECT_EQ(font.FaceName(), std::string(31, 'G'));
}

TEST(ValueClasses, PenAndBrushArchiveForms) {
  KVLogPen pen{.mode = 2, .type = 0x10006, .colour = 0x123456, .width = 30.0};
  EXPECT_EQ(Archived(pen), Bytes()
                               .Int32(2)
                               .Int32(0x10006)
                               .Int32(0x123456)
                               .Raw({0, 0, 0, 0, 0, 0, 0x3E, 0x40})  // 30.0
                               .data());
  KVLogBrush brush{.mode = 1, .type = 2, .colour = 0xFF00, .hatch = 4};
  EXPECT_EQ(Archived(brush), Bytes().Int32(1).Int32(2).Int32(0xFF00).Int32(4).data());

  KVLogPen readPen;
  const auto bytes = Archived(pen);
  Archive in = Archive::ForLoading(bytes);
  readPen.Serialize(in);
  EXPECT_EQ(readPen, pen);
}

TEST(ValueClasses, ArchiveEndingInsideAnObjectKeepsFieldsReadSoFar) {
  KVLogPen pen;
  const auto bytes = Bytes().Int32(3).Int32(9).Raw({1, 2});  // cut inside the colour
  Archive in = Archive::ForLoading(bytes.data());
  EXPECT_THROW(pen.Serialize(in), ArchiveError);
  EXPECT_EQ(pen.mode, 3);
  EXPECT_EQ(pen.type, 9);
  EXPECT_EQ(pen.colour, 0);
}

TEST(PenTable, TurnsDescriptionsIntoStylesAndWidths) {
  auto pen = [](int mode, int type, double width = 12.5) {
    return PenFromDescription(
        KVLogPen{.mode = mode, .type = type, .colour = 0xABCDEF, .width = width});
  };
  // Null pens whatever the mode.
  EXPECT_EQ(pen(0, 5), (PenAttributes{5, 1, 0xABCDEF}));
  EXPECT_EQ(pen(3, 5), (PenAttributes{5, 1, 0xABCDEF}));
  EXPECT_EQ(pen(1, 12), (PenAttributes{5, 1, 0xABCDEF}));
  // Solid: width rounded to nearest, halves up.
  EXPECT_EQ(pen(0, 0, 12.5), (PenAttributes{0, 13, 0xABCDEF}));
  EXPECT_EQ(pen(0, 0, 12.49), (PenAttributes{0, 12, 0xABCDEF}));
  // Dashes: geometric, width 1.
  EXPECT_EQ(pen(0, 1), (PenAttributes{0x10002, 1, 0xABCDEF}));
  EXPECT_EQ(pen(0, 2), (PenAttributes{0x10001, 1, 0xABCDEF}));
  EXPECT_EQ(pen(0, 3), (PenAttributes{0x10003, 1, 0xABCDEF}));
  EXPECT_EQ(pen(0, 4), (PenAttributes{0x10004, 1, 0xABCDEF}));
  // Inside-frame widths of types 6 to 11.
  const int widths[] = {25, 50, 75, 100, 150, 250};
  for (int type = 6; type <= 11; ++type) {
    EXPECT_EQ(pen(0, type), (PenAttributes{0x10006, widths[type - 6], 0xABCDEF})) << type;
  }
  // Anything else: the type is the style, the width is rounded.
  EXPECT_EQ(pen(0, 13, 7.5), (PenAttributes{13, 8, 0xABCDEF}));
  EXPECT_EQ(pen(2, 0x10006, 30.0), (PenAttributes{0x10006, 30, 0xABCDEF}));
  EXPECT_EQ(pen(1, 7, 2.4), (PenAttributes{7, 2, 0xABCDEF}));
  // Widths that no integer holds do not overflow.
  EXPECT_EQ(pen(0, 0, 1e300).width, INT32_MAX);
  EXPECT_EQ(pen(0, 0, -1e300).width, INT32_MIN);
}

TEST(BrushTable, TurnsDescriptionsIntoBrushes) {
  auto brush = [](int mode, int type, int hatch = 9) {
    return BrushFromDescription(
        KVLogBrush{.mode = mode, .type = type, .colour = 0x00FF00, .hatch = hatch});
  };
  EXPECT_EQ(brush(0, 0), (BrushAttributes{1, 0x00FF00, 0}));
  EXPECT_EQ(brush(0, 1), (BrushAttributes{0, 0x00FF00, 0}));
  EXPECT_EQ(brush(0, 2), (BrushAttributes{2, 0x00FF00, 2}));
  EXPECT_EQ(brush(0, 3), (BrushAttributes{2, 0x00FF00, 3}));
  EXPECT_EQ(brush(0, 4), (BrushAttributes{2, 0x00FF00, 0}));
  EXPECT_EQ(brush(0, 5), (BrushAttributes{2, 0x00FF00, 1}));
  EXPECT_EQ(brush(0, 6), (BrushAttributes{2, 0x00FF00, 4}));
  EXPECT_EQ(brush(0, 7), (BrushAttributes{2, 0x00FF00, 5}));
  EXPECT_EQ(brush(0, 8), (BrushAttributes{0, 0x00FF00, 0}));
  EXPECT_EQ(brush(1, 2, 3), (BrushAttributes{2, 0x00FF00, 3}));
  EXPECT_EQ(brush(2, 6), (BrushAttributes{0, 0, 0}));
}

TEST(ScalarOptions, ConfigureSetsEveryValueAndCopiesTakeEveryField) {
  IntOption option;
  option.Configure("Options", "MatrixAlign", 3, 1, 0, 2);
  EXPECT_EQ(option.Current(), 1);
  EXPECT_EQ(option.Default(), 1);
  EXPECT_EQ(option.Saved(), 1);
  EXPECT_EQ(option.Section(), "Options");
  EXPECT_EQ(option.Key(), "MatrixAlign");
  EXPECT_EQ(option.Flag(), 3);
  option.Set(2);
  const IntOption copy = option;
  EXPECT_EQ(copy, option);
  EXPECT_EQ(copy.Minimum(), 0);
  EXPECT_EQ(copy.Maximum(), 2);
  EXPECT_EQ(copy.Current(), 2);
  EXPECT_EQ(copy.Saved(), 1);

  IntOption other = option;
  other.Configure("Options", "MatrixAlign", 3, 1, 0, 3);  // a different range
  EXPECT_NE(other, option);
}

TEST(ScalarOptions, RangeRepairUsesTheMidpointAndKeepsIt) {
  IntOption i;
  i.Configure("Options", "MultiplyStyle", 0, 0, 0, 2);
  i.Set(7);
  EXPECT_EQ(i.Get(), 1);
  EXPECT_EQ(i.Current(), 1);
  i.Configure("Options", "X", 0, 0, -3, 0);
  i.Set(5);
  EXPECT_EQ(i.Get(), -1);  // -3 / 2 truncates toward zero
  i.Configure("Options", "Wide", 0, 0, INT32_MIN + 1, INT32_MAX);
  i.Set(INT32_MIN);
  EXPECT_EQ(i.Get(), 0);  // no overflow in the midpoint

  DoubleOption d;
  d.Configure("Options", "PowerRaise", 0, 0.7, 0.0, 1.0);
  d.Set(1.5);
  EXPECT_EQ(d.Get(), 0.5);
  EXPECT_EQ(d.Current(), 0.5);
  d.Set(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(d.Get(), 0.5);
  d.Set(1.0);
  EXPECT_EQ(d.Get(), 1.0);  // the range is inclusive
}

TEST(ScalarOptions, StringMaximumLength) {
  StringOption s;
  s.Configure("Options", "Name", 0, "abc", 5);
  s.Set("abcdefgh");
  EXPECT_EQ(s.Get(), "abcde");
  EXPECT_EQ(s.Current(), "abcde");

  StringOption unlimited;
  unlimited.Configure("Options", "List", 0, "x", StringOption::kNoLimit);
  unlimited.Set(std::string(10000, 'y'));
  EXPECT_EQ(unlimited.Get().size(), 10000u);

  StringOption single;
  single.Configure("Options", "DecimalPoint", 0, ',');
  EXPECT_EQ(single.Get(), ",");
  EXPECT_TRUE(single.IsSingleCharacter());
  EXPECT_EQ(single.MaximumLength(), StringOption::kNoLimit);
}

TEST(ScalarOptions, ArchiveForms) {
  IntOption i;
  i.Configure("Options", "TabWidth", 0, 1000, -32768, 32767);
  BoolOption b;
  b.Configure("Options", "UseOneFont", 0, true);
  ColorOption c;
  c.Configure("Options", "GreekColor", 0, 0x00FF0000);  // blue
  DoubleOption d;
  d.Configure("Options", "PowerRaise", 0, 0.7, 0.0, 1.0);
  StringOption s;
  s.Configure("Options", "UnitsFont", 0, "Arial", StringOption::kNoLimit);
  Archive ar = Archive::ForStoring();
  i.Serialize(ar);
  b.Serialize(ar);
  c.Serialize(ar);
  d.Serialize(ar);
  s.Serialize(ar);
  const auto expected = Bytes()
                            .Int32(1000)
                            .Byte(1)
                            .Int32(0x00FF0000)
                            .Raw({0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0xE6, 0x3F})  // 0.7
                            .ShortString("Arial");
  EXPECT_EQ(ar.Bytes(), expected.data());
}

}  // namespace
}  // namespace kv
