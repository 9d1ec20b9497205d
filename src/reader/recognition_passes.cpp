// The recognition passes: macros, shorthand, indicated-vector arrows and the main lists. Each
// fills the line's table from its lists, sorts it longest key first, and cuts every match out of
// the text that is still unclassified.
#include <array>
#include <string_view>
#include <vector>

#include "reader/equation_line.h"
#include "typeset/equation_settings.h"

namespace kv {
namespace {

constexpr char kListSeparator = ',';
constexpr char kMacroSeparator = '%';

// Lists that are part of the reading rules and no setting changes.
constexpr std::string_view kRightArrowList = "-->";
constexpr std::string_view kLeftArrowList = "<--";
constexpr std::string_view kBothArrowList = "<->";
constexpr std::string_view kSquareRootList = "sqrt,sr";
constexpr std::string_view kRootList = "root";
constexpr std::string_view kPlusMinusList = "+-,177";
constexpr std::string_view kBarOpenList = "|[,[|";
constexpr std::string_view kBarCloseList = "]|,|]";
// A space and a colon are typeset as they stand, so a ratio colon is not read as an accent.
constexpr std::string_view kRatioColonList = " :, :";

// The table's entries grouped by the first byte of their key, in table order, so that a position
// of the text is compared only with the keys that can start there. Empty keys never match and
// are left out.
class TableMatcher {
 public:
  explicit TableMatcher(std::span<const RecognitionEntry> entries) {
    for (const RecognitionEntry& entry : entries) {
      if (!entry.key.empty())
        byFirstByte_[static_cast<unsigned char>(entry.key[0])].push_back(&entry);
    }
  }

  // The first entry whose key starts at `position` of `text`, or null.
  const RecognitionEntry* MatchAt(std::string_view text, std::size_t position) const {
    const std::string_view rest = text.substr(position);
    for (const RecognitionEntry* entry : byFirstByte_[static_cast<unsigned char>(rest[0])]) {
      if (rest.starts_with(entry->key)) return entry;
    }
    return nullptr;
  }

 private:
  std::array<std::vector<const RecognitionEntry*>, 256> byFirstByte_;
};

}  // namespace

// Leftmost first, then the table's order (longest, then later-added). After a match the scan
// goes on behind it: the inserted piece is never scanned again by the same table, so a macro
// whose body holds its own name expands once.
void EquationLine::ApplyTable() {
  const TableMatcher matcher(table_.Entries());
  CutRawTokens([&matcher](std::string_view text, std::vector<TextCut>& cuts) {
    std::size_t position = 0;
    while (position < text.size()) {
      const RecognitionEntry* entry = matcher.MatchAt(text, position);
      if (entry == nullptr) {
        ++position;
        continue;
      }
      const std::size_t end = position + entry->key.size() - 1;
      cuts.push_back({position, end, entry->kind, entry->replacement});
      position = end + 1;
    }
  });
}

void EquationLine::ExpandMacros(const EquationSettings& settings) {
  table_.SetList(settings.MacroList.Current(), TK_RAW, ListForm::kPairs, kMacroSeparator);
  table_.SortByKeyLength();
  ApplyTable();
}

void EquationLine::ApplyShorthand(const EquationSettings& settings) {
  table_.SetList(settings.lists.shorthand, TK_RAW, ListForm::kPairs, kListSeparator);
  table_.SortByKeyLength();
  ApplyTable();
}

void EquationLine::ApplyIndicatedVectorArrows() {
  table_.SetList(kRightArrowList, TK_IVRIGHT, ListForm::kPlain, kListSeparator);
  table_.AddList(kLeftArrowList, TK_IVLEFT, ListForm::kPlain, kListSeparator);
  table_.AddList(kBothArrowList, TK_IVBOTH, ListForm::kPlain, kListSeparator);
  table_.SortByKeyLength();
  ApplyTable();
}

// The order of the lists decides between equal keys: a key in two lists takes the kind of the
// list added later.
void EquationLine::ApplyMainLists(const EquationSettings& settings) {
  const FixedLists& lists = settings.lists;
  constexpr ListForm kPlain = ListForm::kPlain;
  constexpr ListForm kPairs = ListForm::kPairs;
  constexpr char kSep = kListSeparator;
  table_.SetList(lists.relations, TK_SPACEDSYMBOL, kPairs, kSep);
  table_.AddList(lists.symbols, TK_SYMBOL, kPairs, kSep);
  table_.AddList(lists.greek, TK_GREEK, kPairs, kSep);
  table_.AddList(settings.UnitsList.Current(), TK_UNIT, kPlain, kSep);
  table_.AddList(lists.functions, TK_FUNCTION, kPlain, kSep);
  table_.AddList(lists.inverseFunctions, TK_ARCSINCOSTAN, kPlain, kSep);
  table_.AddList(kSquareRootList, TK_SQRT, kPlain, kSep);
  table_.AddList(kRootList, TK_ROOT, kPlain, kSep);
  table_.AddList(lists.bigOperators, TK_CODEDRAW2, kPlain, kSep);
  table_.AddList(lists.accents, TK_MODIFIER, kPlain, kSep);
  if (settings.switches.PlusMinusSymbol) table_.AddList(kPlusMinusList, TK_RAW, kPairs, kSep);
  table_.AddList(kBarOpenList, TK_OPEN, kPlain, kSep);
  table_.AddList(kBarCloseList, TK_CLOSE, kPlain, kSep);
  table_.AddList(kRatioColonList, TK_NUMBER, kPairs, kSep);
  table_.SortByKeyLength();
  ApplyTable();
}

}  // namespace kv
