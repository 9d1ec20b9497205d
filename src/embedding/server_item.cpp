#include "embedding/server_item.h"

#include <cmath>

#include "document/document.h"
#include "embedding/equation_picture.h"
#include "options/config_store.h"
#include "render/font_surface.h"

namespace kv {

int WholePointDescent(int align) {
  // A depth of whole points (36 points are 1270 units) reads a few millionths of a point over
  // them through the last digits of the conversion: it needs no space, not almost a point.
  constexpr double kWholePointSlack = 1e-4;
  const double points = align * kPointsPerUnit;
  if (points - std::floor(points) < kWholePointSlack) return 0;
  return static_cast<int>((std::ceil(points) - points) * kUnitsPerPoint);
}

int LoweringAmount(const NodeBox& box, int descent) {
  const long long height = static_cast<long long>(descent) + box.height;
  if (height <= 0) return 0;
  return static_cast<int>((static_cast<long long>(descent) + box.align) * 1000 / height);
}

std::string ExtentLine(const ContainerPicture& picture) {
  return "width=" + std::to_string(picture.size.cx) + " height=" + std::to_string(picture.size.cy) +
         " lowering=" + std::to_string(picture.lowering);
}

bool SaveLoweringHint(ConfigStore& exchangeStore, int amount, std::string& error) {
  exchangeStore.WriteInt(kLoweringHintSection, kLoweringAmountKey, amount, true);
  if (exchangeStore.Save()) return true;
  error = "the exchange file " + exchangeStore.Path() +
          " could not be saved: " + exchangeStore.LastError();
  return false;
}

KLV300SrvrItem::KLV300SrvrItem(KLV300Doc& document, FontCatalog& fonts, ConfigStore& exchangeStore,
                               const NodeBox& lastExtent)
    : document_(document), fonts_(fonts), exchangeStore_(exchangeStore), lastExtent_(lastExtent) {}

bool KLV300SrvrItem::OnGetExtent(DrawAspect aspect, PictureSize& size) const {
  if (aspect != DrawAspect::kContent) {
    size = {};
    return false;
  }
  size = {lastExtent_.width, lastExtent_.height};
  return true;
}

bool KLV300SrvrItem::OnDraw(const PictureOptions& options, ContainerPicture& picture,
                            std::string& error) {
  FontMetricsSurface measuring(fonts_, options.metrics);
  const NodeBox box = document_.GetDocumentExtent(measuring);
  const int descent = WholePointDescent(box.align);
  try {
    picture.bytes = MakeEquationPicture(fonts_, document_, options, box, descent).bytes;
  } catch (const PictureError& failure) {
    error = failure.what();
    return false;
  }
  picture.size = {box.width, box.height + descent};
  picture.lowering = LoweringAmount(box, descent);

  // The container reads the hint as soon as the picture is there: it is saved at once.
  picture.hintError.clear();
  SaveLoweringHint(exchangeStore_, picture.lowering, picture.hintError);
  return true;
}

}  // namespace kv
