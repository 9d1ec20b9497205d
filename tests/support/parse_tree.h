// Parses one line with the default settings, changed first by `change`, and gives its tree in
// tree notation.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "reader/equation_line.h"
#include "reader/tree_notation.h"
#include "settings/equation_settings.h"

namespace kv::test {

inline EquationSettings DefaultSettings() {
  EquationSettings settings;
  settings.ResetToDefaults(".");
  return settings;
}

inline std::string ParsedTree(std::string_view text,
                              const std::function<void(EquationSettings&)>& change = {}) {
  EquationSettings settings = DefaultSettings();
  if (change) change(settings);
  EquationLine line;
  line.Parse(text, settings);
  return TreeNotation(line.TopRow());
}

}  // namespace kv::test
