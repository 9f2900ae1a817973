// Reading picture files: JPEG illustrations and BMP pictures (illustrations, textures).
#pragma once

#include <stdexcept>
#include <string>

#include "render/bitmap.h"

namespace mirvo {

// A picture file that is missing, unreadable, malformed or too large. The message holds the
// decoder's or the system's own words and the path.
class PictureError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Pictures with more pixels than this are refused before any pixel memory is taken.
constexpr long long kMaxPicturePixels = 100LL * 1000 * 1000;

// Reads an illustration. The extension (from the last "." after the last "/") decides the
// reader: ".JPG" in any case is decoded as JPEG; anything else, ".JPEG" included, is read
// as a BMP file. A picture of width or height 0 gives an empty Bitmap. Throws PictureError.
Bitmap ReadPictureFile(const std::string& path);

// Reads a BMP file (texture pictures). A picture of width or height 0 gives an empty
// Bitmap. Throws PictureError.
Bitmap LoadBitmapFile(const std::string& path);

// True when the extension of `path` selects the JPEG reader.
bool IsJpegPath(const std::string& path);

}  // namespace mirvo
