// mirvo --export FILE --out OUT.cbz|OUT.pdf [--area WxH] [options]: formats FILE and draws
// every page as the reader draws it into a comic archive or a PDF for e-readers. The file
// appears at OUT only when it is whole.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "app/bookshelf.h"
#include "app/folders.h"
#include "app/headless/book_export.h"
#include "app/headless/command_support.h"
#include "app/headless/headless.h"
#include "app/profile_file.h"
#include "format/cp932.h"
#include "render/surfaces.h"

namespace mirvo {
namespace {

constexpr int kPageWidth = 1072, kPageHeight = 1448;  // a 6-inch e-ink screen at 300 dpi

int WriteFailed(const std::string& out, int error) {
    std::fprintf(stderr, "mirvo: cannot write %s: %s\n", ReadableUtf8(out).c_str(),
                 std::strerror(error));
    return 1;
}

// Page N of M on standard error: rewritten in place on a terminal, every tenth of the
// book otherwise (a log keeps a few lines).
class Progress {
  public:
    explicit Progress(int count) : count_(count), terminal_(::isatty(2) != 0) {}
    // The line is ended however the export ends, so a message after it stands alone.
    ~Progress() {
        if (terminal_ && shown_) std::fputc('\n', stderr);
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Page(int page) {
        shown_ = true;
        if (terminal_) {
            std::fprintf(stderr, "\rmirvo --export: page %d of %d", page, count_);
        } else if (page == count_ || page * 10 / count_ != (page - 1) * 10 / count_) {
            std::fprintf(stderr, "mirvo --export: page %d of %d\n", page, count_);
        }
    }

  private:
    int count_;
    bool terminal_;
    bool shown_ = false;
};

// Draws the book into the file's bytes; false (reported) when a page cannot be drawn.
// Pictures, colours and the libraries throw.
bool ExportBytes(const CommandLine& line, const RowList& rows, const LayoutNotes& notes,
                 const ExtraChars& extras, ExportFormat format, int width, int height,
                 std::string& bytes, StderrHost& host) {
    const Settings& s = line.settings;
    const int count = PageCount(rows, LayoutOf(s));
    const std::unique_ptr<PageBook> book =
        MakePageBook(format, ReadableUtf8(BookTitle(line.file)), count);
    const Bitmap pageTexture = BuiltInPageTexture();
    const SpreadStyle style = SpreadStyleOf(s);
    const SpreadRequest request{rows,        style,     1,      0,      0, kSpreadHeightRatio,
                                pageTexture, line.file, &notes, &extras};
    bool drawn = false;
    {
        Progress progress(count);
        drawn = ExportPages(
            request, width, height, *book, [&](int page) { progress.Page(page); }, host);
    }
    if (drawn) bytes = book->Finish();
    return drawn;
}

}  // namespace

int ExportCommand(const std::vector<std::string>& args) {
    CommandLine line;
    const std::string problem =
        ParseCommandLine(args, OptionScope::Drawing, {"--out", "--area"}, line);
    if (!problem.empty()) return UsageError("--export", problem);
    const auto out = line.values.find("--out");
    const auto area = line.values.find("--area");
    int width = kPageWidth, height = kPageHeight;
    if (out == line.values.end() || out->second.empty())
        return UsageError("--export", "no --out given");
    const std::optional<ExportFormat> format = ExportFormatOf(out->second);
    if (!format)
        return UsageError("--export", "--out needs a .cbz or .pdf file, got " + out->second);
    if (area != line.values.end() && !ParseArea(area->second, width, height))
        return UsageError("--export", "--area needs WxH, got " + area->second);
    const std::string& target = out->second;
    // A folder that cannot take the file is told before the pages are drawn.
    if (::access(FolderOf(target).c_str(), W_OK | X_OK) != 0) return WriteFailed(target, errno);

    RowList rows;
    StderrHost host;
    LayoutNotes notes;
    ExtraChars extras;
    if (!LoadAndFormat(line.file, line.settings, rows, host, &notes, &extras)) return 1;
    std::string bytes;
    try {
        if (!ExportBytes(line, rows, notes, extras, *format, width, height, bytes, host) ||
            host.failed) {
            std::fprintf(stderr, "mirvo: a page could not be drawn; nothing written to %s\n",
                         ReadableUtf8(target).c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mirvo: %s\n", e.what());
        return 1;
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!ReplaceFile(target, bytes, exists ? &old : nullptr)) return WriteFailed(target, errno);
    return 0;
}

}  // namespace mirvo
