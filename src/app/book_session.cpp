#include "app/book_session.h"

namespace mirvo {

void BookSession::Start(const std::string& lastDocument) {
    state_ = lastDocument.empty() ? BookState::Shown : BookState::Waiting;
    held_.clear();
    last_ = lastDocument;
    drawFailed_ = false;
}

std::optional<std::string> BookSession::Held() const {
    if (state_ == BookState::Shown || state_ == BookState::Broken) return held_;
    return std::nullopt;
}

std::string BookSession::LastDocument() const {
    return last_;
}

int BookSession::PageToSave(int currentPage) const {
    return state_ == BookState::Broken ? pageBeforeFailure_ : currentPage;
}

std::optional<int> BookSession::PageBeforeFailure() const {
    if (state_ == BookState::Broken) return pageBeforeFailure_;
    return std::nullopt;
}

bool BookSession::FormatFailed() const {
    return state_ == BookState::Failed || state_ == BookState::Broken || drawFailed_;
}

std::string BookSession::LastGood() const {
    // A book that never loaded at the start has not formatted; a broken one has failed.
    return state_ == BookState::Shown || state_ == BookState::Failed ? last_ : std::string();
}

void BookSession::Formatted(const std::string& path) {
    state_ = BookState::Shown;
    held_ = path;
    last_ = path;
    drawFailed_ = false;
}

void BookSession::OpenFailed(const std::string& path) {
    // A book that failed is not reopened at the next start; the one before it is.
    last_ = LastGood() == path ? std::string() : LastGood();
    state_ = BookState::Failed;
    held_.clear();
}

void BookSession::ReDisplayFailed(const std::string& path, int page) {
    if (state_ == BookState::Shown) {
        state_ = BookState::Broken;
        pageBeforeFailure_ = page;
    } else if (state_ == BookState::Waiting) {
        OpenFailed(path);
        return;
    }
    // A second failure keeps the page of the first.
    if (last_ == path) last_.clear();
}

}  // namespace mirvo
