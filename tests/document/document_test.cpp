// The document: splitting and joining its text, the "Contents" stream in both directions, new
// documents and resetting the settings. Expected streams are built by hand, field by field.
#include "document/document.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/archive.h"
#include "options/config_store.h"
#include "options/option_text.h"
#include "support/bytes.h"

namespace kv {
namespace {

using test::Bytes;

// Stands in for the application: records what the document shows and how often it redraws.
class RecordingHost : public DocumentHost {
 public:
  const EquationSettings& MasterSettings() const override { return master; }
  IniFile& ExchangeStore() override { return exchange; }
  void ShowEquationText(std::string_view text) override { shown.emplace_back(text); }
  void UpdateAllViews(const KLV300Doc&) override { ++redraws; }
  bool RunOptionsSheet(KLV300Doc& document) override { return sheet(document); }

  EquationSettings master;
  // What the user does in the options sheet; Cancel unless a test says otherwise.
  std::function<bool(KLV300Doc&)> sheet = [](KLV300Doc&) { return false; };
  IniFile exchange;
  std::vector<std::string> shown;
  int redraws = 0;
};

std::string Repeat(std::string_view piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i)
    text += piece;
  return text;
}

std::vector<std::uint8_t> Store(KLV300Doc& document) {
  Archive out = Archive::ForStoring();
  document.Serialize(out);
  return out.Bytes();
}

void Load(KLV300Doc& document, const std::vector<std::uint8_t>& bytes) {
  Archive in = Archive::ForLoading(bytes);
  document.Serialize(in);
}

std::vector<std::string> Lines(const KLV300Doc& document) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i)
    lines.push_back(document.EquationList().Line(i));
  return lines;
}

std::vector<std::string> LinesWith(std::initializer_list<std::string> first) {
  std::vector<std::string> lines(first);
  lines.resize(KVEquationList::kLineCount);
  return lines;
}

TEST(DocumentText, SplitsIntoTwentyLinesAndJoinsWithNineteenBreaks) {
  RecordingHost host;
  KLV300Doc doc(host);
  EXPECT_EQ(doc.GetEquationText(), Repeat("\r\n", 19));

  doc.SetEquationText("a\r\nb");
  EXPECT_EQ(Lines(doc), LinesWith({"a", "b"}));
  EXPECT_EQ(doc.GetEquationText(), "a\r\nb" + Repeat("\r\n", 18));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(host.redraws, 1);

  // Lines 21 to 25 stay in the last line, joined by their breaks.
  std::string text = "1";
  for (int i = 2; i <= 25; ++i)
    text += "\r\n" + std::to_string(i);
  doc.SetEquationText(text);
  EXPECT_EQ(doc.EquationList().Line(18), "19");
  EXPECT_EQ(doc.EquationList().Line(19), "20\r\n21\r\n22\r\n23\r\n24\r\n25");
  EXPECT_EQ(doc.GetEquationText(), text);

  // After nineteen breaks only a break is left: the last line is empty.
  std::string nineteen;
  for (int i = 1; i <= 19; ++i)
    nineteen += std::to_string(i) + "\r\n";
  doc.SetEquationText(nineteen + "\r\n");
  EXPECT_EQ(doc.EquationList().Line(18), "19");
  EXPECT_EQ(doc.EquationList().Line(19), "");
  // An empty twentieth line followed by more text keeps that text.
  doc.SetEquationText(nineteen + "\r\nx");
  EXPECT_EQ(doc.EquationList().Line(19), "\r\nx");
  EXPECT_EQ(doc.GetEquationText(), nineteen + "\r\nx");

  // A CR on its own is a break; the character after it is kept.
  doc.SetEquationText("a\rb\r");
  EXPECT_EQ(Lines(doc), LinesWith({"a", "b"}));
  doc.SetEquationText("\r");
  EXPECT_EQ(Lines(doc), LinesWith({}));
  // Blanks make a line non-empty; a lone LF is an ordinary character.
  doc.SetEquationText(" \r\n\n");
  EXPECT_EQ(Lines(doc), LinesWith({" ", "\n"}));
}

// The settings block of a new document, field by field from the table of defaults.
void AppendDefaultSettingsBlock(Bytes& b) {
  b.ShortString("KLVOptions").Word(1);
  b.Int32(1).Int32(0).Int32(1).Int32(1000).Int32(1000);  // LowerCase .. VerticalSpacing
  b.Raw({0, 1, 0, 0, 1, 0, 0, 0});                       // RaiseDecimal .. GreekBold
  for (char letter = 'a'; letter <= 'z'; ++letter)       // only i, j, k and r are vectors
    b.Byte(letter == 'i' || letter == 'j' || letter == 'k' || letter == 'r');
  b.Int32(-14).Int32(400).Raw({0, 0, 0, 0}).Text("Arial").Zeros(27).Int32(0).Int32(400);  // Font
  b.Raw({0, 0, 0, 0});  // the four variants
  b.Double(0.7);        // PowerRaise
  b.Int32(0).Int32(100).Int32(30).Int32(90).Int32(0).Int32(4).Int32(2);
  b.Double(0.3).Double(0.3);
  b.Int32(150);                                     // VectorArrowSize
  b.Int32(2).Int32(0x10006).Int32(0).Double(30.0);  // GeneralPen
  b.Int32(0);                                       // IntegralStyle
  b.Raw({1, 0, 1, 1, 1, 1, 0, 1});                  // UseAutographEntry .. QuoteItalic
  for (int face = 0; face < 4; ++face)
    b.ShortString("Arial");
  for (int colour = 0; colour < 6; ++colour)
    b.Int32(0);
  b.ShortString("cm,km,mm,L,mL,cL,kL,ML,mg,kg");
  b.ShortString("qf%x=(-b+-sr(b2-4ac))/2a%pv7%3.1415927%pv20%3.14159265358979323846%");
  b.Raw({1, 1});                              // ShrinkNonAlgebraicFractions, ExpandSubtract
  b.Int32(0).Int32(400).Int32(600).Int32(1);  // NegativeNumberStyle .. MatrixAlign
  b.Byte(0);                                  // UseWordFont
  b.ShortString("/KLVOptions/");
}

TEST(DocumentContents, NewEmptyDocumentIsWrittenByteForByte) {
  RecordingHost host;
  KLV300Doc doc(host);
  ASSERT_TRUE(doc.OnNewDocument());
  Bytes expected;
  expected.ShortString("KLV3DOC").Word(1).Zeros(20);
  AppendDefaultSettingsBlock(expected);
  expected.ShortString("/KLV3DOC/");
  EXPECT_EQ(Store(doc), expected.data());

  KLV300Doc read(host);
  read.SetEquationText("left over");
  Load(read, expected.data());
  EXPECT_EQ(Lines(read), LinesWith({}));
  EXPECT_EQ(host.shown, std::vector<std::string>{Repeat("\r\n", 19)});
}

// A value unlike the default for every stored setting.
struct Changer {
  EquationSettings& s;
  int index;

  void operator()(const IntSetting& d) const {
    (s.*d.option).Set(d.defaultValue == d.maximum ? d.defaultValue - 1 : d.defaultValue + 1);
  }
  void operator()(const DoubleSetting& d) const {
    (s.*d.option).Set((d.defaultValue + d.maximum) / 2);
  }
  void operator()(const BoolSetting& d) const { (s.*d.option).Set(!d.defaultValue); }
  void operator()(const ColorSetting& d) const { (s.*d.option).Set(0x00102030 + index); }
  void operator()(const TextSetting& d) const {
    (s.*d.option).Set("Face \xE9" + std::to_string(index));
  }
  void operator()(const LocaleCharSetting&) const {}
  void operator()(const PenSetting& d) const {
    (s.*d.option).Set(KVLogPen{.mode = 1, .type = 3, .colour = 0xFF, .width = 12.5});
  }
  void operator()(const FontSetting& d) const {
    KVLogFont font;
    font.lfHeight = -20;
    font.lfWeight = 700;
    font.lfItalic = font.lfUnderline = font.lfStrikeOut = 1;
    font.lfCharSet = 2;
    font.SetFaceName("Times New Roman");
    font.colour = 0x0000FF;
    font.size = 550;
    (s.*d.option).Set(font);
  }
};

TEST(DocumentContents, RoundTripsEverySettingAndEveryStringLength) {
  RecordingHost host;
  KLV300Doc doc(host);
  int index = 0;
  for (const SettingDescriptor& setting : SettingsTable())
    std::visit(Changer{doc.Settings(), index++}, setting.kind);
  // Archive strings of one-, three- and seven-byte length prefixes, and Windows-1252 bytes.
  doc.SetEquationText("x^2\r\n\r\n" + std::string(300, 'a') + "\r\n" + std::string(70000, 'b') +
                      "\r\n\x80\xE9\xFF");

  const EquationSettings defaults;
  for (const SettingDescriptor& setting : SettingsTable()) {
    if (std::holds_alternative<LocaleCharSetting>(setting.kind)) continue;
    EXPECT_NE(SettingAsText(doc.Settings(), setting.key), SettingAsText(defaults, setting.key))
        << setting.key << " was not changed";
  }

  KLV300Doc read(host);
  Load(read, Store(doc));
  EXPECT_EQ(Lines(read), Lines(doc));
  EXPECT_EQ(read.Settings(), doc.Settings());
}

TEST(DocumentContents, ReadsTheUtf16StringForm) {
  Bytes b;
  b.ShortString("KLV3DOC").Word(1);
  // x, e acute, the euro sign and a character the code page lacks, as four UTF-16 units.
  b.Byte(0xFF).Word(0xFFFE).Byte(4).Word('x').Word(0xE9).Word(0x20AC).Word(0x4E00);
  b.Byte(0xFF).Word(0xFFFE).Byte(0).Zeros(18);
  b.ShortString("Other");                       // a settings block of another tag is left unread
  b.Byte(0xFF).Word(0xFFFE).Byte(1).Word('/');  // the closing tag

  RecordingHost host;
  KLV300Doc doc(host);
  Load(doc, b.data());
  EXPECT_EQ(Lines(doc), LinesWith({"x\xE9\x80?"}));
  EXPECT_EQ(doc.Settings(), EquationSettings());
}

TEST(DocumentContents, VersionAndSettingsTagRules) {
  RecordingHost host;
  host.master.VerticalSpacing.Set(250);  // the new-document settings, unlike the defaults
  for (unsigned version : {0u, 0x8000u, 0xFFFFu}) {
    SCOPED_TRACE(version);
    KLV300Doc doc(host);
    doc.OnNewDocument();
    Bytes b;
    b.ShortString("KLV3DOC").Word(version).ShortString("never read");
    Load(doc, b.data());
    EXPECT_EQ(Lines(doc), LinesWith({}));
    EXPECT_EQ(doc.Settings(), host.master);
  }

  // A later version reads as version 1; a settings block of another tag is left unread and the
  // settings stay as they were, while the lines are read.
  KLV300Doc doc(host);
  doc.OnNewDocument();
  Bytes b;
  b.ShortString("KLV3DOC").Word(2).ShortString("a").ShortString("b").Zeros(18);
  b.ShortString("OtherOptions").ShortString("/KLV3DOC/");
  Load(doc, b.data());
  EXPECT_EQ(Lines(doc), LinesWith({"a", "b"}));
  EXPECT_EQ(doc.Settings(), host.master);
}

// A file of the older flat layout, field by field.
Bytes LegacyFile() {
  Bytes b;
  b.ShortString("x+1").ShortString("").ShortString("ab");
  for (int i = 3; i < 20; ++i)
    b.ShortString("");
  b.ShortString("skipped").Byte(0x55);
  // LowerCase, DisplayVect, DoubleCaps and TabWidth out of their range -32768..32767, which
  // repairs to the midpoint (-32768 + 32767) / 2 = 0; VerticalSpacing.
  b.Int32(2).Int32(3).Int32(40000).Int32(-40000).Int32(500);
  b.Int32(5).Int32(0).Int32(1).Int32(0).Int32(-1).Int32(0).Int32(1);  // seven style flags
  for (char letter = 'a'; letter <= 'z'; ++letter)
    b.Int32(letter == 'a' ? 1 : letter == 'c' ? 7 : letter == 'z' ? -3 : 0);
  b.ShortString("old").Int32(99);
  b.Int32(9);  // multiplication flag
  b.Int32(11).Int32(12);
  return b;
}

TEST(LegacyLayout, ReadsAFileBuiltByteByByte) {
  RecordingHost host;
  // New-document values unlike the defaults, to show that what the layout lacks keeps them.
  host.master.DetectColumnVectors.Set(false);
  KVLogFont courier;
  courier.SetFaceName("Courier");
  host.master.Font.Set(courier);
  KLV300Doc doc(host);
  doc.OnNewDocument();
  Load(doc, LegacyFile().data());

  EXPECT_EQ(Lines(doc), LinesWith({"x+1", "", "ab"}));
  EXPECT_EQ(host.shown.back(), "x+1\r\n\r\nab" + Repeat("\r\n", 17));
  EquationSettings& s = doc.Settings();
  EXPECT_EQ(s.LowerCase.Current(), 2);
  EXPECT_EQ(s.DisplayVect.Current(), 3);
  EXPECT_EQ(s.DoubleCaps.Current(), 0);
  EXPECT_EQ(s.TabWidth.Current(), 0);
  EXPECT_EQ(s.VerticalSpacing.Current(), 500);
  const std::vector<bool> styles = {s.RaiseDecimal.Get(),  s.FunctionsItalic.Get(),
                                    s.FunctionsBold.Get(), s.VariablesItalic.Get(),
                                    s.VariablesBold.Get(), s.GreekItalic.Get(),
                                    s.GreekBold.Get()};
  EXPECT_EQ(styles, (std::vector<bool>{true, false, true, false, true, false, true}));
  for (int letter = 0; letter < 26; ++letter) {
    SCOPED_TRACE(letter);
    EXPECT_EQ(s.Letter(letter).Get(), letter == 0 || letter == 2 || letter == 25);
  }
  EXPECT_EQ(s.MultiplyStyle.Current(), 1);
  EXPECT_FALSE(s.DetectColumnVectors.Get());
  EXPECT_EQ(s.Font.Current().FaceName(), "Courier");
}

TEST(LegacyLayout, EndsQuietlyWhereTheStreamEnds) {
  const std::vector<std::uint8_t> whole = LegacyFile().data();
  // Up to the first line's end the stream is no archive string either: a failed read.
  const std::size_t firstLine = 4;
  RecordingHost host;
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    KLV300Doc doc(host);
    const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
    if (cut < firstLine) {
      EXPECT_THROW(Load(doc, part), ArchiveError);
    } else {
      EXPECT_NO_THROW(Load(doc, part));
    }
  }

  // Cut inside the third line: the first two stay. Cut before the multiplication flag: the
  // letters are read, MultiplyStyle keeps its value.
  KLV300Doc lines(host);
  Load(lines, {whole.begin(), whole.begin() + 4 + 1 + 2});
  EXPECT_EQ(Lines(lines), LinesWith({"x+1", ""}));
  KLV300Doc letters(host);
  letters.Settings().MultiplyStyle.Set(2);
  constexpr std::ptrdiff_t kLastThreeIntegers = 3 * 4;
  Load(letters, {whole.begin(), whole.end() - kLastThreeIntegers});
  EXPECT_TRUE(letters.Settings().LettersZ.Get());
  EXPECT_EQ(letters.Settings().MultiplyStyle.Current(), 2);
}

TEST(LegacyLayout, LineLengthsAboveTheLayoutsLimitAreNoDocument) {
  RecordingHost host;
  for (int length : {128, 200, 254}) {
    SCOPED_TRACE(length);
    Bytes b;
    b.ShortString("x").ShortString("y").Byte(length).Zeros(300);
    KLV300Doc doc(host);
    EXPECT_THROW(Load(doc, b.data()), ArchiveError);
  }
}

TEST(NewDocument, CopiesTheDefaultsAndTakesTheWordProcessorsFont) {
  RecordingHost host;
  host.master.PowerRaise.Set(0.5);
  host.master.MatrixAlign.Set(7);  // out of range: copied as it is, repaired when used
  KLV300Doc doc(host);
  doc.SetEquationText("old");
  ASSERT_TRUE(doc.OnNewDocument());
  EXPECT_EQ(doc.Settings(), host.master);
  EXPECT_EQ(Lines(doc), LinesWith({}));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.OptionsStartPage(), -1);

  // The word processor's font, with UseWordFont set: 12 points are trunc(12 * 35.2777755) = 423
  // hundredths of a millimetre, 1638 points 57784.
  host.master.UseWordFont.Set(true);
  const KVLogFont defaultFont = host.master.Font.Current();
  auto fontOfNewDocument = [&](std::string_view name, std::string_view size) {
    host.exchange = IniFile();
    if (!name.empty()) host.exchange.WriteString("Font Info", "Name", name, true);
    if (!size.empty()) host.exchange.WriteString("Font Info", "Size", size, true);
    KLV300Doc fresh(host);
    fresh.OnNewDocument();
    return fresh.Settings().Font.Current();
  };
  KVLogFont expected = defaultFont;
  expected.SetFaceName("Times New Roman");
  expected.size = 423;
  EXPECT_EQ(fontOfNewDocument("Times New Roman", "12"), expected);
  EXPECT_EQ(fontOfNewDocument("Times New Roman", "1638").size, 57784);
  // Only the first 31 characters of a face name fit.
  const std::string longName = "A face name of forty characters, exactly";
  ASSERT_EQ(longName.size(), 40u);
  EXPECT_EQ(fontOfNewDocument(longName, "12").FaceName(), longName.substr(0, 31));
  // "No Font", and no name at all, keep the default font.
  EXPECT_EQ(fontOfNewDocument("No Font", "12"), defaultFont);
  EXPECT_EQ(fontOfNewDocument("", ""), defaultFont);
  EXPECT_EQ(fontOfNewDocument("", "12"), defaultFont);
  // A size that is missing, not positive or too large for the field keeps the font's size.
  for (std::string_view size : {"", "0", "-5", "100000000"}) {
    SCOPED_TRACE(size);
    const KVLogFont font = fontOfNewDocument("Garamond", size);
    EXPECT_EQ(font.FaceName(), "Garamond");
    EXPECT_EQ(font.size, defaultFont.size);
  }

  host.master.UseWordFont.Set(false);
  EXPECT_EQ(fontOfNewDocument("Times New Roman", "12"), defaultFont);
}

TEST(ResetPreferences, CopiesTheDefaultsAndRebuildsEveryLine) {
  RecordingHost host;
  host.master.FractionGap.Set(150);
  KLV300Doc doc(host);
  doc.Settings().FractionGap.Set(20);
  doc.Settings().UseOneFont.Set(false);
  doc.SetEquationText("a/b\r\nc");
  for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i)
    doc.EquationList().ParsedLine(i).Parse(doc.EquationList().Line(i), doc.Settings());
  doc.SetModifiedFlag(false);
  const int redraws = host.redraws;

  doc.ResetPreferences();
  EXPECT_EQ(doc.Settings(), host.master);
  for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i)
    EXPECT_TRUE(doc.EquationList().ParsedLine(i).NeedsRebuild()) << i;
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(host.redraws, redraws + 1);
  EXPECT_EQ(Lines(doc), LinesWith({"a/b", "c"}));
}

// Cancel in the options sheet changes nothing; OK rebuilds every line with what the sheet set,
// marks the document modified and redraws it once.
TEST(EditPreferences, OnlyAcceptedChangesRebuildTheLines) {
  RecordingHost host;
  KLV300Doc doc(host);
  doc.SetEquationText("a/b");
  const auto parseAll = [&doc] {
    for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i)
      doc.EquationList().ParsedLine(i).Parse(doc.EquationList().Line(i), doc.Settings());
  };
  parseAll();
  doc.SetModifiedFlag(false);
  const int redraws = host.redraws;

  EXPECT_FALSE(doc.EditPreferences());
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(host.redraws, redraws);
  EXPECT_FALSE(doc.EquationList().ParsedLine(0).NeedsRebuild());

  host.sheet = [](KLV300Doc& edited) {
    edited.Settings().FractionGap.Set(150);
    return true;
  };
  EXPECT_TRUE(doc.EditPreferences());
  EXPECT_EQ(doc.Settings().FractionGap.Current(), 150);
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(host.redraws, redraws + 1);
  for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i)
    EXPECT_TRUE(doc.EquationList().ParsedLine(i).NeedsRebuild()) << i;
}

}  // namespace
}  // namespace kv
