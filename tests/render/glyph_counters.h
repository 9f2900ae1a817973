// The counters of drawn glyphs: the enclosed background areas inside the ink (the inside
// of 口, the gaps between the strokes of 隹). Used to tell a bold that keeps its strokes
// apart from one that fills its glyphs into blots.
#pragma once

#include <vector>

#include "render/bitmap.h"

namespace mirvo::test {

// Enclosed background regions of a picture: pixels of colour `background` that no
// 4-connected path of background pixels joins to the picture's border.
struct Counters {
    int count = 0;
    std::vector<int> label;  // per pixel, row by row: 1..count for a counter, else 0
};
Counters FindCounters(const Bitmap& picture, Color background);

// How many counters of `regular` still hold some enclosed background of `bold` (the
// same glyph drawn at the same place in bold, on a picture of the same size).
int KeptCounters(const Bitmap& regular, const Bitmap& bold, Color background);

}  // namespace mirvo::test
