// The server item: what a container (a word processor) gets of the document it embeds. It says
// how big the equation is and renders the picture the container shows and prints, with the
// baseline hint the container uses to sit the picture on its text line.
//
// Units: 0.01 mm. One point is 35.2777755 units.
#pragma once

#include <string>

#include "render/cairo_surface.h"
#include "typeset/node_box.h"

namespace kv {

class ConfigStore;
class FontCatalog;
class KLV300Doc;

inline constexpr double kUnitsPerPoint = 35.2777755;
inline constexpr double kPointsPerUnit = 0.02834645852315717;

// Where the exchange store keeps the baseline hint.
inline constexpr std::string_view kLoweringHintSection = "Lowering Hint";
inline constexpr std::string_view kLoweringAmountKey = "Amount";

// What of an object a container asks the size of; the values are the embedding layer's.
enum class DrawAspect { kContent = 1, kThumbnail = 2, kIcon = 4, kDocPrint = 8 };

struct PictureSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const PictureSize&) const = default;
};

// The empty space, in units, that puts a whole number of points below the baseline of an
// equation whose depth below its baseline is `align` units.
int WholePointDescent(int align);

// The thousandths of a picture's height that lie below the equation's baseline: the picture is
// the box `box` with `descent` units of empty space added below it.
int LoweringAmount(const NodeBox& box, int descent);

// A picture made for a container.
struct ContainerPicture {
  std::string bytes;  // the encoded picture
  PictureSize size;   // its extent: the equation's box with the descent added below
  int lowering = 0;   // the hint: thousandths of the height below the baseline
  std::string
      hintError;  // why the hint could not be saved in the exchange store; empty when it was
};

// Writes `amount` as the baseline hint into the exchange store and saves the store; false, with
// `error` saying why, when it cannot be saved.
bool SaveLoweringHint(ConfigStore& exchangeStore, int amount, std::string& error);

// "width=W height=H lowering=AMOUNT": how the programs tell a container what they made.
std::string ExtentLine(const ContainerPicture& picture);

class KLV300SrvrItem {
 public:
  // `lastExtent` is the box of the last paint of any view: what the container is told the
  // object's size is. The hint goes to `exchangeStore`, which must have been loaded, so that the
  // other values it holds are saved with it.
  KLV300SrvrItem(KLV300Doc& document, FontCatalog& fonts, ConfigStore& exchangeStore,
                 const NodeBox& lastExtent);

  // The content aspect's size is the last painted box; any other aspect has none (false, 0 × 0).
  bool OnGetExtent(DrawAspect aspect, PictureSize& size) const;

  // Renders the document for the container into `picture`, in `options.format` (measured with
  // the options' metrics), with the whole-point descent added below it, then writes the hint to
  // the exchange store and saves the store. False, with `error` saying why, when the picture
  // cannot be made; the store is then untouched.
  bool OnDraw(const PictureOptions& options, ContainerPicture& picture, std::string& error);

 private:
  KLV300Doc& document_;
  FontCatalog& fonts_;
  ConfigStore& exchangeStore_;
  const NodeBox& lastExtent_;
};

}  // namespace kv
