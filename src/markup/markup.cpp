#include "markup/markup.h"

#include "markup/markup_tree.h"

namespace kv {

std::string EquationMathML(std::string_view text, const EquationSettings& settings,
                           const MarkupOptions& options) {
  return markup::WriteMathML(markup::BuildMarkupTree(text, settings, options));
}

std::string EquationLatex(std::string_view text, const EquationSettings& settings,
                          const MarkupOptions& options) {
  return markup::WriteLatex(markup::BuildMarkupTree(text, settings, options));
}

}  // namespace kv
