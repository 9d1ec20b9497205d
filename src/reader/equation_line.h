// One line of an equation: its text, and the row of tokens and then the tree read from it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "reader/equation_node.h"
#include "reader/recognition_table.h"
#include "reader/token_kind.h"

namespace kv {

class EquationSettings;

// A piece to cut out of an unclassified text: bytes start..end (inclusive) become a token of
// `kind`. With a replacement, the token's text is the replacement and the typed bytes become its
// source text; otherwise its text is the typed bytes.
struct TextCut {
  std::size_t start = 0;
  std::size_t end = 0;
  TokenKind kind = TK_RAW;
  std::string_view replacement;
};
// In blocks: a long text cut into a piece per byte has as many cuts, and they are given back as
// their pieces are made.
using TextCuts = RecycledDeque<TextCut>;

// Finds the cuts of one unclassified text, left to right, without overlaps.
using CutFinder = std::function<void(std::string_view text, TextCuts& cuts)>;

// The line owns the nodes of its current parse. Parsing again frees the previous tree, so
// references to its nodes end with the next Parse or Tokenize.
class EquationLine {
 public:
  EquationLine() = default;
  // Rows point into the line's own pool: a copy would share them.
  EquationLine(const EquationLine&) = delete;
  EquationLine& operator=(const EquationLine&) = delete;
  // The nodes move with the line; the line moved from is left as a new one.
  EquationLine(EquationLine&& other) noexcept { *this = std::move(other); }
  EquationLine& operator=(EquationLine&& other) noexcept;

  // Reads `text` into the top row. Does nothing when the text is the one read last and no
  // rebuild was asked for. Nothing here fails: text that no rule claims stays plain text.
  void Parse(std::string_view text, const EquationSettings& settings);
  // Only the tokenizing steps of Parse, whatever was read before; the next Parse reads again.
  void Tokenize(std::string_view text, const EquationSettings& settings);
  // Frees the previous tree and makes the top row one TK_RAW token holding `text`, as every
  // parse starts; passes can then be run one by one. The next Parse reads again.
  void LoadText(std::string_view text);

  const NodeRow& TopRow() const { return top_; }
  NodeRow& TopRow() { return top_; }
  // The text last read.
  const std::string& Text() const { return text_; }

  // Asks the next Parse to read again even when the text has not changed (for changed
  // settings).
  void MarkForRebuild() { needsRebuild_ = true; }
  bool NeedsRebuild() const { return needsRebuild_; }
  // A number for the tree the line holds, new whenever the top row is made anew (every Parse
  // that reads, every Tokenize and LoadText) and never given to another tree of the program, so
  // whatever was worked out for one tree (its layout) can tell that it belongs to another. 0
  // before anything was read.
  std::uint64_t TreeNumber() const { return treeNumber_; }

  // A new node owned by the line until the next parse.
  EquationNode& CreateNode(TokenKind kind) {
    madeKinds_.Add(kind);
    return pool_.CreateNode(kind);
  }
  // The line's shared invisible bracket of `kind` (TK_OPEN or TK_CLOSE; EquationNode::IsShared):
  // the grouping passes put it wherever they mark a group, and the folding passes make a node of
  // its own wherever such a bracket is kept in the tree. Made on first use in each parse.
  EquationNode& InvisibleBracket(TokenKind kind);
  // Gives back a node that a pass drops from the tree (no row holds it any more), so that the
  // next CreateNode makes its node in that place. Shared brackets are left alone.
  void ReleaseNode(EquationNode& node) {
    if (!node.IsShared()) pool_.Release(node);
  }
  // Makes `node`, which a pass is about to drop, into the new node of `kind` it would make in its
  // place: empty texts, rows and levels, counted as made like CreateNode. The Id stays. Throws
  // std::logic_error for a shared node.
  EquationNode& RemakeNode(EquationNode& node, TokenKind kind);
  // How many node places the current parse has used: an upper bound of every Id in its tree.
  std::size_t NodeCount() const { return pool_.Size(); }

  // --- Cutting unclassified text ---------------------------------------------------------------

  // Cuts bytes start..end out of the TK_RAW token at `index` of the top row: the row then holds
  // the part before (TK_RAW), the piece, and the part after (TK_RAW), even when a part is empty.
  // The piece re-uses the token. Throws std::out_of_range for an index outside the row or a
  // range outside the token's text, std::invalid_argument for a token that is not TK_RAW.
  void SplitRaw(int index, std::size_t start, std::size_t end, TokenKind kind,
                std::string_view replacement);
  // Removes every TK_RAW token with an empty text from the top row.
  void DropEmptyRaw();
  // Applies `finder` to every TK_RAW token of the top row, left to right, and replaces each token
  // by its pieces, as SplitRaw on each cut in turn would, followed by DropEmptyRaw. One sweep
  // over the row and over each text, however many cuts there are.
  void CutRawTokens(const CutFinder& finder);

  // --- The tokenizing passes, in the order Tokenize runs them ---------------------------------

  // Every pair of double quotes, quotes included, becomes a TK_QUOTED token; a quote that is
  // never closed runs to the end of its token.
  void CutQuotedText();
  // The recognition passes: each makes the table of its lists and applies it.
  void ExpandMacros(const EquationSettings& settings);
  void ApplyShorthand(const EquationSettings& settings);
  void ApplyIndicatedVectorArrows();
  void ApplyMainLists(const EquationSettings& settings);
  // Cuts every match of the table out of the TK_RAW tokens: at the leftmost position where an
  // entry fits, the first entry in table order.
  void ApplyTable(const CompiledTable& table);
  // Every run of digits and full stops becomes a TK_NUMBER token.
  void CutNumbers();
  // The single-character classes in their order, with the pairing of vertical bars.
  void CutSingleCharacters(const EquationSettings& settings);
  // Turns every TK_ABS bar into an opening or a closing bar.
  void PairVerticalBars();

 private:
  void RunTokenizingPasses(const EquationSettings& settings);
  void RunBuildingPasses(const EquationSettings& settings);
  void FinishParse();
  // Replaces the TK_RAW token `token` by its pieces, appended to `out`.
  void CutToken(EquationNode& token, TextCuts& cuts, RowBuilder& out);

  NodePool pool_;
  // The shared invisible brackets of this parse, or null before their first use.
  EquationNode* invisibleOpen_ = nullptr;
  EquationNode* invisibleClose_ = nullptr;
  // The kinds of the nodes CreateNode made since the text was loaded.
  TokenKindSet madeKinds_;
  NodeRow top_;
  std::string text_;
  std::uint64_t treeNumber_ = 0;
  bool needsRebuild_ = true;
};

}  // namespace kv
