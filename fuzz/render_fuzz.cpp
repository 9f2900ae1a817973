// The spread display on formatted rows of any bytes: page renderer, illustrations (files
// beside the book, decoded for real), finishing, reduction and covers, at any layout and
// a small picture area.
#include <fstream>
#include <string>

#include "format/formatter.h"
#include "fuzz_support.h"
#include "render/color.h"
#include "render/picture_file.h"
#include "render/surfaces.h"
#include "viewer/spread_view.h"

namespace {

// A folder with pictures the illustration tags of the input can name: a.bmp, b.jpg.
std::string PictureFolder() {
    static const std::string folder = [] {
        const std::string dir = mirvo::fuzz::RunFolder();
        // a.bmp: 3 x 2 pixels of 24 bits, rows padded to 12 bytes.
        std::string bmp = "BM";
        auto le = [&bmp](std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i) bmp += static_cast<char>(v >> (8 * i));
        };
        le(54 + 24, 4), le(0, 4), le(54, 4), le(40, 4), le(3, 4), le(2, 4), le(1, 2);
        le(24, 2), le(0, 4), le(24, 4), le(0, 4), le(0, 4), le(0, 4), le(0, 4);
        for (int i = 0; i < 24; ++i) bmp += static_cast<char>(i * 37);
        std::ofstream(dir + "/a.bmp", std::ios::binary).write(bmp.data(), 78);
        return dir;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mirvo;
    static SpreadView view;
    static const Bitmap texture = BuiltInPageTexture();
    fuzz::Input in(data, size);
    const int rowCount = in.Small() % 24;
    const int rowBytes = in.Small() % 64;
    const PageLayout layout(rowCount, rowBytes);
    const std::uint8_t flags = in.Byte();
    const bool useRuby = flags & 1, useComment = flags & 2, useImage = flags & 4;
    const bool bold = flags & 8, useTexture = flags & 16, alias = flags & 32;
    const bool aozoraNotes = flags & 64, typeset = flags & 128;
    const int fontSpace = in.Small();
    const SpreadStyle style{PageStyle{layout, fontSpace, useRuby, useImage, useComment, "", bold,
                                      useTexture, 0xFFFFFF, kTextBlack, typeset},
                            0xFFFFFF, alias};
    const int page = in.Small() % 12;
    const int width = 40 + in.Byte(), height = 30 + in.Byte();
    const std::string path = PictureFolder() + "/book.txt";
    RowList rows = SplitLines(in.Rest());
    fuzz::QuietHost host;
    LayoutNotes notes;
    FormatOptions options{layout, useRuby, useComment, path, aozoraNotes};
    options.Typesetting = typeset;
    if (!FormatDocument(rows, options, host, &notes)) return 0;
    const SpreadRequest request{rows,    style, page,  width, height, kSpreadHeightRatio,
                                texture, path,  &notes};
    Bitmap left, right;
    PageTexts lists;
    fuzz::QuietProblems problems;
    // A picture the tag names that is missing or broken stops the display in the outcome.
    const SpreadOutcome out = view.Render(request, left, right, lists, problems);
    (void)ComposeBookArea(out, left, right);
    return 0;
}
