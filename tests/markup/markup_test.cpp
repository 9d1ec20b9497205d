#include "markup/markup.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "settings/equation_settings.h"

namespace kv {
namespace {

constexpr std::string_view kMathOpen =
    "<math xmlns=\"http://www.w3.org/1998/Math/MathML\" display=\"block\">";
constexpr std::string_view kMathClose = "</math>";

// What <math> holds.
std::string Inner(const std::string& mathml) {
  EXPECT_TRUE(mathml.starts_with(kMathOpen)) << mathml;
  EXPECT_TRUE(mathml.ends_with(kMathClose)) << mathml;
  return mathml.substr(kMathOpen.size(), mathml.size() - kMathOpen.size() - kMathClose.size());
}

struct MappingCase {
  const char* name;
  std::string text;  // Windows-1252
  std::string mathml;
  std::string latex;
  MarkupOptions options = {};
  std::function<void(EquationSettings&)> configure = nullptr;
};

// Every construct the reader builds, each written as MathML and LaTeX. The expected markup
// follows from how Kalvane draws the construct: what is raised, lowered, stacked, fenced or
// marked, and which characters its fonts show.
TEST(MarkupMapping, EveryConstructAsMathMLAndLatex) {
  const MarkupOptions kalvane{.style = MarkupStyle::kKalvane};
  const std::vector<MappingCase> cases = {
      // Scripts take the item before them as their base.
      {"power", "x^2+1", "<mrow><msup><mi>x</mi><mn>2</mn></msup><mo>+</mo><mn>1</mn></mrow>",
       "x^{2}+1"},
      {"subscript", "a\\1", "<msub><mi>a</mi><mn>1</mn></msub>", "a_{1}"},
      {"power of a bracket", "(a+b)^n",
       "<msup><mrow><mo fence=\"true\" form=\"prefix\" "
       "stretchy=\"true\">(</mo><mi>a</mi><mo>+</mo><mi>b</mi>"
       "<mo fence=\"true\" form=\"postfix\" stretchy=\"true\">)</mo></mrow><mi>n</mi></msup>",
       "\\left(a+b\\right)^{n}"},
      {"fraction", "(a+b)/2",
       "<mfrac><mrow><mi>a</mi><mo>+</mo><mi>b</mi></mrow><mn>2</mn></mfrac>", "\\frac{a+b}{2}"},
      // The space that ends the word sqrt is no part of the radicand.
      {"square root", "sqrt 2", "<msqrt><mn>2</mn></msqrt>", "\\sqrt{2}"},
      {"root", "3root(x+1)", "<mroot><mrow><mi>x</mi><mo>+</mo><mn>1</mn></mrow><mn>3</mn></mroot>",
       "\\sqrt[3]{x+1}"},
      // Brackets: every kind fences, double bars are one sign, limits after a bracket are its
      // scripts.
      {"brackets", "[x]+{y}+|z|",
       "<mrow><mrow><mo fence=\"true\" form=\"prefix\" stretchy=\"true\">[</mo><mi>x</mi><mo "
       "fence=\"true\" form=\"postfix\" stretchy=\"true\">]</mo></mrow><mo>+</mo><mrow><mo "
       "fence=\"true\" form=\"prefix\" stretchy=\"true\">{</mo>"
       "<mi>y</mi><mo fence=\"true\" form=\"postfix\" "
       "stretchy=\"true\">}</mo></mrow><mo>+</mo><mrow><mo fence=\"true\" form=\"prefix\" "
       "stretchy=\"true\">|</mo><mi>z</mi><mo fence=\"true\" form=\"postfix\" "
       "stretchy=\"true\">|</mo>"
       "</mrow></mrow>",
       "\\left[x\\right]+\\left\\{y\\right\\}+\\left|z\\right|"},
      {"double bars", "[|u|]",
       "<mrow><mo fence=\"true\" form=\"prefix\" stretchy=\"true\">\u2016</mo><mi>u</mi><mo "
       "fence=\"true\" form=\"postfix\" stretchy=\"true\">\u2016</mo></mrow>",
       "\\left\\|u\\right\\|"},
      {"bracket limits", "[x]^1,0",
       "<msubsup><mrow><mo fence=\"true\" form=\"prefix\" stretchy=\"true\">[</mo><mi>x</mi><mo "
       "fence=\"true\" form=\"postfix\" "
       "stretchy=\"true\">]</mo></mrow><mn>0</mn><mn>1</mn></msubsup>",
       "\\left[x\\right]_{0}^{1}"},
      // Big operators: integral limits at the side, sums and products under and over, lim a
      // word with its limit under it, applied like a function.
      {"integral", "int(0,1)x dx",
       "<mrow><msubsup><mo>\u222B</mo><mn>0</mn><mn>1</mn></msubsup><mi>x</mi>"
       "<mspace width=\"0.25em\"/><mi>d</mi><mi>x</mi></mrow>",
       "\\int_{0}^{1}x\\;dx"},
      {"integral limits above and below",
       "int(0,1)x",
       "<mrow><munderover><mo>\u222B</mo><mn>0</mn><mn>1</mn></munderover><mi>x</mi></mrow>",
       "\\int_{0}^{1}x",
       {},
       [](EquationSettings& s) { s.IntegralStyle.Set(1); }},
      {"sum", "sigma(i=1,n)i",
       "<mrow><munderover><mo>\u2211</mo><mrow><mi>i</mi><mo>=</mo><mn>1</mn></mrow><mi>n</mi>"
       "</munderover><mi>i</mi></mrow>",
       "\\sum\\limits_{i=1}^{n}i"},
      {"product", "product(i=1,n)i",
       "<mrow><munderover><mo>\u220F</mo><mrow><mi>i</mi><mo>=</mo><mn>1</mn></mrow><mi>n</mi>"
       "</munderover><mi>i</mi></mrow>",
       "\\prod\\limits_{i=1}^{n}i"},
      {"limit", "lim(x->0)x",
       "<mrow><munder><mi>lim</mi><mrow><mi>x</mi><mo>\u2192</mo><mn>0</mn></mrow></munder>"
       "<mo>&#x2061;</mo><mi>x</mi></mrow>",
       "\\lim\\limits_{x\\rightarrow0}x"},
      // A sign alone as a script stands with an empty row after it, so that no importer takes
      // it for an operator before what follows the script.
      {"limit from one side", "lim(x->0+)x",
       "<mrow><munder><mi>lim</mi><mrow><mi>x</mi><mo>\u2192</mo><msup><mn>0</mn><mrow><mo>+</mo>"
       "<mrow/></mrow></msup></mrow></munder><mo>&#x2061;</mo><mi>x</mi></mrow>",
       "\\lim\\limits_{x\\rightarrow0^{+}}x"},
      // A matrix is typed column by column; a table is written row by row.
      {"matrix", "(1,2 3,4)",
       "<mrow><mo fence=\"true\" form=\"prefix\" "
       "stretchy=\"true\">(</mo><mtable><mtr><mtd><mn>1</mn></mtd><mtd>"
       "<mn>3</mn></mtd></mtr><mtr><mtd><mn>2</mn></mtd><mtd><mn>4</mn></mtd></mtr></mtable>"
       "<mo fence=\"true\" form=\"postfix\" stretchy=\"true\">)</mo></mrow>",
       "\\left(\\begin{matrix}1 & 3 \\\\ 2 & 4\\end{matrix}\\right)"},
      {"column", "(a,b,c)",
       "<mrow><mo fence=\"true\" form=\"prefix\" "
       "stretchy=\"true\">(</mo><mtable><mtr><mtd><mi>a</mi></mtd></mtr>"
       "<mtr><mtd><mi>b</mi></mtd></mtr><mtr><mtd><mi>c</mi></mtd></mtr></mtable>"
       "<mo fence=\"true\" form=\"postfix\" stretchy=\"true\">)</mo></mrow>",
       "\\left(\\begin{matrix}a \\\\ b \\\\ c\\end{matrix}\\right)"},
      // Marks over a box, without the accent attribute.
      {"accents", "x_+y:+z::+w^^",
       "<mrow><mover><mi>x</mi><mo>\u00AF</mo></mover><mo>+</mo><mover><mi>y</mi><mo>\u02D9</mo>"
       "</mover><mo>+</mo><mover><mi>z</mi><mo>\u00A8</mo></mover><mo>+</mo><mover><mi>w</mi>"
       "<mo>\u02C6</mo></mover></mrow>",
       "\\overline{x}+\\dot{y}+\\ddot{z}+\\widehat{w}"},
      {"capitals vector", "AB", "<mover><mrow><mi>A</mi><mi>B</mi></mrow><mo>\u2192</mo></mover>",
       "\\overrightarrow{AB}"},
      {"capitals with a bar",
       "AB",
       "<mover><mrow><mi>A</mi><mi>B</mi></mrow><mo>\u00AF</mo></mover>",
       "\\overline{AB}",
       {},
       [](EquationSettings& s) { s.DoubleCaps.Set(2); }},
      // A bold vector stays bold in the plain style: the bold is its mark.
      {"letter vectors", "v=3i",
       "<mrow><mi mathvariant=\"bold\">v</mi><mo>=</mo><mn>3</mn><mi mathvariant=\"bold\">i</mi>"
       "</mrow>",
       "\\mathbf{v}=3\\mathbf{i}"},
      {"letter vectors with arrows",
       "v=3i",
       "<mrow><mover><mi>v</mi><mo>\u2192</mo></mover><mo>=</mo><mn>3</mn><mover><mi>i</mi>"
       "<mo>\u2192</mo></mover></mrow>",
       "\\overrightarrow{v}=3\\overrightarrow{i}",
       {},
       [](EquationSettings& s) { s.DisplayVect.Set(3); }},
      // Symbol-font characters are their Unicode characters, the Symbol "f" the straight phi.
      {"greek", "al+DE+ph+mu+OM",
       "<mrow><mi>\u03B1</mi><mo>+</mo><mi>\u0394</mi><mo>+</mo><mi>\u03D5</mi><mo>+</mo>"
       "<mi>\u03BC</mi><mo>+</mo><mi>\u03A9</mi></mrow>",
       "\\alpha+\\Delta+\\phi+\\mu+\\Omega"},
      {"relations", "x>=0<=>y!=1",
       "<mrow><mi>x</mi><mo>\u2265</mo><mn>0</mn><mo>\u21D4</mo><mi>y</mi><mo>\u2260</mo>"
       "<mn>1</mn></mrow>",
       "x\\geq0\\Leftrightarrow y\\neq1"},
      {"infinity is a letter-like sign", "x->inf",
       "<mrow><mi>x</mi><mo>\u2192</mo><mi>\u221E</mi></mrow>", "x\\rightarrow\\infty"},
      // Functions: the name, U+2061, the argument; the typed space is the consumer's to set.
      {"function", "sin x", "<mrow><mi>sin</mi><mo>&#x2061;</mo><mi>x</mi></mrow>", "\\sin x"},
      {"function with a power", "cos^2 x",
       "<mrow><msup><mi>cos</mi><mn>2</mn></msup><mo>&#x2061;</mo><mi>x</mi></mrow>", "\\cos^{2}x"},
      {"inverse function", "sin-1 x",
       "<mrow><msup><mi>sin</mi><mrow><mo>\u2212</mo><mn>1</mn></mrow></msup><mo>&#x2061;</mo>"
       "<mi>x</mi></mrow>",
       "\\sin^{-1}x"},
      // Units are upright, whatever the consumer does with single letters.
      {"units", "5cm+2L",
       "<mrow><mn>5</mn><mi>cm</mi><mo>+</mo><mn>2</mn><mi mathvariant=\"normal\">L</mi></mrow>",
       "5\\mathrm{cm}+2\\mathrm{L}"},
      {"quoted text", "\"a<b & 50%\"", "<mtext>a&lt;b &amp; 50%</mtext>",
       "\\text{a\\textless{}b \\& 50\\%}"},
      // Signs Kalvane draws in place of what was typed.
      {"multiplication and minus", "2*3-1",
       "<mrow><mn>2</mn><mo>\u00D7</mo><mn>3</mn><mo>\u2212</mo><mn>1</mn></mrow>", "2\\times3-1"},
      {"multiplication as a dot",
       "2*3",
       "<mrow><mn>2</mn><mo>\u22C5</mo><mn>3</mn></mrow>",
       "2\\cdot3",
       {},
       [](EquationSettings& s) { s.MultiplyStyle.Set(1); }},
      {"degrees and negative numbers", "30o=-5",
       "<mrow><mn>30</mn><mo>\u00B0</mo><mo>=</mo><mrow><mo>\u2212</mo><mn>5</mn></mrow></mrow>",
       "30{}^{\\circ}=-5"},
      {"prime", "f'(x)",
       "<mrow><mi>f</mi><mo>\u2032</mo><mrow><mo fence=\"true\" form=\"prefix\" "
       "stretchy=\"true\">(</mo><mi>x</mi>"
       "<mo fence=\"true\" form=\"postfix\" stretchy=\"true\">)</mo></mrow></mrow>",
       "f'\\left(x\\right)"},
      {"space", "a b", "<mrow><mi>a</mi><mspace width=\"0.25em\"/><mi>b</mi></mrow>", "a\\;b"},
      // Lines are a left-aligned table; an empty line between two is kept, empty last lines not.
      {"lines", "a=1\r\n\r\nb\r\n\r\n",
       "<mtable columnalign=\"left\"><mtr><mtd><mrow><mi>a</mi><mo>=</mo><mn>1</mn></mrow></mtd>"
       "</mtr><mtr><mtd><mrow/></mtd></mtr><mtr><mtd><mi>b</mi></mtd></mtr></mtable>",
       "\\begin{array}{l}a=1 \\\\  \\\\ b\\end{array}"},
      // Kalvane's style: each class of text as its settings set it.
      {"Kalvane style", "2x+al+sin y",
       "<mrow><mn>2</mn><mi>x</mi><mo>+</mo><mi mathvariant=\"normal\">\u03B1</mi><mo>+</mo><mrow>"
       "<mi>sin</mi><mo>&#x2061;</mo><mi>y</mi></mrow></mrow>",
       "2x+\\mathrm{\\alpha}+\\sin y", kalvane},
      {"Kalvane style, bold variables", "x+yz",
       "<mrow><mi mathvariant=\"bold-italic\">x</mi><mo>+</mo><mi mathvariant=\"bold-italic\">y"
       "</mi><mi mathvariant=\"bold-italic\">z</mi></mrow>",
       "\\boldsymbol{x}+\\boldsymbol{y}\\boldsymbol{z}", kalvane,
       [](EquationSettings& s) { s.VariablesBold.Set(true); }},
      {"Kalvane style, raised decimal point", "0.5", "<mn>0\u00B75</mn>", "0{\\cdot}5", kalvane,
       [](EquationSettings& s) { s.RaiseDecimal.Set(true); }},
      // Invisible times only when asked for, and only between operands.
      {"invisible times",
       "2x+ab",
       "<mrow><mn>2</mn><mo>&#x2062;</mo><mi>x</mi><mo>+</mo><mi>a</mi><mo>&#x2062;</mo><mi>b</mi>"
       "</mrow>",
       "2x+ab",
       {.invisibleTimes = true}},
      {"empty equation", "", "<mrow/>", ""},
  };
  for (const MappingCase& each : cases) {
    SCOPED_TRACE(each.name);
    EquationSettings settings;
    if (each.configure) each.configure(settings);
    EXPECT_EQ(Inner(EquationMathML(each.text, settings, each.options)), each.mathml);
    EXPECT_EQ(EquationLatex(each.text, settings, each.options), each.latex);
  }
}

// Markup is text for other programs: characters that mean something there are escaped, and
// none of what was typed is lost.
TEST(MarkupMapping, EscapesWhatTheLanguagesReserve) {
  const EquationSettings settings;
  EXPECT_EQ(Inner(EquationMathML("x<y&\"q\"", settings, {})),
            "<mrow><mi>x</mi><mo>&lt;</mo><mi>y</mi><mo>&amp;</mo><mtext>q</mtext></mrow>");
  EXPECT_EQ(EquationLatex("\"{$#_^~\\}\"", settings, {}),
            "\\text{\\{\\$\\#\\_\\textasciicircum{}\\textasciitilde{}\\textbackslash{}\\}}");
  // Characters TeX has no command for are given by their numbers; letters stay letters.
  EXPECT_EQ(EquationLatex("\"\x80\xE9\"", settings, {}), "\\text{{\\char\"20AC}\xC3\xA9}");
  // A control character, which XML does not allow, is the replacement character.
  EXPECT_EQ(Inner(EquationMathML("\"a\x01\"", settings, {})), "<mtext>a\uFFFD</mtext>");
}

// Nesting is bounded: an equation deeper than consumers take is refused with a reason, and the
// writer does not recurse without end.
TEST(MarkupMapping, RefusesEquationsNestedTooDeeply) {
  const EquationSettings settings;
  std::string deep(5000, '(');
  deep += 'x';
  deep.append(5000, ')');
  EXPECT_THROW(EquationMathML(deep, settings, {}), MarkupError);
  EXPECT_THROW(EquationLatex(deep, settings, {}), MarkupError);
  // A long column or matrix is wide, not deep.
  std::string column = "(";
  for (int i = 0; i < 3000; ++i)
    column += "1,";
  column += "1)";
  EXPECT_NO_THROW(EquationMathML(column, settings, {}));
}

}  // namespace
}  // namespace kv
