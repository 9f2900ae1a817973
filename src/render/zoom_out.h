// The anti-alias reduction: an area-averaging box filter with 16.16 fixed-point weights and
// truncating division, used to reduce the double-size page buffers to screen size.
#pragma once

#include "render/bitmap.h"

namespace mirvo {

// Reduces `bitmap` in place to trunc(width * factor) x trunc(height * factor), 0 < factor
// <= 1. An empty bitmap is left alone. Factor 0.5 takes a fused one-pass path that gives
// the same bytes as the two passes.
void ShrinkBitmap(Bitmap& bitmap, double factor);

// The plain two passes (width, then height); the reference the fast paths are held to.
void ShrinkBitmapReference(Bitmap& bitmap, double factor);

// Reduces every row of `src` into the same row of `dst`; `dst` has src's height and its own,
// smaller width. When the work tables cannot be had, `dst` is left as it is.
void ShrinkWidth(const Bitmap& src, Bitmap& dst);

// Reduces every column of `src` into the same column of `dst`; `dst` has src's width and its
// own, smaller height. When the work rows cannot be had, `dst` is left as it is.
void ShrinkHeight(const Bitmap& src, Bitmap& dst);

// While on, every work-table request of the passes fails as when memory runs out; for tests
// of that path.
void SimulateWorkTableShortage(bool on);

}  // namespace mirvo
