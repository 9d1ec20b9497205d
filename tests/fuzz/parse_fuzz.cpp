// Parses arbitrary bytes into a tree with the default settings and with every reader switch
// flipped. Whatever the text, the tree must be a tree (no node in two places), hold only kinds
// the reader makes, stay within a bounded number of nodes, and come out the same when read
// again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "reader/equation_line.h"
#include "reader/tree_notation.h"
#include "settings/equation_settings.h"

namespace {

// Without macros a typed byte yields a handful of tokens and invisible brackets; far more
// nodes than this would mean a pass that multiplies its work.
constexpr std::size_t kNodesPerByte = 64;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Every node stands in one row, has a kind the reader makes, and an Id below the line's node count
// (layouts keep boxes in arrays indexed by it).
void CheckTree(const kv::NodeRow& top, std::size_t nodeCount) {
  std::unordered_set<const kv::EquationNode*> seen;
  std::vector<const kv::NodeRow*> pending{&top};
  while (!pending.empty()) {
    const kv::NodeRow& row = *pending.back();
    pending.pop_back();
    for (int i = 0; i < row.Size(); ++i) {
      const kv::EquationNode& node = row.At(i);
      Check(seen.insert(&node).second);
      Check(node.Kind() > kv::TK_ERROR && node.Kind() < kv::TK_ABS);
      Check(node.Id() < nodeCount);
      pending.push_back(&node.row1);
      pending.push_back(&node.row2);
    }
  }
}

void Parse(std::string_view text, const kv::EquationSettings& settings, bool bounded) {
  kv::EquationLine line;
  line.Parse(text, settings);
  CheckTree(line.TopRow(), line.NodeCount());
  if (bounded) Check(line.NodeCount() <= kNodesPerByte * (text.size() + 1));
  const std::string tree = kv::TreeNotation(line.TopRow());
  line.MarkForRebuild();
  line.Parse(text, settings);
  Check(kv::TreeNotation(line.TopRow()) == tree);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kv::EquationSettings settings;
  settings.ResetToDefaults(".");
  Parse(text, settings, false);

  kv::EquationSettings flipped = settings;
  flipped.switches.ExpandMacros = false;
  flipped.switches.ScientificNotation = false;
  flipped.switches.BackslashSubscripts = false;
  flipped.switches.BuildMatrices = false;
  flipped.switches.BracketLimits = false;
  flipped.switches.QuotedText = false;
  flipped.UseAutographEntry.Set(false);
  flipped.UseIndicatedVectors.Set(true);
  flipped.UseAutomaticVectors.Set(true);
  flipped.LowerCase.Set(2);
  flipped.DetectColumnVectors.Set(false);
  flipped.ShrinkNonAlgebraicFractions.Set(false);
  Parse(text, flipped, true);

  kv::EquationSettings semicolon = settings;
  semicolon.switches.ExpandMacros = false;
  semicolon.UseAutographEntry.Set(false);
  semicolon.UseIndicatedVectors.Set(true);
  semicolon.Separator.Set(";");
  Parse(text, semicolon, true);
  return 0;
}
