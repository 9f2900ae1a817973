// Reading picture files: JPEG illustrations and BMP pictures (illustrations, textures).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "render/bitmap.h"

namespace mirvo {

// A picture file that is missing, unreadable, malformed or too large. The message holds the
// decoder's or the system's own words and the path.
class PictureError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Pictures with more pixels than this are refused before any pixel memory is taken: 40
// million pixels (an A4 page scanned at 600 dpi has 35 million) hold 120 MB as a bitmap,
// and a picture is read again whenever its page is drawn.
constexpr long long kMaxPicturePixels = 40LL * 1000 * 1000;
// Picture files larger than this are not read.
constexpr std::uint64_t kMaxPictureFileBytes = 256u << 20;

// Reads an illustration. The extension (from the last "." after the last "/") decides the
// reader: ".JPG" in any case is decoded as JPEG; anything else, ".JPEG" included, is read
// as a BMP file. A picture of width or height 0 gives an empty Bitmap. Throws PictureError.
Bitmap ReadPictureFile(const std::string& path);

// Reads a BMP file (texture pictures). A picture of width or height 0 gives an empty
// Bitmap. Throws PictureError.
Bitmap LoadBitmapFile(const std::string& path);

// The decoders on a file's bytes; `name` (the path) is quoted in their errors. A picture
// whose file is too short for the size its header states is refused (a damaged or hostile
// file must not make the decoder fill a huge picture from a few bytes). BMP files may be
// uncompressed (1 to 32 bits per pixel) or run-length compressed (RLE8, RLE4); a
// compressed picture over a million pixels needs data enough to cover it in runs (a byte
// for every 128 pixels).
Bitmap DecodeBmp(std::string_view bytes, const std::string& name);
Bitmap DecodeJpeg(std::string_view bytes, const std::string& name);

// True when the extension of `path` selects the JPEG reader.
bool IsJpegPath(const std::string& path);

}  // namespace mirvo
