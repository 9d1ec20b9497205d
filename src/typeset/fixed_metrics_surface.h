// A surface with deterministic metrics that draws nothing: it records what it was asked to draw,
// so tests of layout and drawing can work their figures out by hand and assert on them, and
// fuzzers can drive the typesetter without fonts.
//
// For a font of character height S (integer division): descent S / 5, ascent S - S / 5,
// height S, average width S / 2; a string of n bytes is n * (S / 2) wide and S high. Every face,
// weight and style measures alike; a height of 0 or less measures 0.
#pragma once

#include <string>
#include <vector>

#include "typeset/surface.h"

namespace kv {

// One TextOut: the string, its box after alignment, and the font and colour it was drawn in.
struct RecordedText {
  std::string text;
  TextBox box;
  unsigned align = 0;  // the alignment it was output under
  bool transparent = false;
  std::string face;
  int weight = 0;
  bool italic = false;
  int fontHeight = 0;  // character height
  ColorRef colour = 0;
};

struct RecordedLine {
  Point from;
  Point to;
  PenAttributes pen;
};

struct RecordedPolygon {
  std::vector<Point> points;
  PenAttributes pen;
  BrushAttributes brush;
};

class FixedMetricsSurface final : public Surface {
 public:
  // A recording surface; with `record` false it keeps nothing (for fuzzing).
  explicit FixedMetricsSurface(bool record = true) : record_(record) {}

  // The metrics of a font of character height S.
  static TextMetrics MetricsFor(int characterHeight);
  // The width of `text` in a font of these (fixed) metrics.
  static int TextWidth(std::string_view text, const TextMetrics& metrics);

  const std::vector<RecordedText>& Texts() const { return texts_; }
  const std::vector<RecordedLine>& Lines() const { return lines_; }
  const std::vector<RecordedPolygon>& Polygons() const { return polygons_; }
  void ClearRecords();

  SurfaceMapping Mapping() const override { return SurfaceMapping::kTrueSize; }
  int HimetricToDevice(int himetric) const override { return himetric; }

 protected:
  std::unique_ptr<SurfaceFont> MakeFont(const KVLogFont& description, int characterHeight) override;
  void DrawText(const SurfaceFont& font, const TextBox& box, std::string_view text) override;
  void DrawLine(Point from, Point to) override;
  void DrawPolygon(std::span<const Point> points) override;

 private:
  bool record_;
  std::vector<RecordedText> texts_;
  std::vector<RecordedLine> lines_;
  std::vector<RecordedPolygon> polygons_;
};

}  // namespace kv
