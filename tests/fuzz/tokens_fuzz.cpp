// Tokenizes arbitrary bytes with the default settings and with switches flipped. Whatever the
// text, every token must be classified or hold text, no bar may stay unpaired, and with macros
// and shorthand off the tokens must give back exactly the bytes typed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "reader/equation_line.h"
#include "reader/tree_notation.h"
#include "settings/equation_settings.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// The typed bytes the row stands for: each token's source text where a list replaced it, its
// text otherwise.
std::string TypedText(const kv::NodeRow& row) {
  std::string typed;
  for (int i = 0; i < row.Size(); ++i) {
    const kv::EquationNode& token = row.At(i);
    typed += token.SourceText().empty() ? token.Text() : token.SourceText();
  }
  return typed;
}

void Tokenize(std::string_view text, const kv::EquationSettings& settings, bool keepsText) {
  kv::EquationLine line;
  line.Tokenize(text, settings);
  const kv::NodeRow& row = line.TopRow();
  for (int i = 0; i < row.Size(); ++i) {
    const kv::EquationNode& token = row.At(i);
    Check(token.Kind() != kv::TK_ABS && token.Kind() != kv::TK_ERROR);
    Check(!token.Text().empty());
    Check(token.row1.Empty() && token.row2.Empty());
  }
  if (keepsText) {
    Check(TypedText(row) == text);
    // Every token holds at least one typed byte, and no node outlives its use.
    Check(line.NodeCount() <= text.size() + 1);
  }
  (void)kv::TreeNotation(row);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kv::EquationSettings settings;
  settings.ResetToDefaults(".");
  Tokenize(text, settings, false);

  // Every switch of the tokenizer flipped, the separator changed, and the arrows on; without
  // macros and shorthand nothing is expanded, so the typed text must survive.
  kv::EquationSettings flipped = settings;
  flipped.switches.QuotedText = false;
  flipped.switches.ExpandMacros = false;
  flipped.switches.PlusMinusSymbol = false;
  flipped.switches.LetterODegree = false;
  flipped.switches.BackquoteDegree = false;
  flipped.switches.GuillemetTab = false;
  flipped.switches.BackslashSubscripts = false;
  flipped.UseAutographEntry.Set(false);
  flipped.UseIndicatedVectors.Set(true);
  flipped.Separator.Set(";");
  Tokenize(text, flipped, true);

  // The text also serves as the units list and the macro list.
  kv::EquationSettings lists = settings;
  lists.UnitsList.Set(std::string(text));
  lists.MacroList.Set(std::string(text));
  Tokenize(text, lists, false);
  return 0;
}
