#include "viewer/spread_layout.h"

#include <cmath>

namespace mirvo {
namespace {

int Trunc(double v) {
    return static_cast<int>(std::trunc(v));
}

Rect At(int left, int top, int width, int height) {
    return Rect{left, top, left + width, top + height};
}

}  // namespace

Rect LayoutBookArea(int areaWidth, int areaHeight, double ratio) {
    const int height = Trunc(ratio * areaHeight);
    const int width = Trunc(height / 1.4 * 2);
    const int top = Trunc((1 - ratio) * areaHeight / 2);
    const int left = Trunc((areaWidth - width) / 2.0);
    return At(left, top, width, height);
}

SpreadLayout LayoutSpread(int areaWidth, int areaHeight, double ratio, bool alias) {
    SpreadLayout l;
    l.bookArea = LayoutBookArea(areaWidth, areaHeight, ratio);
    const int w = Trunc(l.bookArea.Width() / 2.0 + 0.5);
    const int h = l.bookArea.Height();
    l.leftImage = At(0, 0, w, h);
    l.rightImage = At(l.leftImage.Width(), 0, w, h);
    const int f = alias ? 2 : 1;
    l.leftBufWidth = f * l.leftImage.Width();
    l.leftBufHeight = f * l.leftImage.Height();
    l.rightBufWidth = f * l.rightImage.Width();
    l.rightBufHeight = f * l.rightImage.Height();
    return l;
}

namespace {

CoverLayout LayoutCover(int areaWidth, int areaHeight, double ratio, CoverSide side) {
    CoverLayout l;
    l.side = side;
    l.c = Trunc(ratio * areaHeight / 1.4);
    l.s = Trunc(0.1 * l.c + 0.5);
    const int top = Trunc((1 - ratio) * areaHeight / 2);
    const int width = Trunc(1.1 * l.c);
    const int height = Trunc(ratio * areaHeight);
    if (side == CoverSide::Front) {
        const int left = Trunc(areaWidth / 2.0 - l.c + 0.1 * l.c);
        l.bookArea = At(left, top, width, height);
        l.leftImage = At(0, 0, l.c, height);     // face
        l.rightImage = At(l.c, 0, l.s, height);  // strip
    } else {
        const int left = Trunc(areaWidth / 2.0 - 0.1 * l.c);
        l.bookArea = At(left, top, width, height);
        l.leftImage = At(0, 0, l.s, height);       // strip
        l.rightImage = At(l.s, 0, width, height);  // face, cut at the book area's edge
    }
    return l;
}

}  // namespace

CoverLayout LayoutFrontCover(int areaWidth, int areaHeight, double ratio) {
    return LayoutCover(areaWidth, areaHeight, ratio, CoverSide::Front);
}

CoverLayout LayoutBackCover(int areaWidth, int areaHeight, double ratio) {
    return LayoutCover(areaWidth, areaHeight, ratio, CoverSide::Back);
}

}  // namespace mirvo
