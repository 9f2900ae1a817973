// Illustration tags: a row "<IMG ...>" naming a picture file beside the text file, drawn
// scaled into the picture box of the page.
#pragma once

#include <string>
#include <string_view>

#include "format/problem.h"
#include "render/bitmap.h"
#include "render/picture_cache.h"

namespace mirvo {

enum class IllustrationPosition { None, Top, Middle, Bottom };

struct IllustrationTag {
    bool isTag = false;       // the row starts with "<IMG" (ASCII case ignored)
    bool nameClosed = false;  // a file name between two double quotes was found
    std::string fileName;     // CP932 bytes as written; when not closed, the bytes collected
                              // after the opening quote up to the end of the row
    bool full = false;        // "FULL": always scale to the largest size fitting the box
    bool trans = false;       // "TRANS": the bottom-left pixel's colour is transparent
    IllustrationPosition position = IllustrationPosition::None;
};

// True when the first four bytes of the row, upper-cased, are "<IMG".
bool IsIllustrationTag(std::string_view row);

// Splits a row into the tag's parts. Keywords are searched in the whole upper-cased row
// (file name included); BOTTOM wins over MIDDLE, MIDDLE over TOP.
IllustrationTag ParseIllustrationTag(std::string_view row);

// The file system path of the picture: the folder of `documentPath`, "/", and the CP932
// name converted to UTF-8 with "\" turned into "/".
std::string IllustrationPath(const std::string& documentPath, std::string_view cp932Name);

// Where a picture of pw x ph pixels is drawn on a W x H page (right/bottom exclusive).
// pw and ph must be above 0.
Rect IllustrationRect(int W, int H, int pw, int ph, const IllustrationTag& tag);

// Draws the illustration of `row` on `page`, its picture taken from `pictures` (from the
// book's archive when `documentPath` is a ZIP book, PictureCache::ForBook). True when
// the row is a tag and its picture was drawn; false when the row is no tag, the tag's file
// name is not closed (an IllustrationNameUnclosed is reported first, its detail the UTF-8
// name collected up to the end of the row) or the picture is empty. A picture that cannot
// be read is returned as its Problem, not reported.
Result<bool> DrawIllustration(Bitmap& page, std::string_view row, const std::string& documentPath,
                              PictureCache& pictures, ProblemReporter& reporter);

}  // namespace mirvo
