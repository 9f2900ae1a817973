// Page surfaces: the built-in textures, tiling, the page's base colour, and the finishing of
// a spread (reduction, gutter shading, fore-edge stripes).
#pragma once

#include <string>

#include "render/bitmap.h"

namespace mirvo {

// Built-in page texture: 100 x 90 cream paper with a fine woven grain. Always the same.
Bitmap BuiltInPageTexture();
// Built-in window-background texture: 64 x 64 granular sand. Always the same.
Bitmap BuiltInBaseTexture();

// Makes `target` width x height and covers it with unscaled copies of `texture` from the
// top-left corner (the last copies cut at the right and bottom). An empty texture leaves the
// target black.
void TileTexture(Bitmap& target, int width, int height, const Bitmap& texture);

// Average 0..255 of one byte of the colour values over the texture sampled at 8 x 8 by
// dropping pixels: 'R' gives byte C1 (bits 16-23 of 0x00BBGGRR), 'G' byte C2 (bits 8-15),
// 'B' byte C3 (bits 0-7). An empty texture gives 0.
int TextureChannelAverage(const Bitmap& texture, char selector);

struct FinishOptions {
    bool Alias = false;                   // the buffers are double size: reduce them by half
    bool UsePageTexture = false;          // base colour from the page texture's averages
    const Bitmap* PageTexture = nullptr;  // when none is given the PageColor is used
    Color PageColor = 0xFFFFFF;           // base colour otherwise (a colour value)
    int LeftPageImageWidth = 0;           // width of the left page on screen: gutter band / 20
};

// Finishes the two freshly drawn page buffers: reduces them when Alias is on, then shades
// the gutter (left page's right edge, right page's left edge) and draws the fore-edge
// stripes. A system colour (0x80000000 + index) takes its fixed scheme value.
void FinishSpread(Bitmap& leftBuf, Bitmap& rightBuf, const FinishOptions& o);

}  // namespace mirvo
