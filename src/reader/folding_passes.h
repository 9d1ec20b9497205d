// The folding passes: each construct token takes the bracket group next to it into its rows,
// remaining bracket pairs become bracket nodes, columns and matrices are assembled, and the last
// pass gives every node its size levels. Parse runs them in the order they are declared here.
#pragma once

namespace kv {

class EquationLine;
class EquationSettings;

// "^" takes the group after it as its exponent. Top row, right to left, so x^2^3 nests.
void FoldPowers(EquationLine& line);
// An arrow takes the letter or number after it, or the bracket group after it (hidden).
void FoldArrows(EquationLine& line);
// The subscript mark takes the group after it, in every row (a subscript can stand inside an
// exponent).
void FoldSubscripts(EquationLine& line);
// sqrt takes the spaces and the group after it; brackets around a radicand are not drawn.
void FoldSquareRoots(EquationLine& line);
// root takes the group after it as the radicand and the bracket group before it as the index.
void FoldRoots(EquationLine& line);
// int, sigma, product, lim take their bracket group as limits: below, and above after the last
// separator.
void FoldBigOperators(EquationLine& line);
// Marks the operands of every "/" (of every separator) as a left group, the operator and a
// right group inside one outer pair, which the fraction (column) pass then folds.
void GroupDivideOperands(EquationLine& line);
void GroupSeparatorOperands(EquationLine& line);
// A minus sign at the start of a row, or after an operator, an opening bracket or "=", joins
// the number after it.
void MergeNegativeNumbers(EquationLine& line);
// Every grouped separator becomes a column node; every grouped "/" a fraction node.
void FoldColumns(EquationLine& line);
void FoldFractions(EquationLine& line);
// Every bracket pair becomes a bracket node, innermost first; a stray closing bracket ends the
// pairing for its row.
void FoldBrackets(EquationLine& line);
// A bracket node followed by a power is grouped with it. Top row.
void GroupBracketPowers(EquationLine& line);
// Columns standing side by side (with spaces between) become one matrix.
void BuildMatrices(EquationLine& line);
// A bracket followed by "^upper,lower" takes the two as its limits. Top row.
void AttachBracketLimits(EquationLine& line);
// Every inverse function (sin-1) gets its raised "-1" as the one node of its first row.
void AddInverseExponents(EquationLine& line);
// The fraction level (numeric fractions shrink their rows) and script level of every node.
void AssignLevels(EquationLine& line, const EquationSettings& settings);

}  // namespace kv
