#include "format/formatter.h"

#include <array>
#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "format/ascii.h"
#include "format/cp932.h"
#include "format/layout_notes.h"
#include "format/markup.h"

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

// A formatting error with its message (E1 to E4).
struct FormatError {
    std::string message;
};

std::string ReadErrorHead(const std::string& path) {
    return "ファイル:" + path + "の読込み中にエラーが発生しました。\r\n";
}
const char* const kLine1Tail = "\r\n\r\n場所は、物理行で、1行目です。確認してください。";

enum class Bracket { None, Ruby, Note };

void FillToPageStart(RowList& rows, const PageLayout& layout);

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
        rows_.emplace_back();
        const std::size_t n = source.size();
        int lastK = -1;
        for (lineIndex_ = 0; lineIndex_ < n; ++lineIndex_) {
            const std::string& line = source[lineIndex_];
            if (!TakeImageLine(line, rows_, o_.Layout) && !TakeSkipLine(line, rows_, o_.Layout) &&
                !TakePageBreakLine(line)) {
                FormatLine(line);
            }
            rows_.emplace_back();
            column_ = 1;
            const int k = static_cast<int>(10 * (lineIndex_ + 1) / n);
            if (k != lastK) {
                lastK = k;
                host_.SetStatusText(ProgressText(lineIndex_ + 1, n));
            }
        }
    }

  private:
    // A page-break annotation on a line of its own acts as a page-break tag line.
    bool TakePageBreakLine(std::string_view line) {
        if (!layout_ || !LayoutNoteTracker::IsPageBreakLine(line)) return false;
        FillToPageStart(rows_, o_.Layout);
        return true;
    }

    // Lays the layout annotation at bytes [at, end) of the line into the rows: it takes
    // no width. One met where a row was just closed mid-line stays with the text before
    // it, at the end of that row.
    void PlaceLayoutNote(std::size_t at, std::size_t end) {
        prevCode_ = t_.markup.noteClose;
        rowLimit_ = baseLimit_ - 2 * layout_->LineIndent();
        if (column_ == 1 && !atLineStart_ && LastRowEmpty() && rows_.size() >= 2) {
            rows_.pop_back();
            rows_.back().append(line_.substr(at, end - at));
            rows_.emplace_back();
            segStart_ = end;
        }
        segEnd_ = end;
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
    }
    // Removes the empty last row, so that what follows joins the row before it.
    void DropEmptyRow() {
        Flush();
        if (rows_.size() < 2) throw std::out_of_range("no row before the first row");
        if (rows_.back().empty()) rows_.pop_back();
    }

    void FormatLine(std::string_view line) {
        line_ = line;
        segStart_ = segEnd_ = 0;
        bracket_ = Bracket::None;
        closeAfter_ = hung_ = false;
        atLineStart_ = true;
        if (layout_) {
            layout_->BeginLine(rows_);
            rowLimit_ = baseLimit_ - 2 * layout_->LineIndent();
        }
        std::size_t i = 0;
        const std::size_t size = line.size();
        const bool ruby = o_.UseRuby, notes = o_.UseComment;
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(line.data());
        // The character code at byte k and its length, never reading past the line.
        auto codeAt = [bytes, size](std::size_t k, std::size_t& n) -> std::uint16_t {
            const unsigned char b = bytes[k];
            if (IsLeadByte(b) && k + 1 < size) {
                n = 2;
                return static_cast<std::uint16_t>(b << 8 | bytes[k + 1]);
            }
            n = 1;
            return b;
        };
        while (i < size) {
            if (bracket_ == Bracket::None) {
                // Ordinary characters outside brackets, the common case, in a tight loop.
                int column = column_;
                const std::size_t start = i;
                const std::uint8_t* classes = t_.classes.data();
                const int limit = rowLimit_;
                while (i < size) {
                    const unsigned char b = bytes[i];
                    std::uint16_t c = b;
                    int w = 1;
                    if (kLeadBytes[b] && i + 1 < size) {
                        c = static_cast<std::uint16_t>(b << 8 | bytes[i + 1]);
                        w = 2;
                    }
                    const std::uint8_t cls = classes[c];
                    // Forbidden characters matter only at the start or the end of a row.
                    if (cls != 0 &&
                        ((cls & kMarkup) || ((cls & kRowStartForbidden) && column == 1) ||
                         ((cls & kRowEndForbidden) && column + w > limit))) {
                        break;
                    }
                    column += w;
                    i += static_cast<std::size_t>(w);
                    if (column > limit) {
                        segEnd_ = i;
                        NewRow();
                        column = 1;
                    }
                }
                column_ = column;
                if (i > start) {
                    segEnd_ = i;
                    prevCode_ = 0;  // an ordinary character: never the "［" of "［＃"
                    atLineStart_ = false;
                }
                if (i >= size) break;
            } else if (bracket_ == Bracket::Ruby) {
                // Ruby text takes no width and changes nothing up to its closer.
                const std::size_t start = i;
                std::uint16_t last = prevCode_;
                while (i < size) {
                    std::size_t n;
                    const std::uint16_t c = codeAt(i, n);
                    if (c == t_.markup.rubyClose) break;
                    last = c;
                    i += n;
                }
                if (i > start) {
                    segEnd_ = i;
                    prevCode_ = last;
                }
                if (i >= size) break;
            } else if (bracket_ == Bracket::Note) {
                // Annotation text takes no width; it is kept to tell emphasis from notes.
                const std::size_t start = i;
                std::uint16_t last = prevCode_;
                while (i < size) {
                    std::size_t n;
                    const std::uint16_t c = codeAt(i, n);
                    if (c == t_.markup.noteClose) break;
                    last = c;
                    i += n;
                }
                if (i > start) {
                    noteText_.append(line.substr(start, i - start));
                    segEnd_ = i;
                    prevCode_ = last;
                }
                if (i >= size) break;
            }
            std::size_t len;
            const std::uint16_t code = codeAt(i, len);
            if (layout_ && bracket_ == Bracket::None && code == t_.markup.noteOpen) {
                const std::size_t end = layout_->Take(line, i, atLineStart_);
                if (end != 0) {
                    PlaceLayoutNote(i, end);
                    i = end;
                    continue;
                }
            }
            atLineStart_ = false;
            const std::uint8_t cls = t_.classes[code];
            const std::uint16_t prev = prevCode_;
            prevCode_ = code;

            const std::string_view ch = line.substr(i, len);
            // Row-start rule (outside brackets only: markup never reshapes rows).
            if (column_ == 1 && (cls & kRowStartForbidden) && bracket_ == Bracket::None) {
                if (lineIndex_ == 0) {
                    throw FormatError{ReadErrorHead(o_.DocumentPath) + "ファイル先頭に " +
                                      Cp932ToUtf8(ch) + "の禁則文字は書けません" + kLine1Tail};
                }
                DropEmptyRow();
                hung_ = true;
            }
            if (bracket_ == Bracket::None) column_ += static_cast<int>(len);

            if (ruby && bracket_ == Bracket::None && code == t_.markup.rubyOpen) {
                column_ -= 2;
                if (column_ == 1) {
                    if (lineIndex_ == 0) {
                        throw FormatError{ReadErrorHead(o_.DocumentPath) +
                                          "ファイル先頭に ルビ判定文字列《は書けません" +
                                          kLine1Tail};
                    }
                    DropEmptyRow();
                }
                bracket_ = Bracket::Ruby;
            } else if (ruby && bracket_ == Bracket::Ruby && code == t_.markup.rubyClose) {
                bracket_ = Bracket::None;
                if (column_ == 1) closeAfter_ = true;
            }

            if (notes) {
                if (bracket_ == Bracket::None && code == t_.markup.noteSharp &&
                    prev == t_.markup.noteOpen) {
                    column_ -= 2;
                    if (column_ == 3) {
                        if (lineIndex_ == 0) {
                            throw FormatError{ReadErrorHead(o_.DocumentPath) +
                                              "ファイル先頭に 脚注判定文字列［＃は書けません" +
                                              kLine1Tail};
                        }
                        // Move the "［" that began this row to the end of the row before it.
                        Flush();
                        std::string opener = std::move(rows_.back());
                        if (rows_.size() < 2) throw std::out_of_range("no row before the first");
                        rows_.pop_back();
                        rows_.back() += opener;
                    } else if (column_ == 1 && i > 0 && LastRowEmpty()) {
                        // "［" filled the row before on this line: keep "＃" beside it and
                        // treat the annotation as one moved to that row.
                        DropEmptyRow();
                        column_ = 3;
                    }
                    if (column_ < 1) column_ = 1;
                    bracket_ = Bracket::Note;
                    noteText_.clear();
                }
                if (bracket_ == Bracket::Note) {
                    if (code == t_.markup.noteClose) {
                        if (column_ == 3) closeAfter_ = true;
                        if (ContainsChars(noteText_, Markup().emphasis)) {
                            column_ -= 2;
                            if (column_ < 1) column_ = 1;
                        }
                        bracket_ = Bracket::None;
                        noteText_.clear();
                    } else {
                        noteText_.append(ch);
                    }
                }
            }

            // Row-end rule: an opener that would end the row begins the next one.
            if (column_ > rowLimit_ && (cls & kRowEndForbidden) && bracket_ == Bracket::None) {
                NewRow();
                column_ = 1 + static_cast<int>(len);
            }
            segEnd_ = i + len;
            // An annotation is never cut: inside brackets only a closer ends the row (with
            // one character a row, "［＃" alone would already pass the width).
            if ((column_ > rowLimit_ && bracket_ == Bracket::None) || closeAfter_ || hung_) {
                NewRow();
                column_ = 1;
                closeAfter_ = hung_ = false;
            }
            i += len;
        }
        if (bracket_ != Bracket::None) {
            throw FormatError{ReadErrorHead(o_.DocumentPath) +
                              "ルビ判定文字列《》または脚注判定文字列［＃］が閉じられていないよう"
                              "です。\r\n\r\n場所は、物理行で、" +
                              std::to_string(lineIndex_ + 1) + "行目辺りです。確認してください。"};
        }
        Flush();
        if (layout_) layout_->EndLine(rows_);
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
};

// Adds empty rows until the last row is the first row of a page.
void FillToPageStart(RowList& rows, const PageLayout& layout) {
    const int rc = layout.Rows();
    const std::size_t rest = (rows.size() - 1) % static_cast<std::size_t>(rc);
    if (rest > 0) rows.resize(rows.size() + (static_cast<std::size_t>(rc) - rest));
}

}  // namespace

std::string ProgressText(std::size_t done, std::size_t total) {
    const std::size_t k = total == 0 ? 10 : (10 * done) / total;
    std::string text = "文書整形中:";
    for (std::size_t i = 0; i < 10; ++i) text += i < k ? "●" : "○";
    return text;
}

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
    std::string message;
    if (notes) *notes = LayoutNotes();
    try {
        Formatter formatter(rows, options, host);
        formatter.Run();
        if (notes) *notes = formatter.TakeNotes();
    } catch (const FormatError& e) {
        message = e.message;
    } catch (const std::bad_alloc&) {
        message = "ファイル:" + options.DocumentPath +
                  "の整形中にメモリーアクセス関連のエラーが発生しました。原因は不明です。\r\n"
                  "上記ファイルの内容を確認してみてください。";
    } catch (const std::out_of_range&) {
        message = "ファイル:" + options.DocumentPath +
                  "の整形中に文字列アクセス関連のエラーが発生しました。原因は不明です。\r\n"
                  "上記ファイルの内容を確認してみてください。";
    }
    if (!message.empty()) {
        host.ReportError(message);
        RowList().swap(rows);
        host.ClearLastDocument();
    }
    host.SetStatusText(options.DocumentPath);
    return message.empty();
}

}  // namespace mirvo
