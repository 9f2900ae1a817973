// The closed book: the front cover (title and author on the face, a shaded strip beside
// it) and the back cover (a plain face and a strip). Each cover is drawn into two
// buffers of the page images' sizes, the face buffer and the strip buffer.
#pragma once

#include <string>

#include "format/document.h"
#include "render/bitmap.h"

namespace mirvo {

class VerticalFont;

enum class CoverSide { Front, Back };

// Where the front cover's texts and frame go on a face of `faceWidth` x `faceHeight`
// pixels, for title row 0 and author row 1 (CP932). `hasText` is false when there are
// fewer than two rows or row 0 is empty: the face stays plain.
struct CoverTextPlan {
    bool hasText = false;
    int titleX = 0, titleY = 0, titleHeight = 0;
    Rect frame;  // one-pixel black frame around the title
    int authorX = 0, authorY = 0, authorHeight = 0;
};
CoverTextPlan PlanCoverText(int faceWidth, int faceHeight, const RowList& rows);

struct CoverStyle {
    Color coverColor = 0xFFFFFF;
    Color textColor = 0x000000;  // the default text colour
    std::string fontName;        // the vertical face name; its first character is dropped
};

// The horizontal face of the cover for a vertical face name: the name without its first
// character ("@ＭＳ ゴシック" -> "ＭＳ ゴシック").
std::string CoverFaceName(const std::string& fontName);

// Strip shading: n = trunc(faceWidth / 20) lines falling from the cover colour to black,
// darkest beside the face (at x = 0 of the front strip, at its right edge for the back).
void ShadeCoverStrip(Bitmap& strip, int faceWidth, Color coverColor, CoverSide side);

// Sizes both buffers to their images, fills them with the cover colour, draws the title,
// frame and author on the face (front cover only) and shades the strip. `font` is used
// for the texts (it is reconfigured).
void DrawFrontCover(Bitmap& faceBuf, int faceWidth, int faceHeight, Bitmap& stripBuf,
                    int stripWidth, int stripHeight, const RowList& rows, const CoverStyle& style,
                    VerticalFont& font);
void DrawBackCover(Bitmap& faceBuf, int faceWidth, int faceHeight, Bitmap& stripBuf, int stripWidth,
                   int stripHeight, const CoverStyle& style);

}  // namespace mirvo
