// The markup kalvane-cli writes: an equation as MathML or LaTeX (convert, and render --batch
// with --format mml or tex).
#pragma once

#include <string>
#include <string_view>

#include "markup/markup.h"

namespace kv {
class EquationSettings;
class KLV300Doc;
}  // namespace kv

namespace kv::cli {

enum class MarkupLanguage { kMathML, kLatex };

// The markup of the equation text, one line without a line break. Throws CliError for an
// equation that cannot be written.
std::string MarkupOf(std::string_view text, const EquationSettings& settings,
                     MarkupLanguage language, const MarkupOptions& options);
// A document's markup, with the document's own settings.
std::string MarkupOf(KLV300Doc& document, MarkupLanguage language, const MarkupOptions& options);

// The markup as a file holds it: MathML after the XML declaration; a line break at the end.
std::string MarkupFile(std::string markup, MarkupLanguage language);

}  // namespace kv::cli
