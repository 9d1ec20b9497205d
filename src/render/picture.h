// One way to make a picture file of any format: SVG pictures are written directly by SvgSurface
// (the same drawing as cairo's SVG, many times faster and readable without the fonts); PNG and
// PDF pictures are drawn by CairoSurface.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "base/safe_save.h"
#include "render/svg_surface.h"

namespace kv {

using DrawPictureContent = std::function<void(Surface&)>;

// The picture `draw` makes on the surface of `options.format`, encoded. Throws PictureError.
std::string MakePicture(FontCatalog& catalog, const PictureFrame& frame,
                        const PictureOptions& options, const DrawPictureContent& draw);

// "cannot write PATH: reason", the message of a picture that cannot be made or saved.
std::string CannotWriteMessage(const std::filesystem::path& path, std::string_view reason);

// Writes an encoded picture to `path` (see SaveFileReplacing for `durability`). On failure
// returns false with `error` naming the file and the reason.
bool SavePicture(const std::filesystem::path& path, std::string_view picture, std::string& error,
                 Durability durability = Durability::kFlushed);

}  // namespace kv
