#include "format/formatter.h"

#include <array>
#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "format/aozora_notes.h"
#include "format/ascii.h"
#include "format/cp932.h"
#include "format/layout_notes.h"
#include "format/markup.h"
#include "format/typeset_lines.h"

namespace mirvo {
namespace {

// Character classes, looked up by character code (the byte, or lead << 8 | trail).
enum : std::uint8_t {
    kRowStartForbidden = 1,  // never begins a row: hung on the previous row instead
    kRowEndForbidden = 2,    // never ends a row: pushed down to begin the next one
    kMarkup = 4,             // 《 》 ［ ＃ ］
};

constexpr std::array<bool, 256> kLeadBytes = [] {
    std::array<bool, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = IsLeadByte(static_cast<unsigned char>(b));
    return t;
}();

// The codes of the markup characters.
struct MarkupCodes {
    std::uint16_t rubyOpen, rubyClose, noteOpen, noteSharp, noteClose;
};

struct Tables {
    std::array<std::uint8_t, 65536> classes{};
    MarkupCodes markup{};

    Tables() {
        auto mark = [&](const std::string& s, std::uint8_t cls) {
            int pos = 1;
            while (pos <= static_cast<int>(s.size())) classes[CharCode(NextChar(s, pos))] |= cls;
        };
        mark(Utf8ToCp932("]}):;,.-?!ﾞﾟ｣･~・：；？！゛゜‐’”）〕｝〉」』】"), kRowStartForbidden);
        mark(Utf8ToCp932(",.､｡、。，．"), kRowStartForbidden);
        mark(Utf8ToCp932("[{(‘“（〔｛〈「『【"), kRowEndForbidden);
        const MarkupChars& m = Markup();
        mark(m.rubyOpen + m.rubyClose + m.noteOpen + m.noteSharp + m.noteClose, kMarkup);
        markup = MarkupCodes{CharCode(m.rubyOpen), CharCode(m.rubyClose), CharCode(m.noteOpen),
                             CharCode(m.noteSharp), CharCode(m.noteClose)};
    }
};

const Tables& GetTables() {
    static const Tables tables;
    return tables;
}

// A formatting error: unwinds the run to FormatDocument, which reports it.
struct FormatFailure {
    Problem problem;
};

enum class Bracket { None, Ruby, Note };

void FillToPageStart(RowList& rows, const PageLayout& layout);
void FillToRightPage(RowList& rows, const PageLayout& layout);

class Formatter {
  public:
    Formatter(RowList& rows, const FormatOptions& o, FormatterHost& host)
        : rows_(rows),
          o_(o),
          host_(host),
          t_(GetTables()),
          baseLimit_(o.Layout.RowBytes() - 1),
          rowLimit_(baseLimit_) {
        if (o.UseAozoraNotes && o.UseComment) layout_.emplace(o.Layout, o.UseRuby);
    }

    // What the layout annotations asked for; empty when they were not read.
    LayoutNotes TakeNotes() { return layout_ ? layout_->Finish(rows_.size()) : LayoutNotes(); }

    void Run() {
        RowList source = std::move(rows_);
        rows_ = RowList();
        rows_.reserve(EstimateRows(source));
        if (layout_) layout_->Reserve(rows_.capacity());
        rows_.emplace_back();
        const std::size_t n = source.size();
        int lastK = -1;
        for (lineIndex_ = 0; lineIndex_ < n; ++lineIndex_) {
            const std::string& line = source[lineIndex_];
            if (layout_ && (IsImageTagLine(line) || IsSkipTagLine(line))) layout_->EndPage(rows_);
            if (!TakeImageLine(line, rows_, o_.Layout) && !TakeSkipLine(line, rows_, o_.Layout) &&
                !TakeNoteLine(line)) {
                if (o_.Typesetting) {
                    TypesetLine(line);
                } else {
                    FormatLine(line);
                }
            }
            rows_.emplace_back();
            column_ = 1;
            const int k = static_cast<int>(10 * (lineIndex_ + 1) / n);
            if (k != lastK) {
                lastK = k;
                host_.ShowProgress(lineIndex_ + 1, n);
            }
        }
        if (layout_) layout_->EndPage(rows_);
    }

    // The first line (1-based) where a "《" or "［＃" was left open and read as text; 0.
    std::size_t LineLeftOpen() const { return leftOpen_; }

  private:
    // An annotation on a line of its own: a page break acts as a page-break tag line (改丁
    // and 改見開き go on to a right-hand page, where a spread begins); a picture is placed
    // as an illustration tag line is.
    bool TakeNoteLine(std::string_view line) {
        const Note note = layout_ ? LayoutNoteTracker::LineNote(line) : Note();
        if (note.kind != NoteKind::PageBreak && note.kind != NoteKind::Picture) return false;
        layout_->EndPage(rows_);
        FillToPageStart(rows_, o_.Layout);
        if (note.kind == NoteKind::PageBreak) {
            if (note.level > 0) FillToRightPage(rows_, o_.Layout);
            return true;
        }
        rows_.back().assign(line);
        layout_->PlacePicture(rows_.size() - 1);
        rows_.resize(rows_.size() + static_cast<std::size_t>(o_.Layout.Rows() - 1));
        return true;
    }

    // Lays the layout annotation at bytes [at, end) of the line into the rows: it takes
    // no width. One met where a row was just closed mid-line stays with the text before
    // it, at the end of that row.
    void PlaceLayoutNote(std::size_t at, std::size_t end) {
        prevCode_ = t_.markup.noteClose;
        rowLimit_ = layout_->RowLimit(baseLimit_, rows_);
        if (column_ == 1 && !atLineStart_ && LastRowEmpty() && rows_.size() >= 2) {
            rows_.pop_back();
            rows_.back().append(line_.substr(at, end - at));
            rows_.emplace_back();
            segStart_ = end;
        }
        segEnd_ = end;
        // The text after a 地付き or 字上げ amid a line goes to the foot of the next column
        // when it does not fit below the text before it.
        if (layout_->FootPartNeedsNewRow(column_, rowLimit_)) {
            NewRow();
            column_ = 1;
        }
    }

    // An upright run (縦中横) just before the annotation at `at` takes one full-width cell
    // whatever its bytes, when it stands whole in the row being filled (a run the row
    // closed after already fits its row). True when the count changed.
    bool FitUprightRun(std::size_t at) {
        const std::size_t n = layout_->UprightRunBytes();
        if (n == 0 || n == 2 || segEnd_ != at || segEnd_ - segStart_ < n) return false;
        column_ += 2 - static_cast<int>(n);
        return true;
    }

    static std::size_t EstimateRows(const RowList& source) {
        std::size_t bytes = 0;
        for (const std::string& l : source) bytes += l.size();
        return source.size() + bytes / 40 + 16;
    }

    // The last row as it stands: its stored bytes plus the bytes of the current line that
    // belong to it and are not yet appended.
    bool LastRowEmpty() const { return rows_.back().empty() && segEnd_ == segStart_; }
    void Flush() {
        if (segEnd_ > segStart_) rows_.back().append(line_.substr(segStart_, segEnd_ - segStart_));
        segStart_ = segEnd_;
    }
    void NewRow() {
        Flush();
        rows_.emplace_back();
        if (layout_) rowLimit_ = layout_->RowLimit(baseLimit_, rows_);  // a hanging indent
    }
    // Removes the empty last row, so that what follows joins the row before it.
    void DropEmptyRow() {
        Flush();
        if (rows_.size() < 2) throw std::out_of_range("no row before the first row");
        if (rows_.back().empty()) rows_.pop_back();
    }

    // Book typesetting cuts each line by its own rules; lines are independent there.
    void TypesetLine(std::string_view line) {
        line_ = line;
        segStart_ = segEnd_ = 0;
        if (layout_) layout_->BeginLine(rows_, line);
        LayoutNoteTracker* tracker = layout_ ? &*layout_ : nullptr;
        bool leftOpen = false;
        if (!TypesetLineIntoRows(line, baseLimit_, o_.UseRuby, o_.UseComment, tracker, rows_,
                                 leftOpen)) {
            Fail(ProblemKind::FormatUnclosed);
        }
        if (leftOpen && leftOpen_ == 0) leftOpen_ = lineIndex_ + 1;
        EndLine();
    }

    // One line: runs of plain characters and of bracketed text, and between them the
    // characters that the rules look at one by one.
    void FormatLine(std::string_view line) {
        BeginLine(line);
        std::size_t i = 0;
        while (i < line.size()) {
            i = bracket_ == Bracket::None ? PlainRun(i) : BracketRun(i);
            if (i >= line.size()) break;
            i = RuledCharacter(i);
        }
        EndLine();
    }

    void BeginLine(std::string_view line) {
        line_ = line;
        segStart_ = segEnd_ = 0;
        bracket_ = Bracket::None;
        closeAfter_ = hung_ = false;
        atLineStart_ = true;
        if (layout_) {
            layout_->BeginLine(rows_, line);
            rowLimit_ = layout_->RowLimit(baseLimit_, rows_);
        }
    }

    // The character code at byte k of the line and its length, never reading past the line.
    std::uint16_t CodeAt(std::size_t k, std::size_t& n) const {
        const auto b = static_cast<unsigned char>(line_[k]);
        if (IsLeadByte(b) && k + 1 < line_.size()) {
            n = 2;
            return static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(line_[k + 1]));
        }
        n = 1;
        return b;
    }

    // Width: ordinary characters outside brackets, the common case, in a tight loop. A row
    // closes once it passes the limit. Stops at markup and at a forbidden character where
    // its rule applies (a row-start one at the start of a row, a row-end one at its end).
    std::size_t PlainRun(std::size_t i) {
        const std::size_t size = line_.size();
        const auto* bytes = reinterpret_cast<const unsigned char*>(line_.data());
        const std::uint8_t* classes = t_.classes.data();
        int limit = rowLimit_;
        const std::size_t start = i;
        int column = column_;
        while (i < size) {
            const unsigned char b = bytes[i];
            std::uint16_t c = b;
            int w = 1;
            if (kLeadBytes[b] && i + 1 < size) {
                c = static_cast<std::uint16_t>(b << 8 | bytes[i + 1]);
                w = 2;
            }
            const std::uint8_t cls = classes[c];
            if (cls != 0 && ((cls & kMarkup) || ((cls & kRowStartForbidden) && column == 1) ||
                             ((cls & kRowEndForbidden) && column + w > limit))) {
                break;
            }
            column += w;
            i += static_cast<std::size_t>(w);
            if (column > limit) {
                segEnd_ = i;
                NewRow();
                column = 1;
                limit = rowLimit_;
            }
        }
        column_ = column;
        if (i > start) {
            segEnd_ = i;
            prevCode_ = 0;  // an ordinary character: never the "［" of "［＃"
            atLineStart_ = false;
        }
        return i;
    }

    // Ruby text and annotation text take no width and change nothing up to their closer;
    // annotation text is kept to tell emphasis from notes.
    std::size_t BracketRun(std::size_t i) {
        const std::uint16_t closer =
            bracket_ == Bracket::Ruby ? t_.markup.rubyClose : t_.markup.noteClose;
        const std::size_t start = i;
        std::uint16_t last = prevCode_;
        while (i < line_.size()) {
            std::size_t n;
            const std::uint16_t c = CodeAt(i, n);
            if (c == closer) break;
            last = c;
            i += n;
        }
        if (i > start) {
            if (bracket_ == Bracket::Note) noteText_.append(line_.substr(start, i - start));
            segEnd_ = i;
            prevCode_ = last;
        }
        return i;
    }

    // The character at byte i that a run stopped at, through every rule in turn. Returns
    // where the next character begins.
    std::size_t RuledCharacter(std::size_t i) {
        std::size_t len;
        const std::uint16_t code = CodeAt(i, len);
        if (layout_ && bracket_ == Bracket::None && code == t_.markup.noteOpen) {
            const std::size_t end = layout_->Take(line_, i, atLineStart_);
            if (end != 0) {
                const bool fitted = FitUprightRun(i);
                PlaceLayoutNote(i, end);
                if (fitted && column_ > rowLimit_) {
                    NewRow();
                    column_ = 1;
                }
                return end;
            }
        }
        atLineStart_ = false;
        const std::uint8_t cls = t_.classes[code];
        const std::uint16_t prev = prevCode_;
        prevCode_ = code;
        const std::string_view ch = line_.substr(i, len);
        RowStartRule(cls, ch);
        if (bracket_ == Bracket::None) column_ += static_cast<int>(len);
        if (o_.UseRuby) RubyRule(code, i);
        if (o_.UseComment) AnnotationRule(code, prev, ch, i);
        RowEndRule(cls, len);
        segEnd_ = i + len;
        RowCloseRule();
        return i + len;
    }

    // Row-start rule (outside brackets only: markup never reshapes rows): a character that
    // may not begin a row is hung on the row before, which then closes.
    void RowStartRule(std::uint8_t cls, std::string_view ch) {
        if (column_ != 1 || !(cls & kRowStartForbidden) || bracket_ != Bracket::None) return;
        if (lineIndex_ == 0) Fail(ProblemKind::FormatForbiddenAtStart, Cp932ToUtf8(ch));
        DropEmptyRow();
        hung_ = true;
    }

    // Ruby: "《" takes back its own width and opens ruby text; one that would begin a row
    // joins the row before. "》" ends it, closing a row that holds nothing else.
    void RubyRule(std::uint16_t code, std::size_t i) {
        if (bracket_ == Bracket::None && code == t_.markup.rubyOpen && ClosedHere(i, false)) {
            column_ -= 2;
            if (column_ == 1) {
                if (lineIndex_ == 0) Fail(ProblemKind::FormatRubyAtStart);
                DropEmptyRow();
            }
            bracket_ = Bracket::Ruby;
        } else if (bracket_ == Bracket::Ruby && code == t_.markup.rubyClose) {
            bracket_ = Bracket::None;
            if (column_ == 1) closeAfter_ = true;
        }
    }

    // Annotation: "＃" after "［" opens annotation text, "］" ends it.
    void AnnotationRule(std::uint16_t code, std::uint16_t prev, std::string_view ch,
                        std::size_t i) {
        if (bracket_ == Bracket::None && code == t_.markup.noteSharp &&
            prev == t_.markup.noteOpen && ClosedHere(i, true)) {
            OpenAnnotation(i);
        }
        if (bracket_ != Bracket::Note) return;
        if (code == t_.markup.noteClose) {
            CloseAnnotation();
        } else {
            noteText_.append(ch);
        }
    }

    // "［＃" takes the width of one cell; never begins a row apart from its text.
    void OpenAnnotation(std::size_t i) {
        column_ -= 2;
        if (column_ == 3) {
            if (lineIndex_ == 0) Fail(ProblemKind::FormatNoteAtStart);
            // Move the "［" that began this row to the end of the row before it.
            Flush();
            std::string opener = std::move(rows_.back());
            if (rows_.size() < 2) throw std::out_of_range("no row before the first");
            rows_.pop_back();
            rows_.back() += opener;
        } else if (column_ == 1 && i > 0 && LastRowEmpty()) {
            // "［" filled the row before on this line: keep "＃" beside it and treat the
            // annotation as one moved to that row.
            DropEmptyRow();
            column_ = 3;
        }
        if (column_ < 1) column_ = 1;
        bracket_ = Bracket::Note;
        noteText_.clear();
    }

    // "］": an annotation that stands alone on its row closes the row; emphasis dots take
    // no cell of their own.
    void CloseAnnotation() {
        if (column_ == 3) closeAfter_ = true;
        if (ContainsChars(noteText_, Markup().emphasis)) {
            column_ -= 2;
            if (column_ < 1) column_ = 1;
        }
        bracket_ = Bracket::None;
        noteText_.clear();
    }

    // Row-end rule (push-down): an opener that would end the row begins the next one.
    void RowEndRule(std::uint8_t cls, std::size_t len) {
        if (column_ > rowLimit_ && (cls & kRowEndForbidden) && bracket_ == Bracket::None) {
            NewRow();
            column_ = 1 + static_cast<int>(len);
        }
    }

    // Row close: past the width, after a hung character, or after a closer that was due.
    // An annotation is never cut: inside brackets only a closer ends the row (with one
    // character a row, "［＃" alone would already pass the width).
    void RowCloseRule() {
        if ((column_ > rowLimit_ && bracket_ == Bracket::None) || closeAfter_ || hung_) {
            NewRow();
            column_ = 1;
            closeAfter_ = hung_ = false;
        }
    }

    // With the Aozora notes, a "《" or "［＃" that its line does not close is read as text.
    bool ClosedHere(std::size_t i, bool note) {
        if (!layout_ || ClosedOnLine(line_, i, note)) return true;
        if (leftOpen_ == 0) leftOpen_ = lineIndex_ + 1;
        return false;
    }

    bool CanTakeBlockNotes(std::size_t row) const {
        const std::size_t first = row - row % static_cast<std::size_t>(o_.Layout.Rows());
        if (row < 2 || (row == first && !rows_[row].empty())) return false;
        return !IsImageTagLine(rows_[first]) && !layout_->IsPictureRow(first);
    }

    void EndLine() {
        if (bracket_ != Bracket::None) Fail(ProblemKind::FormatUnclosed);
        Flush();
        if (!layout_) return;
        // A line of block annotations alone joins the row before, unless that row is on a
        // picture's page (whose other rows stay empty) or is read as text elsewhere: the
        // title and author rows of the cover, the first row of a page holding text (a
        // bookmark's caption).
        if (layout_->OnlyBlockNotes() && rows_.size() >= 3 && CanTakeBlockNotes(rows_.size() - 2)) {
            rows_[rows_.size() - 2] += rows_.back();
            rows_.pop_back();
        }
        layout_->EndLine(rows_);
    }

    // Ends the run with `kind`, at the current line.
    [[noreturn]] void Fail(ProblemKind kind, std::string detail = {}) const {
        Problem p = FileProblem(kind, o_.DocumentPath);
        p.line = static_cast<long long>(lineIndex_ + 1);
        p.detail = std::move(detail);
        throw FormatFailure{std::move(p)};
    }

    RowList& rows_;
    const FormatOptions& o_;
    FormatterHost& host_;
    const Tables& t_;
    const int baseLimit_;  // a row closes once its counted width passes RowBytes - 1,
    int rowLimit_;         // less the indent of the line
    std::optional<LayoutNoteTracker> layout_;
    bool atLineStart_ = true;  // nothing but layout annotations read on this line yet

    std::size_t lineIndex_ = 0;
    std::string_view line_;
    std::size_t segStart_ = 0, segEnd_ = 0;  // bytes of line_ waiting to join the last row
    int column_ = 1;                         // ColumnCounter: 1 + counted width of the row
    std::uint16_t prevCode_ = 0xFFFF;        // previous character, across line ends
    Bracket bracket_ = Bracket::None;
    bool closeAfter_ = false, hung_ = false;
    std::string noteText_;
    std::size_t leftOpen_ = 0;
};

// Adds empty rows until the last row is the first row of a page.
void FillToPageStart(RowList& rows, const PageLayout& layout) {
    const int rc = layout.Rows();
    const std::size_t rest = (rows.size() - 1) % static_cast<std::size_t>(rc);
    if (rest > 0) rows.resize(rows.size() + (static_cast<std::size_t>(rc) - rest));
}

// From the first row of a page, adds a page of empty rows when that page is a left-hand
// one (an even page: spreads begin on odd pages).
void FillToRightPage(RowList& rows, const PageLayout& layout) {
    const auto rc = static_cast<std::size_t>(layout.Rows());
    if ((rows.size() - 1) / rc % 2 == 1) rows.resize(rows.size() + rc);
}

}  // namespace

bool IsImageTagLine(std::string_view line) {
    return StartsWithNoCase(line, "<IMG");
}
bool IsSkipTagLine(std::string_view line) {
    return StartsWithNoCase(line, "<SKIP");
}

bool TakeImageLine(std::string_view line, RowList& rows, const PageLayout& layout) {
    if (!IsImageTagLine(line)) return false;
    if (rows.empty()) rows.emplace_back();
    FillToPageStart(rows, layout);
    rows.back().assign(line);
    rows.resize(rows.size() + static_cast<std::size_t>(layout.Rows() - 1));
    return true;
}

bool TakeSkipLine(std::string_view line, RowList& rows, const PageLayout& layout) {
    if (!IsSkipTagLine(line)) return false;
    if (rows.empty()) rows.emplace_back();
    FillToPageStart(rows, layout);
    return true;
}

bool FormatDocument(RowList& rows, const FormatOptions& options, FormatterHost& host,
                    LayoutNotes* notes) {
    Problem problem;
    if (notes) *notes = LayoutNotes();
    try {
        Formatter formatter(rows, options, host);
        formatter.Run();
        if (notes) *notes = formatter.TakeNotes();
        if (formatter.LineLeftOpen() != 0) {
            Problem open = FileProblem(ProblemKind::FormatMarkupAsText, options.DocumentPath);
            open.line = static_cast<long long>(formatter.LineLeftOpen());
            host.Report(open);
        }
    } catch (const FormatFailure& e) {
        problem = e.problem;
    } catch (const std::bad_alloc&) {
        problem = FileProblem(ProblemKind::FormatOutOfMemory, options.DocumentPath);
    } catch (const std::out_of_range&) {
        problem = FileProblem(ProblemKind::FormatInternal, options.DocumentPath);
    }
    const bool ok = problem.kind == ProblemKind::None;
    if (!ok) {
        host.Report(problem);
        RowList().swap(rows);
        host.ClearLastDocument();
    }
    host.FormattingEnded();
    return ok;
}

}  // namespace mirvo
