#include "reader/recognition_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace kv {
namespace {

std::vector<std::string> Keys(const RecognitionTable& table) {
  std::vector<std::string> keys;
  for (const RecognitionEntry& entry : table.Entries())
    keys.push_back(entry.key);
  return keys;
}

using Entries = std::vector<RecognitionEntry>;

Entries EntriesOf(const RecognitionTable& table) {
  return {table.Entries().begin(), table.Entries().end()};
}

TEST(RecognitionTable, PlainListsKeepEveryPieceAsAKey) {
  RecognitionTable table;
  EXPECT_EQ(table.SetList("cm,km", TK_UNIT, ListForm::kPlain, ','), 1);
  EXPECT_EQ(EntriesOf(table), (Entries{{"cm", "", TK_UNIT}, {"km", "", TK_UNIT}}));

  // A trailing separator and two adjacent ones give empty keys.
  EXPECT_EQ(table.AddList("sin,,cos,", TK_FUNCTION, ListForm::kPlain, ','), 5);
  EXPECT_EQ(Keys(table), (std::vector<std::string>{"cm", "km", "sin", "", "cos", ""}));
  EXPECT_EQ(table.Entries()[5].kind, TK_FUNCTION);

  // SetList starts again.
  EXPECT_EQ(table.SetList("root", TK_ROOT, ListForm::kPlain, ','), 0);
  EXPECT_EQ(EntriesOf(table), (Entries{{"root", "", TK_ROOT}}));
}

TEST(RecognitionTable, PairListsTakeKeysAndReplacementsInTurn) {
  RecognitionTable table;
  // Three items: the third has no replacement and is dropped.
  EXPECT_EQ(table.SetList("ab,cd,ef", TK_RAW, ListForm::kPairs, ','), 0);
  EXPECT_EQ(EntriesOf(table), (Entries{{"ab", "cd", TK_RAW}}));

  // One item and a separator: the replacement is empty and stays empty (no conversion to 1).
  table.SetList("zz,", TK_SYMBOL, ListForm::kPairs, ',');
  EXPECT_EQ(EntriesOf(table), (Entries{{"zz", "", TK_SYMBOL}}));

  // With one separator left, the replacement is everything after it.
  table.SetList("a,b,c;d", TK_RAW, ListForm::kPairs, ';');
  EXPECT_EQ(EntriesOf(table), (Entries{{"a,b,c", "d", TK_RAW}}));

  // The macro list form: '%' separates, a closing '%' leaves nothing behind.
  EXPECT_EQ(table.SetList("qf%x=(-b)/2a%pv7%3.1415927%", TK_RAW, ListForm::kPairs, '%'), 1);
  EXPECT_EQ(EntriesOf(table), (Entries{{"qf", "x=(-b)/2a", TK_RAW}, {"pv7", "3.1415927", TK_RAW}}));

  // Replacements that are whole numbers from 1 to 255 become that byte.
  table.SetList(">=,179,SI,S,x,2,y,0,z,2.5,/*^^,173*/", TK_SYMBOL, ListForm::kPairs, ',');
  EXPECT_EQ(EntriesOf(table), (Entries{{">=", "\xB3", TK_SYMBOL},
                                       {"SI", "S", TK_SYMBOL},
                                       {"x", "\x02", TK_SYMBOL},
                                       {"y", "0", TK_SYMBOL},
                                       {"z", "2.5", TK_SYMBOL},
                                       {"/*^^", "\xAD", TK_SYMBOL}}));
  EXPECT_EQ(table.AddList("", TK_SYMBOL, ListForm::kPairs, ','), 5);  // adds nothing
}

TEST(RecognitionTable, ConvertsReplacementsToBytesOnlyWhenTheyAreWholeAndFit) {
  EXPECT_EQ(ConvertReplacement("2"), "\x02");
  EXPECT_EQ(ConvertReplacement("255"), "\xFF");
  EXPECT_EQ(ConvertReplacement("2,0"), "\x02");  // a decimal comma reads as a point
  EXPECT_EQ(ConvertReplacement("0"), "0");
  EXPECT_EQ(ConvertReplacement("2.5"), "2.5");
  EXPECT_EQ(ConvertReplacement("256"), "256");
  EXPECT_EQ(ConvertReplacement("x"), "x");  // no number: 0
  EXPECT_EQ(ConvertReplacement(""), "");
  // Negative whole values give their low byte in two's complement.
  EXPECT_EQ(ConvertReplacement("-1"), "\xFF");
  EXPECT_EQ(ConvertReplacement("-"), "\xFF");
  EXPECT_EQ(ConvertReplacement("-258"), "\xFE");
  EXPECT_EQ(ConvertReplacement("-4294967297"), "\xFF");  // -(2^32 + 1), beyond 32 bits
  // A low byte of 0 and values that are not finite stay text.
  EXPECT_EQ(ConvertReplacement("-256"), "-256");
  const std::string tooLarge = std::string("-1").append(300, '0');
  const std::string tooMany = std::string("-").append(400, '9');
  EXPECT_EQ(ConvertReplacement(tooLarge), tooLarge);
  EXPECT_EQ(ConvertReplacement(tooMany), tooMany);
  EXPECT_EQ(ConvertReplacement("1/0"), "1/0");
  EXPECT_EQ(ConvertReplacement("0/0"), "0/0");
}

TEST(RecognitionTable, SortsLongestFirstAndLaterAddedFirstAmongEqualLengths) {
  RecognitionTable table;
  table.SetList("a,bb,c", TK_VARIABLE, ListForm::kPlain, ',');
  table.AddList("dd,eee", TK_UNIT, ListForm::kPlain, ',');
  table.SortByKeyLength();
  EXPECT_EQ(Keys(table), (std::vector<std::string>{"eee", "dd", "bb", "c", "a"}));

  // The order is exactly that of the exchange sort: for i from 1, for j below i, exchange
  // entries i and j when key i is at least as long as key j. Checked on every list of up to
  // seven keys of one to three characters.
  for (int count = 0; count <= 7; ++count) {
    int combinations = 1;
    for (int k = 0; k < count; ++k)
      combinations *= 3;
    for (int code = 0; code < combinations; ++code) {
      std::string list;
      for (int k = 0, rest = code; k < count; ++k, rest /= 3) {
        if (k > 0) list += ',';
        list += std::string(static_cast<std::size_t>(rest % 3 + 1), static_cast<char>('a' + k));
      }
      table.SetList(list, TK_UNIT, ListForm::kPlain, ',');
      std::vector<std::string> exchanged = Keys(table);
      for (std::size_t i = 1; i < exchanged.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
          if (exchanged[i].size() >= exchanged[j].size()) std::swap(exchanged[i], exchanged[j]);
        }
      }
      table.SortByKeyLength();
      EXPECT_EQ(Keys(table), exchanged) << list;
    }
  }

  // The same key in two lists: the later list's entry comes first, so it is the one that matches.
  table.SetList("cm,mod", TK_UNIT, ListForm::kPlain, ',');
  table.AddList("sin,mod", TK_FUNCTION, ListForm::kPlain, ',');
  table.SortByKeyLength();
  EXPECT_EQ(EntriesOf(table), (Entries{{"mod", "", TK_FUNCTION},
                                       {"sin", "", TK_FUNCTION},
                                       {"mod", "", TK_UNIT},
                                       {"cm", "", TK_UNIT}}));
}

TEST(ParseNumberValue, ReadsEachForm) {
  constexpr double kPi = 3.141592654;
  constexpr double kE = 2.718281828;
  EXPECT_EQ(ParseNumberValue(""), 1.0);
  EXPECT_EQ(ParseNumberValue("-"), -1.0);
  EXPECT_EQ(ParseNumberValue("p"), kPi);
  EXPECT_EQ(ParseNumberValue("pi"), kPi);  // the letter after p goes with it
  EXPECT_EQ(ParseNumberValue("p/2"), kPi / 2);
  EXPECT_EQ(ParseNumberValue("4/2"), 2.0);
  EXPECT_EQ(ParseNumberValue("-p"), -kPi);
  EXPECT_EQ(ParseNumberValue("2pi"), 2 * kPi);
  EXPECT_EQ(ParseNumberValue("e"), kE);
  EXPECT_EQ(ParseNumberValue("pe"), kPi);  // the e is the letter dropped with the p
  EXPECT_EQ(ParseNumberValue("ep"), kPi * kE);
  EXPECT_EQ(ParseNumberValue("1e1"), 11 * kE);  // e is a factor, never an exponent
  EXPECT_EQ(ParseNumberValue("2,5"), 2.5);
  EXPECT_EQ(ParseNumberValue(" 179"), 179.0);
  EXPECT_EQ(ParseNumberValue("179x"), 179.0);
  EXPECT_EQ(ParseNumberValue("x"), 0.0);
  EXPECT_EQ(ParseNumberValue("3/"), 3.0);
  EXPECT_EQ(ParseNumberValue("3/4,5"), 3.0 / 4.0);  // no comma rule after the slash
  EXPECT_EQ(ParseNumberValue("1/2/4"), 0.5);        // everything after the first slash
  EXPECT_EQ(ParseNumberValue("173*/"), 173.0);
  EXPECT_TRUE(std::isinf(ParseNumberValue("1/0")));
  EXPECT_TRUE(std::isnan(ParseNumberValue("0/x")));
}

}  // namespace
}  // namespace kv
