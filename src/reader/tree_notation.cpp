#include "reader/tree_notation.h"

#include <vector>

namespace kv {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7E;

// One step of the walk: write node `index` of a row, write a whole row (index -1), or write one
// character (no row). Trees can nest as deep as the text is long, so the walk keeps its own stack
// instead of recursing.
struct Step {
  const NodeRow* row = nullptr;
  int index = -1;
  char character = '\0';
};

void PushRow(std::vector<Step>& steps, const NodeRow& row) {
  steps.push_back({&row, -1, '\0'});
}

void PushCharacter(std::vector<Step>& steps, char c) {
  steps.push_back({nullptr, -1, c});
}

}  // namespace

std::string NotationText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte >= kFirstPrintable && byte <= kLastPrintable) {
      out += c;
    } else {
      out += "\\x";
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0xF];
    }
  }
  return out;
}

std::string TreeNotation(const NodeRow& row, const NodeAnnotation& annotate) {
  std::string out;
  std::vector<Step> steps;
  PushRow(steps, row);
  while (!steps.empty()) {
    const Step step = steps.back();
    steps.pop_back();
    if (step.row != nullptr && step.index < 0) {
      // The nodes go on the stack last first, so the first is written first.
      for (int i = step.row->Size() - 1; i >= 0; --i) {
        steps.push_back({step.row, i, '\0'});
        if (i > 0) PushCharacter(steps, ' ');
      }
    } else if (step.row != nullptr) {
      const EquationNode& node = step.row->At(step.index);
      out += KindName(node.Kind());
      if (annotate) out += annotate(*step.row, step.index);
      if (!node.Text().empty()) {
        out += '"';
        out += NotationText(node.Text());
        out += '"';
      }
      // Pushed in reverse: {row1} is written before {row2}.
      if (!node.row2.Empty()) {
        PushCharacter(steps, '}');
        PushRow(steps, node.row2);
        PushCharacter(steps, '{');
      }
      if (!node.row1.Empty() || !node.row2.Empty()) {
        PushCharacter(steps, '}');
        PushRow(steps, node.row1);
        PushCharacter(steps, '{');
      }
    } else {
      out += step.character;
    }
  }
  return out;
}

}  // namespace kv
