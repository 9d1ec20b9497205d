#include "reader/grouping_passes.h"

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "reader/equation_line.h"
#include "reader/row_building.h"
#include "settings/equation_settings.h"

namespace kv {
namespace {

constexpr std::string_view kCapitals = "ABCDEFGHIJKLMNOPQRTSUVWXYZ";
constexpr std::string_view kLowerCase = "abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kUnitVectorLetters = "ijk";
constexpr std::string_view kCoordinateLetters = "xyzZ";

// Values of the LowerCase setting.
constexpr int kLowerCaseByContext = 1;
constexpr int kLowerCaseByLetter = 2;

bool IsLetterIn(const EquationNode& node, std::string_view letters) {
  return node.Text().size() == 1 && letters.find(node.Text()[0]) != std::string_view::npos;
}

bool IsCapitalVariable(const NodeRow& row, int index) {
  return row.KindAt(index) == TK_VARIABLE && IsLetterIn(row.At(index), kCapitals);
}

EquationNode& NewToken(EquationLine& line, TokenKind kind, std::string_view text) {
  EquationNode& node = line.CreateNode(kind);
  node.SetText(text);
  return node;
}

// ---------------------------------------------------------------------------------------------
// Accents

// Right to left, rebuilding the row from its end (see FoldedRight): the token after an accent is
// the front of the part passed, the token before it is still in place in the row.
void GroupAccentsInRow(EquationLine& line, NodeRow& row) {
  FoldedRight right;
  for (int b = row.Size() - 1; b >= 0; --b) {
    EquationNode& accent = row.At(b);
    if (accent.Kind() != TK_MODIFIER || b == 0) {
      right.PushFront(accent);
      continue;
    }
    EquationNode& before = row.At(b - 1);
    const TokenKind beforeKind = before.Kind();
    if (beforeKind == TK_VARIABLE || beforeKind == TK_GREEK) {
      accent.row1.Clear();
      accent.row1.Append(before);
      // The letter is taken; the walk goes on left of it, and the accent is not seen again.
      --b;
    } else if (accent.Text() == "_" && beforeKind == TK_NUMBER && right.KindAt(0) == TK_NUMBER) {
      right.TakeFront(1, accent.row1);
    } else if (beforeKind == TK_NUMBER && !before.Text().empty()) {
      const std::string_view digits = before.Text();
      accent.row1.Append(NewToken(line, TK_NUMBER, digits.substr(digits.size() - 1)));
      before.SetText(digits.substr(0, digits.size() - 1));
    } else if (beforeKind == TK_MODIFIER) {
      accent.row1.Append(NewToken(line, TK_SPACE, " "));
    }
    right.PushFront(accent);
  }
  right.ReplaceRow(row);
}

// ---------------------------------------------------------------------------------------------
// Scientific notation

// Right to left, rebuilding the row from its end: the exponent is the front of the part passed.
void GroupScientificNotationInRow(EquationLine& line, NodeRow& row) {
  FoldedRight right;
  for (int j = row.Size() - 1; j >= 0; --j) {
    EquationNode& e = row.At(j);
    right.PushFront(e);
    if (j == 0 || e.Kind() != TK_VARIABLE || e.Text() != "E" || row.KindAt(j - 1) != TK_NUMBER) {
      continue;
    }
    // Offsets from the "E": its exponent is the number after it, or a minus and a number.
    int exponentLength = 0;
    if (right.KindAt(1) == TK_NUMBER) {
      exponentLength = 1;
    } else if (right.KindAt(1) == TK_SUBTRACT && right.KindAt(2) == TK_NUMBER) {
      exponentLength = 2;
    } else {
      continue;
    }
    right.PopFront();
    NodeRow exponent;
    right.TakeFront(exponentLength, exponent);
    right.PushFront(InvisibleBracket(line, TK_CLOSE));
    for (int k = exponent.Size() - 1; k >= 0; --k)
      right.PushFront(exponent.At(k));
    right.PushFront(InvisibleBracket(line, TK_OPEN));
    right.PushFront(NewToken(line, TK_POWER, "^"));
    right.PushFront(NewToken(line, TK_NUMBER, "10"));
    e.SetNode(TK_MULTIPLY, "*", "");
    right.PushFront(e);
  }
  right.ReplaceRow(row);
}

// ---------------------------------------------------------------------------------------------
// Insertions decided on the row as a pass found it and applied in one sweep: each gap between
// two nodes (gap k lies before node k) receives a sequence of invisible brackets.

class GapInserts {
 public:
  // Before node k, after whatever the gap holds already.
  void Before(int k, TokenKind kind) { Add(k, NextOrder(), kind); }
  // Right after node k, before whatever the gap holds already.
  void After(int k, TokenKind kind) { Add(k + 1, -NextOrder(), kind); }

  void ApplyTo(EquationLine& line, NodeRow& row) {
    if (inserts_.empty()) return;
    // In a gap, the latest After comes first and the latest Before last: the order numbers of
    // Afters count down and those of Befores up.
    std::sort(inserts_.begin(), inserts_.end());
    NodeRow result;
    result.Reserve(row.Size() + static_cast<int>(inserts_.size()));
    auto next = inserts_.begin();
    for (int k = 0; k <= row.Size(); ++k) {
      for (; next != inserts_.end() && next->first == k; ++next) {
        const bool close = (next->second & 1) != 0;
        result.Append(InvisibleBracket(line, close ? TK_CLOSE : TK_OPEN));
      }
      if (k < row.Size()) result.Append(row.At(k));
    }
    row = std::move(result);
  }

 private:
  int NextOrder() {
    if (order_ >= kMaxInserts) throw std::length_error("GapInserts: too many brackets");
    return ++order_;
  }
  // The kind is the low bit of the key, under the order: one bit is enough for open or close.
  void Add(int gap, int order, TokenKind kind) {
    inserts_.push_back({gap, order * 2 + (kind == TK_CLOSE ? 1 : 0)});
  }

  static constexpr int kMaxInserts = INT_MAX / 2 - 1;
  // (gap, order and kind)
  RecycledVector<std::pair<int, int>> inserts_;
  int order_ = 0;
};

int FirstNonSpaceFrom(const NodeRow& row, int index) {
  while (row.KindAt(index) == TK_SPACE)
    ++index;
  return index;
}

// One past the end of a function's argument run from `start`: simple operands, powers and
// brackets, a closing bracket only while it closes one opened inside the run.
int ArgumentRunEnd(const NodeRow& row, int start) {
  int depth = 0;
  int k = start;
  for (; k < row.Size(); ++k) {
    const TokenKind kind = row.KindAt(k);
    if (IsSimpleOperand(kind) || kind == TK_POWER) continue;
    if (kind == TK_OPEN) {
      ++depth;
    } else if (kind == TK_CLOSE && depth > 0) {
      --depth;
    } else {
      break;
    }
  }
  return k;
}

// Two invisible closes after the run start..runEnd - 1 (right where it starts when it is empty).
void CloseRunTwice(GapInserts& inserts, int start, int runEnd) {
  for (int c = 0; c < 2; ++c) {
    if (runEnd > start) {
      inserts.After(runEnd - 1, TK_CLOSE);
    } else {
      inserts.Before(runEnd, TK_CLOSE);
    }
  }
}

// "sin^2 x", "sin^2(x)": the argument after the function's power. False when the power mark is
// not followed by a bracket group with a partner.
bool GroupArgumentAfterPower(const NodeRow& row, const BracketPartners& partners, int mark,
                             GapInserts& inserts) {
  if (row.KindAt(mark + 1) != TK_OPEN) return false;
  const int exponentEnd = partners.CloseOf(mark + 1);
  if (exponentEnd < 0) return false;
  const int start = FirstNonSpaceFrom(row, exponentEnd + 1);
  if (row.KindAt(start) == TK_OPEN) {
    const int end = partners.CloseOf(start);
    inserts.After(end < 0 ? row.Size() - 1 : end, TK_CLOSE);
  } else {
    // The open comes right after the exponent, so spaces before the argument fall inside.
    inserts.After(exponentEnd, TK_OPEN);
    CloseRunTwice(inserts, start, ArgumentRunEnd(row, start));
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Lower-case vectors

bool IsVectorRow(const NodeRow& row) {
  bool hasUnitLetter = false;
  bool afterEqual = false;
  for (int i = 0; i < row.Size(); ++i) {
    const EquationNode& node = row.At(i);
    if (node.Kind() == TK_EQUAL) afterEqual = true;
    if (node.Kind() != TK_VARIABLE) continue;
    const bool unitLetter = IsLetterIn(node, kUnitVectorLetters);
    if (IsLetterIn(node, kCoordinateLetters)) return false;
    if (afterEqual && !unitLetter) return false;
    hasUnitLetter = hasUnitLetter || unitLetter;
  }
  return hasUnitLetter;
}

void MarkVectorLetters(NodeRow& row, int mode, const EquationSettings& settings) {
  const bool wholeRow = mode == kLowerCaseByContext && IsVectorRow(row);
  for (int i = 0; i < row.Size(); ++i) {
    EquationNode& node = row.At(i);
    if (node.Kind() != TK_VARIABLE || !IsLetterIn(node, kLowerCase)) continue;
    const int letter = node.Text()[0] - 'a';
    if (wholeRow || (mode == kLowerCaseByLetter && settings.Letter(letter).Get())) {
      node.SetNode(TK_LCVECTOR, node.Text(), node.SourceText());
    }
  }
}

}  // namespace

void GroupAccents(EquationLine& line) {
  ForEachRowChildrenFirst(line.TopRow(), {TK_MODIFIER},
                          [&](NodeRow& row) { GroupAccentsInRow(line, row); });
}

// A capital E right after a number.
bool HoldsExponentMark(const NodeRow& row) {
  for (int j = 1; j < row.Size(); ++j) {
    if (row.KindAt(j) == TK_VARIABLE && row.KindAt(j - 1) == TK_NUMBER && row.At(j).Text() == "E") {
      return true;
    }
  }
  return false;
}

void GroupScientificNotation(EquationLine& line) {
  ForEachRowChildrenFirst(line.TopRow(), HoldsExponentMark,
                          [&](NodeRow& row) { GroupScientificNotationInRow(line, row); });
}

// Left to right in one sweep. A run of simple operands continued by powers is found once, when
// the first mark before it looks at it; every mark inside the run closes at the run's last node,
// and those closes are written when the sweep gets there. They are invisible and alike, so
// their order does not matter. A typed bracket group after a mark is hidden: its open at once,
// its close when the sweep meets it (the bracket stack remembers which opens asked for that).
void GroupPowerAndSubscriptOperands(EquationLine& line) {
  NodeRow& row = line.TopRow();
  const int n = row.Size();
  const auto inRun = [](TokenKind kind) { return IsSimpleOperand(kind) || kind == TK_POWER; };
  // The closes counted at the last node of the run being passed.
  int runEnd = 0;
  int closesAtRunEnd = 0;
  // One entry per open bracket not yet closed: whether its partner is to be hidden.
  std::vector<bool> opens;
  bool hideNextOpensPartner = false;
  RowBuilder result;
  for (int i = 0; i < n; ++i) {
    EquationNode& token = row.At(i);
    result.Append(token);
    if (token.Kind() == TK_OPEN) {
      opens.push_back(hideNextOpensPartner);
    } else if (token.Kind() == TK_CLOSE && !opens.empty()) {
      if (opens.back()) token.SetText("");
      opens.pop_back();
    }
    hideNextOpensPartner = false;
    const int pendingCloses = i == runEnd - 1 ? std::exchange(closesAtRunEnd, 0) : 0;
    const bool isMark = token.Kind() == TK_POWER || token.Kind() == TK_SUBSCRIPT;
    const bool isLast = i == n - 1 && pendingCloses == 0;
    if (isMark && !isLast) {
      const TokenKind next = row.KindAt(i + 1);
      if (pendingCloses == 0 && next == TK_OPEN) {
        // A typed bracket group is the operand; its brackets are not drawn.
        row.At(i + 1).SetText("");
        hideNextOpensPartner = true;
      } else if (pendingCloses == 0 && IsSimpleOperand(next)) {
        result.Append(InvisibleBracket(line, TK_OPEN));
        if (i + 1 >= runEnd) {
          runEnd = i + 1;
          while (runEnd < n && inRun(row.KindAt(runEnd)))
            ++runEnd;
        }
        ++closesAtRunEnd;
      } else {
        // Nothing to take (a sign, an operator, or the close of the run this mark ends).
        result.Append(InvisibleBracket(line, TK_OPEN));
        result.Append(InvisibleBracket(line, TK_CLOSE));
      }
    }
    for (int c = 0; c < pendingCloses; ++c)
      result.Append(InvisibleBracket(line, TK_CLOSE));
  }
  result.ReplaceRow(row);
}

// Whether a number after a node of this kind is raised (or, after a function, is its base).
bool RaisesNumberAfter(TokenKind previous) {
  return previous == TK_VARIABLE || previous == TK_CLOSE || previous == TK_GREEK ||
         previous == TK_UNIT || previous == TK_FUNCTION;
}

// Until a pass that rebuilds the top row first changes it, the row it has written is the row it
// found: so whether it changes anything at all can be told from the row alone, and a row it
// would leave as it is need not be written again.
void InsertImplicitPowers(EquationLine& line) {
  NodeRow& row = line.TopRow();
  int first = 1;
  while (first < row.Size() &&
         !(row.KindAt(first) == TK_NUMBER && RaisesNumberAfter(row.KindAt(first - 1))))
    ++first;
  if (first >= row.Size()) return;
  RowBuilder result;
  for (int i = 0; i < row.Size(); ++i) {
    EquationNode& token = row.At(i);
    const TokenKind previous = result.KindAt(result.Size() - 1);
    if (token.Kind() == TK_NUMBER && previous != TK_ERROR) {
      if (RaisesNumberAfter(previous)) {
        const bool logarithmBase = previous == TK_FUNCTION && result.Back().Text() == "log";
        result.Append(logarithmBase ? line.CreateNode(TK_SUBSCRIPT)
                                    : NewToken(line, TK_POWER, "^"));
        result.Append(InvisibleBracket(line, TK_OPEN));
        result.Append(token);
        result.Append(InvisibleBracket(line, TK_CLOSE));
        continue;
      }
    }
    result.Append(token);
  }
  result.ReplaceRow(row);
}

// Decided on the row as this pass finds it (a function's argument never holds another
// function, so earlier insertions cannot change a later decision), then written in one sweep.
void GroupFunctionArguments(EquationLine& line) {
  NodeRow& row = line.TopRow();
  const BracketPartners partners(row);
  GapInserts inserts;
  for (int i = 0; i < row.Size(); ++i) {
    const TokenKind kind = row.KindAt(i);
    if (kind != TK_FUNCTION && kind != TK_ARCSINCOSTAN && kind != TK_SQRT) continue;
    const int j = FirstNonSpaceFrom(row, i + 1);
    const TokenKind first = row.KindAt(j);
    if (first == TK_OPEN) {
      const int partner = partners.CloseOf(j);
      if (partner >= 0) inserts.After(partner, TK_CLOSE);
    } else if (first != TK_POWER && first != TK_SUBSCRIPT) {
      inserts.Before(j, TK_OPEN);
      CloseRunTwice(inserts, j, ArgumentRunEnd(row, j));
    } else if (kind != TK_FUNCTION || !GroupArgumentAfterPower(row, partners, j, inserts)) {
      continue;
    }
    inserts.Before(i, TK_OPEN);
  }
  inserts.ApplyTo(line, row);
}

// Right to left, rebuilding the row from its end: the part already passed is a GroupedRight, so
// the radicand is its front and a close after the radicand's partner costs nothing. The index
// lies to the left, in the part not yet passed, which no earlier step has changed.
void GroupRootOperands(EquationLine& line) {
  NodeRow& row = line.TopRow();
  const BracketPartners partners(row);
  OpensBefore opensBefore;
  GroupedRight right(line);
  for (int j = row.Size() - 1; j >= 0; --j) {
    EquationNode& token = row.At(j);
    if (token.Kind() != TK_ROOT) {
      right.PushFront(token, opensBefore.Take(j));
      continue;
    }
    // The radicand: the front of the part already passed.
    bool openBeforeIndex = true;
    if (right.KindAt(0) == TK_OPEN) {
      right.AddCloseAfterFrontPartner();
    } else if (right.KindAt(0) == TK_POWER) {
      openBeforeIndex = false;
    } else {
      int length = 0;
      while (IsSimpleOperand(right.KindAt(length)) || right.KindAt(length) == TK_SPACE)
        ++length;
      if (length > 0) {
        right.AddClosesAfter(length - 1, 2);
      } else {
        right.PushInvisible(TK_CLOSE);
        right.PushInvisible(TK_CLOSE);
      }
      right.PushInvisible(TK_OPEN);
    }
    right.PushFront(token);
    // The index group before the root, and the open of the whole at its start.
    const int k = j - 1;
    if (j == 0) {
      right.PushInvisible(TK_CLOSE);
      right.PushInvisible(TK_OPEN);
    } else if (IsSimpleOperand(row.KindAt(k))) {
      right.PushInvisible(TK_CLOSE);
      right.PushFront(row.At(k));
      right.PushInvisible(TK_OPEN);
      --j;
    } else if (row.KindAt(k) == TK_CLOSE) {
      const int start = std::max(partners.OpenOf(k), 0);
      if (openBeforeIndex) opensBefore.Add(start, 1);
      continue;
    }
    if (openBeforeIndex) right.PushInvisible(TK_OPEN);
  }
  right.ReplaceRow(row);
}

// Two capitals at `i`, with no capital right before or after them.
bool IsLonePairOfCapitals(const NodeRow& row, int i) {
  return IsCapitalVariable(row, i) && IsCapitalVariable(row, i + 1) &&
         !IsCapitalVariable(row, i - 1) && !IsCapitalVariable(row, i + 2);
}

void JoinTwoCapitalVectors(EquationLine& line) {
  NodeRow& row = line.TopRow();
  int first = 0;
  while (first < row.Size() && !IsLonePairOfCapitals(row, first))
    ++first;
  if (first >= row.Size()) return;
  RowBuilder result;
  for (int i = 0; i < row.Size(); ++i) {
    EquationNode& token = row.At(i);
    const bool pair = IsCapitalVariable(row, i) && IsCapitalVariable(row, i + 1);
    const bool alone = !(result.KindAt(result.Size() - 1) == TK_VARIABLE &&
                         IsLetterIn(result.Back(), kCapitals)) &&
                       !IsCapitalVariable(row, i + 2);
    if (pair && alone) {
      EquationNode& second = row.At(i + 1);
      token.SetNode(TK_ABVECTOR, std::string(token.Text()) + std::string(second.Text()), "");
      line.ReleaseNode(second);
      ++i;
    }
    result.Append(token);
  }
  result.ReplaceRow(row);
}

void MarkLowerCaseVectors(EquationLine& line, const EquationSettings& settings) {
  const int mode = settings.LowerCase.InRange();
  if (mode != kLowerCaseByContext && mode != kLowerCaseByLetter) return;
  ForEachRowChildrenFirst(line.TopRow(), {TK_VARIABLE},
                          [&](NodeRow& row) { MarkVectorLetters(row, mode, settings); });
}

}  // namespace kv
