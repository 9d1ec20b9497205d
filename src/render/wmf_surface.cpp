#include "render/wmf_surface.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "render/glyph_outline.h"
#include "render/hatch_lines.h"

namespace kv {
namespace {

// Record functions.
constexpr std::uint16_t kMetaEof = 0x0000;
constexpr std::uint16_t kMetaSetBkMode = 0x0102;
constexpr std::uint16_t kMetaSetMapMode = 0x0103;
constexpr std::uint16_t kMetaSetPolyFillMode = 0x0106;
constexpr std::uint16_t kMetaSetWindowOrg = 0x020B;
constexpr std::uint16_t kMetaSetWindowExt = 0x020C;
constexpr std::uint16_t kMetaLineTo = 0x0213;
constexpr std::uint16_t kMetaMoveTo = 0x0214;
constexpr std::uint16_t kMetaPolygon = 0x0324;
constexpr std::uint16_t kMetaPolyline = 0x0325;
constexpr std::uint16_t kMetaPolyPolygon = 0x0538;
constexpr std::uint16_t kMetaSelectObject = 0x012D;
constexpr std::uint16_t kMetaDeleteObject = 0x01F0;
constexpr std::uint16_t kMetaCreatePenIndirect = 0x02FA;
constexpr std::uint16_t kMetaCreateBrushIndirect = 0x02FC;

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::uint16_t kMemoryMetafile = 1;
constexpr std::uint16_t kHeaderWords = 9;
constexpr std::uint16_t kVersion = 0x0300;
constexpr std::uint16_t kAnisotropic = 8;
constexpr std::uint16_t kOpaque = 2;
constexpr std::uint16_t kAlternate = 1;
constexpr std::uint16_t kWinding = 2;

// Pen styles as the records take them; a pen of CREATEPENINDIRECT has round caps and joins
// unless its style says otherwise.
constexpr std::uint16_t kPenSolid = 0;
constexpr std::uint16_t kPenNull = 5;
constexpr std::uint16_t kPenFlatCaps = 0x0200;
constexpr std::uint16_t kBrushSolid = 0;

// The most points one polygon record can hold (its count is a signed 16-bit number).
constexpr std::size_t kMostPoints = 0x7FFF;
// A curve is cut into at most this many segments, however large.
constexpr double kMostCurveSegments = 128;
// A dashed path longer than this many repeats of its pattern is dashed coarser, so an absurdly
// long line never costs unbounded work (as with hatches).
constexpr double kMostDashPatterns = 4096;

std::int16_t ClampCoordinate(double value) {
  if (!(value > std::numeric_limits<std::int16_t>::min()))  // not-a-number included
    return std::numeric_limits<std::int16_t>::min();
  if (value > std::numeric_limits<std::int16_t>::max())
    return std::numeric_limits<std::int16_t>::max();
  return static_cast<std::int16_t>(std::lround(value));
}

std::uint32_t RecordColour(ColorRef colour) {
  return static_cast<std::uint32_t>(colour) & 0x00FFFFFF;
}

// The segments a curve is cut into so that the chords stray at most `flatness` from it, given
// the largest second difference of its control points (in the same units). The chords of a
// curve cut into n equal steps of its parameter stray at most |B''| / (8 n^2); |B''| is at most
// 2 d for a quadratic and 6 d for a cubic curve, d the largest second difference.
int CurveSegments(double secondDifference, double derivativeFactor, double flatness) {
  const double segments =
      std::ceil(std::sqrt(secondDifference * derivativeFactor / (8 * flatness)));
  return static_cast<int>(std::clamp(segments, 1.0, kMostCurveSegments));
}

double Length(double x, double y) {
  return std::sqrt(x * x + y * y);
}

// Flattens a glyph's contours into logical units from the glyph's origin.
class FlatteningSink final : public OutlineSink {
 public:
  FlatteningSink(double scale, double flatness, std::vector<double>& xy,
                 std::vector<std::size_t>& contourSizes)
      : scale_(scale), flatness_(flatness), xy_(xy), contourSizes_(contourSizes) {}

  void MoveTo(OutlinePoint to) override {
    contourStart_ = xy_.size();
    Add(static_cast<double>(to.x), static_cast<double>(to.y));
    current_ = to;
  }
  void LineTo(OutlinePoint to) override {
    Add(static_cast<double>(to.x), static_cast<double>(to.y));
    current_ = to;
  }
  void QuadraticTo(OutlinePoint c, OutlinePoint to) override {
    const OutlinePoint p = current_;
    const double d = Length(p.x - 2.0 * c.x + to.x, p.y - 2.0 * c.y + to.y) * scale_;
    const int n = CurveSegments(d, 2, flatness_);
    for (int i = 1; i <= n; ++i) {
      const double t = static_cast<double>(i) / n;
      const double u = 1 - t;
      Add(u * u * p.x + 2 * u * t * c.x + t * t * to.x,
          u * u * p.y + 2 * u * t * c.y + t * t * to.y);
    }
    current_ = to;
  }
  void CubicTo(OutlinePoint c1, OutlinePoint c2, OutlinePoint to) override {
    const OutlinePoint p = current_;
    const double d = std::max(Length(p.x - 2.0 * c1.x + c2.x, p.y - 2.0 * c1.y + c2.y),
                              Length(c1.x - 2.0 * c2.x + to.x, c1.y - 2.0 * c2.y + to.y)) *
                     scale_;
    const int n = CurveSegments(d, 6, flatness_);
    for (int i = 1; i <= n; ++i) {
      const double t = static_cast<double>(i) / n;
      const double u = 1 - t;
      const double a = u * u * u, b = 3 * u * u * t, e = 3 * u * t * t, f = t * t * t;
      Add(a * p.x + b * c1.x + e * c2.x + f * to.x, a * p.y + b * c1.y + e * c2.y + f * to.y);
    }
    current_ = to;
  }
  void Close() override {
    // The contour returns to its start; the polygon closes itself.
    std::size_t end = xy_.size();
    if (end - contourStart_ >= 4 && xy_[end - 2] == xy_[contourStart_] &&
        xy_[end - 1] == xy_[contourStart_ + 1]) {
      end -= 2;
      xy_.resize(end);
    }
    const std::size_t points = (end - contourStart_) / 2;
    if (points >= 3) {
      contourSizes_.push_back(points);
    } else {
      xy_.resize(contourStart_);
    }
  }

 private:
  void Add(double x, double y) {
    xy_.push_back(x * scale_);
    xy_.push_back(y * scale_);
  }

  double scale_;
  double flatness_;
  std::vector<double>& xy_;
  std::vector<std::size_t>& contourSizes_;
  std::size_t contourStart_ = 0;
  OutlinePoint current_;
};

}  // namespace

WmfSurface::WmfSurface(FontCatalog& catalog, const PictureFrame& frame,
                       const PictureOptions& options)
    : FontMetricsSurface(catalog, options.metrics), frame_(frame) {
  frame_.width = std::max(frame.width, 1);
  frame_.height = std::max(frame.height, 1);
  const auto fits = [this](int divisor) {
    return (static_cast<std::int64_t>(frame_.width) + divisor - 1) / divisor <=
               kLargestCoordinate &&
           (static_cast<std::int64_t>(frame_.height) + divisor - 1) / divisor <= kLargestCoordinate;
  };
  const int* divisor = std::find_if(std::begin(kUnitDivisors), std::end(kUnitDivisors), fits);
  if (divisor == std::end(kUnitDivisors)) {
    const int largest = kLargestCoordinate * kUnitDivisors[std::size(kUnitDivisors) - 1];
    throw PictureError("the picture is too large for a Windows metafile, which holds at most " +
                       std::to_string(largest / 100) + " mm a side");
  }
  divisor_ = *divisor;
  deviceWidth_ = (frame_.width + divisor_ - 1) / divisor_;
  deviceHeight_ = (frame_.height + divisor_ - 1) / divisor_;

  // The window is the picture's box; the anisotropic mode lets readers scale it to the bounding
  // box of the placeable header.
  AppendOneWordRecord(kMetaSetMapMode, kAnisotropic);
  std::size_t start = BeginRecord(kMetaSetWindowOrg);
  AppendWord(0);  // y, then x
  AppendWord(0);
  EndRecord(start);
  start = BeginRecord(kMetaSetWindowExt);
  AppendWord(static_cast<std::uint16_t>(deviceHeight_));
  AppendWord(static_cast<std::uint16_t>(deviceWidth_));
  EndRecord(start);
  // The background mode governs only text records, hatch brushes and styled pens, none of which
  // are written here; opaque, as libwmf draws every fill half transparent under the other mode.
  AppendOneWordRecord(kMetaSetBkMode, kOpaque);

  if (options.background)
    FillRectangle(frame_.left, static_cast<double>(frame_.top) - frame_.height, frame_.width,
                  frame_.height, *options.background);
}

WmfSurface::~WmfSurface() = default;

int WmfSurface::HimetricToDevice(int himetric) const {
  return static_cast<int>(std::lround(static_cast<double>(himetric) / divisor_));
}

const std::string& WmfSurface::Encode() {
  if (finished_) return encoded_;
  finished_ = true;
  for (const LiveObject& object : live_)
    AppendOneWordRecord(kMetaDeleteObject, static_cast<std::uint16_t>(object.index));
  live_.clear();
  const std::size_t end = BeginRecord(kMetaEof);
  EndRecord(end);

  // The placeable header: the bounding box in the picture's units and how many make an inch,
  // checked by the XOR of its ten words.
  std::string header;
  const auto word = [&header](std::uint16_t value) {
    header += static_cast<char>(value & 0xFF);
    header += static_cast<char>(value >> 8);
  };
  const std::uint16_t placeable[10] = {static_cast<std::uint16_t>(kPlaceableKey & 0xFFFF),
                                       static_cast<std::uint16_t>(kPlaceableKey >> 16),
                                       0,
                                       0,
                                       0,
                                       static_cast<std::uint16_t>(deviceWidth_),
                                       static_cast<std::uint16_t>(deviceHeight_),
                                       static_cast<std::uint16_t>(kUnitsPerInch / divisor_),
                                       0,
                                       0};
  std::uint16_t checksum = 0;
  for (std::uint16_t value : placeable) {
    word(value);
    checksum ^= value;
  }
  word(checksum);
  // The metafile header: the size of the metafile (this header and the records) and of its
  // largest record, in words, and the size of the object table.
  const std::uint32_t words = static_cast<std::uint32_t>((kHeaderWords * 2 + body_.size()) / 2);
  for (std::uint16_t value :
       {kMemoryMetafile, kHeaderWords, kVersion, static_cast<std::uint16_t>(words & 0xFFFF),
        static_cast<std::uint16_t>(words >> 16), static_cast<std::uint16_t>(slots_.size()),
        static_cast<std::uint16_t>(largestRecord_ & 0xFFFF),
        static_cast<std::uint16_t>(largestRecord_ >> 16), std::uint16_t{0}})
    word(value);

  encoded_.reserve(header.size() + body_.size());
  encoded_ = header;
  encoded_ += body_;
  std::string().swap(body_);
  glyphs_.clear();
  return encoded_;
}

// ---------------------------------------------------------------------------------------------
// Records

WmfSurface::DevicePoint WmfSurface::ToDevice(double x, double y) const {
  return {ClampCoordinate((x - frame_.left) / divisor_),
          ClampCoordinate((static_cast<double>(frame_.top) - y) / divisor_)};
}

std::int16_t WmfSurface::DeviceWidth(int width) const {
  const double units = std::max(width, kThinnestLine) / static_cast<double>(divisor_);
  return std::max<std::int16_t>(1, ClampCoordinate(units));
}

void WmfSurface::AppendWord(std::uint16_t word) {
  body_ += static_cast<char>(word & 0xFF);
  body_ += static_cast<char>(word >> 8);
}

// A point as the records of points have it: x then y. (The records of one position, MOVETO,
// LINETO and the window's, have y first and write their coordinates themselves.)
void WmfSurface::AppendPoint(DevicePoint point) {
  AppendWord(static_cast<std::uint16_t>(point.x));
  AppendWord(static_cast<std::uint16_t>(point.y));
}

std::size_t WmfSurface::BeginRecord(std::uint16_t function) {
  const std::size_t start = body_.size();
  body_.append(4, '\0');  // the size, known at the end
  AppendWord(function);
  return start;
}

void WmfSurface::EndRecord(std::size_t start) {
  const auto words = static_cast<std::uint32_t>((body_.size() - start) / 2);
  for (int i = 0; i < 4; ++i)
    body_[start + i] = static_cast<char>((words >> (8 * i)) & 0xFF);
  largestRecord_ = std::max(largestRecord_, words);
}

void WmfSurface::AppendOneWordRecord(std::uint16_t function, std::uint16_t value) {
  const std::size_t start = BeginRecord(function);
  AppendWord(value);
  EndRecord(start);
}

// Selects a pen or brush, making it first when it is not in the table. A new object takes the
// lowest free index, as readers fill the table.
void WmfSurface::Select(const ObjectKey& key) {
  std::optional<ObjectKey>& selected = key.pen ? selectedPen_ : selectedBrush_;
  if (selected == key) return;
  ++uses_;
  auto object = std::find_if(live_.begin(), live_.end(),
                             [&key](const LiveObject& live) { return live.key == key; });
  if (object == live_.end()) {
    if (live_.size() >= static_cast<std::size_t>(kLiveObjects)) {
      // The one used longest ago that is not selected (two are selected, one pen, one brush).
      auto oldest = live_.end();
      for (auto it = live_.begin(); it != live_.end(); ++it) {
        if (it->key == selectedPen_ || it->key == selectedBrush_) continue;
        if (oldest == live_.end() || it->lastUse < oldest->lastUse) oldest = it;
      }
      AppendOneWordRecord(kMetaDeleteObject, static_cast<std::uint16_t>(oldest->index));
      slots_[oldest->index] = false;
      live_.erase(oldest);
    }
    const std::size_t start =
        BeginRecord(key.pen ? kMetaCreatePenIndirect : kMetaCreateBrushIndirect);
    AppendWord(key.style);
    if (key.pen) {
      AppendWord(static_cast<std::uint16_t>(key.width));
      AppendWord(0);  // the unused height of the width
    }
    AppendWord(static_cast<std::uint16_t>(key.colour & 0xFFFF));
    AppendWord(static_cast<std::uint16_t>(key.colour >> 16));
    if (!key.pen) AppendWord(key.hatch);
    EndRecord(start);
    const auto free = std::find(slots_.begin(), slots_.end(), false);
    const int index = static_cast<int>(free - slots_.begin());
    if (free == slots_.end()) {
      slots_.push_back(true);
    } else {
      *free = true;
    }
    object = live_.insert(live_.end(), {key, index, 0});
  }
  object->lastUse = uses_;
  AppendOneWordRecord(kMetaSelectObject, static_cast<std::uint16_t>(object->index));
  selected = key;
}

void WmfSurface::SelectPen(std::uint16_t style, int width, ColorRef colour) {
  Select({true, style, DeviceWidth(width), RecordColour(colour), 0});
}

void WmfSurface::SelectNullPen() {
  Select({true, kPenNull, 0, 0, 0});
}

void WmfSurface::SelectSolidBrush(ColorRef colour) {
  Select({false, kBrushSolid, 0, RecordColour(colour), 0});
}

void WmfSurface::SetFillMode(std::uint16_t mode) {
  if (fillMode_ == mode) return;
  fillMode_ = mode;
  AppendOneWordRecord(kMetaSetPolyFillMode, mode);
}

// ---------------------------------------------------------------------------------------------
// Drawing

void WmfSurface::AppendPolygon(std::uint16_t function, std::span<const DevicePoint> points) {
  const std::size_t count = std::min(points.size(), kMostPoints);
  const std::size_t start = BeginRecord(function);
  AppendWord(static_cast<std::uint16_t>(count));
  for (std::size_t i = 0; i < count; ++i)
    AppendPoint(points[i]);
  EndRecord(start);
}

void WmfSurface::FillRectangle(double left, double bottom, double width, double height,
                               ColorRef colour) {
  const DevicePoint corners[] = {ToDevice(left, bottom + height),
                                 ToDevice(left + width, bottom + height),
                                 ToDevice(left + width, bottom), ToDevice(left, bottom)};
  if (corners[0].x == corners[1].x || corners[0].y == corners[3].y) return;
  SelectNullPen();
  SelectSolidBrush(colour);
  AppendPolygon(kMetaPolygon, corners);
}

void WmfSurface::AppendLine(DevicePoint from, DevicePoint to) {
  if (position_ != from) {
    const std::size_t start = BeginRecord(kMetaMoveTo);
    AppendWord(static_cast<std::uint16_t>(from.y));
    AppendWord(static_cast<std::uint16_t>(from.x));
    EndRecord(start);
  }
  const std::size_t start = BeginRecord(kMetaLineTo);
  AppendWord(static_cast<std::uint16_t>(to.y));
  AppendWord(static_cast<std::uint16_t>(to.x));
  EndRecord(start);
  position_ = to;
}

void WmfSurface::DrawLine(Point from, Point to) {
  if (finished_ || from == to) return;
  const Point path[] = {from, to};
  StrokePath(path, false);
}

void WmfSurface::StrokePath(std::span<const Point> path, bool closed) {
  const PenAttributes& pen = SelectedPen();
  const std::int32_t style = pen.style & kPenStyleMask;
  if (style == kPsNull) return;
  const std::span<const double> pattern = PenDashPattern(style);
  if (!pattern.empty()) {
    const double step = std::max(std::max(pen.width, kThinnestLine), kDashStep);
    SelectPen(kPenSolid | kPenFlatCaps, pen.width, pen.colour);
    StrokeDashes(path, closed, pattern, step);
    return;
  }
  SelectPen(kPenSolid, pen.width, pen.colour);
  if (path.size() == 2 && !closed) {
    AppendLine(ToDevice(path[0].x, path[0].y), ToDevice(path[1].x, path[1].y));
    return;
  }
  devicePoints_.clear();
  for (const Point& p : path)
    devicePoints_.push_back(ToDevice(p.x, p.y));
  if (closed) devicePoints_.push_back(devicePoints_.front());
  AppendPolygon(kMetaPolyline, devicePoints_);
}

// The dashes of `path`, the pattern's lengths in steps starting afresh at its start and running
// on through its corners, as cairo dashes one path. Each dash is a polyline (with round joins at
// the corners it turns).
void WmfSurface::StrokeDashes(std::span<const Point> path, bool closed,
                              std::span<const double> pattern, double step) {
  const std::size_t segments = closed ? path.size() : path.size() - 1;
  double total = 0;
  for (std::size_t i = 0; i < segments; ++i) {
    const Point& a = path[i];
    const Point& b = path[(i + 1) % path.size()];
    total += Length(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y);
  }
  double steps = 0;
  for (double length : pattern)
    steps += length;
  step = std::max(step, total / (kMostDashPatterns * steps));

  std::size_t dash = 0;
  double remaining = pattern[0] * step;
  bool on = true;
  piece_.assign(1, {static_cast<double>(path[0].x), static_cast<double>(path[0].y)});
  for (std::size_t i = 0; i < segments; ++i) {
    const RealPoint a{static_cast<double>(path[i].x), static_cast<double>(path[i].y)};
    const Point& next = path[(i + 1) % path.size()];
    const RealPoint b{static_cast<double>(next.x), static_cast<double>(next.y)};
    const double length = Length(b.x - a.x, b.y - a.y);
    double along = 0;
    while (length - along > remaining) {
      along += remaining;
      const RealPoint at{a.x + (b.x - a.x) * along / length, a.y + (b.y - a.y) * along / length};
      if (on) {
        piece_.push_back(at);
        AppendRealPolyline(piece_);
        piece_.clear();
      } else {
        piece_.assign(1, at);
      }
      on = !on;
      dash = (dash + 1) % pattern.size();
      remaining = pattern[dash] * step;
    }
    remaining -= length - along;
    if (on) piece_.push_back(b);
  }
  if (on) AppendRealPolyline(piece_);
}

void WmfSurface::AppendRealPolyline(std::span<const RealPoint> points) {
  devicePoints_.clear();
  for (const RealPoint& p : points) {
    const DevicePoint device = ToDevice(p.x, p.y);
    if (devicePoints_.empty() || devicePoints_.back() != device) devicePoints_.push_back(device);
  }
  if (devicePoints_.size() >= 2) AppendPolygon(kMetaPolyline, devicePoints_);
}

void WmfSurface::DrawPolygon(std::span<const Point> points) {
  if (finished_) return;
  const BrushAttributes& brush = SelectedBrush();
  const PenAttributes& pen = SelectedPen();
  const std::int32_t penStyle = pen.style & kPenStyleMask;
  const bool fills = brush.style != kBsNull && points.size() >= 3;
  const bool plainPen = penStyle != kPsNull && PenDashPattern(penStyle).empty();
  if (fills && brush.style != kBsHatched) {
    devicePoints_.clear();
    for (const Point& p : points)
      devicePoints_.push_back(ToDevice(p.x, p.y));
    SetFillMode(kAlternate);
    SelectSolidBrush(brush.colour);
    // A plain pen outlines the polygon in the same record.
    if (plainPen) {
      SelectPen(kPenSolid, pen.width, pen.colour);
      AppendPolygon(kMetaPolygon, devicePoints_);
      return;
    }
    SelectNullPen();
    AppendPolygon(kMetaPolygon, devicePoints_);
  } else if (fills) {
    FillHatched(points, brush);
  }
  StrokePath(points, true);
}

// The hatch's lines across the polygon's bounds, cut to its inside by the alternate rule: a line
// is inside between its first and second crossing of the outline, its third and fourth, and so
// on. A corner on the line counts as lying below it, so it makes one crossing or none.
void WmfSurface::FillHatched(std::span<const Point> points, const BrushAttributes& brush) {
  double x0 = points[0].x, x1 = x0, y0 = points[0].y, y1 = y0;
  for (const Point& p : points) {
    x0 = std::min<double>(x0, p.x);
    x1 = std::max<double>(x1, p.x);
    y0 = std::min<double>(y0, p.y);
    y1 = std::max<double>(y1, p.y);
  }
  bool selected = false;
  std::vector<double> crossings;
  ForEachHatchLine(
      brush.hatch, x0, y0, x1, y1, kHatchSpacing,
      [&](double xFrom, double yFrom, double xTo, double yTo) {
        const double dx = xTo - xFrom, dy = yTo - yFrom;
        const double squared = dx * dx + dy * dy;
        if (squared == 0) return;
        const auto side = [&](const Point& p) { return dx * (p.y - yFrom) - dy * (p.x - xFrom); };
        crossings.clear();
        for (std::size_t i = 0; i < points.size(); ++i) {
          const Point& p = points[i];
          const Point& q = points[(i + 1) % points.size()];
          const double sp = side(p), sq = side(q);
          if ((sp > 0) == (sq > 0)) continue;
          const double share = sp / (sp - sq);
          const double x = p.x + (q.x - p.x) * share, y = p.y + (q.y - p.y) * share;
          crossings.push_back((dx * (x - xFrom) + dy * (y - yFrom)) / squared);
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
          const DevicePoint from = ToDevice(xFrom + dx * crossings[i], yFrom + dy * crossings[i]);
          const DevicePoint to =
              ToDevice(xFrom + dx * crossings[i + 1], yFrom + dy * crossings[i + 1]);
          if (from == to) continue;
          if (!selected) {
            SelectPen(kPenSolid | kPenFlatCaps, kThinnestLine, brush.colour);
            selected = true;
          }
          AppendLine(from, to);
        }
      });
}

const WmfSurface::FlatGlyph& WmfSurface::Flattened(const FontFace& face, std::uint32_t glyph,
                                                   int size) {
  const auto [entry, added] = glyphs_.try_emplace({&face, glyph, size});
  if (!added) return entry->second;
  FlatGlyph& flat = entry->second;
  FlatteningSink sink(static_cast<double>(size) / face.UnitsPerEm(), kFlatness * divisor_, flat.xy,
                      flat.contourSizes);
  if (!DecomposeGlyphOutline(face.FreeTypeFace(), glyph, face.SyntheticBold(),
                             face.SyntheticItalic(), sink))
    flat = {};
  return flat;
}

void WmfSurface::DrawText(const SurfaceFont& font, const TextBox& box, std::string_view text) {
  if (finished_) return;
  // Every font selected here was made by MakeFont of FontMetricsSurface.
  const auto& realFont = static_cast<const RealFont&>(font);
  const FontFace& face = realFont.Face();
  if (!face.Found()) return;
  if (GetBackgroundMode() == BackgroundMode::kOpaque)
    FillRectangle(box.left, box.bottom, box.width, box.height, kOpaqueTextBackground);

  const int size = font.CharacterHeight();
  realFont.PlaceGlyphs(text, placed_);
  for (const PlacedGlyph& glyph : placed_) {
    const FlatGlyph& flat = Flattened(face, glyph.index, size);
    const double originX = static_cast<double>(box.left) + glyph.offset;
    const double originY = box.baseline;
    // Points that round together are written once; a contour left with fewer than three is
    // dropped.
    devicePoints_.clear();
    contourCounts_.clear();
    std::size_t next = 0;
    for (std::size_t contour : flat.contourSizes) {
      const std::size_t first = devicePoints_.size();
      for (std::size_t i = next; i < next + contour; ++i) {
        const DevicePoint p = ToDevice(originX + flat.xy[2 * i], originY + flat.xy[2 * i + 1]);
        if (devicePoints_.size() == first || devicePoints_.back() != p) devicePoints_.push_back(p);
      }
      next += contour;
      while (devicePoints_.size() - first >= 2 && devicePoints_.back() == devicePoints_[first])
        devicePoints_.pop_back();
      const std::size_t count = devicePoints_.size() - first;
      if (count < 3 || count > kMostPoints || contourCounts_.size() == kMostPoints) {
        devicePoints_.resize(first);
        continue;
      }
      contourCounts_.push_back(static_cast<std::uint16_t>(count));
    }
    if (contourCounts_.empty()) continue;
    // Outlines wind one way around ink and the other around holes: winding filling.
    SetFillMode(kWinding);
    SelectNullPen();
    SelectSolidBrush(TextColor());
    const std::size_t start = BeginRecord(kMetaPolyPolygon);
    AppendWord(static_cast<std::uint16_t>(contourCounts_.size()));
    for (std::uint16_t count : contourCounts_)
      AppendWord(count);
    for (const DevicePoint& p : devicePoints_)
      AppendPoint(p);
    EndRecord(start);
  }

  realFont.ForEachDecoration(box, [this](double left, double bottom, double width, double height) {
    FillRectangle(left, bottom, width, height, TextColor());
  });
}

}  // namespace kv
