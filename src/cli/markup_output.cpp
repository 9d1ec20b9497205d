#include "cli/markup_output.h"

#include "cli/arguments.h"
#include "document/document.h"

namespace kv::cli {

std::string MarkupOf(std::string_view text, const EquationSettings& settings,
                     MarkupLanguage language, const MarkupOptions& options) {
  try {
    return language == MarkupLanguage::kMathML ? EquationMathML(text, settings, options)
                                               : EquationLatex(text, settings, options);
  } catch (const MarkupError& error) {
    throw CliError(error.what());
  }
}

std::string MarkupOf(KLV300Doc& document, MarkupLanguage language, const MarkupOptions& options) {
  return MarkupOf(document.GetEquationText(), document.Settings(), language, options);
}

std::string MarkupFile(std::string markup, MarkupLanguage language) {
  markup += '\n';
  if (language == MarkupLanguage::kLatex) return markup;
  return std::string(kXmlDeclaration) + markup;
}

}  // namespace kv::cli
