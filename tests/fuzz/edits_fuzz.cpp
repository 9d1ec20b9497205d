// Types into an equation as a person does: the bytes are a sequence of edits (typing, deleting,
// pasting at any place, line breaks, changes of settings), applied to one line and to one
// document through their own entry points and measured after every edit. Both keep what an edit
// left unchanged and read again what it changed; after every edit each must read and measure
// exactly as a line or a document made afresh from the same text and settings, so the kept and
// the rebuilt paths meet every order of edits.
#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "document/document.h"
#include "reader/equation_line.h"
#include "reader/tree_notation.h"
#include "settings/equation_settings.h"
#include "typeset/draw.h"
#include "typeset/fixed_metrics_surface.h"
#include "typeset/line_layout.h"
#include "typeset/measure.h"

namespace {

// Bounds that keep one input fast: a paste grows the text by at most kLongestPaste bytes, and
// edits that would make it longer than kLongestText are skipped.
constexpr std::size_t kLongestText = 512;
constexpr std::size_t kLongestPaste = 128;
constexpr int kMostEdits = 32;

// What a person pastes: pieces of real equations, a line break, text the reader must pair up.
constexpr std::array<std::string_view, 16> kPieces = {
    "x^2+1",   "(a+b)/2", "sqrt(b2-4ac)", "int(0,1)",    "sigma(i=1,n)", "(1,2 3,4)",
    "\r\n",    "\"text",  "|x|",          "sin-1 theta", "a_i^2",        "lim(x->0)",
    "[[1 2]]", "AB->",    "1/2/3",        "((("};

void Check(bool condition) {
  if (!condition) std::abort();
}

// Reads the bytes of one edit, giving zeros once they run out.
class EditReader {
 public:
  EditReader(const std::uint8_t* data, std::size_t size) : rest_(data, size) {}
  bool AtEnd() const { return rest_.empty(); }
  std::uint8_t Byte() {
    if (rest_.empty()) return 0;
    const std::uint8_t byte = rest_.front();
    rest_ = rest_.subspan(1);
    return byte;
  }
  // A place in a text of `length` bytes, its end included.
  std::size_t Position(std::size_t length) {
    const std::size_t high = Byte();
    return ((high << 8) | Byte()) % (length + 1);
  }
  std::string_view Text(std::size_t length) {
    length = std::min(length, rest_.size());
    const std::string_view text(reinterpret_cast<const char*>(rest_.data()), length);
    rest_ = rest_.subspan(length);
    return text;
  }

 private:
  std::span<const std::uint8_t> rest_;
};

// A change a person makes on the options sheet: one setting of the many that decide how a line
// reads or measures, to a value that may be out of its range.
void ChangeSetting(kv::EquationSettings& settings, std::uint8_t which, std::uint8_t value) {
  const int signedValue = static_cast<int>(value) - 128;
  switch (which % 20) {
    case 0:
      settings.Font.Current().size = value == 255 ? INT_MAX : signedValue * 40;
      break;
    case 1:
      settings.IntegralStyle.Set(value % 3);
      break;
    case 2:
      settings.TabWidth.Set(value % 4);
      break;
    case 3:
      settings.FracLevelRatio.Set(value / 64.0);
      break;
    case 4:
      settings.PowerLevelRatio.Set(value / 64.0);
      break;
    case 5:
      settings.MatrixAlign.Set(value % 4);
      break;
    case 6:
      settings.DisplayVect.Set(value % 5);
      break;
    case 7:
      settings.NegativeNumberStyle.Set(value % 4);
      break;
    case 8:
      settings.RaiseDecimal.Set(value & 1);
      break;
    case 9:
      settings.DetectColumnVectors.Set(value & 1);
      break;
    case 10:
      settings.UseAutomaticVectors.Set(value & 1);
      break;
    case 11:
      settings.UseIndicatedVectors.Set(value & 1);
      break;
    case 12:
      settings.LowerCase.Set(value % 3);
      break;
    case 13:
      settings.MultiplyStyle.Set(value % 4);
      break;
    case 14:
      settings.ExpandSubtract.Set(value & 1);
      break;
    case 15:
      settings.FracLevelMax.Set(signedValue);
      break;
    case 16:
      settings.PowerLevelMax.Set(signedValue);
      break;
    case 17:
      settings.VerticalSpacing.Set(signedValue * 20);
      break;
    case 18:
      settings.DecimalPoint.Set(value & 1 ? "," : ".");
      break;
    default:
      settings.MatrixHorizontalSpacing.Set(value * 40);
      settings.MatrixVerticalSpacing.Set(value * 40);
      break;
  }
}

// Applies one edit to `text` or `settings`; true when it changed the settings.
bool ApplyEdit(EditReader& in, std::string& text, kv::EquationSettings& settings) {
  const std::uint8_t kind = in.Byte();
  switch (kind % 6) {
    case 0: {  // typing a few characters
      const std::size_t at = in.Position(text.size());
      const std::string_view typed = in.Text(in.Byte() % 8);
      if (text.size() + typed.size() <= kLongestText) text.insert(at, typed);
      return false;
    }
    case 1: {  // deleting a selection
      const std::size_t at = in.Position(text.size());
      text.erase(at, in.Byte());
      return false;
    }
    case 2: {  // pasting a piece, many times over
      const std::size_t at = in.Position(text.size());
      const std::string_view piece = kPieces[in.Byte() % kPieces.size()];
      const std::size_t times = 1 + in.Byte() % (kLongestPaste / piece.size());
      if (text.size() + piece.size() * times > kLongestText) return false;
      std::string pasted;
      for (std::size_t i = 0; i < times; ++i)
        pasted += piece;
      text.insert(at, pasted);
      return false;
    }
    case 3: {  // a line break
      const std::size_t at = in.Position(text.size());
      if (text.size() + 2 <= kLongestText) text.insert(at, "\r\n");
      return false;
    }
    case 4:  // selecting everything and typing over it
      text.assign(in.Text(in.Byte() % 32));
      return false;
    default: {
      const std::uint8_t which = in.Byte();
      ChangeSetting(settings, which, in.Byte());
      return true;
    }
  }
}

// The kept line after the edit reads and measures as a new line of the same text.
void CheckLine(kv::EquationLine& line, kv::LineLayout& layout, kv::FixedMetricsSurface& surface,
               kv::EquationSettings& settings, const std::string& text) {
  line.Parse(text, settings);
  const kv::NodeBox kept = kv::GetExtent(line, layout, surface, settings);
  Check(kept.width >= 0 && kept.height >= 0);
  kv::EquationLine fresh;
  kv::LineLayout freshLayout;
  fresh.Parse(text, settings);
  Check(kv::TreeNotation(line.TopRow()) == kv::TreeNotation(fresh.TopRow()));
  Check(kv::GetExtent(fresh, freshLayout, surface, settings) == kept);
}

// The kept document after the edit measures as a new document of the same text and settings,
// line by line.
void CheckDocument(kv::KLV300Doc& document, kv::DocumentHost& host,
                   kv::FixedMetricsSurface& surface) {
  const kv::NodeBox kept = document.GetDocumentExtent(surface);
  kv::KLV300Doc fresh(host);
  fresh.Settings() = document.Settings();
  fresh.SetEquationText(document.GetEquationText());
  Check(fresh.GetDocumentExtent(surface) == kept);
  Check(fresh.EquationList().LineOffsets() == document.EquationList().LineOffsets());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kv::HeadlessHost host;
  kv::FixedMetricsSurface surface(false);
  kv::KLV300Doc document(host);
  document.OnNewDocument();
  kv::EquationSettings lineSettings = document.Settings();
  kv::EquationLine line;
  kv::LineLayout layout;

  EditReader in(data, size);
  std::string text;
  for (int edit = 0; edit < kMostEdits && !in.AtEnd(); ++edit) {
    kv::EquationSettings changed = lineSettings;
    if (ApplyEdit(in, text, changed)) {
      // As the options sheet's OK does: the new settings, and every line read again.
      lineSettings = changed;
      line.MarkForRebuild();
      document.Settings() = changed;
      document.SettingsChanged();
    } else {
      document.SetEquationText(text);
    }
    CheckLine(line, layout, surface, lineSettings, text);
    CheckDocument(document, host, surface);
  }
  document.DrawDocument(surface, 0, 0);
  kv::DrawEquation(line, layout, surface, 0, 0, lineSettings);
  return 0;
}
