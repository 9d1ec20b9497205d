#include "support/golden_picture.h"

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

namespace kv::test {
namespace {

namespace fs = std::filesystem;

struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

// Pixels of a decoded picture as 32-bit ARGB words (cairo's premultiplied image format).
struct Pixels {
  int width = 0;
  int height = 0;
  SurfacePtr surface;

  std::uint32_t At(int x, int y) const {
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    std::uint32_t word = 0;
    std::memcpy(&word, data + static_cast<std::ptrdiff_t>(y) * stride + x * 4, sizeof word);
    return word;
  }
};

struct ReadCursor {
  const std::string* bytes;
  std::size_t offset;
};

cairo_status_t ReadFromString(void* closure, unsigned char* data, unsigned int length) {
  auto* cursor = static_cast<ReadCursor*>(closure);
  if (cursor->bytes->size() - cursor->offset < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, cursor->bytes->data() + cursor->offset, length);
  cursor->offset += length;
  return CAIRO_STATUS_SUCCESS;
}

std::optional<Pixels> Decode(const std::string& png) {
  ReadCursor cursor{&png, 0};
  SurfacePtr surface(cairo_image_surface_create_from_png_stream(ReadFromString, &cursor));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  // Every picture is compared in one format, whatever the PNG's colour type was.
  const int width = cairo_image_surface_get_width(surface.get());
  const int height = cairo_image_surface_get_height(surface.get());
  SurfacePtr argb(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  cairo_t* cr = cairo_create(argb.get());
  cairo_set_source_surface(cr, surface.get(), 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(argb.get());
  return Pixels{width, height, std::move(argb)};
}

int ChannelDifference(std::uint32_t a, std::uint32_t b) {
  int largest = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int difference =
        std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
    largest = std::max(largest, difference);
  }
  return largest;
}

std::optional<std::string> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The grey of a premultiplied pixel laid on white paper, faded to a fifth of its darkness.
std::uint32_t FadedGrey(std::uint32_t pixel) {
  const std::uint32_t paper = 255 - ((pixel >> 24) & 0xFF);
  const std::uint32_t sum = ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
  const std::uint32_t grey = std::min<std::uint32_t>(255, sum / 3 + paper);
  const std::uint32_t faded = 255 - (255 - grey) / 5;
  return 0xFF000000 | faded << 16 | faded << 8 | faded;
}

// The diff image: the expected picture in faded grey, with every pixel that
// differs beyond the tolerance (or lies outside one of the pictures) in opaque red.
void WriteDiffImage(const Pixels& expected, const Pixels& actual, const fs::path& path) {
  const int width = std::max(expected.width, actual.width);
  const int height = std::max(expected.height, actual.height);
  SurfacePtr diff(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  cairo_surface_flush(diff.get());
  unsigned char* data = cairo_image_surface_get_data(diff.get());
  const int stride = cairo_image_surface_get_stride(diff.get());
  constexpr std::uint32_t kRed = 0xFFFF0000;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool inBoth =
          x < expected.width && y < expected.height && x < actual.width && y < actual.height;
      std::uint32_t pixel = kRed;
      if (inBoth) {
        const std::uint32_t want = expected.At(x, y);
        if (ChannelDifference(want, actual.At(x, y)) <= kGoldenChannelTolerance) {
          pixel = FadedGrey(want);
        }
      }
      std::memcpy(data + static_cast<std::ptrdiff_t>(y) * stride + x * 4, &pixel, sizeof pixel);
    }
  }
  cairo_surface_mark_dirty(diff.get());
  cairo_surface_write_to_png(diff.get(), path.c_str());
}

fs::path GoldenFolder() {
  return fs::path(KALVANE_SOURCE_DIR) / "tests" / "golden";
}
fs::path OutputFolder() {
  return fs::path(KALVANE_BINARY_DIR) / "golden-diffs";
}

bool UpdateRequested() {
  const char* update = std::getenv("KALVANE_UPDATE_GOLDENS");
  return update != nullptr && std::string_view(update) == "1";
}

}  // namespace

testing::AssertionResult MatchesGoldenPicture(std::string_view name, const std::string& png) {
  return MatchesGoldenFile(GoldenFolder() / (std::string(name) + ".png"), OutputFolder(), png);
}

testing::AssertionResult MatchesGoldenFile(const fs::path& golden, const fs::path& outputFolder,
                                           const std::string& png) {
  const std::string name = golden.stem().string();
  if (UpdateRequested()) {
    if (!WriteFile(golden, png)) {
      return testing::AssertionFailure() << "cannot write the golden picture " << golden;
    }
    return testing::AssertionSuccess() << "updated " << golden;
  }
  const std::optional<Pixels> actual = Decode(png);
  if (!actual) return testing::AssertionFailure() << "the picture is not a readable PNG";

  const fs::path actualPath = outputFolder / (name + ".actual.png");
  const fs::path diffPath = outputFolder / (name + ".diff.png");
  const std::optional<std::string> stored = ReadFile(golden);
  if (!stored) {
    WriteFile(actualPath, png);
    return testing::AssertionFailure()
           << "no golden picture " << golden << "; the actual one is " << actualPath
           << " (look at it, then run with KALVANE_UPDATE_GOLDENS=1 to store it)";
  }
  const std::optional<Pixels> expected = Decode(*stored);
  if (!expected) return testing::AssertionFailure() << golden << " is not a readable PNG";

  long differing = 0;
  const bool sameSize = expected->width == actual->width && expected->height == actual->height;
  if (sameSize) {
    for (int y = 0; y < actual->height; ++y) {
      for (int x = 0; x < actual->width; ++x) {
        if (ChannelDifference(expected->At(x, y), actual->At(x, y)) > kGoldenChannelTolerance) {
          ++differing;
        }
      }
    }
    const double allowed =
        std::max<double>(kGoldenStrayPixels, kGoldenStrayShare * actual->width * actual->height);
    if (differing <= allowed) return testing::AssertionSuccess();
  }
  WriteFile(actualPath, png);
  WriteDiffImage(*expected, *actual, diffPath);
  testing::AssertionResult failure = testing::AssertionFailure();
  if (!sameSize) {
    failure << "size " << actual->width << "x" << actual->height << " differs from the golden "
            << expected->width << "x" << expected->height;
  } else {
    failure << differing << " pixels differ from the golden picture";
  }
  return failure << " " << golden << "; actual " << actualPath << ", diff " << diffPath
                 << " (if the change is right, run with KALVANE_UPDATE_GOLDENS=1)";
}

}  // namespace kv::test
