// What the two rows of a node hold, by its kind, for the code that reads a built tree (measuring
// and drawing). The building passes put them there; see folding_passes.h.
#pragma once

#include "reader/equation_node.h"

namespace kv {

// TK_POWER: what is raised; TK_SUBSCRIPT: what is lowered.
inline const NodeRow& Exponent(const EquationNode& power) {
  return power.row1;
}
inline const NodeRow& Subscript(const EquationNode& subscript) {
  return subscript.row1;
}
// TK_ARCSINCOSTAN: the "-1" raised after the name.
inline const NodeRow& InverseExponent(const EquationNode& inverse) {
  return inverse.row1;
}

// TK_SQRT and TK_ROOT: what is under the sign; TK_ROOT: the index before it.
inline const NodeRow& Radicand(const EquationNode& root) {
  return root.row1;
}
inline const NodeRow& RootIndex(const EquationNode& root) {
  return root.row2;
}

// TK_FRACTION: above and below the bar. TK_COLUMN stacks alike: its first item over the rest of
// the column (whose first node is the next TK_COLUMN of the chain, or its last item).
inline const NodeRow& Numerator(const EquationNode& stack) {
  return stack.row1;
}
inline const NodeRow& Denominator(const EquationNode& stack) {
  return stack.row2;
}

// TK_BRACKETS: what the brackets enclose, and its limits (lower, then upper) when it has two.
inline const NodeRow& BracketContent(const EquationNode& brackets) {
  return brackets.row1;
}
inline bool HasBracketLimits(const EquationNode& brackets) {
  return brackets.row2.Size() == 2;
}
inline const EquationNode& LowerBracketLimit(const EquationNode& brackets) {
  return brackets.row2.At(0);
}
inline const EquationNode& UpperBracketLimit(const EquationNode& brackets) {
  return brackets.row2.At(1);
}
// The row that holds a bracket's limits (a row of nodes placed one by one, never as a row).
inline const NodeRow& BracketLimits(const EquationNode& brackets) {
  return brackets.row2;
}

// TK_CODEDRAW2 (int, sigma, product, lim): the limits below and above the sign.
inline const NodeRow& LowerLimit(const EquationNode& bigOperator) {
  return bigOperator.row1;
}
inline const NodeRow& UpperLimit(const EquationNode& bigOperator) {
  return bigOperator.row2;
}

// TK_MATRIX: the cells, column after column, with runs of TK_SPACE between the columns.
inline const NodeRow& MatrixCells(const EquationNode& matrix) {
  return matrix.row1;
}

// TK_MODIFIER and the interval arrows: what the mark stands over.
inline const NodeRow& Decorated(const EquationNode& node) {
  return node.row1;
}

}  // namespace kv
