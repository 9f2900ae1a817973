#include "viewer/navigation.h"

#include <gtest/gtest.h>

#include "format/document.h"

namespace mirvo {
namespace {

constexpr auto kNext = PageRequester::LeftPage;
constexpr auto kPrev = PageRequester::RightPage;

TEST(Navigation, ForwardAndBackwardThroughCoversAndPages) {
    // Front cover -> 1 -> 3 ... and back; covers do not move further out.
    PageMove m = MovePage(FrontCoverPage, kPrev, 12);
    EXPECT_FALSE(m.moved);
    EXPECT_EQ(m.page, FrontCoverPage);
    m = MovePage(FrontCoverPage, kNext, 12);
    EXPECT_TRUE(m.moved);
    EXPECT_TRUE(m.fromCover);
    EXPECT_EQ(m.page, 1);
    m = MovePage(1, kNext, 12);
    EXPECT_FALSE(m.fromCover);
    EXPECT_EQ(m.page, 3);
    EXPECT_EQ(MovePage(1, kPrev, 12).page, FrontCoverPage);
    m = MovePage(BackCoverPage, kNext, 12);
    EXPECT_FALSE(m.moved);
    EXPECT_EQ(m.page, BackCoverPage);
}

TEST(Navigation, ReturnFromBackCoverLandsOnOddPage) {
    PageMove m = MovePage(BackCoverPage, kPrev, 2);
    EXPECT_TRUE(m.moved);
    EXPECT_TRUE(m.fromCover);
    EXPECT_EQ(m.page, 1);
    EXPECT_EQ(MovePage(BackCoverPage, kPrev, 13).page, 13);
    EXPECT_EQ(MovePage(BackCoverPage, kPrev, 12).page, 11);
}

TEST(Navigation, EvenPagesKeepTheirParity) {
    // A jump from the contents to page 4, then backward: 2, then 0 -> front cover.
    EXPECT_EQ(MovePage(4, kPrev, 12).page, 2);
    EXPECT_EQ(MovePage(2, kPrev, 12).page, 0);
    SpreadChoice c = ChooseSpread(0, false, 12);
    EXPECT_EQ(c.kind, SpreadKind::FrontCover);
    EXPECT_EQ(c.page, FrontCoverPage);
    EXPECT_EQ(ChooseSpread(-7, false, 12).page, FrontCoverPage);
}

TEST(Navigation, SpreadChoicePastTheEndAndOnEmptyBook) {
    // PageCount 2: forward from page 1 gives 3, which is past the end.
    SpreadChoice c = ChooseSpread(MovePage(1, kNext, 2).page, false, 2);
    EXPECT_EQ(c.kind, SpreadKind::BackCover);
    EXPECT_EQ(c.page, BackCoverPage);
    EXPECT_EQ(PageIndicator(c, 2), "裏表紙");
    c = ChooseSpread(1, false, 2);
    EXPECT_EQ(c.kind, SpreadKind::Spread);
    EXPECT_EQ(PageIndicator(c, 2), "1/2");
    c = ChooseSpread(5, true, 12);
    EXPECT_EQ(c.kind, SpreadKind::FrontCover);
    EXPECT_EQ(c.page, FrontCoverPage);
    EXPECT_EQ(PageIndicator(c, 12), "表紙");
    EXPECT_EQ(PageIndicator(ChooseSpread(12, false, 12), 12), "12/12");
}

TEST(Navigation, ScrollBarRunsAgainstThePages) {
    EXPECT_EQ(ScrollPositionForPage(1, 1, 12), 12);
    EXPECT_EQ(ScrollPositionForPage(7, 1, 12), 6);
    EXPECT_EQ(ScrollPositionForPage(12, 1, 12), 1);
    // Kept within the range.
    EXPECT_EQ(ScrollPositionForPage(-1, 1, 12), 12);
    EXPECT_EQ(ScrollPositionForPage(40, 1, 12), 1);
    // Max 12: positions 5 and 6 both give page 7.
    EXPECT_EQ(PageForScrollPosition(1, 5, 1, 12).page, 7);
    EXPECT_EQ(PageForScrollPosition(1, 6, 1, 12).page, 7);
    EXPECT_EQ(PageForScrollPosition(1, 12, 1, 12).page, 1);
    EXPECT_EQ(PageForScrollPosition(1, 1, 1, 12).page, 11);
    // Covers keep their page; the thumb goes to the matching end.
    ScrollMove s = PageForScrollPosition(FrontCoverPage, 4, 1, 12);
    EXPECT_EQ(s.page, FrontCoverPage);
    EXPECT_EQ(s.position, 12);
    s = PageForScrollPosition(BackCoverPage, 4, 1, 12);
    EXPECT_EQ(s.page, BackCoverPage);
    EXPECT_EQ(s.position, 1);
}

}  // namespace
}  // namespace mirvo
