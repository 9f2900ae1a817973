// Geometry of the book area inside the picture area: the open spread and the two closed
// covers. Plain arithmetic the window applies to its controls. All rectangles use the
// picture area's pixels (book area) or the book area's (page images); right and bottom
// are exclusive.
#pragma once

#include "render/bitmap.h"
#include "render/cover.h"

namespace mirvo {

constexpr double kSpreadHeightRatio = 0.94;           // normal window
constexpr double kFullScreenSpreadHeightRatio = 1.0;  // full-screen mode

// The book area for a picture area of `areaWidth` x `areaHeight` pixels: trunc(r x H)
// high, two pages of 1/1.4 of that height wide, centred.
Rect LayoutBookArea(int areaWidth, int areaHeight, double ratio);

struct SpreadLayout {
    Rect bookArea;    // in the picture area
    Rect leftImage;   // imgLeftPage, in the book area
    Rect rightImage;  // imgRightPage, in the book area
    // Page buffer sizes: the page images' sizes, doubled in each direction with Alias.
    int leftBufWidth = 0, leftBufHeight = 0;
    int rightBufWidth = 0, rightBufHeight = 0;
};

SpreadLayout LayoutSpread(int areaWidth, int areaHeight, double ratio, bool alias);

struct CoverLayout {
    CoverSide side = CoverSide::Front;
    int c = 0;        // trunc(r x H / 1.4): the width of one page
    int s = 0;        // trunc(0.1 x c + 0.5): the edge strip beside the face
    Rect bookArea;    // in the picture area
    Rect leftImage;   // in the book area: the face (front) or the strip (back)
    Rect rightImage;  // in the book area: the strip (front) or the face (back)
    // The face is the larger image; the strip the other one. Buffers are image-sized.
    bool FaceIsLeft() const { return side == CoverSide::Front; }
};

CoverLayout LayoutFrontCover(int areaWidth, int areaHeight, double ratio);
CoverLayout LayoutBackCover(int areaWidth, int areaHeight, double ratio);

}  // namespace mirvo
