// Builds tree nodes by hand for tests of rows and notation.
#pragma once

#include <string>

#include "reader/equation_node.h"

namespace kv::test {

inline EquationNode& Leaf(NodePool& pool, TokenKind kind, const std::string& text) {
  EquationNode& node = pool.CreateNode(kind);
  node.SetText(text);
  return node;
}

}  // namespace kv::test
