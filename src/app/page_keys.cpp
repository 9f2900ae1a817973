#include "app/page_keys.h"

#include "app/reader.h"

namespace mirvo {

PageCommand PageCommandForKey(ReaderKey key) {
    switch (key) {
        case ReaderKey::Space:
        case ReaderKey::Left:
        case ReaderKey::PageDown:
            return PageCommand::Forward;
        case ReaderKey::Backspace:
        case ReaderKey::Right:
        case ReaderKey::PageUp:
            return PageCommand::Backward;
        case ReaderKey::Home:
            return PageCommand::FrontCover;
        case ReaderKey::End:
            return PageCommand::BackCover;
        case ReaderKey::Other:
            break;
    }
    return PageCommand::None;
}

void RunPageCommand(Reader& reader, PageCommand command) {
    switch (command) {
        case PageCommand::Forward:
            reader.PageClick(PageRequester::LeftPage);
            break;
        case PageCommand::Backward:
            reader.PageClick(PageRequester::RightPage);
            break;
        case PageCommand::FrontCover:
            reader.ShowPage(FrontCoverPage);
            break;
        case PageCommand::BackCover:
            // A book without rows has only its front cover; the display shows that.
            reader.ShowPage(BackCoverPage);
            break;
        case PageCommand::None:
            break;
    }
}

int WheelTurns::Add(int angleDelta) {
    // Kept apart from the rest so that no movement, however large, overflows the sum.
    int turns = angleDelta / kNotch;
    rest_ += angleDelta % kNotch;
    turns += rest_ / kNotch;
    rest_ %= kNotch;
    return -turns;
}

}  // namespace mirvo
