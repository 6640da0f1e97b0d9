#include "ui/notebook/TextViewGeometry.h"

#include <gtest/gtest.h>

using namespace VexilUI::TextGeometry;

TEST(TextGeometry, NearestRoundsHalvesAwayFromZero) {
    EXPECT_EQ(nearest(0.49999999999999994), 0);
    EXPECT_EQ(nearest(0.5), 1);
    EXPECT_EQ(nearest(10.5), 11);
    EXPECT_EQ(nearest(-2.5), -3);
    EXPECT_EQ(nearest(6.3), 6);
}

TEST(TextGeometry, GutterCountsAtLeastTwoDigits) {
    const struct {
        qsizetype lines;
        qreal advance, size, expected;
    } cases[] = {
        {1, 7.2, 15, 40},                                           // ceil(2 * 7.2 + 25.5) = ceil(39.9)
        {9, 7.2, 15, 40},                                           // 9 and 10 lines both size for two digits
        {10, 7.2, 15, 40},   {99, 7.2, 15, 40}, {100, 7.2, 15, 48}, // ceil(21.6 + 25.5)
        {1000, 7.2, 15, 55},                                        // ceil(28.8 + 25.5)
        {1, 10, 18, 51},                                            // ceil(20 + 30.6)
        {1, 5.4, 11, 30},                                           // ceil(10.8 + 18.7) = ceil(29.5)
    };
    for (const auto& c : cases)
        EXPECT_EQ(gutterWidth(c.lines, c.advance, c.size), c.expected) << c.lines << " " << c.size;
}

TEST(TextGeometry, ResultsColumnWidth) {
    const struct {
        qreal w, g;
        std::optional<qreal> fraction;
        qreal expected;
    } cases[] = {
        {800, 40, std::nullopt, 298},                      // 297.6 of the default fraction
        {800, 40, 0.1, 140},                               // below the floor
        {800, 40, 0.175, 140},                             // exactly 140 wanted
        {800, 40, 0.5, 400},          {800, 40, 0.9, 620}, // cut to W - G - 140
        {320, 40, 0.372, 140},                             // room 140: still a normal view
        {319, 40, 0.372, 140},                             // room 139: narrow, half of 279 = 139.5 -> 140
        {300, 40, 0.9, 130},                               // narrow: half of W - G whatever the fraction
        {30, 40, std::nullopt, 0},                         // never negative
    };
    for (const auto& c : cases)
        EXPECT_EQ(resultsWidth(c.w, c.g, c.fraction), c.expected) << c.w << " " << c.fraction.value_or(-1);
}

TEST(TextGeometry, ContainerAndResultOffsets) {
    // gap nearest(1.1 s); results left = divider + nearest(gap * 0.8)
    EXPECT_EQ(dividerGap(15), 17);
    EXPECT_EQ(resultsLeft(502, 15), 516);
    EXPECT_EQ(resultsLeft(100, 11), 110); // gap 12, 9.6 -> 10
    EXPECT_EQ(containerWidth(800, 40, 298, 15), 445);
    EXPECT_EQ(containerWidth(200, 40, 80, 15), 63);
    EXPECT_EQ(containerWidth(150, 40, 55, 15), 60); // never narrower than 60
    EXPECT_EQ(insetTop(15), 11);
    EXPECT_EQ(lineSpacing(15), 6);
    EXPECT_EQ(resultRightInset(15), 18);
}

TEST(TextGeometry, ResultTextIsRightAlignedButNeverLeftOfTheColumn) {
    // W 800, s 15: right inset 18.
    const QRectF narrow = resultTextRect(800, 516, 15, 50, 30, 14, 3.5);
    EXPECT_EQ(narrow, QRectF(732, 16, 50, 18)); // height ceil(17.5)
    const QRectF wide = resultTextRect(800, 516, 15, 400, 30, 14, 3.5);
    EXPECT_EQ(wide.left(), 516);
}

TEST(TextGeometry, PillStaysRightOfTheDividerAndInsideTheView) {
    // s 15: grows 8 sideways and 2 up and down.
    EXPECT_EQ(pillRect(QRectF(700, 20, 50, 18), 500, 800, 15), QRectF(692, 18, 66, 22));
    // Left edge moved to divider + 3, right edge kept.
    EXPECT_EQ(pillRect(QRectF(505, 20, 50, 18), 500, 800, 15), QRectF(503, 18, 60, 22));
    // Never closer than 2 to the right edge.
    EXPECT_EQ(pillRect(QRectF(760, 20, 38, 18), 500, 800, 15), QRectF(752, 18, 46, 22));
}

TEST(TextGeometry, HitRectangleReachesSixBeyondTheText) {
    const QRectF hit = resultHitRect(QRectF(700, 15, 50, 18), QRectF(40, 11, 445, 24), 15);
    EXPECT_EQ(hit, QRectF(694, 11, 62, 21));            // max(18, 24 - 3)
    EXPECT_TRUE(containsPoint(hit, QPointF(695, 20)));  // 5 left of the text
    EXPECT_FALSE(containsPoint(hit, QPointF(693, 20))); // 7 left of it
    EXPECT_FALSE(containsPoint(hit, QPointF(756, 20))); // right edge excluded
    const QRectF tall = resultHitRect(QRectF(700, 15, 50, 30), QRectF(40, 11, 445, 24), 15);
    EXPECT_EQ(tall.height(), 30);
}

TEST(TextGeometry, TruncationKeepsWholeCharactersAndEndsInAnEllipsis) {
    const auto tenEach = [](const QString& s) { return 10.0 * s.size(); };
    EXPECT_EQ(truncate("12345", 50, tenEach), "12345");
    EXPECT_EQ(truncate("123456", 50, tenEach), QString("1234\u2026"));
    EXPECT_EQ(truncate("123456", 20, tenEach), QString("1\u2026"));
    EXPECT_EQ(truncate("123456", 19, tenEach), QString("\u2026"));
    EXPECT_EQ(truncate("1", 5, tenEach), QString("\u2026"));
    EXPECT_EQ(truncate("", 1, tenEach), "");
    // A combining accent stays with its letter, a surrogate pair is never split.
    const QString accented = QString("ae\u0301b");
    EXPECT_EQ(truncate(accented, 30, tenEach), QString("a\u2026"));
    const QString emoji = QString::fromUtf16(u"x\U0001F600yz");
    EXPECT_EQ(truncate(emoji, 40, tenEach), QString::fromUtf16(u"x\U0001F600\u2026"));
    EXPECT_EQ(truncate(emoji, 35, tenEach), QString::fromUtf16(u"x\u2026"));
}
