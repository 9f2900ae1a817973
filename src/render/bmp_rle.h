// Run-length compressed BMP pixels (BI_RLE8 and BI_RLE4, as Windows paint programs write
// them), decoded into a bitmap the caller has sized.
#pragma once

#include <span>
#include <string_view>

#include "render/bitmap.h"

namespace mirvo {

enum class BmpRle { Rle8, Rle4 };

// Decodes `data` (the pixel data of the file, from its pixel offset to its end) into `out`,
// colour indices looked up in `palette`. Stored rows run bottom-up unless `topDown`.
// Pixels the data never reaches (a delta jump, a row or the picture ended early, data cut
// short) keep palette colour 0, and indices past the palette are black. Runs past the
// right edge are cut off, rows past the last one end the decoding: no data can write
// outside the picture or make the decoding run longer than its bytes allow.
void DecodeBmpRle(std::string_view data, std::span<const Color> palette, BmpRle kind, bool topDown,
                  Bitmap& out);

}  // namespace mirvo
