// WmfSurface: placeable Windows metafiles. A small player reads the bytes back, checking the
// format's rules as it goes (header fields, record sizes, the object table), and replays the
// drawing in picture coordinates; then real readers (libwmf's wmf2svg, LibreOffice) read
// pictures made by kalvane-cli and the same drawing as SVG, and the results are compared.
#include "render/wmf_surface.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "render/glyph_outline.h"
#include "render/picture.h"
#include "support/log_font.h"
#include "support/scratch_environment.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

enum : std::uint16_t {
  kEof = 0x0000,
  kSetMapMode = 0x0103,
  kSetPolyFillMode = 0x0106,
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kLineTo = 0x0213,
  kMoveTo = 0x0214,
  kPolygon = 0x0324,
  kPolyline = 0x0325,
  kPolyPolygon = 0x0538,
  kSelectObject = 0x012D,
  kDeleteObject = 0x01F0,
  kCreatePen = 0x02FA,
  kCreateBrush = 0x02FC,
};
constexpr std::uint16_t kWindingFill = 2;
constexpr std::uint16_t kNullPen = 5;
constexpr std::uint16_t kFlatCaps = 0x0200;

struct DevicePoint {
  int x = 0, y = 0;
  bool operator==(const DevicePoint&) const = default;
};
struct Pen {
  int style = 0, width = 0;
  std::uint32_t colour = 0;
  bool operator==(const Pen&) const = default;
};
struct Brush {
  int style = 0;
  std::uint32_t colour = 0;
  int hatch = 0;
  bool operator==(const Brush&) const = default;
};
// What a drawing record drew and with what; a line (MOVETO, LINETO) is a contour of two points.
struct Shape {
  std::uint16_t function = 0;
  std::vector<std::vector<DevicePoint>> contours;
  Pen pen;
  Brush brush;
  int fillMode = 0;
};
struct Metafile {
  DevicePoint bounds;  // the bounding box's right and bottom; its left and top must be 0
  int inch = 0, mapMode = 0, tableSize = 0;
  DevicePoint windowOrigin{-1, -1}, windowExtent;
  std::vector<Shape> shapes;
};

// Reads a placeable metafile, checking the format's rules, and replays its drawing.
Metafile Play(const std::string& bytes) {
  Metafile file;
  const auto word = [&bytes](std::size_t i) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                      static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  };
  const auto signed16 = [&](std::size_t i) { return static_cast<std::int16_t>(word(i)); };
  const auto dword = [&](std::size_t i) { return word(i) | std::uint32_t{word(i + 1)} << 16; };
  const std::size_t words = bytes.size() / 2;
  if (bytes.size() % 2 != 0 || words < 11 + 9 + 3) {
    ADD_FAILURE() << bytes.size() << " bytes";
    return file;
  }
  // The placeable header, its checksum the XOR of its first ten words; then the header of the
  // metafile, sizes in words counted from it.
  EXPECT_EQ(dword(0), 0x9AC6CDD7u);
  std::uint16_t checksum = 0;
  for (std::size_t i = 0; i < 10; ++i)
    checksum ^= word(i);
  EXPECT_EQ(word(10), checksum);
  EXPECT_EQ(word(2) | word(3) | word(4) | dword(8), 0u) << "handle, left, top, reserved";
  file.bounds = {signed16(5), signed16(6)};
  file.inch = word(7);
  EXPECT_EQ(dword(11), 0x00090001u) << "a memory metafile, 9 words of header";
  EXPECT_EQ(word(13), 0x0300) << "version";
  EXPECT_EQ(dword(14), words - 11);
  const int declaredObjects = word(16);
  const std::uint32_t declaredLargest = dword(17);
  EXPECT_EQ(word(19), 0);

  std::vector<std::optional<std::variant<Pen, Brush>>> table;
  std::optional<Pen> pen;
  std::optional<Brush> brush;
  int fillMode = 0, mostAlive = 0;
  std::optional<DevicePoint> position;
  std::uint32_t largest = 0;
  std::size_t at = 20;
  for (bool ended = false; !ended;) {
    if (at + 3 > words || dword(at) < 3 || at + dword(at) > words) {
      ADD_FAILURE() << "no whole record at word " << at << " of " << words;
      return file;
    }
    const std::uint32_t size = dword(at);
    const std::uint16_t function = word(at + 2);
    const std::size_t p = at + 3, parameters = size - 3;
    largest = std::max(largest, size);
    const auto expectParameters = [&](std::size_t wanted) {
      EXPECT_EQ(parameters, wanted) << "record 0x" << std::hex << function;
      return parameters == wanted;
    };
    const auto yx = [&] { return DevicePoint{signed16(p + 1), signed16(p)}; };
    const auto drawn = [&](std::vector<std::vector<DevicePoint>> contours) {
      const bool fills = function == kPolygon || function == kPolyPolygon;
      EXPECT_TRUE(pen && (brush || !fills)) << "drawing before its pen or brush is selected";
      file.shapes.push_back(
          {function, std::move(contours), pen.value_or(Pen{}), brush.value_or(Brush{}), fillMode});
    };
    switch (function) {
      case kEof:
        ended = expectParameters(0);
        break;
      case kSetMapMode:
        if (expectParameters(1)) file.mapMode = word(p);
        break;
      case 0x0102:  // the background mode
        expectParameters(1);
        break;
      case kSetPolyFillMode:
        if (expectParameters(1)) fillMode = word(p);
        break;
      case kSetWindowOrg:
      case kSetWindowExt:
        if (expectParameters(2))
          (function == kSetWindowOrg ? file.windowOrigin : file.windowExtent) = yx();
        break;
      case kMoveTo:
        if (expectParameters(2)) position = yx();
        break;
      case kLineTo:
        EXPECT_TRUE(position) << "a line from nowhere";
        if (expectParameters(2) && position) drawn({{*position, yx()}});
        position = yx();
        break;
      case kPolygon:
      case kPolyline:
      case kPolyPolygon: {
        // Polygon counts, then points (x, y); POLYGON and POLYLINE have one count.
        const std::size_t polygons = function == kPolyPolygon ? word(p) : 1;
        const std::size_t counts = p + (function == kPolyPolygon ? 1 : 0);
        std::size_t points = 0;
        for (std::size_t i = 0; i < polygons && i < parameters; ++i)
          points += word(counts + i);
        if (!expectParameters(counts - p + polygons + 2 * points)) break;
        std::vector<std::vector<DevicePoint>> contours(polygons);
        std::size_t next = counts + polygons;
        for (std::size_t i = 0; i < polygons; ++i) {
          for (std::size_t j = 0; j < word(counts + i); ++j, next += 2)
            contours[i].push_back({signed16(next), signed16(next + 1)});
        }
        drawn(contours);
        break;
      }
      case kCreatePen:
      case kCreateBrush: {
        if (!expectParameters(function == kCreatePen ? 5 : 4)) break;
        std::variant<Pen, Brush> made = Brush{word(p), dword(p + 1), word(p + 3)};
        if (function == kCreatePen) made = Pen{word(p), signed16(p + 1), dword(p + 3)};
        // A new object takes the lowest free index.
        const auto free = std::find(table.begin(), table.end(), std::nullopt);
        if (free == table.end()) {
          table.push_back(made);
        } else {
          *free = made;
        }
        mostAlive = std::max<int>(
            mostAlive,
            std::count_if(table.begin(), table.end(), [](const auto& o) { return o.has_value(); }));
        break;
      }
      case kSelectObject:
      case kDeleteObject: {
        const std::size_t index = expectParameters(1) ? word(p) : table.size();
        if (index >= table.size() || !table[index]) {
          ADD_FAILURE() << "selects or deletes object " << index << ", which does not exist";
        } else if (function == kDeleteObject) {
          table[index].reset();
        } else if (const Pen* selected = std::get_if<Pen>(&*table[index])) {
          pen = *selected;
        } else {
          brush = std::get<Brush>(*table[index]);
        }
        break;
      }
      default:
        ADD_FAILURE() << "unexpected record 0x" << std::hex << function;
    }
    at += size;
  }
  EXPECT_EQ(at, words) << "bytes after the end record";
  EXPECT_EQ(declaredLargest, largest);
  file.tableSize = static_cast<int>(table.size());
  EXPECT_GE(declaredObjects, std::max(file.tableSize, mostAlive));
  EXPECT_EQ(std::count(table.begin(), table.end(), std::nullopt), file.tableSize)
      << "objects never deleted";
  return file;
}

bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

bool RunQuietly(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  EXPECT_EQ(status, 0) << command;
  return status == 0;
}

PictureOptions Wmf(std::optional<ColorRef> background = std::nullopt) {
  return {PictureFormat::kWmf, 96, background};
}

class WmfSurfaceTest : public ::testing::Test {
 protected:
  std::string Draw(const PictureFrame& frame, const DrawPictureContent& draw,
                   std::optional<ColorRef> background = std::nullopt) {
    return MakePicture(catalog, frame, Wmf(background), draw);
  }
  fs::path Scratch(const std::string& name) const { return env.Root() / name; }
  test::ScratchEnvironment env;  // also keeps the user's settings from kalvane-cli
  FontCatalog catalog;
};

// libwmf writes colours as the nearest of SVG's named colours: the drawings compared with it use
// named colours (black, navy, maroon, purple, green, red, light blue).
constexpr ColorRef kNamedColours[] = {0, 0x00800000, 0x00000080, 0x00800080};
constexpr ColorRef kLightBlue = 0x00E6D8AD;

// A drawing with every kind of pen, brush and text.
void DrawEverything(Surface& surface) {
  // Stars (their middles outside under alternate filling) in rows of pens, columns of brushes.
  int hatch = 0, y = 50;
  for (std::int32_t penStyle : {kPsSolid, kPsNull, kPsDashDot}) {
    int x = 50;
    for (std::int32_t brushStyle : {kBsSolid, kBsNull, kBsHatched, kBsHatched, kBsHatched}) {
      PenScope pen(surface, {penStyle, 30, 0x000000FF});
      BrushScope brush(surface, {brushStyle, 0x00008000, hatch++ % 7});
      const Point star[] = {
          {x, y}, {x + 250, y + 500}, {x + 500, y}, {x, y + 330}, {x + 500, y + 330}};
      surface.Polygon(star);
      x += 600;
    }
    y += 650;
  }
  const std::int32_t styles[] = {kPsSolid,
                                 kPsDash,
                                 kPsDot,
                                 kPsDashDot,
                                 kPsDashDotDot,
                                 kPsNull,
                                 kPsGeometric | kPsInsideFrame,
                                 kPsAlternate,
                                 7};  // 7: user
  for (std::int32_t style : styles) {
    PenScope pen(surface, {style, 10 + 5 * (style & 7), kNamedColours[style & 3]});
    const int x = 3100 + 150 * (style & 15);
    surface.MoveTo({x, 100});
    surface.LineTo({x + 100, 1000 + 50 * (style & 7)});
    surface.LineTo({x + 100, 1900});
  }
  KVLogFont decorated = test::FaceFont("Liberation Serif", 0x00800000);
  decorated.lfUnderline = decorated.lfStrikeOut = 1;
  KVLogFont synthetic = test::FaceFont("Symbol", 0x00008000);  // bold and italic made up
  synthetic.lfWeight = 700;
  synthetic.lfItalic = 1;
  surface.SetTextAlign(kTaLeft | kTaBaseline);
  y = 1900;
  for (const KVLogFont& font : {test::FaceFont("Liberation Sans"), decorated, synthetic}) {
    FontScope scope(surface, font, 500);
    surface.TextOut(4700, y -= 600, "Ag(x) S");
    surface.SetBackgroundMode(BackgroundMode::kTransparent);
  }
}

TEST_F(WmfSurfaceTest, EveryDrawingIsAWellFormedMetafileMadeTheSameEachTime) {
  const auto many = [](Surface& surface) {  // more pens and brushes than the table keeps
    FontScope font(surface, test::FaceFont("Liberation Sans"), 300);
    for (int i = 0; i < 40; ++i) {
      PenScope pen(surface, {kPsSolid, 10 + i, 0x00010203 * i});
      surface.MoveTo({i * 50, 0});
      surface.LineTo({i * 50, 500});
      surface.SetTextColor(0x00030201 * i);
      surface.TextOut(i * 50, 500, "o");
    }
  };
  const struct {
    PictureFrame frame;
    std::optional<ColorRef> background;
    DrawPictureContent draw;
  } cases[] = {
      {{0, 0, 0, 0}, std::nullopt, [](Surface&) {}},
      {{100, 500, 1234, 250}, 0x00336699, [](Surface&) {}},
      {{0, 2000, 6800, 2000}, 0x00FFFFFF, DrawEverything},
      {{0, 1000, 2500, 1000}, std::nullopt, many},
      {{-50000, 60000, 100000, 70000}, std::nullopt, DrawEverything},  // in units of 0.04 mm
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frame.width);
    WmfSurface surface(catalog, c.frame, Wmf(c.background));
    c.draw(surface);
    const std::string bytes = surface.Encode();
    surface.LineTo({100, 100});  // ignored once ended
    EXPECT_EQ(surface.Encode(), bytes);
    EXPECT_EQ(Draw(c.frame, c.draw, c.background), bytes);
    const Metafile file = Play(bytes);
    EXPECT_EQ(file.mapMode, 8) << "anisotropic, so that readers scale the window to the box";
    EXPECT_EQ(file.windowOrigin, (DevicePoint{0, 0}));
    EXPECT_EQ(file.windowExtent, file.bounds);
    EXPECT_LE(file.tableSize, WmfSurface::kLiveObjects);
    // Glyph outlines wind one way round ink and the other round holes: winding filling, no pen.
    for (const Shape& shape : file.shapes) {
      if (shape.function != kPolyPolygon) continue;
      EXPECT_EQ(shape.fillMode, kWindingFill);
      EXPECT_EQ(shape.pen.style, kNullPen);
    }
  }
}

// The box is the frame in units of 0.01 mm, or of the smallest of 0.02, 0.04, 0.05, 0.1 and
// 0.2 mm (even shares of the inch) that keeps both sides within 32767; Inch is the units in an
// inch. A logical point (x, y) is at ((x - left) / unit, (top - y) / unit).
TEST_F(WmfSurfaceTest, FrameSetsTheBoundingBoxAndTheUnit) {
  const struct {
    PictureFrame frame;
    DevicePoint bounds;
    int inch;
  } cases[] = {
      {{100, 500, 1234, 250}, {1234, 250}, 2540},    {{0, 0, 0, -5}, {1, 1}, 2540},
      {{0, 0, 32767, 10}, {32767, 10}, 2540},        {{0, 0, 32768, 10}, {16384, 5}, 1270},
      {{-7, 3, 40000, 10000}, {20000, 5000}, 1270},  // 400 mm wide
      {{0, 0, 100, 131068}, {25, 32767}, 635},       {{0, 0, 131069, 100}, {26214, 20}, 508},
      {{0, 0, 655340, 655340}, {32767, 32767}, 127},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frame.width);
    const int unit = 2540 / c.inch;
    const int dx = std::max(c.frame.width, 1) / 10 / unit * unit;
    const int dy = std::max(c.frame.height, 1) / 10 / unit * unit;
    const Metafile file = Play(Draw(c.frame, [&](Surface& surface) {
      PenScope pen(surface, {kPsSolid, 100, 0});
      surface.MoveTo({c.frame.left, c.frame.top});
      surface.LineTo({c.frame.left + dx, c.frame.top - dy});
    }));
    EXPECT_EQ(file.bounds, c.bounds);
    EXPECT_EQ(file.inch, c.inch);
    if (dx == 0 && dy == 0) continue;
    ASSERT_EQ(file.shapes.size(), 1u);
    EXPECT_EQ(file.shapes[0].contours[0],
              (std::vector<DevicePoint>{{0, 0}, {dx / unit, dy / unit}}));
    EXPECT_EQ(file.shapes[0].pen.width, 100 / unit);
  }
  for (const PictureFrame frame : {PictureFrame{0, 0, 655341, 1}, PictureFrame{0, 0, 1, 700000}}) {
    try {
      WmfSurface surface(catalog, frame, Wmf());
      ADD_FAILURE() << "no error for " << frame.width << " x " << frame.height;
    } catch (const PictureError& error) {
      EXPECT_NE(std::string(error.what()).find("too large"), std::string::npos) << error.what();
    }
  }
}

// As CairoSurface draws: no line thinner than 10; round caps but flat dashes, dash 3 and gap 1
// steps of max(width, 25), dot 1 and gap 1, the pattern running on round corners; hatches lines
// 10 wide and 200 apart on the logical axes (x, y, x + y or x - y a multiple of 200), cut to the
// polygon. Expected points are logical; the picture's top is at y = 1000.
TEST_F(WmfSurfaceTest, LinesHatchesAndDashesFollowThePens) {
  const Point square[] = {{100, 100}, {700, 100}, {700, 500}, {100, 500}};
  const Point triangle[] = {{1000, 100}, {1600, 100}, {1600, 500}};  // below x - 1.5 y = 850
  const Point corner[] = {{0, 0}, {50, 0}, {50, 50}};
  const Point across[] = {{0, 0}, {300, 0}}, shorter[] = {{0, 0}, {250, 0}};
  const Point down[] = {{0, 0}, {0, -200}};
  const std::span<const Point> sides(square);
  using Lines = std::vector<std::vector<Point>>;
  const struct {
    PenAttributes pen;
    BrushAttributes brush;
    std::span<const Point> shape;  // two points: a line
    Pen drawn;
    Lines lines;
  } cases[] = {
      {{kPsSolid, 30, 0xFF}, {}, sides.subspan(0, 2), {0, 30, 0xFF}, {{{100, 100}, {700, 100}}}},
      {{kPsGeometric | kPsInsideFrame, 5, 0},
       {},
       sides.subspan(1, 2),
       {0, 10, 0},
       {{{700, 100}, {700, 500}}}},
      {{kPsNull, 30, 0}, {kBsNull, 0, 0}, square, {}, {}},
      {{kPsDash, 5, 7},
       {},
       across,
       {kFlatCaps, 10, 7},
       {{{0, 0}, {75, 0}}, {{100, 0}, {175, 0}}, {{200, 0}, {275, 0}}}},
      {{kPsDot, 40, 7},
       {},
       down,
       {kFlatCaps, 40, 7},
       {{{0, 0}, {0, -40}}, {{0, -80}, {0, -120}}, {{0, -160}, {0, -200}}}},
      {{kPsDashDotDot, 10, 7},
       {},
       shorter,
       {kFlatCaps, 10, 7},
       {{{0, 0}, {75, 0}}, {{100, 0}, {125, 0}}, {{150, 0}, {175, 0}}, {{200, 0}, {250, 0}}}},
      // An outline: the first dash turns the corner, the closing side (70.7) is under a dash.
      {{kPsDash, 25, 7},
       {kBsNull, 0, 0},
       corner,
       {kFlatCaps, 25, 7},
       {{{0, 0}, {50, 0}, {50, 25}}, {{50, 50}, {0, 0}}}},
      {{kPsNull, 0, 0},
       {kBsHatched, 9, kHsCross},
       square,
       {kFlatCaps, 10, 9},
       {{{100, 200}, {700, 200}},
        {{100, 400}, {700, 400}},
        {{200, 100}, {200, 500}},
        {{400, 100}, {400, 500}},
        {{600, 100}, {600, 500}}}},
      {{kPsNull, 0, 0},
       {kBsHatched, 9, kHsFDiagonal},
       triangle,
       {kFlatCaps, 10, 9},
       {{{1060, 140}, {1100, 100}},
        {{1180, 220}, {1300, 100}},
        {{1300, 300}, {1500, 100}},
        {{1420, 380}, {1600, 200}},
        {{1540, 460}, {1600, 400}}}},
      {{kPsNull, 0, 0},
       {kBsHatched, 9, kHsBDiagonal},
       triangle,
       {kFlatCaps, 10, 9},
       {{{1100, 100}, {1300, 300}}, {{1300, 100}, {1600, 400}}, {{1500, 100}, {1600, 200}}}},
      {{kPsNull, 0, 0}, {kBsHatched, 9, 9 /* none such */}, square, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pen.style * 100 + c.brush.hatch);
    const Metafile file = Play(Draw({0, 1000, 2000, 2000}, [&](Surface& surface) {
      PenScope pen(surface, c.pen);
      BrushScope brush(surface, c.brush);
      if (c.shape.size() > 2) return surface.Polygon(c.shape);
      surface.MoveTo(c.shape[0]);
      surface.LineTo(c.shape[1]);
    }));
    Lines lines;
    for (const Shape& shape : file.shapes) {
      EXPECT_EQ(shape.pen, c.drawn);
      lines.emplace_back();
      for (const DevicePoint& p : shape.contours[0])
        lines.back().push_back({p.x, 1000 - p.y});
    }
    EXPECT_EQ(lines, c.lines);
  }
}

// The exact areas inside the contours of an outline of lines and quadratic curves: a curve from p
// via c to q adds (2 p x c + 2 c x q + p x q) / 3 to twice the area (Green's theorem), a line
// p x q.
class AreaSink final : public OutlineSink {
 public:
  void MoveTo(OutlinePoint to) override {
    start_ = current_ = to;
    areas.push_back(0);
  }
  void LineTo(OutlinePoint to) override { areas.back() += Cross(current_, to) / 2, current_ = to; }
  void QuadraticTo(OutlinePoint c, OutlinePoint to) override {
    areas.back() += (2 * Cross(current_, c) + 2 * Cross(c, to) + Cross(current_, to)) / 6;
    current_ = to;
  }
  void CubicTo(OutlinePoint, OutlinePoint, OutlinePoint) override { ADD_FAILURE(); }
  void Close() override { LineTo(start_); }
  std::vector<double> areas;

 private:
  static double Cross(OutlinePoint a, OutlinePoint b) {
    return static_cast<double>(a.x) * b.y - static_cast<double>(a.y) * b.x;
  }
  OutlinePoint start_, current_;
};

// Glyphs are cut into lines within a unit (0.01 mm) of their curves at any size: each contour's
// polygon has the area of the contour give or take its length times a unit (the points' rounding
// goes both ways). The cut is frugal: a circle of radius R kept within a unit needs about
// pi sqrt(R / 2) sides.
TEST_F(WmfSurfaceTest, GlyphCurvesAreFlattenedCloseToTheOutline) {
  const KVLogFont serif = test::FaceFont("Liberation Serif");
  const FontFace& face = catalog.Resolve(serif);
  ASSERT_TRUE(face.Found());
  AreaSink outline;  // 'O': its outside and its hole
  ASSERT_TRUE(
      DecomposeGlyphOutline(face.FreeTypeFace(), face.GlyphIndex('O'), false, false, outline));
  for (int size : {400, 4000, 20000}) {
    SCOPED_TRACE(size);
    const Metafile file = Play(Draw({0, size, size, size}, [&](Surface& surface) {
      surface.SetTextAlign(kTaLeft | kTaBaseline);
      FontScope font(surface, serif, size);
      surface.TextOut(0, size / 4, "O");
    }));
    ASSERT_EQ(file.shapes.size(), 2u) << "the opaque box, the glyph";
    const auto& contours = file.shapes[1].contours;
    ASSERT_EQ(contours.size(), outline.areas.size());
    const double scale = static_cast<double>(size) / face.UnitsPerEm();
    for (std::size_t c = 0; c < contours.size(); ++c) {
      double twiceArea = 0, length = 0;
      for (std::size_t i = 0; i < contours[c].size(); ++i) {
        const DevicePoint p = contours[c][i], q = contours[c][(i + 1) % contours[c].size()];
        twiceArea += static_cast<double>(p.x) * q.y - static_cast<double>(p.y) * q.x;
        length += std::hypot(q.x - p.x, q.y - p.y);
      }
      EXPECT_NEAR(std::abs(twiceArea) / 2, std::abs(outline.areas[c]) * scale * scale, length);
      EXPECT_LT(contours[c].size(), 3 * std::numbers::pi * std::sqrt(size * 0.35 / 2)) << "3 times";
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Real readers

struct Pixels {
  int width = 0, height = 0;
  std::vector<std::uint32_t> argb;
  std::uint32_t At(int x, int y) const { return argb[static_cast<std::size_t>(y) * width + x]; }
};

Pixels ReadPng(const fs::path& path) {
  Pixels pixels;
  cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
    pixels.width = cairo_image_surface_get_width(image);
    pixels.height = cairo_image_surface_get_height(image);
    for (int y = 0; y < pixels.height; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(
          cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image));
      pixels.argb.insert(pixels.argb.end(), row, row + pixels.width);
    }
  }
  cairo_surface_destroy(image);
  EXPECT_GT(pixels.width, 0) << "cannot read " << path;
  return pixels;
}

// Whether two colours differ in a channel by more than `tolerance`.
bool Differ(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(static_cast<int>((a >> shift & 0xFF) - (b >> shift & 0xFF))) > tolerance)
      return true;
  }
  return false;
}

// The share of pixels differing by more than a sixteenth of the range (more than rounding).
double ShareOfDifferentPixels(const Pixels& a, const Pixels& b) {
  if (a.width != b.width || a.height != b.height || a.argb.empty()) return 1;
  long different = 0;
  for (std::size_t i = 0; i < a.argb.size(); ++i)
    different += Differ(a.argb[i], b.argb[i], 16);
  return static_cast<double>(different) / a.argb.size();
}

double ShareOfInk(const Pixels& pixels, int left, int top, int right, int bottom) {
  long dark = 0;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x)
      dark += !Differ(pixels.At(x, y), 0, 127);
  }
  return static_cast<double>(dark) / ((right - left + 1) * (bottom - top + 1));
}

Pixels Rasterize(const fs::path& svg, int width, int height) {
  const fs::path png = fs::path(svg).replace_extension(".png");
  RunQuietly("rsvg-convert -w " + std::to_string(width) + " -h " + std::to_string(height) +
             " -o '" + png.string() + "' '" + svg.string() + "'");
  return ReadPng(png);
}

// libwmf scales a metafile so that everything drawn, ink beyond the box included, fills the
// box's size. The background is a rectangle of exactly the frame, drawn first: its corners say
// where the frame went, and the SVG's view is set to them. (Its polylines are also given no
// fill: libwmf leaves them SVG's default, black, where a metafile's polyline fills nothing.)
Pixels RasterizeThroughLibwmf(const fs::path& wmf, int width, int height) {
  const fs::path converted = fs::path(wmf).replace_extension(".libwmf.svg");
  RunQuietly("wmf2svg -o '" + converted.string() + "' '" + wmf.string() + "'");
  std::string svg = test::ReadFileBytes(converted);
  std::smatch background;
  if (!std::regex_search(svg, background, std::regex("<polygon points=\"([^\"]*)\""))) {
    ADD_FAILURE() << "no background in " << converted;
    return {};
  }
  std::vector<double> x, y;
  std::istringstream corners(std::regex_replace(background[1].str(), std::regex(","), " "));
  for (double a, b; corners >> a >> b;)
    x.push_back(a), y.push_back(b);
  const auto [left, right] = std::minmax_element(x.begin(), x.end());
  const auto [top, bottom] = std::minmax_element(y.begin(), y.end());
  const std::string view = "<svg preserveAspectRatio=\"none\" viewBox=\"" + std::to_string(*left) +
                           " " + std::to_string(*top) + " " + std::to_string(*right - *left) + " " +
                           std::to_string(*bottom - *top) + "\"";
  svg = std::regex_replace(svg, std::regex("<svg width=\"[^\"]*\" height=\"[^\"]*\""), view,
                           std::regex_constants::format_first_only);
  test::WriteFileBytes(
      converted, std::regex_replace(svg, std::regex("<polyline "), "<polyline fill=\"none\" "));
  return Rasterize(converted, width, height);
}

// How far libwmf's picture may differ from the SVG's at 254 dpi: edges of anti-aliased shapes,
// as curves are flattened, coordinates rounded and the renderers' coverage rules differ. A
// glyph or line out of place differs by far more.
constexpr double kLibwmfTolerance = 0.01;
constexpr int kUnitsPerPixel = 10;

bool HaveLibwmf() {
  return HaveProgram("wmf2svg") && HaveProgram("rsvg-convert");
}

// The same drawing on SvgSurface and here, as libwmf reads it: every pen, brush and font.
TEST_F(WmfSurfaceTest, LibwmfDrawsWhatTheSvgSurfaceDraws) {
  if (!HaveLibwmf()) GTEST_SKIP() << "wmf2svg (libwmf-bin) or rsvg-convert is missing";
  const PictureFrame frame{0, 2000, 6800, 2000};
  const PictureOptions svgOptions{PictureFormat::kSvg, 96, kLightBlue};
  test::WriteFileBytes(Scratch("drawing.svg"),
                       MakePicture(catalog, frame, svgOptions, DrawEverything));
  test::WriteFileBytes(Scratch("drawing.wmf"), Draw(frame, DrawEverything, kLightBlue));
  const int width = frame.width / kUnitsPerPixel, height = frame.height / kUnitsPerPixel;
  EXPECT_LT(ShareOfDifferentPixels(Rasterize(Scratch("drawing.svg"), width, height),
                                   RasterizeThroughLibwmf(Scratch("drawing.wmf"), width, height)),
            kLibwmfTolerance);
}

// Equations of the benchmark corpus, each wider than an inch, made by kalvane-cli as WMF and as
// SVG on the same background.
class EquationPicturesTest : public ::testing::Test {
 protected:
  static constexpr std::array<const char*, 5> kEquations = {
      "x=(-b+-sqrt(b2-4ac))/2a", "(x+1)/(x-1)-(x-1)/(x+1)=4x/(x2-1)",
      "d=sqrt((x\\2-x\\1)2+(y\\2-y\\1)2)", "int(-inf,inf)e^(-x2)dx=sqrt pi",
      "A^(-1)=1/(ad-bc)(d,-c -b,a)"};
  static constexpr std::uint32_t kBackground = 0xADD8E6;  // 0xRRGGBB, as cairo reads pixels

  void SetUp() override {
    const fs::path cli = fs::path(KALVANE_BINARY_DIR) / "src" / "kalvane-cli";
    for (std::size_t i = 0; i < kEquations.size(); ++i) {
      for (const char* extension : {".wmf", ".svg"})
        ASSERT_TRUE(RunQuietly("'" + cli.string() + "' render '" + kEquations[i] + "' -o '" +
                               Picture(i, extension).string() + "' --background '#ADD8E6'"));
      std::smatch box;
      const std::string svg = test::ReadFileBytes(Picture(i, ".svg"));
      ASSERT_TRUE(std::regex_search(svg, box, std::regex("viewBox=\"0 0 ([0-9]+) ([0-9]+)\"")));
      sizes.push_back({std::stoi(box[1]), std::stoi(box[2])});
    }
  }
  fs::path Picture(std::size_t i, const std::string& extension) const {
    return env.Root() / ("equation" + std::to_string(i) + extension);
  }

  test::ScratchEnvironment env;
  std::vector<std::pair<int, int>> sizes;  // logical units
};

TEST_F(EquationPicturesTest, LibwmfDrawsThemAsTheirSvg) {
  if (!HaveLibwmf()) GTEST_SKIP() << "wmf2svg (libwmf-bin) or rsvg-convert is missing";
  for (std::size_t i = 0; i < kEquations.size(); ++i) {
    SCOPED_TRACE(kEquations[i]);
    const int width = sizes[i].first / kUnitsPerPixel, height = sizes[i].second / kUnitsPerPixel;
    const Pixels expected = Rasterize(Picture(i, ".svg"), width, height);
    // An empty or misplaced picture would differ by about its ink.
    EXPECT_GT(ShareOfInk(expected, 0, 0, width - 1, height - 1), 5 * kLibwmfTolerance);
    EXPECT_LT(
        ShareOfDifferentPixels(expected, RasterizeThroughLibwmf(Picture(i, ".wmf"), width, height)),
        kLibwmfTolerance);
  }
}

// LibreOffice opens a metafile as a drawing with the picture on a page at the size the box and
// Inch give (it enlarges pictures under an inch, which these are not), and makes a PNG of the
// page at 96 dpi. The picture is where its background colour is, and holds the equation's ink.
TEST_F(EquationPicturesTest, LibreOfficePlacesThemAtTheirTrueSize) {
  if (!HaveProgram("soffice")) GTEST_SKIP() << "soffice (libreoffice-draw) is missing";
  std::string files;
  for (std::size_t i = 0; i < kEquations.size(); ++i)
    files += " '" + Picture(i, ".wmf").string() + "'";
  ASSERT_TRUE(RunQuietly(
      "soffice -env:UserInstallation=file://" + (env.Root() / "profile").string() +
      " --headless --convert-to png --outdir '" + (env.Root() / "lo").string() + "'" + files));
  for (std::size_t i = 0; i < kEquations.size(); ++i) {
    SCOPED_TRACE(kEquations[i]);
    const Pixels page = ReadPng(env.Root() / ("lo/equation" + std::to_string(i) + ".png"));
    int left = page.width, top = page.height, right = -1, bottom = -1;
    for (int y = 0; y < page.height; ++y) {
      for (int x = 0; x < page.width; ++x) {
        if (Differ(page.At(x, y), kBackground, 12)) continue;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    ASSERT_GT(sizes[i].first, 2540);
    // Edge pixels blend with the page: a pixel or so either way.
    EXPECT_NEAR(right - left + 1, sizes[i].first * 96.0 / 2540, 2);
    EXPECT_NEAR(bottom - top + 1, sizes[i].second * 96.0 / 2540, 2);
    if (right < left) continue;
    const Pixels svg = Rasterize(Picture(i, ".svg"), right - left + 1, bottom - top + 1);
    const double ink = ShareOfInk(svg, 0, 0, svg.width - 1, svg.height - 1);
    EXPECT_NEAR(ShareOfInk(page, left, top, right, bottom), ink, ink / 4);
  }
}

}  // namespace
}  // namespace kv
