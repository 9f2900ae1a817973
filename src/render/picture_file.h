// Reading picture files: JPEG and PNG illustrations and BMP pictures (illustrations,
// textures).
// A picture that cannot be read (missing, unreadable, malformed, too large, or too costly
// to decode) is returned as a Problem naming the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "format/problem.h"
#include "render/bitmap.h"

namespace mirvo {

// Pictures with more pixels than this are refused before any pixel memory is taken: 40
// million pixels (an A4 page scanned at 600 dpi has 35 million) hold 120 MB as a bitmap.
constexpr long long kMaxPicturePixels = 40LL * 1000 * 1000;
// Picture files larger than this are not read.
constexpr std::uint64_t kMaxPictureFileBytes = 256u << 20;
// The decoding work a JPEG file may ask for, in pixels of its scans: each scan costs the
// blocks of the components it codes, 64 pixels a block. A baseline picture at the pixel
// limit costs at most 120 million; the usual progressive files (about ten scans) cost 8 to
// 14 times their pixels, under 560 million at the pixel limit. A file with hundreds of
// scans over a large picture would hold the window for many seconds (a pixel of a scan
// costs one to two nanoseconds); it is refused when its scans reach this sum.
constexpr long long kMaxJpegScanPixels = 600LL * 1000 * 1000;
// A stream with more scans than this is refused, whatever their size.
constexpr int kMaxJpegScans = 1000;

// Reads an illustration. The extension (from the last "." after the last "/") decides the
// decoder: ".JPG" in any case is decoded as JPEG, ".PNG" as PNG; anything else, ".JPEG"
// included, is read as a BMP file. A picture of width or height 0 gives an empty Bitmap.
Result<Bitmap> ReadPictureFile(const std::string& path);
// The same on a picture's bytes already read (an archive's member): `path` chooses the
// decoder and names the picture in Problems.
Result<Bitmap> DecodePicture(std::string_view bytes, const std::string& path);

// Reads a BMP file (texture pictures). A picture of width or height 0 gives an empty
// Bitmap.
Result<Bitmap> LoadBitmapFile(const std::string& path);

// The decoders on a file's bytes; `path` names the file in their Problems. A picture
// whose file is too short for the size its header states is refused (a damaged or hostile
// file must not make the decoder fill a huge picture from a few bytes). BMP files may be
// uncompressed (1 to 32 bits per pixel) or run-length compressed (RLE8, RLE4); a
// compressed picture over a million pixels needs data enough to cover it in runs (a byte
// for every 128 pixels).
Result<Bitmap> DecodeBmp(std::string_view bytes, const std::string& path);
Result<Bitmap> DecodeJpeg(std::string_view bytes, const std::string& path);
// PNG of any colour type and bit depth, interlaced or not: 16-bit samples are cut to 8,
// and transparency (alpha, or a transparent colour) is laid over white. A file whose
// compressed data could not inflate to its stated size is refused before decoding, as is
// a file libpng finds damaged (a bad checksum, missing data) at any point.
Result<Bitmap> DecodePng(std::string_view bytes, const std::string& path);

// True when the extension of `path` selects the JPEG decoder.
bool IsJpegPath(const std::string& path);
// True when the extension of `path` selects the PNG decoder.
bool IsPngPath(const std::string& path);

}  // namespace mirvo
