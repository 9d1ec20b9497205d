// The drawing surface the typesetter measures and draws on.
//
// Units: every coordinate and length is an integer in logical units of 0.01 mm, and y grows
// upward. A surface says how its logical units reach the device (`Mapping`), which matters only
// for pen widths.
//
// Fonts, pens and brushes are selected through the scopes at the end of this file: each scope
// selects on construction and puts back what was selected before (and the text colour, for
// fonts) on destruction, so nothing stays selected on any path, exceptions included.
//
// Backends implement font creation and the three drawing hooks; the state a caller sets (text
// colour, text alignment, background mode, selected font, pen and brush, current position) is
// kept here, alike for every backend.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "settings/option_values.h"
#include "typeset/text_metrics.h"

namespace kv {

// Text alignment flags: where the point given to TextOut lies on the text's box.
enum TextAlign : unsigned {
  kTaLeft = 0,       // the point is on the box's left edge
  kTaRight = 2,      // ... on its right edge
  kTaCenter = 6,     // ... halfway across
  kTaTop = 0,        // the point is on the box's top edge
  kTaBottom = 8,     // ... on its bottom edge
  kTaBaseline = 24,  // ... on the text's baseline
};
inline constexpr unsigned kTaHorizontalMask = 6;
inline constexpr unsigned kTaVerticalMask = 24;

// Logical units (0.01 mm) in an inch.
inline constexpr double kUnitsPerInch = 2540.0;

// Opaque text output first fills the text's box with white (kOpaqueTextBackground); transparent
// output draws the glyphs only.
enum class BackgroundMode { kOpaque, kTransparent };
inline constexpr ColorRef kOpaqueTextBackground = 0x00FFFFFF;

// How logical units reach the device, which decides how pen widths are converted.
enum class SurfaceMapping {
  kTrueSize,  // device-independent: a pen width is in logical units
  kMetafile,  // a recorded picture scaled when played: a pen width is in logical units
  kPixel,     // a pixel device: a pen width is in device pixels
};

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

// The box of a string in a font: its advance width and the font's height.
struct TextExtent {
  int width = 0;
  int height = 0;
  bool operator==(const TextExtent&) const = default;
};

// Where a string's box lies once the text alignment is applied: its bottom-left corner, its
// size, and the height of the baseline (bottom + descent).
struct TextBox {
  int left = 0;
  int bottom = 0;
  int width = 0;
  int height = 0;
  int baseline = 0;
  bool operator==(const TextBox&) const = default;
};

// The box of a string output at (x, y) under `align`, given its extent and the font's descent.
// Computed in 64 bits and clamped, so extreme coordinates do not overflow.
TextBox PlaceTextBox(unsigned align, int x, int y, TextExtent extent, int descent);

// A font realised by a surface from a description and a character height. Only the surface that
// made it may select it. A character height of 0 or less gives a font whose metrics and extents
// are all 0 and which draws nothing.
class SurfaceFont {
 public:
  virtual ~SurfaceFont() = default;
  SurfaceFont(const SurfaceFont&) = delete;
  SurfaceFont& operator=(const SurfaceFont&) = delete;

  // The description it was made from (face, weight, italic, underline, strike-out, charset).
  const KVLogFont& Description() const { return description_; }
  // The character height in logical units (the em height), 0 for a height asked of 0 or less.
  int CharacterHeight() const { return characterHeight_; }
  const TextMetrics& Metrics() const { return metrics_; }
  // Width of a Windows-1252 string: the sum of its characters' advances, no kerning.
  virtual int ExtentWidth(std::string_view text) const = 0;
  TextExtent Extent(std::string_view text) const { return {ExtentWidth(text), metrics_.height}; }
  // How high the ink of `text` reaches above its baseline, for a font that knows its glyphs'
  // outlines; nothing for one that does not (fixed metrics).
  virtual std::optional<int> InkTop(std::string_view /*text*/) const { return std::nullopt; }

 protected:
  SurfaceFont(const KVLogFont& description, int characterHeight, TextMetrics metrics);

 private:
  KVLogFont description_;
  int characterHeight_;
  TextMetrics metrics_;
};

class Surface {
 public:
  // The state of a new surface: no font (zero metrics; text draws nothing), black text, left-top
  // alignment, opaque background, a black solid pen 1 wide, a white solid brush, the current
  // position at (0, 0).
  Surface() = default;
  virtual ~Surface() = default;
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // --- Text -----------------------------------------------------------------------------------
  // Metrics of the selected font; all 0 when none is selected.
  TextMetrics GetTextMetrics() const;
  // Width and height of a Windows-1252 string in the selected font; 0 x 0 without a font.
  TextExtent GetTextExtent(std::string_view text) const;
  // The selected font's InkTop of `text`; nothing without a font.
  std::optional<int> GetTextInkTop(std::string_view text) const;
  // Set a colour 0x00BBGGRR; the previous one is returned.
  ColorRef SetTextColor(ColorRef colour);
  ColorRef TextColor() const { return textColour_; }
  // The TextAlign flags; SetTextAlign returns the previous flags.
  unsigned GetTextAlign() const { return textAlign_; }
  unsigned SetTextAlign(unsigned align);
  BackgroundMode GetBackgroundMode() const { return backgroundMode_; }
  BackgroundMode SetBackgroundMode(BackgroundMode mode);
  // Draws a Windows-1252 string in the selected font and the text colour; (x, y) is placed on
  // the string's box by the text alignment (see PlaceTextBox). Glyph i starts where the extent of
  // the first i characters ends.
  void TextOut(int x, int y, std::string_view text);

  // --- Lines and shapes -----------------------------------------------------------------------
  void MoveTo(Point to) { position_ = to; }
  Point CurrentPosition() const { return position_; }
  // A line with the selected pen from the current position to `to`, which becomes current.
  void LineTo(Point to);
  // A closed polygon filled with the selected brush (alternate filling) and outlined with the
  // selected pen. Fewer than two points draw nothing.
  void Polygon(std::span<const Point> points);
  const PenAttributes& SelectedPen() const { return pen_; }
  const BrushAttributes& SelectedBrush() const { return brush_; }
  const SurfaceFont* SelectedFont() const { return font_; }

  // --- Device ---------------------------------------------------------------------------------
  virtual SurfaceMapping Mapping() const = 0;
  // A horizontal length of `himetric` hundredths of a millimetre in device units (pixels,
  // points, or logical units for a surface without a device), rounded to nearest.
  virtual int HimetricToDevice(int himetric) const = 0;

 protected:
  // Makes a font for this surface. characterHeight may be 0 or less (see SurfaceFont).
  virtual std::unique_ptr<SurfaceFont> MakeFont(const KVLogFont& description,
                                                int characterHeight) = 0;
  // Draws `text` in `font` (made by MakeFont) with its box at `box`; the first glyph's origin
  // is (box.left, box.baseline). Called only with a font of positive height and a non-empty text.
  virtual void DrawText(const SurfaceFont& font, const TextBox& box, std::string_view text) = 0;
  virtual void DrawLine(Point from, Point to) = 0;
  virtual void DrawPolygon(std::span<const Point> points) = 0;

 private:
  friend class FontScope;
  friend class PenScope;
  friend class BrushScope;

  const SurfaceFont* SelectFont(const SurfaceFont* font);
  PenAttributes SelectPen(const PenAttributes& pen);
  BrushAttributes SelectBrush(const BrushAttributes& brush);

  const SurfaceFont* font_ = nullptr;
  ColorRef textColour_ = 0;
  unsigned textAlign_ = kTaLeft | kTaTop;
  BackgroundMode backgroundMode_ = BackgroundMode::kOpaque;
  PenAttributes pen_{kPsSolid, 1, 0};
  BrushAttributes brush_{kBsSolid, 0x00FFFFFF, 0};
  Point position_;
};

// ---------------------------------------------------------------------------------------------
// Scoped selection

// Makes a font from `description` at `characterHeight`, selects it and sets the text colour to
// the description's colour. On destruction the previous font and text colour come back and the
// font is freed.
class FontScope {
 public:
  FontScope(Surface& surface, const KVLogFont& description, int characterHeight);
  ~FontScope();
  FontScope(const FontScope&) = delete;
  FontScope& operator=(const FontScope&) = delete;

  const SurfaceFont& Font() const { return *font_; }
  const TextMetrics& Metrics() const { return font_->Metrics(); }
  // The character height in use (0 when 0 or less was asked).
  int CharacterHeight() const { return font_->CharacterHeight(); }

 private:
  Surface& surface_;
  std::unique_ptr<SurfaceFont> font_;
  const SurfaceFont* previousFont_;
  ColorRef previousColour_;
};

// Selects a pen (style and colour, a width in the units Surface::Mapping gives) and puts the
// previous one back on destruction.
class PenScope {
 public:
  PenScope(Surface& surface, const PenAttributes& pen);
  ~PenScope();
  PenScope(const PenScope&) = delete;
  PenScope& operator=(const PenScope&) = delete;

 private:
  Surface& surface_;
  PenAttributes previous_;
};

// Selects a brush and puts the previous one back on destruction.
class BrushScope {
 public:
  BrushScope(Surface& surface, const BrushAttributes& brush);
  ~BrushScope();
  BrushScope(const BrushScope&) = delete;
  BrushScope& operator=(const BrushScope&) = delete;

 private:
  Surface& surface_;
  BrushAttributes previous_;
};

}  // namespace kv
