// Export for e-readers: every page of the book drawn as the reader draws it, at a page size
// of the caller's, in grey, and gathered into a comic archive (CBZ) or a PDF that read right
// to left.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "format/error_reporter.h"
#include "render/grey_image.h"
#include "viewer/spread_view.h"

namespace mirvo {

enum class ExportFormat { Cbz, Pdf };

// The format the extension of `path` names (".cbz" or ".pdf", in any case); none otherwise.
std::optional<ExportFormat> ExportFormatOf(std::string_view path);

// A page in the file's own form: a PNG, or deflated pixels.
struct EncodedPage {
    int width = 0, height = 0;
    std::string bytes;
};

// The pages of one export on their way into a file.
class PageBook {
  public:
    virtual ~PageBook() = default;
    // The page in the file's own form. Reads nothing of the book being made, so the
    // drawing processes encode their pages themselves. Throws std::runtime_error when the library
    // refuses it.
    virtual EncodedPage Encode(const GreyImage& page) const = 0;
    // Adds the next page in reading order.
    virtual void Add(EncodedPage page) = 0;
    // The file's bytes. Throws std::runtime_error when the library refuses them.
    virtual std::string Finish() = 0;
};

// A CBZ: one PNG a page named by its number, zero-padded to the digits of `pageCount` (at
// least four), and a ComicInfo.xml with the title that marks right-to-left reading. A PDF:
// one page a picture at 150 dpi, the title in its document information, and the viewer
// preference for right-to-left reading. `title` is UTF-8.
std::unique_ptr<PageBook> MakePageBook(ExportFormat format, const std::string& title,
                                       int pageCount);

// Which spreads a drawing takes: those whose index (0 for pages 1 and 2) leaves `index`
// when divided by `of`.
struct SpreadShare {
    int index = 0, of = 1;
};

// Draws pages 1 to the book's last page of `request` (its page number and picture area
// are not read), each `width` x `height` pixels, exactly as a spread of the reader draws
// them: pages N and N + 1 of each spread from page 1 together (the right page restarts the
// footnote numbering), then finished; with `share`, only some of the spreads. Hands each
// page in grey to `take` with its number, in order. False when a page could not be drawn
// (reported to `reporter`); errors of pictures and colours propagate as SpreadView::Render
// lets them.
bool DrawEveryPage(const SpreadRequest& request, int width, int height,
                   const std::function<void(int page, const GreyImage&)>& take,
                   ErrorReporter& reporter, SpreadShare share = {});

// Draws every page into `book` (DrawEveryPage), in several processes at once when the
// machine has several processors, each drawing a share of the spreads and encoding their
// pages (the renderer's fonts and caches stay each process's own); the pages are added
// here in order, and `added` hears of each. False when a page could not be drawn.
// Throws std::runtime_error for what a drawing process could not do (a picture, a colour,
// the encoding) and when one ends early.
bool ExportPages(const SpreadRequest& request, int width, int height, PageBook& book,
                 const std::function<void(int page)>& added, ErrorReporter& reporter);

}  // namespace mirvo
