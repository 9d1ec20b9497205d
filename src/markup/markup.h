// An equation as MathML (presentation markup) or LaTeX, written from the tree the reader builds,
// for programs that take markup rather than pictures: web pages (MathJax, browsers), LibreOffice
// Math, LaTeX documents, screen readers.
//
// The markup reproduces the structure Kalvane draws: fractions, roots, scripts, brackets, big
// operators with their limits, matrices, accents, vectors, text, units, several lines as a table
// of lines. It adds no meaning the tree does not hold (implicit multiplication stays implicit
// unless asked for), and it does not promise Kalvane's spacing, fonts, sizes or colours.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kv {

class EquationSettings;
class NodeRow;

enum class MarkupStyle {
  kPlain,    // the consumer's own defaults for letters, words and numbers
  kKalvane,  // upright, italic and bold as the settings set them for each class of text
};

struct MarkupOptions {
  MarkupStyle style = MarkupStyle::kPlain;
  // MathML only: an invisible times (U+2062) between operands set side by side.
  bool invisibleTimes = false;
};

// An equation that cannot be written: one nested deeper than consumers of markup take.
class MarkupError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Written before MathML that stands alone: in a file, or on the clipboard.
inline constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// An equation's lines as the reader built them with `settings`: the top row of each line, null
// for an empty line. Empty lines at the end are left out, an empty line between others is kept.
// A document hands over the lines it has read already (KLV300Doc::ReadLines).
using EquationRows = std::span<const NodeRow* const>;

// The markup is UTF-8 on one line. MathML is one <math> element, without the XML declaration.
// Both throw MarkupError.
std::string EquationMathML(EquationRows lines, const EquationSettings& settings,
                           const MarkupOptions& options);
std::string EquationLatex(EquationRows lines, const EquationSettings& settings,
                          const MarkupOptions& options);

// The same of an equation's text in Windows-1252, its lines separated by CR LF, LF or CR, each
// line read here.
std::string EquationMathML(std::string_view text, const EquationSettings& settings,
                           const MarkupOptions& options);
std::string EquationLatex(std::string_view text, const EquationSettings& settings,
                          const MarkupOptions& options);

}  // namespace kv
