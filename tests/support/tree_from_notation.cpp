#include "support/tree_from_notation.h"

#include <cctype>
#include <charconv>
#include <stdexcept>
#include <string>

namespace kv::test {
namespace {

class NotationReader {
 public:
  NotationReader(std::string_view text, NodePool& pool) : text_(text), pool_(pool) {}

  void ReadRow(NodeRow& row, char end) {
    while (!AtEnd() && Peek() != end) {
      if (!row.Empty()) Expect(' ');
      row.Append(ReadNode());
    }
  }

  bool AtEnd() const { return at_ >= text_.size(); }
  void Expect(char c) {
    if (AtEnd() || text_[at_] != c) Fail(std::string("expected '") + c + "'");
    ++at_;
  }

 private:
  char Peek() const { return text_[at_]; }

  [[noreturn]] void Fail(const std::string& what) const {
    throw std::invalid_argument("notation at " + std::to_string(at_) + ": " + what);
  }

  TokenKind ReadKind() {
    const std::size_t start = at_;
    while (!AtEnd() && (std::isupper(static_cast<unsigned char>(Peek())) ||
                        std::isdigit(static_cast<unsigned char>(Peek())))) {
      ++at_;
    }
    const std::string_view name = text_.substr(start, at_ - start);
    for (int k = 0; k < kTokenKindCount; ++k) {
      if (KindName(static_cast<TokenKind>(k)) == name) return static_cast<TokenKind>(k);
    }
    Fail("unknown kind \"" + std::string(name) + "\"");
  }

  double ReadNumber() {
    const std::size_t start = at_;
    while (!AtEnd() && (std::isdigit(static_cast<unsigned char>(Peek())) || Peek() == '.'))
      ++at_;
    double value = 0;
    const std::string_view digits = text_.substr(start, at_ - start);
    if (std::from_chars(digits.data(), digits.data() + digits.size(), value).ec != std::errc{}) {
      Fail("expected a number");
    }
    return value;
  }

  std::string ReadText() {
    std::string text;
    Expect('"');
    while (!AtEnd() && Peek() != '"') {
      char c = text_[at_++];
      if (c == '\\' && !AtEnd()) {
        c = text_[at_++];
        if (c == 'x') {
          if (at_ + 2 > text_.size()) Fail("short \\x escape");
          c = static_cast<char>(std::stoi(std::string(text_.substr(at_, 2)), nullptr, 16));
          at_ += 2;
        }
      }
      text += c;
    }
    Expect('"');
    return text;
  }

  EquationNode& ReadNode() {
    EquationNode& node = pool_.CreateNode(ReadKind());
    while (!AtEnd() && (Peek() == '^' || Peek() == '/')) {
      const char which = text_[at_++];
      const double level = ReadNumber();
      if (which == '^') {
        node.SetLevels(node.FractionLevel(), level);
      } else {
        node.SetLevels(static_cast<std::int32_t>(level), node.ScriptLevel());
      }
    }
    if (!AtEnd() && Peek() == '"') node.SetText(ReadText());
    for (NodeRow* child : {&node.row1, &node.row2}) {
      if (AtEnd() || Peek() != '{') break;
      ++at_;
      ReadRow(*child, '}');
      Expect('}');
    }
    return node;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  NodePool& pool_;
};

}  // namespace

void TreeFromNotation(std::string_view notation, NodePool& pool, NodeRow& row) {
  NotationReader reader(notation, pool);
  reader.ReadRow(row, '\0');
  if (!reader.AtEnd()) reader.Expect('\0');
}

}  // namespace kv::test
