// The grouping passes: they decide how far each operand reaches and mark it with invisible
// brackets (or by hiding typed ones), before the folding passes turn bracket groups into nodes.
// Parse runs them in the order they are declared here.
#pragma once

namespace kv {

class EquationLine;
class EquationSettings;

// An accent takes the letter before it, or the last digit of the number before it (a
// recurring-decimal mark), or the number after "_" between two numbers. Every row.
void GroupAccents(EquationLine& line);
// 6.67E-11 reads as 6.67 * 10^(-11): a capital E between a number and a (signed) number. Every
// row.
void GroupScientificNotation(EquationLine& line);
// The operand of "^" and of the subscript mark: a typed bracket group (whose brackets are then
// hidden), or the run of simple operands after it, powers continuing the run. Top row.
void GroupPowerAndSubscriptOperands(EquationLine& line);
// A number right after a letter, a closing bracket, a Greek letter, a unit or a function is an
// exponent (after "log", a subscript: the base). Top row.
void InsertImplicitPowers(EquationLine& line);
// Groups a function (or square root) with its argument: a bracket group, a run of operands, or,
// after a power of the function, the argument that follows the power. Top row.
void GroupFunctionArguments(EquationLine& line);
// Groups "root" with the index written before it and the radicand after it. Top row.
void GroupRootOperands(EquationLine& line);
// Two capitals standing alone (AB) become one vector. Top row.
void JoinTwoCapitalVectors(EquationLine& line);
// Lower-case letters become vectors by context (i, j, k rows) or by letter, as the LowerCase
// setting says. Every row.
void MarkLowerCaseVectors(EquationLine& line, const EquationSettings& settings);

}  // namespace kv
