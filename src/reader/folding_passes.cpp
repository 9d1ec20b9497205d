#include "reader/folding_passes.h"

#include <algorithm>
#include <string>
#include <vector>

#include "reader/equation_line.h"
#include "reader/row_building.h"
#include "settings/equation_settings.h"

namespace kv {
namespace {

constexpr std::string_view kLimitText = "lim";
// What an inverse function's name is raised to: sin-1 x is drawn as sin with a raised -1.
constexpr std::string_view kInverseExponent = "-1";
// Script levels, in half steps: exponents and limits one step down, subscripts one and a half.
constexpr std::int32_t kScriptStep = 2;
constexpr std::int32_t kSubscriptStep = 3;

// Hides the TK_OPEN at the front and the TK_CLOSE ending its group.
void HideFrontBrackets(FoldedRight& right) {
  if (right.KindAt(0) != TK_OPEN) return;
  right.At(0).SetText("");
  const int end = right.FrontGroupEnd();
  if (end > 0 && right.KindAt(end) == TK_CLOSE) right.At(end).SetText("");
}

// Spaces after a root sign and the group after them form the radicand; typed brackets around it
// are not drawn.
void TakeRadicand(FoldedRight& right, NodeRow& target) {
  int spaces = 0;
  while (right.KindAt(spaces) == TK_SPACE)
    ++spaces;
  right.TakeFront(spaces, target);
  HideFrontBrackets(right);
  right.TakeFrontGroup(target);
}

// ---------------------------------------------------------------------------------------------
// Powers, subscripts, arrows, roots, big operators

void FoldMarksInRow(EquationLine& line, NodeRow& row, TokenKind kind) {
  FoldedRight right;
  for (int i = row.Size() - 1; i >= 0; --i) {
    EquationNode& token = row.At(i);
    if (token.Kind() == kind) {
      // The mark becomes the node that holds its group.
      EquationNode& node = line.RemakeNode(token, kind);
      right.TakeFrontGroup(node.row1);
      right.PushFront(node);
    } else {
      right.PushFront(token);
    }
  }
  right.ReplaceRow(row);
}

bool IsArrow(TokenKind kind) {
  return kind == TK_IVRIGHT || kind == TK_IVLEFT || kind == TK_IVBOTH;
}

void FoldArrowsInRow(NodeRow& row) {
  FoldedRight right;
  for (int i = row.Size() - 1; i >= 0; --i) {
    EquationNode& token = row.At(i);
    if (IsArrow(token.Kind())) {
      const TokenKind next = right.KindAt(0);
      if (next == TK_NUMBER || next == TK_GREEK || next == TK_VARIABLE) {
        right.TakeFront(1, token.row1);
      } else if (next == TK_OPEN) {
        HideFrontBrackets(right);
        right.TakeFrontGroup(token.row1);
      }
    }
    right.PushFront(token);
  }
  right.ReplaceRow(row);
}

void FoldSquareRootsInRow(EquationLine& line, NodeRow& row) {
  FoldedRight right;
  for (int i = row.Size() - 1; i >= 0; --i) {
    EquationNode& token = row.At(i);
    if (token.Kind() == TK_SQRT) {
      EquationNode& node = line.RemakeNode(token, TK_SQRT);
      TakeRadicand(right, node.row1);
      right.PushFront(node);
    } else {
      right.PushFront(token);
    }
  }
  right.ReplaceRow(row);
}

// Folds the roots of one row; index groups, which may hold roots of their own, are added to
// `indexRows` for the same treatment.
void FoldRootsInRow(EquationLine& line, NodeRow& row, RecycledVector<NodeRow*>& indexRows) {
  const BracketPartners partners(row);
  FoldedRight right;
  for (int c = row.Size() - 1; c >= 0; --c) {
    EquationNode& token = row.At(c);
    if (token.Kind() != TK_ROOT) {
      right.PushFront(token);
      continue;
    }
    EquationNode& node = line.RemakeNode(token, TK_ROOT);
    TakeRadicand(right, node.row1);
    right.PushFront(node);
    const int g = c > 0 ? partners.OpenOf(c - 1) : -1;
    if (g < 0) continue;  // no index group: the index stays empty
    row.At(c - 1).SetText("");
    row.At(g).SetText("");
    for (int k = g; k < c; ++k)
      node.row2.Append(row.At(k));
    indexRows.push_back(&node.row2);
    c = g;
  }
  right.ReplaceRow(row);
}

// The last node of the lower limit of "lim": a trailing sign is raised (x->0+).
void RaiseTrailingSign(EquationLine& line, NodeRow& lower) {
  const TokenKind last = lower.KindAt(lower.Size() - 1);
  if (last != TK_ADD && last != TK_SUBTRACT) return;
  EquationNode& sign = line.CreateNode(last);
  if (last == TK_ADD) sign.SetText("+");
  EquationNode& power = line.CreateNode(TK_POWER);
  power.row1.Append(sign);
  lower.ReplaceAt(lower.Size() - 1, power);
}

void FoldBigOperatorsInRow(EquationLine& line, NodeRow& row) {
  FoldedRight right;
  for (int a = row.Size() - 1; a >= 0; --a) {
    EquationNode& token = row.At(a);
    if (token.Kind() == TK_CODEDRAW2 && right.KindAt(0) == TK_OPEN) {
      const bool closed = right.FrontGroupEnd() > 0;
      NodeRow group;
      right.TakeFrontGroup(group);
      // Node 0 of the group is its opening bracket; the limits run to the closing one, or to
      // the row's end when it has none.
      const int first = 1;
      const int last = closed ? group.Size() - 2 : group.Size() - 1;
      int separator = -1;
      for (int k = first; k <= last; ++k) {
        if (group.KindAt(k) == TK_SEPARATOR) separator = k;
      }
      // The brackets themselves are dropped: limits are never drawn in brackets.
      for (int k = first; k <= last; ++k) {
        if (separator < 0 || k < separator) token.row1.Append(group.At(k));
        if (separator >= 0 && k > separator) token.row2.Append(group.At(k));
      }
      line.ReleaseNode(group.At(0));
      if (closed) line.ReleaseNode(group.At(group.Size() - 1));
      if (separator >= 0) line.ReleaseNode(group.At(separator));
      if (token.Text() == kLimitText) RaiseTrailingSign(line, token.row1);
    }
    right.PushFront(token);
  }
  right.ReplaceRow(row);
}

// ---------------------------------------------------------------------------------------------
// Operand grouping for "/" and the separator

bool InLeftRun(TokenKind kind, TokenKind op) {
  return IsSimpleOperand(kind) || kind == TK_POWER || (op == TK_SEPARATOR && kind == TK_SUBTRACT);
}

void GroupRightOperand(GroupedRight& right) {
  if (right.KindAt(0) == TK_OPEN) {
    right.At(0).SetText("");
    if (right.FrontHasPartner()) {
      right.HideFrontPartner();
      right.AddCloseAfterFrontPartner();
    } else {
      right.AddClosesAtEnd(2);
    }
    return;
  }
  int length = 0;
  while (true) {
    const TokenKind kind = right.KindAt(length);
    if (IsSimpleOperand(kind) || kind == TK_POWER || (length == 0 && kind == TK_SUBTRACT)) {
      ++length;
    } else {
      break;
    }
  }
  if (length > 0) {
    right.AddClosesAfter(length - 1, 2);
  } else {
    right.PushInvisible(TK_CLOSE);
    right.PushInvisible(TK_CLOSE);
  }
  right.PushInvisible(TK_OPEN);
}

// Right to left, rebuilding the row from its end (see GroupedRight). The left operand lies in
// the part not yet passed; its opening brackets are counted at the node they go before and
// written when the walk passes it.
void GroupOperandsInRow(EquationLine& line, NodeRow& row, TokenKind op) {
  const BracketPartners partners(row);
  OpensBefore opensBefore;
  GroupedRight right(line);
  for (int x = row.Size() - 1; x >= 0; --x) {
    EquationNode& token = row.At(x);
    if (token.Kind() != op) {
      right.PushFront(token, opensBefore.Take(x));
      continue;
    }
    GroupRightOperand(right);
    right.PushFront(token);
    const int g = partners.OpenOf(x - 1);
    if (g >= 0) {
      row.At(x - 1).SetText("");
      row.At(g).SetText("");
      opensBefore.Add(g, 1);
      continue;
    }
    int start = x;
    while (start > 0 && InLeftRun(row.KindAt(start - 1), op))
      --start;
    right.PushInvisible(TK_CLOSE);
    if (start == x) {
      // An empty left operand.
      right.PushInvisible(TK_OPEN);
      right.PushInvisible(TK_OPEN);
    } else {
      opensBefore.Add(start, 2);
    }
  }
  right.ReplaceRow(row);
}

// ---------------------------------------------------------------------------------------------
// Negative numbers

bool AllowsNegativeNumberAfter(TokenKind kind) {
  return kind == TK_ADD || kind == TK_SUBTRACT || kind == TK_DIVIDE || kind == TK_MULTIPLY ||
         kind == TK_OPEN || kind == TK_EQUAL;
}

void MakeNegative(EquationNode& number) {
  std::string negative;
  negative.reserve(number.Text().size() + 1);
  negative += '-';
  negative += number.Text();
  number.SetText(negative);
}

void MergeNegativeNumbersInRow(EquationLine& line, NodeRow& row) {
  if (row.KindAt(0) == TK_SUBTRACT && row.KindAt(1) == TK_NUMBER) {
    MakeNegative(row.At(1));
    line.ReleaseNode(row.At(0));
    row.RemoveAt(0);
  }
  const int n = row.Size();
  RecycledVector<bool> merged(static_cast<std::size_t>(n), false);
  // `next` is the node right of i in the row as the merges leave it.
  int next = n - 1;
  for (int i = n - 2; i >= 1; --i) {
    int before = i - 1;
    while (before > 0 && row.KindAt(before) == TK_SPACE)
      --before;
    const bool merges = row.KindAt(i) == TK_SUBTRACT && row.KindAt(next) == TK_NUMBER &&
                        !row.At(next).Text().starts_with('-') &&
                        AllowsNegativeNumberAfter(row.KindAt(before));
    if (merges) {
      MakeNegative(row.At(next));
      merged[static_cast<std::size_t>(i)] = true;
    } else {
      next = i;
    }
  }
  const auto drops = static_cast<int>(std::count(merged.begin(), merged.end(), true));
  if (drops == 0) return;
  NodeRow result;
  result.Reserve(n - drops);
  for (int i = 0; i < n; ++i) {
    if (merged[static_cast<std::size_t>(i)]) {
      line.ReleaseNode(row.At(i));
    } else {
      result.Append(row.At(i));
    }
  }
  row = std::move(result);
}

// ---------------------------------------------------------------------------------------------
// Fraction and column nodes

// Right to left: the right group is the front of the part passed; the left group lies in the
// part not yet passed, whose bracket partners are known from the start. Where unbalanced typed
// brackets leave a group without an end or a start, it reaches to the row's end or start, and
// only outer brackets that are there are removed.
//
// The left group's partner is counted out from its close: the walk then goes on left of the
// group, so each node is counted over once.
void FoldOperatorsInRow(EquationLine& line, NodeRow& row, TokenKind op, TokenKind target) {
  FoldedRight right;
  for (int x = row.Size() - 1; x >= 0; --x) {
    EquationNode& token = row.At(x);
    if (token.Kind() != op) {
      right.PushFront(token);
      continue;
    }
    // The operator becomes the node that holds both groups.
    EquationNode& node = line.RemakeNode(token, target);
    right.TakeFrontGroup(node.row2);
    if (right.KindAt(0) == TK_CLOSE) line.ReleaseNode(right.PopFront());
    int c = 0;
    if (row.KindAt(x - 1) == TK_CLOSE) c = std::max(row.MatchingOpen(x - 1), 0);
    node.row1.Reserve(x - c);
    for (int k = c; k < x; ++k)
      node.row1.Append(row.At(k));
    right.PushFront(node);
    // The node takes the place of the outer open before the left group.
    if (row.KindAt(c - 1) == TK_OPEN) {
      line.ReleaseNode(row.At(c - 1));
      x = c - 1;
    } else {
      x = c;
    }
  }
  right.ReplaceRow(row);
}

// ---------------------------------------------------------------------------------------------
// Bracket nodes

EquationNode& NewSpace(EquationLine& line) {
  EquationNode& space = line.CreateNode(TK_SPACE);
  space.SetText(" ");
  return space;
}

// The nodes after the open at `open` go into a bracket node in the open's place. The open token
// itself becomes that node when it has no rows (as tokens have not), so folding grows the pool
// only by the spaces of empty pairs: a long text of brackets and commas makes far fewer nodes.
//
// A shared invisible bracket stands in many places, so its bracket node is one of its own.
void FoldBracketAt(EquationLine& line, NodeRow& row, int open, std::string_view text) {
  EquationNode& opening = row.At(open);
  EquationNode& node =
      opening.IsShared() ? line.CreateNode(TK_BRACKETS) : line.RemakeNode(opening, TK_BRACKETS);
  node.SetNode(TK_BRACKETS, text, {});
  if (open + 1 < row.Size()) {
    row.MoveRangeTo(open + 1, row.Size() - 1, node.row1);
  } else {
    node.row1.Append(NewSpace(line));
  }
  row.ReplaceAt(open, node);
}

// InnermostPair from the row's start, again and again, is the same as pairing each close with
// the nearest open still unpaired before it; a stack of those opens does it in one sweep.
void FoldBracketsInRow(EquationLine& line, NodeRow& row) {
  NodeRow result;
  RecycledVector<int> opens;
  std::string text;
  bool stray = false;
  for (int i = 0; i < row.Size(); ++i) {
    EquationNode& token = row.At(i);
    if (!stray && token.Kind() == TK_CLOSE && !opens.empty()) {
      const int open = opens.back();
      opens.pop_back();
      // The pair's text is both brackets' texts around a comma: "(,)", or "," when invisible.
      text = result.At(open).Text();
      text += ',';
      text += token.Text();
      line.ReleaseNode(token);
      FoldBracketAt(line, result, open, text);
      continue;
    }
    if (!stray && token.Kind() == TK_CLOSE) stray = true;
    if (!stray && token.Kind() == TK_OPEN) opens.push_back(result.Size());
    result.Append(token);
  }
  while (!opens.empty()) {
    const int open = opens.back();
    opens.pop_back();
    text = result.At(open).Text();
    FoldBracketAt(line, result, open, text);
  }
  row = std::move(result);
}

// ---------------------------------------------------------------------------------------------
// Matrices

// The items of a column chain, first to last.
RecycledVector<EquationNode*> ColumnItems(EquationNode& column) {
  RecycledVector<EquationNode*> items;
  EquationNode* link = &column;
  while (true) {
    if (!link->row1.Empty()) items.push_back(&link->row1.At(0));
    if (link->row2.Empty()) break;
    EquationNode& rest = link->row2.At(0);
    if (rest.Kind() != TK_COLUMN) {
      items.push_back(&rest);
      break;
    }
    link = &rest;
  }
  return items;
}

EquationNode& BuildMatrix(EquationLine& line, NodeRow& row, int first, int last) {
  int height = 0;
  for (int k = first; k <= last; ++k)
    height = std::max(height, ColumnDepth(row.At(k)));
  EquationNode& matrix = line.CreateNode(TK_MATRIX);
  for (int k = first; k <= last; ++k) {
    EquationNode& node = row.At(k);
    if (node.Kind() != TK_COLUMN) {
      matrix.row1.Append(node);
      continue;
    }
    int cells = 0;
    for (EquationNode* item : ColumnItems(node)) {
      matrix.row1.Append(*item);
      ++cells;
    }
    // Shorter columns are padded at the bottom with empty cells.
    for (; cells < height; ++cells)
      matrix.row1.Append(line.CreateNode(TK_BRACKETS));
  }
  return matrix;
}

bool IsMatrixPart(TokenKind kind) {
  return kind == TK_SPACE || kind == TK_COLUMN;
}

// Whether the row holds a column with two more columns or spaces after it (a long column chain
// holds one column in each row, and none of those rows is a matrix).
bool HoldsMatrix(const NodeRow& row) {
  for (int x = 0; x + 2 < row.Size(); ++x) {
    if (row.KindAt(x) == TK_COLUMN && IsMatrixPart(row.KindAt(x + 1)) &&
        IsMatrixPart(row.KindAt(x + 2))) {
      return true;
    }
  }
  return false;
}

void BuildMatricesInRow(EquationLine& line, NodeRow& row) {
  RowBuilder result;
  for (int x = 0; x < row.Size(); ++x) {
    if (row.KindAt(x) == TK_COLUMN) {
      int y = x;
      while (IsMatrixPart(row.KindAt(y + 1)))
        ++y;
      // At least three nodes: two columns with a space between, or a column and two spaces.
      if (y - x > 1) {
        result.Append(BuildMatrix(line, row, x, y));
        x = y;
        continue;
      }
    }
    result.Append(row.At(x));
  }
  result.ReplaceRow(row);
}

// ---------------------------------------------------------------------------------------------
// Bracket limits

// The upper limit typed after "^" sits inside the power; the limit is what the power raised.
// The power, and the bracket it took, are dropped.
void UnwrapPowerLimit(EquationLine& line, EquationNode& limit) {
  if (limit.row1.KindAt(0) != TK_POWER) return;
  EquationNode& power = limit.row1.At(0);
  if (power.row1.Empty()) return;
  EquationNode* inner = &power.row1.At(0);
  EquationNode* bracket = nullptr;
  if (inner->Kind() == TK_BRACKETS && !inner->row1.Empty()) {
    bracket = inner;
    inner = &inner->row1.At(0);
  }
  limit.row1.ReplaceAt(0, *inner);
  if (bracket != nullptr) line.ReleaseNode(*bracket);
  line.ReleaseNode(power);
}

bool IsTwoItemColumnOfBracket(const EquationNode& node) {
  return node.Kind() == TK_COLUMN && node.row2.KindAt(0) != TK_COLUMN && !node.row2.Empty() &&
         node.row1.KindAt(0) == TK_BRACKETS;
}

// ---------------------------------------------------------------------------------------------
// Levels

// How many script half steps each kind adds to the nodes of its first and second row.
struct RowScriptSteps {
  std::int32_t first = 0;
  std::int32_t second = 0;
};

RowScriptSteps ScriptStepsOf(TokenKind kind) {
  switch (kind) {
    case TK_POWER:
    case TK_CODEDRAW2:
      return {kScriptStep, kScriptStep};
    case TK_ARCSINCOSTAN:  // the "-1"
      return {kScriptStep, 0};
    case TK_ROOT:
    case TK_BRACKETS:
      return {0, kScriptStep};
    case TK_SUBSCRIPT:
      return {kSubscriptStep, kSubscriptStep};
    default:
      return {};
  }
}

}  // namespace

void FoldPowers(EquationLine& line) {
  FoldMarksInRow(line, line.TopRow(), TK_POWER);
}

void FoldArrows(EquationLine& line) {
  ForEachRowChildrenFirst(line.TopRow(), {TK_IVRIGHT, TK_IVLEFT, TK_IVBOTH},
                          [](NodeRow& row) { FoldArrowsInRow(row); });
}

void FoldSubscripts(EquationLine& line) {
  ForEachRowChildrenFirst(line.TopRow(), {TK_SUBSCRIPT},
                          [&](NodeRow& row) { FoldMarksInRow(line, row, TK_SUBSCRIPT); });
}

void FoldSquareRoots(EquationLine& line) {
  ForEachRowChildrenFirst(line.TopRow(), {TK_SQRT},
                          [&](NodeRow& row) { FoldSquareRootsInRow(line, row); });
}

void FoldRoots(EquationLine& line) {
  RecycledVector<NodeRow*> indexRows;
  ForEachRowChildrenFirst(line.TopRow(), {TK_ROOT},
                          [&](NodeRow& row) { FoldRootsInRow(line, row, indexRows); });
  // The rows below an index group were folded with the rest; the group's own row was not.
  while (!indexRows.empty()) {
    NodeRow& row = *indexRows.back();
    indexRows.pop_back();
    FoldRootsInRow(line, row, indexRows);
  }
}

void FoldBigOperators(EquationLine& line) {
  ForEachRowChildrenFirst(line.TopRow(), {TK_CODEDRAW2},
                          [&](NodeRow& row) { FoldBigOperatorsInRow(line, row); });
}

void GroupDivideOperands(EquationLine& line) {
  ForEachRowChildrenFirst(line.TopRow(), {TK_DIVIDE},
                          [&](NodeRow& row) { GroupOperandsInRow(line, row, TK_DIVIDE); });
}

void GroupSeparatorOperands(EquationLine& line) {
  ForEachRowChildrenFirst(line.TopRow(), {TK_SEPARATOR},
                          [&](NodeRow& row) { GroupOperandsInRow(line, row, TK_SEPARATOR); });
}

void MergeNegativeNumbers(EquationLine& line) {
  ForEachRowChildrenFirst(line.TopRow(), {TK_SUBTRACT},
                          [&](NodeRow& row) { MergeNegativeNumbersInRow(line, row); });
}

void FoldColumns(EquationLine& line) {
  ForEachRowParentFirst(
      line.TopRow(), [&](NodeRow& row) { FoldOperatorsInRow(line, row, TK_SEPARATOR, TK_COLUMN); });
}

void FoldFractions(EquationLine& line) {
  ForEachRowParentFirst(
      line.TopRow(), [&](NodeRow& row) { FoldOperatorsInRow(line, row, TK_DIVIDE, TK_FRACTION); });
}

void FoldBrackets(EquationLine& line) {
  ForEachRowChildrenFirst(line.TopRow(), {TK_OPEN, TK_CLOSE},
                          [&](NodeRow& row) { FoldBracketsInRow(line, row); });
}

void GroupBracketPowers(EquationLine& line) {
  NodeRow& row = line.TopRow();
  const auto bracketPower = [&row](int i) {
    return row.KindAt(i) == TK_BRACKETS && row.KindAt(i + 1) == TK_POWER;
  };
  int first = 0;
  while (first < row.Size() && !bracketPower(first))
    ++first;
  if (first >= row.Size()) return;
  RowBuilder result;
  for (int i = 0; i < row.Size(); ++i) {
    if (bracketPower(i)) {
      result.Append(InvisibleBracket(line, TK_OPEN));
      result.Append(row.At(i));
      result.Append(row.At(i + 1));
      result.Append(InvisibleBracket(line, TK_CLOSE));
      ++i;
      continue;
    }
    result.Append(row.At(i));
  }
  result.ReplaceRow(row);
}

void BuildMatrices(EquationLine& line) {
  ForEachRowChildrenFirst(line.TopRow(), HoldsMatrix,
                          [&](NodeRow& row) { BuildMatricesInRow(line, row); });
}

void AttachBracketLimits(EquationLine& line) {
  NodeRow& row = line.TopRow();
  RowBuilder result;
  for (int i = 0; i < row.Size(); ++i) {
    EquationNode& node = row.At(i);
    const bool bracketBefore =
        result.KindAt(result.Size() - 1) == TK_BRACKETS && result.Back().row2.Empty();
    if (bracketBefore && IsTwoItemColumnOfBracket(node)) {
      EquationNode& bracket = result.Back();
      EquationNode& upper = node.row1.At(0);
      UnwrapPowerLimit(line, upper);
      bracket.row2.Append(node.row2.At(0));
      bracket.row2.Append(upper);
      // The column only held the two limits.
      line.ReleaseNode(node);
      continue;
    }
    result.Append(node);
  }
  result.ReplaceRow(row);
}

void AddInverseExponents(EquationLine& line) {
  ForEachRowParentFirst(line.TopRow(), [&](NodeRow& row) {
    for (int i = 0; i < row.Size(); ++i) {
      EquationNode& node = row.At(i);
      if (node.Kind() != TK_ARCSINCOSTAN) continue;
      EquationNode& minusOne = line.CreateNode(TK_NUMBER);
      minusOne.SetText(kInverseExponent);
      node.row1.Clear();
      node.row1.Append(minusOne);
    }
  });
}

// Top down, as the rows nest: a node's levels are those of its row, and its kind says what its
// own rows add. A shared invisible bracket that is still in the tree (where a stray closing
// bracket stopped the pairing) becomes a node of its own first, since levels belong to a node.
void AssignLevels(EquationLine& line, const EquationSettings& settings) {
  const bool shrink = settings.ShrinkNonAlgebraicFractions.Get();
  struct Frame {
    NodeRow* row;
    int next;  // the child row position to enter next (row_walk::ChildRow)
    std::int32_t fractionLevel;
    std::int32_t scriptHalfSteps;
  };
  const auto enter = [&line](NodeRow& row, std::int32_t fractionLevel,
                             std::int32_t scriptHalfSteps) {
    for (int i = 0; i < row.Size(); ++i) {
      EquationNode* node = &row.At(i);
      if (node->IsShared()) {
        node = &line.CreateNode(node->Kind());
        row.ReplaceAt(i, *node);
      }
      node->SetLevels(fractionLevel, scriptHalfSteps * 0.5);
    }
    return Frame{&row, row_walk::NextChildRow(row, 0), fractionLevel, scriptHalfSteps};
  };
  RecycledDeque<Frame> frames{enter(line.TopRow(), 0, 0)};
  while (!frames.empty()) {
    const Frame frame = frames.back();
    if (frame.next < 0) {
      frames.pop_back();
      continue;
    }
    const EquationNode& node = frame.row->At(frame.next / 2);
    const bool second = frame.next % 2 != 0;
    // Nothing is left to do in a row once its last child row is entered.
    frames.back().next = row_walk::NextChildRow(*frame.row, frame.next + 1);
    if (frames.back().next < 0) frames.pop_back();

    std::int32_t fraction = frame.fractionLevel;
    // A fraction of numbers alone (an empty row counts as numeric) shrinks its rows. Whether a
    // row is numeric is asked only here, and the walk for it stops at the first node that is
    // not, so no node is walked over for more than the fraction nearest above it (twice, once
    // for each row the fraction has).
    if (node.Kind() == TK_FRACTION && shrink && IsNumeric(node.row1) && IsNumeric(node.row2)) {
      ++fraction;
    }
    const RowScriptSteps steps = ScriptStepsOf(node.Kind());
    const std::int32_t script = frame.scriptHalfSteps + (second ? steps.second : steps.first);
    NodeRow& child = *row_walk::ChildRow(*frame.row, frame.next);
    frames.push_back(enter(child, fraction, script));
  }
}

}  // namespace kv
