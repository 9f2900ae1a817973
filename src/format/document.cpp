#include "format/document.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "format/regular_file.h"
#include "format/zip_archive.h"

namespace mirvo {

namespace {

// Finds line ends: the next CR and the next LF are each searched for only once the bytes
// have passed the last one found, so every byte is looked at once for each kind, whether
// the bytes hold CR LF, lone CR, lone LF or a mix.
class LineEnds {
  public:
    explicit LineEnds(std::string_view bytes)
        : end_(bytes.data() + bytes.size()),
          cr_(Find(bytes.data(), '\r')),
          lf_(Find(bytes.data(), '\n')) {}

    // The next CR or LF at or after `p`, or the end of the bytes.
    const char* Next(const char* p) {
        if (cr_ < p) cr_ = Find(p, '\r');
        if (lf_ < p) lf_ = Find(p, '\n');
        return cr_ < lf_ ? cr_ : lf_;
    }
    // Where the line after the end at `stop` begins.
    const char* After(const char* stop) const {
        return stop + (*stop == '\r' && stop + 1 < end_ && stop[1] == '\n' ? 2 : 1);
    }
    const char* End() const { return end_; }

  private:
    const char* Find(const char* p, char c) const {
        const auto* hit = static_cast<const char*>(std::memchr(p, c, end_ - p));
        return hit ? hit : end_;
    }
    const char* end_;
    const char* cr_;
    const char* lf_;
};

// Where each line of `bytes` stops (its line end, or the end of the bytes), for at most
// `most` + 1 lines: one offset a line, so that the lines can then be made with no spare
// room in their list.
std::vector<std::size_t> LineStops(std::string_view bytes, std::size_t most) {
    std::vector<std::size_t> stops;
    // Room for lines of 128 bytes on average: prose seldom needs more.
    stops.reserve(std::min(bytes.size() / 128, most) + 1);
    LineEnds ends(bytes);
    const char* p = bytes.data();
    while (p < ends.End() && stops.size() <= most) {
        const char* stop = ends.Next(p);
        stops.push_back(static_cast<std::size_t>(stop - bytes.data()));
        if (stop == ends.End()) break;
        p = ends.After(stop);
    }
    return stops;
}

RowList LinesAt(std::string_view bytes, const std::vector<std::size_t>& stops) {
    RowList lines;
    lines.reserve(stops.size());
    const LineEnds ends(bytes);
    const char* p = bytes.data();
    for (const std::size_t stop : stops) {
        lines.emplace_back(p, bytes.data() + stop);
        if (stop < bytes.size()) p = ends.After(bytes.data() + stop);
    }
    return lines;
}

}  // namespace

RowList SplitLines(std::string_view bytes) {
    return LinesAt(bytes, LineStops(bytes, bytes.size()));
}

namespace {

// The bytes of the book's text: the file's own, or those of the text of a ZIP book.
static_assert(kMaxArchiveBytes == kMaxBookBytes, "a ZIP book is held to the book limit");
Result<std::string> ReadBookBytes(const std::string& path) {
    if (IsZipPath(path)) {
        Result<ArchiveBook> book = ReadArchiveBook(path);
        if (!book) return book.GetProblem();
        return std::move(book.Value().bytes);
    }
    FileReadResult file = ReadRegularFile(path, kMaxBookBytes);
    if (file.status != FileReadStatus::Ok) return FileReadProblem(path, file, kMaxBookBytes);
    return std::move(file.bytes);
}

}  // namespace

Result<RowList> LoadLines(const std::string& path, TextEncoding encoding, TextReport* report,
                          ExtraChars* extras) {
    try {
        Result<std::string> bytes = ReadBookBytes(path);
        if (!bytes) return bytes.GetProblem();
        DecodedText text = DecodeText(std::move(bytes.Value()), encoding);
        const std::vector<std::size_t> stops = LineStops(text.cp932, kMaxBookLines);
        if (stops.size() > kMaxBookLines) return FileProblem(ProblemKind::FormatOutOfMemory, path);
        if (report) *report = text.report;
        if (extras) *extras = std::move(text.extras);
        return LinesAt(text.cp932, stops);
    } catch (const std::bad_alloc&) {
        return FileProblem(ProblemKind::FormatOutOfMemory, path);
    }
}

Problem ReplacementNotice(const std::string& path, const TextReport& report) {
    Problem p = FileProblem(ProblemKind::BookCharsReplaced, path);
    p.count = static_cast<long long>(report.replaced);
    p.line = static_cast<long long>(report.firstReplacedLine);
    return p;
}

int PageCount(std::size_t rowListSize, const PageLayout& layout) {
    const long long rows = static_cast<long long>(rowListSize);
    // (rows - 2) / RowCount truncates toward zero, so 0 and 1 rows give page 1.
    return static_cast<int>((rows - 2) / layout.Rows()) + 1;
}

long long FirstRowOfPage(int page, const PageLayout& layout) {
    return (static_cast<long long>(page) - 1) * layout.Rows();
}

int PageOfRow(long long rowIndex, const PageLayout& layout) {
    return static_cast<int>(rowIndex / layout.Rows()) + 1;
}

}  // namespace mirvo
