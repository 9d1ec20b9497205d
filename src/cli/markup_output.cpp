#include "cli/markup_output.h"

#include "cli/arguments.h"
#include "document/document.h"

namespace kv::cli {
namespace {

// The markup of an equation (its text or its rows) in `language`; a MarkupError is a CliError.
template <typename Equation>
std::string Written(const Equation& equation, const EquationSettings& settings,
                    MarkupLanguage language, const MarkupOptions& options) {
  try {
    return language == MarkupLanguage::kMathML ? EquationMathML(equation, settings, options)
                                               : EquationLatex(equation, settings, options);
  } catch (const MarkupError& error) {
    throw CliError(error.what());
  }
}

}  // namespace

std::string MarkupOf(std::string_view text, const EquationSettings& settings,
                     MarkupLanguage language, const MarkupOptions& options) {
  return Written(text, settings, language, options);
}

std::string MarkupOf(KLV300Doc& document, MarkupLanguage language, const MarkupOptions& options) {
  const std::vector<const NodeRow*> lines = document.ReadLines();
  return Written(EquationRows(lines), document.Settings(), language, options);
}

std::string MarkupFile(std::string markup, MarkupLanguage language) {
  markup += '\n';
  if (language == MarkupLanguage::kLatex) return markup;
  return std::string(kXmlDeclaration) + markup;
}

}  // namespace kv::cli
