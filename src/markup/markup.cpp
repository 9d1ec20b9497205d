#include "markup/markup.h"

#include <vector>

#include "markup/markup_tree.h"
#include "reader/equation_line.h"

namespace kv {
namespace {

// The lines of a text: CR LF, LF or CR ends a line.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

// Reads every line of `text` and hands their rows to `write`.
template <typename Write>
std::string FromText(std::string_view text, const EquationSettings& settings, Write write) {
  const std::vector<std::string_view> texts = SplitLines(text);
  std::vector<EquationLine> lines(texts.size());
  std::vector<const NodeRow*> rows(texts.size(), nullptr);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (texts[i].empty()) continue;
    lines[i].Parse(texts[i], settings);
    rows[i] = &lines[i].TopRow();
  }
  return write(EquationRows(rows));
}

}  // namespace

std::string EquationMathML(EquationRows lines, const EquationSettings& settings,
                           const MarkupOptions& options) {
  return markup::WriteMathML(markup::BuildMarkupTree(lines, settings, options));
}

std::string EquationLatex(EquationRows lines, const EquationSettings& settings,
                          const MarkupOptions& options) {
  return markup::WriteLatex(markup::BuildMarkupTree(lines, settings, options));
}

std::string EquationMathML(std::string_view text, const EquationSettings& settings,
                           const MarkupOptions& options) {
  return FromText(text, settings,
                  [&](EquationRows rows) { return EquationMathML(rows, settings, options); });
}

std::string EquationLatex(std::string_view text, const EquationSettings& settings,
                          const MarkupOptions& options) {
  return FromText(text, settings,
                  [&](EquationRows rows) { return EquationLatex(rows, settings, options); });
}

}  // namespace kv
