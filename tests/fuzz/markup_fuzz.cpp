// Writes arbitrary text as MathML and LaTeX, in both styles and with the settings that change
// what the writers make, taken from the first byte. Whatever the text, the writers either
// refuse it as nested too deeply or write markup that is whole: MathML whose tags pair up and
// whose text holds no bare '<' or '&', LaTeX whose braces, \left/\right and \begin/\end pair
// up, neither out of proportion to the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "markup/markup.h"
#include "settings/equation_settings.h"

namespace {

// A byte can become a handful of nodes, and a macro a whole formula; each node a few tags.
constexpr std::size_t kMarkupBytesPerByte = 16384;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Tags pair up and nest; character data holds only escaped '<' and '&'.
void CheckMathML(std::string_view xml) {
  Check(xml.starts_with("<math ") && xml.ends_with("</math>"));
  std::vector<std::string_view> open;
  std::size_t at = 0;
  while (at < xml.size()) {
    if (xml[at] == '&') {
      const std::size_t semicolon = xml.find(';', at);
      Check(semicolon != std::string_view::npos && semicolon - at <= 8);
      at = semicolon + 1;
      continue;
    }
    if (xml[at] != '<') {
      Check(xml[at] != '>');
      ++at;
      continue;
    }
    const std::size_t end = xml.find('>', at);
    Check(end != std::string_view::npos);
    const std::string_view tag = xml.substr(at + 1, end - at - 1);
    at = end + 1;
    if (tag.ends_with('/')) continue;
    if (tag.starts_with('/')) {
      Check(!open.empty() && open.back() == tag.substr(1));
      open.pop_back();
      continue;
    }
    open.push_back(tag.substr(0, tag.find(' ')));
  }
  Check(open.empty());
}

// How often the control word stands in the text (not as the start of a longer one:
// \rightarrow is no \right).
std::size_t Count(std::string_view text, std::string_view word) {
  std::size_t count = 0;
  for (std::size_t at = text.find(word); at != std::string_view::npos;
       at = text.find(word, at + word.size())) {
    const std::size_t next = at + word.size();
    const bool longer = next < text.size() && ((text[next] >= 'a' && text[next] <= 'z') ||
                                               (text[next] >= 'A' && text[next] <= 'Z'));
    if (!longer) ++count;
  }
  return count;
}

void CheckLatex(std::string_view latex) {
  int depth = 0;
  for (std::size_t i = 0; i < latex.size(); ++i) {
    if (latex[i] == '\\') {
      ++i;  // an escaped brace is no group
      continue;
    }
    if (latex[i] == '{') ++depth;
    if (latex[i] == '}') Check(--depth >= 0);
  }
  Check(depth == 0);
  Check(Count(latex, "\\left") == Count(latex, "\\right"));
  Check(Count(latex, "\\begin") == Count(latex, "\\end"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned choice = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  kv::EquationSettings settings;
  settings.DisplayVect.Set(static_cast<std::int32_t>(choice & 3));
  settings.DoubleCaps.Set(static_cast<std::int32_t>((choice >> 2) & 3));
  settings.MultiplyStyle.Set(static_cast<std::int32_t>((choice >> 4) % 3));
  settings.IntegralStyle.Set(static_cast<std::int32_t>((choice >> 6) & 1));
  const kv::MarkupOptions options{
      .style = (choice & 0x80) != 0 ? kv::MarkupStyle::kKalvane : kv::MarkupStyle::kPlain,
      .invisibleTimes = (choice & 0x40) != 0};
  const std::size_t limit = kMarkupBytesPerByte * (text.size() + 1);
  try {
    const std::string mathml = kv::EquationMathML(text, settings, options);
    Check(mathml.size() <= limit);
    CheckMathML(mathml);
    const std::string latex = kv::EquationLatex(text, settings, options);
    Check(latex.size() <= limit);
    CheckLatex(latex);
  } catch (const kv::MarkupError&) {
  }
  return 0;
}
