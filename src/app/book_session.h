// Which book the reader holds, and so which book a save writes and which one the next start
// reopens. A book is held (its place, its bookmarks and its own settings are the reader's)
// only once it has loaded and formatted; a book that never loaded is never saved, and a
// path that could not be opened never becomes the last book.
#pragma once

#include <optional>
#include <string>

namespace mirvo {

enum class BookState {
    // No book has loaded yet: the start's book is missing or unreadable (or not opened
    // yet). Nothing is saved; the last book stays the one the start read.
    Waiting,
    // The book at Held() loaded and formatted; the reader holds its state.
    Shown,
    // The last opening loaded a book that failed to format: the reader holds no book. The
    // last book is the one shown before it, if that one had not failed.
    Failed,
    // A re-display of the book on show failed to format: the reader still holds its state,
    // with the page it was on before the failure.
    Broken,
};

class BookSession {
  public:
    // The start: `lastDocument` is the book the global file names (or the argument). An
    // empty one is held at once: there is nothing to load.
    void Start(const std::string& lastDocument);

    BookState State() const { return state_; }
    // The book whose state the reader holds (Shown, Broken), nothing otherwise.
    std::optional<std::string> Held() const;
    // The book the next start reopens.
    std::string LastDocument() const;
    // The page to save for the held book: the page before a failure while Broken.
    int PageToSave(int currentPage) const;
    // The page a good re-display returns to (Broken), nothing otherwise.
    std::optional<int> PageBeforeFailure() const;
    // The last formatting or drawing failed.
    bool FormatFailed() const;

    // The book at `path` loaded and formatted.
    void Formatted(const std::string& path);
    // An opening loaded the book at `path`, which failed to format.
    void OpenFailed(const std::string& path);
    // A re-display loaded the book at `path`, which failed to format; the reader was on
    // `page`. The book held keeps its state, with that page.
    void ReDisplayFailed(const std::string& path, int page);
    // A page of the book on show could not be drawn.
    void DrawFailed() { drawFailed_ = true; }

  private:
    // The last book that formatted and has not failed since ("" for none), or at the
    // start the book the start named.
    std::string LastGood() const;

    BookState state_ = BookState::Waiting;
    std::string held_;           // Shown, Broken: the book whose state the reader holds
    std::string last_;           // the book the next start reopens
    int pageBeforeFailure_ = 0;  // Broken: the page the reader was on before the failure
    bool drawFailed_ = false;    // cleared by the next good formatting
};

}  // namespace mirvo
