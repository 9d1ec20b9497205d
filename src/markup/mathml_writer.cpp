// Presentation MathML from the markup tree: one <math> element on one line. Visible brackets are
// stretchy fences; marks over and under are <mover>/<munder> without the accent attribute (some
// importers drop marks written with it, and renderers draw both alike).
#include <string>

#include "markup/markup_tree.h"

namespace kv::markup {
namespace {

constexpr std::string_view kMathOpen =
    "<math xmlns=\"http://www.w3.org/1998/Math/MathML\" display=\"block\">";

void AppendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
}

// The mathvariant attribute for a leaf, where its style differs from MathML's default: a single
// letter of an identifier is italic, everything else upright.
std::string_view VariantAttribute(const Item& leaf) {
  const bool italicByDefault = leaf.kind == ItemKind::kIdentifier && IsSingleCharacter(leaf.text);
  switch (leaf.variant) {
    case Variant::kDefault:
      return {};
    case Variant::kNormal:
      return italicByDefault ? " mathvariant=\"normal\"" : "";
    case Variant::kItalic:
      return italicByDefault ? "" : " mathvariant=\"italic\"";
    case Variant::kBold:
      return " mathvariant=\"bold\"";
    case Variant::kBoldItalic:
      return " mathvariant=\"bold-italic\"";
  }
  return {};
}

std::string_view MarkCharacter(Mark mark) {
  switch (mark) {
    case Mark::kBar:
      return "\u00AF";
    case Mark::kDot:
      return "\u02D9";
    case Mark::kDoubleDot:
      return "\u00A8";
    case Mark::kHat:
      return "\u02C6";
    case Mark::kArrowRight:
      return "\u2192";
    case Mark::kArrowLeft:
      return "\u2190";
    case Mark::kArrowBoth:
      return "\u2194";
    case Mark::kTilde:
      return "\u02DC";
    case Mark::kLine:
      return "_";
  }
  return {};
}

class MathMLWriter {
 public:
  std::string Write(const Item& equation) {
    out_ = kMathOpen;
    // One element under <math>: LibreOffice Math sets each child of <math> on a line of its own.
    Argument(equation);
    out_ += "</math>";
    return std::move(out_);
  }

 private:
  void Leaf(std::string_view element, const Item& leaf) {
    out_ += '<';
    out_ += element;
    out_ += VariantAttribute(leaf);
    out_ += '>';
    AppendEscaped(out_, leaf.text);
    out_ += "</";
    out_ += element;
    out_ += '>';
  }

  void Open(std::string_view element) {
    out_ += '<';
    out_ += element;
    out_ += '>';
  }
  void Close(std::string_view element) {
    out_ += "</";
    out_ += element;
    out_ += '>';
  }

  // An item where MathML takes exactly one element: a row of one item is that item.
  void Argument(const Item& item) {
    if (item.kind == ItemKind::kRow && item.children.size() == 1) {
      Argument(item.children.front());
      return;
    }
    if (item.kind == ItemKind::kRow && item.children.empty()) {
      out_ += "<mrow/>";
      return;
    }
    if (item.kind == ItemKind::kRow) {
      Open("mrow");
      Children(item);
      Close("mrow");
      return;
    }
    Content(item);
  }

  void Children(const Item& item) {
    for (const Item& child : item.children)
      Argument(child);
  }

  // The element, with the children in its order.
  void Construct(std::string_view element, const Item& item) {
    Open(element);
    Children(item);
    Close(element);
  }

  // A base and its scripts. A script that is one sign alone (the + of a limit from the right,
  // 0^+) is followed by an empty row in its own row: LibreOffice Math reads a lone sign as an
  // operator waiting for what comes after the script; renderers draw the sign alike.
  void Scripted(std::string_view element, const Item& item) {
    Open(element);
    Argument(item.children.front());
    for (std::size_t i = 1; i < item.children.size(); ++i) {
      const Item* script = &item.children[i];
      while (script->kind == ItemKind::kRow && script->children.size() == 1)
        script = &script->children.front();
      if (script->kind != ItemKind::kOperator) {
        Argument(*script);
        continue;
      }
      Open("mrow");
      Content(*script);
      out_ += "<mrow/>";
      Close("mrow");
    }
    Close(element);
  }

  // The form tells an opening bar from a closing one, which LibreOffice Math needs to pair them.
  void FenceSign(std::string_view sign, std::string_view form) {
    if (sign.empty()) return;
    out_ += "<mo fence=\"true\" form=\"";
    out_ += form;
    out_ += "\" stretchy=\"true\">";
    AppendEscaped(out_, sign);
    out_ += "</mo>";
  }

  void Fence(const Item& fence) {
    Open("mrow");
    FenceSign(fence.text, "prefix");
    Children(fence);
    FenceSign(fence.close, "postfix");
    Close("mrow");
  }

  void Marked(std::string_view element, const Item& item) {
    Open(element);
    Argument(item.children.front());
    out_ += "<mo>";
    out_ += MarkCharacter(item.mark);
    out_ += "</mo>";
    Close(element);
  }

  // A matrix's cells; the lines of an equation, left-aligned as Kalvane sets them.
  void Table(const Item& table) {
    out_ += table.lines ? "<mtable columnalign=\"left\">" : "<mtable>";
    for (const Item& row : table.children) {
      Open("mtr");
      for (const Item& cell : row.children) {
        Open("mtd");
        Argument(cell);
        Close("mtd");
      }
      Close("mtr");
    }
    Close("mtable");
  }

  void Content(const Item& item) {
    switch (item.kind) {
      case ItemKind::kIdentifier:
        return Leaf("mi", item);
      case ItemKind::kNumber:
        return Leaf("mn", item);
      case ItemKind::kOperator:
        return Leaf("mo", item);
      case ItemKind::kText:
        return Leaf("mtext", item);
      case ItemKind::kSpace:
        out_ += "<mspace width=\"" + std::to_string(item.quarterEms / 4) + "." +
                std::to_string(item.quarterEms % 4 * 25) + "em\"/>";
        return;
      case ItemKind::kFunctionApplication:
        out_ += "<mo>&#x2061;</mo>";
        return;
      case ItemKind::kInvisibleTimes:
        out_ += "<mo>&#x2062;</mo>";
        return;
      case ItemKind::kRow:
        return Construct("mrow", item);
      case ItemKind::kFence:
        return Fence(item);
      case ItemKind::kFraction:
        return Construct("mfrac", item);
      case ItemKind::kSquareRoot:
        return Construct("msqrt", item);
      case ItemKind::kRoot:
        return Construct("mroot", item);
      case ItemKind::kSuperscript:
        return Scripted("msup", item);
      case ItemKind::kSubscript:
        return Scripted("msub", item);
      case ItemKind::kSubSuperscript:
        return Scripted("msubsup", item);
      case ItemKind::kUnderOver:
        return Scripted("munderover", item);
      case ItemKind::kUnder:
        if (item.children.size() == 1) return Marked("munder", item);
        return Scripted("munder", item);
      case ItemKind::kOver:
        if (item.children.size() == 1) return Marked("mover", item);
        return Scripted("mover", item);
      case ItemKind::kTable:
        return Table(item);
    }
  }

  std::string out_;
};

}  // namespace

std::string WriteMathML(const Item& equation) {
  return MathMLWriter().Write(equation);
}

}  // namespace kv::markup
