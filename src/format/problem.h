// How the core tells of a failure. A Problem names what went wrong and carries its facts (a
// path, a line, a count, a value as written), never words: every message the reader sees
// is worded from a Problem in one place of the app layer (app/messages.h), so the layers
// below the app hold no text for the reader.
//
// Below the app, an expected failure (a file that cannot be read, a refused write, markup
// that does not close, a picture that cannot be decoded) is returned as a Problem, or as a
// Result that holds either a value or a Problem. Only a broken invariant throws.
#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace mirvo {

// Grouped by the layer that finds it.
enum class ProblemKind {
    None,
    // render: pictures and pages
    PictureNotRegular,          // path: a folder, FIFO or device in the picture's place
    PictureFileTooLarge,        // path: over kMaxPictureFileBytes
    PictureUnreadable,          // path; count: errno of the refused open or read
    PictureTooManyPixels,       // path; detail: the stated size, "W x H"
    PictureOutOfMemory,         // path
    BmpNotBmp,                  // path
    BmpHeaderUnsupported,       // path
    BmpBadWidth,                // path
    BmpCompressionUnsupported,  // path
    BmpBadCompression,          // path: run-length compression at another bit depth
    BmpTruncated,               // path
    BmpTooShort,                // path; detail: the stated size, "W x H"
    BmpUndecodable,             // path; detail: the decoder's own words (may be empty)
    JpegTooShort,               // path; detail: the stated size, "W x H"
    JpegTooManyScans,           // path: more scans, or more scan work, than a picture may cost
    JpegUndecodable,            // path; detail: the decoder's own words (may be empty)
    IllustrationNameUnclosed,   // detail: the file name collected to the end of the row (UTF-8)
    PageMarkupUnclosed,         // path: the book whose row's ruby or annotation is not closed
    // app: the reader core
    BookMissing,  // path: the book asked for is not there
    // app: the settings files
    SettingsBadColour,  // a colour key's value is no colour (path: the file, detail: the value)
    // format: loading and formatting a book
    BookNotRegular,          // path: a folder, FIFO, socket or device
    BookTooLarge,            // path; count: the limit in MiB
    BookUnreadable,          // path; systemError: why open or read failed (0 when unknown)
    BookCharsReplaced,       // path; count: characters replaced; line: the first one's line
    FormatOutOfMemory,       // path: the book does not fit in memory
    FormatInternal,          // path: an internal index went wrong while formatting
    FormatForbiddenAtStart,  // path; detail: the character (UTF-8) that cannot begin the book
    FormatRubyAtStart,       // path: "《" begins the book
    FormatNoteAtStart,       // path: "［＃" begins the book
    FormatUnclosed,          // path; line: the line where a "《" or "［＃" is not closed
    FormatMarkupAsText,      // path; line: the first line where a "《" or "［＃" left open
                             // was read as text (a notice: the book opens)
    // render: PNG pictures
    PngNotPng,       // path: no PNG signature and header
    PngTooShort,     // path; detail: the stated size, "W x H"
    PngUndecodable,  // path; detail: the decoder's own words (may be empty)
    // format: ZIP archives (path: the archive; detail: the member's name, UTF-8)
    ArchiveNotZip,              // path: no archive at all
    ArchiveDamaged,             // path: a damaged directory, or one that does not hold together
    ArchiveNoText,              // path: no .txt member to read as the book
    ArchiveMemberMissing,       // path; detail: the name looked for
    ArchiveMemberTooLarge,      // path; detail; count: the limit in bytes
    ArchiveMemberEncrypted,     // path; detail
    ArchiveMemberUnsupported,   // path; detail: packed in a way libzip cannot undo
    ArchiveMemberBomb,          // path; detail: a stated size beyond what its data can hold
    ArchiveMemberSizeMismatch,  // path; detail: unpacks to more or less than stated
    ArchiveMemberDamaged,       // path; detail: a bad checksum or packed data
    // app: the recent books
    RecentBookMissing,  // path: a recent book chosen from the menu is no longer there
};

struct Problem {
    ProblemKind kind = ProblemKind::None;
    std::string path;     // the file concerned, as the system names it (raw bytes)
    long long line = 0;   // 1-based line of the file, 0 when none
    long long count = 0;  // a number the message gives (a count, a limit, a size)
    std::string detail;   // a value as written (a key's value, a note's text), UTF-8
    int systemError = 0;  // the errno the system gave, 0 when none
};

// A Problem of `kind` about the file at `path`, its other facts still to fill in.
inline Problem FileProblem(ProblemKind kind, std::string path) {
    Problem p;
    p.kind = kind;
    p.path = std::move(path);
    return p;
}

// A value, or the Problem that stopped it.
template <class T>
class Result {
  public:
    Result(T value) : state_(std::move(value)) {}            // NOLINT: implicit on purpose
    Result(Problem problem) : state_(std::move(problem)) {}  // NOLINT: implicit on purpose

    bool Ok() const { return state_.index() == 0; }
    explicit operator bool() const { return Ok(); }

    T& Value() {
        assert(Ok());
        return std::get<0>(state_);
    }
    const T& Value() const {
        assert(Ok());
        return std::get<0>(state_);
    }
    const Problem& GetProblem() const {
        assert(!Ok());
        return std::get<1>(state_);
    }

  private:
    std::variant<T, Problem> state_;
};

// Where a layer tells of a problem it meets while it goes on working (the app words it and
// shows it at once).
class ProblemReporter {
  public:
    virtual ~ProblemReporter() = default;
    virtual void Report(const Problem& problem) = 0;
};

}  // namespace mirvo
