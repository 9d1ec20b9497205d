// A one-line text form of a row and the tree below it, for the command line and for tests.
//
// A row is its nodes separated by one space; an empty row prints nothing. A node prints its kind
// name without the "TK_" prefix, then "TEXT" when its text is not empty, then {ROW1} when its
// first or second row is not empty, then {ROW2} when its second row is not empty. In TEXT the
// bytes 0x20 to 0x7E print as themselves, except '"' as \" and '\' as \\; every other byte
// prints as \xHH with two lower-case hex digits. Example: VARIABLE"x" POWER{BRACKETS","{NUMBER"2"}}
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "reader/equation_node.h"

namespace kv {

// Extra text for node `index` of `row`, written right after its kind name and before its text
// and rows (for example its measured box: VARIABLE[200,400,80,0,0]"x"). Returns the empty string
// to add nothing.
using NodeAnnotation = std::function<std::string(const NodeRow& row, int index)>;

std::string TreeNotation(const NodeRow& row, const NodeAnnotation& annotate = {});

// `text` as it appears between the quotes of the notation.
std::string NotationText(std::string_view text);

}  // namespace kv
