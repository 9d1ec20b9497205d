// The recognition passes: macros, shorthand, indicated-vector arrows and the main lists. Each
// makes a table from its lists, sorted longest key first, and cuts every match out of the text
// that is still unclassified.
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "reader/equation_line.h"
#include "settings/equation_settings.h"

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

// Building a table means parsing its lists, converting replacements and sorting: far more work
// than reading a typical line. The tables depend only on the lists and switches that make them,
// so each pass keeps its last table with the text it was made from, and makes it again only when
// that text changes (the options were edited). Per thread, so readers on other threads never
// share a table.
class TableCache {
 public:
  template <typename Build>
  const CompiledTable& Get(const std::string& source, Build build) {
    if (!table_ || source != source_) {
      table_.reset();
      table_ = std::make_unique<CompiledTable>(build());
      source_ = source;
    }
    return *table_;
  }

 private:
  std::string source_;
  std::unique_ptr<CompiledTable> table_;
};

// The text a table is made from: its lists (and switches written as text), each after its length,
// so that no two different sets of lists give the same text.
std::string TableSource(std::initializer_list<std::string_view> lists) {
  std::string source;
  for (const std::string_view list : lists) {
    source += std::to_string(list.size());
    source += ':';
    source += list;
  }
  return source;
}

}  // namespace

// Leftmost first, then the table's order (longest, then later-added). After a match the scan
// goes on behind it: the inserted piece is never scanned again by the same table, so a macro
// whose body holds its own name expands once.
void EquationLine::ApplyTable(const CompiledTable& table) {
  CutRawTokens([&table](std::string_view text, TextCuts& cuts) {
    std::size_t position = 0;
    while (position < text.size()) {
      const RecognitionEntry* entry = table.MatchAt(text, position);
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
  thread_local TableCache cache;
  const std::string_view macros = settings.MacroList.Current();
  ApplyTable(cache.Get(TableSource({macros}), [&] {
    RecognitionTable table;
    table.SetList(macros, TK_RAW, ListForm::kPairs, kMacroSeparator);
    table.SortByKeyLength();
    return table;
  }));
}

void EquationLine::ApplyShorthand(const EquationSettings& settings) {
  thread_local TableCache cache;
  const std::string_view shorthand = settings.lists.shorthand;
  ApplyTable(cache.Get(TableSource({shorthand}), [&] {
    RecognitionTable table;
    table.SetList(shorthand, TK_RAW, ListForm::kPairs, kListSeparator);
    table.SortByKeyLength();
    return table;
  }));
}

void EquationLine::ApplyIndicatedVectorArrows() {
  static const CompiledTable arrows([] {
    RecognitionTable table;
    table.SetList(kRightArrowList, TK_IVRIGHT, ListForm::kPlain, kListSeparator);
    table.AddList(kLeftArrowList, TK_IVLEFT, ListForm::kPlain, kListSeparator);
    table.AddList(kBothArrowList, TK_IVBOTH, ListForm::kPlain, kListSeparator);
    table.SortByKeyLength();
    return table;
  }());
  ApplyTable(arrows);
}

// The order of the lists decides between equal keys: a key in two lists takes the kind of the
// list added later.
void EquationLine::ApplyMainLists(const EquationSettings& settings) {
  thread_local TableCache cache;
  const FixedLists& lists = settings.lists;
  const std::string_view units = settings.UnitsList.Current();
  const bool plusMinus = settings.switches.PlusMinusSymbol;
  const std::string source = TableSource(
      {lists.relations, lists.symbols, lists.greek, units, lists.functions, lists.inverseFunctions,
       lists.bigOperators, lists.accents, plusMinus ? "+" : "-"});
  ApplyTable(cache.Get(source, [&] {
    constexpr ListForm kPlain = ListForm::kPlain;
    constexpr ListForm kPairs = ListForm::kPairs;
    constexpr char kSep = kListSeparator;
    RecognitionTable table;
    table.SetList(lists.relations, TK_SPACEDSYMBOL, kPairs, kSep);
    table.AddList(lists.symbols, TK_SYMBOL, kPairs, kSep);
    table.AddList(lists.greek, TK_GREEK, kPairs, kSep);
    table.AddList(units, TK_UNIT, kPlain, kSep);
    table.AddList(lists.functions, TK_FUNCTION, kPlain, kSep);
    table.AddList(lists.inverseFunctions, TK_ARCSINCOSTAN, kPlain, kSep);
    table.AddList(kSquareRootList, TK_SQRT, kPlain, kSep);
    table.AddList(kRootList, TK_ROOT, kPlain, kSep);
    table.AddList(lists.bigOperators, TK_CODEDRAW2, kPlain, kSep);
    table.AddList(lists.accents, TK_MODIFIER, kPlain, kSep);
    if (plusMinus) table.AddList(kPlusMinusList, TK_RAW, kPairs, kSep);
    table.AddList(kBarOpenList, TK_OPEN, kPlain, kSep);
    table.AddList(kBarCloseList, TK_CLOSE, kPlain, kSep);
    table.AddList(kRatioColonList, TK_NUMBER, kPairs, kSep);
    table.SortByKeyLength();
    return table;
  }));
}

}  // namespace kv
