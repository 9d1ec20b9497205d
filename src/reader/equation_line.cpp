#include "reader/equation_line.h"

#include <atomic>
#include <stdexcept>
#include <string>
#include <utility>

#include "reader/folding_passes.h"
#include "reader/grouping_passes.h"
#include "reader/row_building.h"
#include "settings/equation_settings.h"

namespace kv {
namespace {

// Tree numbers are unique in the program, so a layout measured for one line's tree never passes
// for another's.
std::atomic<std::uint64_t> lastTreeNumber{0};

// The kinds of every node of the tree below `top`.
TokenKindSet KindsInTree(NodeRow& top) {
  TokenKindSet kinds;
  ForEachRowParentFirst(top, [&kinds](NodeRow& row) {
    for (int i = 0; i < row.Size(); ++i)
      kinds.Add(row.At(i).Kind());
  });
  return kinds;
}

}  // namespace

void EquationLine::Parse(std::string_view text, const EquationSettings& settings) {
  if (text == text_ && !needsRebuild_) return;
  LoadText(text);
  RunTokenizingPasses(settings);
  RunBuildingPasses(settings);
  FinishParse();
}

void EquationLine::Tokenize(std::string_view text, const EquationSettings& settings) {
  LoadText(text);
  RunTokenizingPasses(settings);
}

void EquationLine::RunTokenizingPasses(const EquationSettings& settings) {
  if (settings.switches.QuotedText) CutQuotedText();
  if (settings.switches.ExpandMacros) ExpandMacros(settings);
  if (settings.UseAutographEntry.Get()) ApplyShorthand(settings);
  if (settings.UseIndicatedVectors.Get()) ApplyIndicatedVectorArrows();
  ApplyMainLists(settings);
  CutNumbers();
  CutSingleCharacters(settings);
}

// The grouping passes mark how far each operand reaches; the folding passes then turn the
// marked groups into nodes. The order is the syntax: changing it changes what text means.
//
// A pass runs only when the line holds a node of a kind it acts on: most equations use a few
// constructs, and a pass with nothing to do would still walk and rebuild every row. The kinds
// held are those of the tokens and every kind a pass has made since (CreateNode). Passes also
// give existing nodes new kinds (products, vectors, bracket nodes), but none of those starts a
// pass.
void EquationLine::RunBuildingPasses(const EquationSettings& settings) {
  const FeatureSwitches& on = settings.switches;
  const bool automaticVectors = settings.UseAutomaticVectors.Get();
  const bool columnVectors = settings.DetectColumnVectors.Get();
  const TokenKindSet tokens = KindsInTree(top_);
  const auto holds = [&](std::initializer_list<TokenKind> kinds) {
    return (tokens | madeKinds_).HasAny(kinds);
  };

  if (holds({TK_MODIFIER})) GroupAccents(*this);
  if (on.ScientificNotation && holds({TK_NUMBER})) GroupScientificNotation(*this);
  if (holds({TK_POWER, TK_SUBSCRIPT})) GroupPowerAndSubscriptOperands(*this);
  if (holds({TK_NUMBER})) InsertImplicitPowers(*this);
  if (holds({TK_FUNCTION, TK_ARCSINCOSTAN, TK_SQRT})) GroupFunctionArguments(*this);
  if (holds({TK_ROOT})) GroupRootOperands(*this);
  if (automaticVectors && holds({TK_VARIABLE})) JoinTwoCapitalVectors(*this);
  if (automaticVectors && holds({TK_VARIABLE})) MarkLowerCaseVectors(*this, settings);

  if (holds({TK_POWER})) FoldPowers(*this);
  if (holds({TK_IVRIGHT, TK_IVLEFT, TK_IVBOTH})) FoldArrows(*this);
  if (on.BackslashSubscripts && holds({TK_SUBSCRIPT})) FoldSubscripts(*this);
  if (holds({TK_SQRT})) FoldSquareRoots(*this);
  if (holds({TK_ROOT})) FoldRoots(*this);
  if (holds({TK_CODEDRAW2})) FoldBigOperators(*this);
  if (holds({TK_DIVIDE})) GroupDivideOperands(*this);
  if (columnVectors && holds({TK_SEPARATOR})) GroupSeparatorOperands(*this);
  if (holds({TK_SUBTRACT})) MergeNegativeNumbers(*this);
  if (columnVectors && holds({TK_SEPARATOR})) FoldColumns(*this);
  if (holds({TK_DIVIDE})) FoldFractions(*this);
  // Nearly every grouping pass leaves invisible brackets, so brackets are always folded.
  FoldBrackets(*this);
  if (holds({TK_POWER})) GroupBracketPowers(*this);
  // Folding leaves no bracket to fold in any row (after a stray closing bracket, the rest of the
  // row stays as it is however often it is folded); only GroupBracketPowers adds brackets, and
  // only to the top row.
  if (row_walk::Holds(top_, {TK_OPEN, TK_CLOSE})) FoldBrackets(*this);
  if (on.BuildMatrices && holds({TK_COLUMN})) BuildMatrices(*this);
  if (on.BracketLimits && holds({TK_COLUMN})) AttachBracketLimits(*this);
  if (holds({TK_ARCSINCOSTAN})) AddInverseExponents(*this);
  AssignLevels(*this, settings);
}

EquationLine& EquationLine::operator=(EquationLine&& other) noexcept {
  if (&other != this) {
    pool_ = std::move(other.pool_);
    madeKinds_ = std::exchange(other.madeKinds_, {});
    invisibleOpen_ = std::exchange(other.invisibleOpen_, nullptr);
    invisibleClose_ = std::exchange(other.invisibleClose_, nullptr);
    top_ = std::move(other.top_);
    text_ = std::exchange(other.text_, {});
    treeNumber_ = std::exchange(other.treeNumber_, 0);
    needsRebuild_ = std::exchange(other.needsRebuild_, true);
  }
  return *this;
}

EquationNode& EquationLine::InvisibleBracket(TokenKind kind) {
  if (kind != TK_OPEN && kind != TK_CLOSE) {
    throw std::invalid_argument("InvisibleBracket: an invisible bracket opens or closes");
  }
  EquationNode*& shared = kind == TK_OPEN ? invisibleOpen_ : invisibleClose_;
  if (shared == nullptr) {
    madeKinds_.Add(kind);
    shared = &pool_.CreateSharedNode(kind);
  }
  return *shared;
}

EquationNode& EquationLine::RemakeNode(EquationNode& node, TokenKind kind) {
  if (node.IsShared()) throw std::logic_error("RemakeNode: a shared bracket is never remade");
  pool_.Release(node);
  return CreateNode(kind);
}

void EquationLine::LoadText(std::string_view text) {
  top_.Clear();
  pool_.Clear();
  invisibleOpen_ = nullptr;
  invisibleClose_ = nullptr;
  madeKinds_ = {};
  text_ = std::string(text);
  EquationNode& whole = pool_.CreateNode(TK_RAW);
  whole.SetText(text_);
  top_.Append(whole);
  // The row no longer holds the tree a Parse of this text gives.
  needsRebuild_ = true;
  treeNumber_ = ++lastTreeNumber;
}

void EquationLine::FinishParse() {
  needsRebuild_ = false;
}

// ---------------------------------------------------------------------------------------------
// Cutting unclassified text

void EquationLine::SplitRaw(int index, std::size_t start, std::size_t end, TokenKind kind,
                            std::string_view replacement) {
  EquationNode& token = top_.At(index);
  if (token.Kind() != TK_RAW) throw std::invalid_argument("SplitRaw: the token is not TK_RAW");
  const std::string text(token.Text());
  if (start > end || end >= text.size()) {
    throw std::out_of_range("SplitRaw: bytes " + std::to_string(start) + ".." +
                            std::to_string(end) + " outside a text of " +
                            std::to_string(text.size()));
  }
  EquationNode& before = pool_.CreateNode(TK_RAW);
  before.SetText(text.substr(0, start));
  EquationNode& after = pool_.CreateNode(TK_RAW);
  after.SetText(text.substr(end + 1));
  const std::string typed = text.substr(start, end - start + 1);
  if (replacement.empty()) {
    token.SetNode(kind, typed, {});
  } else {
    token.SetNode(kind, std::string(replacement), typed);
  }
  top_.InsertAt(index + 1, after);
  top_.InsertAt(index, before);
}

void EquationLine::DropEmptyRaw() {
  top_.RemoveWhere(
      [](const EquationNode& node) { return node.Kind() == TK_RAW && node.Text().empty(); });
}

void EquationLine::CutRawTokens(const CutFinder& finder) {
  RowBuilder result;
  TextCuts cuts;
  for (int i = 0; i < top_.Size(); ++i) {
    EquationNode& token = top_.At(i);
    cuts.clear();
    if (token.Kind() == TK_RAW) finder(token.Text(), cuts);
    if (cuts.empty()) {
      result.Append(token);
    } else {
      CutToken(token, cuts, result);
    }
  }
  result.ReplaceRow(top_);
  DropEmptyRaw();
}

// The token's bytes are read once: the plain stretches between the cuts become new TK_RAW tokens
// (empty ones are not made at all), and the first piece re-uses the token. That piece is written
// last, so that every other piece is made from the token's own text rather than a copy. Each cut
// is dropped once its piece is made, so a text cut into a piece per byte does not hold its cuts
// and all their pieces at once.
void EquationLine::CutToken(EquationNode& token, TextCuts& cuts, RowBuilder& out) {
  const std::string_view text = token.Text();
  // All cuts are checked before the token changes, so a faulty finder leaves the row as it was.
  std::size_t checkedEnd = 0;
  for (const TextCut& cut : cuts) {
    if (cut.start < checkedEnd || cut.end < cut.start || cut.end >= text.size()) {
      throw std::out_of_range("CutRawTokens: cuts overlap or leave the text");
    }
    checkedEnd = cut.end + 1;
  }
  const auto typed = [text](const TextCut& cut) {
    return text.substr(cut.start, cut.end - cut.start + 1);
  };
  const TextCut first = cuts.front();
  std::size_t plainStart = 0;
  for (bool isFirst = true; !cuts.empty(); cuts.pop_front(), isFirst = false) {
    const TextCut& cut = cuts.front();
    if (cut.start > plainStart) {
      EquationNode& plain = pool_.CreateNode(TK_RAW);
      plain.SetText(text.substr(plainStart, cut.start - plainStart));
      out.Append(plain);
    }
    if (isFirst) {
      out.Append(token);
    } else {
      EquationNode& piece = pool_.CreateNode(cut.kind);
      if (cut.replacement.empty()) {
        piece.SetNode(cut.kind, typed(cut), {});
      } else {
        piece.SetNode(cut.kind, cut.replacement, typed(cut));
      }
      out.Append(piece);
    }
    plainStart = cut.end + 1;
  }
  if (plainStart < text.size()) {
    EquationNode& plain = pool_.CreateNode(TK_RAW);
    plain.SetText(text.substr(plainStart));
    out.Append(plain);
  }
  // The views into the token's text end here.
  if (first.replacement.empty()) {
    token.SetNode(first.kind, typed(first), {});
  } else {
    token.SetNode(first.kind, first.replacement, typed(first));
  }
}

}  // namespace kv
