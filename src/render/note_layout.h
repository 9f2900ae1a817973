// What the page renderer draws for the layout annotations beyond indents: the size of text
// set larger or smaller, and the pictures that annotations place.
#pragma once

#include <string>
#include <string_view>

#include "format/problem.h"
#include "render/bitmap.h"
#include "render/picture_cache.h"

namespace mirvo {

// The cell height of text `steps` larger (above 0) or smaller (below 0) than body text of
// `bodyHeight` pixels in a cell `cellHeight` pixels high: each step smaller takes 15 % off,
// down to half the body height; each step larger adds 20 %, up to the cell height, so that
// larger text never reaches into the next cell. Never below 1 for a body height above 0.
int SizedHeight(int bodyHeight, int cellHeight, int steps);

// True when `p` says only that a picture is not there (no such file beside the book, no
// such member in its archive), as against one that is there and cannot be read.
bool IsMissingPicture(const Problem& p);

// Draws the picture `file` (CP932, as the annotation names it) as an illustration tag
// naming it would be drawn. False when the picture is not there (IsMissingPicture): the
// annotation is then drawn as text. Any other Problem is returned as DrawIllustration's.
Result<bool> DrawPictureNote(Bitmap& page, std::string_view file, const std::string& documentPath,
                             PictureCache& pictures, ProblemReporter& reporter);

}  // namespace mirvo
