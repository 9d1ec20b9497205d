// Builds a tree from tree notation, so tests can write the trees they measure and draw in the
// form the command line prints: VARIABLE"x" POWER{BRACKETS","{NUMBER^1"2"}}.
//
// Besides the notation, a kind name may be followed by levels: ^N sets the node's script level
// (a real number) and /N its fraction level, as the reader's levels pass would, for example
// NUMBER/1^1"2". Throws std::invalid_argument on notation it cannot read.
#pragma once

#include <string_view>

#include "reader/equation_node.h"

namespace kv::test {

// Appends the nodes of `notation` to `row`; every node is made in `pool`.
void TreeFromNotation(std::string_view notation, NodePool& pool, NodeRow& row);

}  // namespace kv::test
