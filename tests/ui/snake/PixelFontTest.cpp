#include "ui/snake/PixelFont.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <bit>
#include <iterator>

using namespace VexilUI;

namespace {

// Draws text at px 1 from (1,1) into a small transparent image, without anti-aliasing.
struct Drawn {
    QImage image;
    qreal endX;
};

Drawn drawSmall(const QString& text, qreal px = 1, QSize size = QSize(40, 12)) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const qreal end = PixelFont::draw(painter, text, QPointF(1, 1), px, Qt::white);
    painter.end();
    return {image, end};
}

// The lit pixels of one 3 by 5 glyph cell as rows of 4/2/1 bits.
PixelFont::Glyph readGlyph(const QImage& image, int x, int y) {
    PixelFont::Glyph rows{};
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 3; ++c)
            if (qAlpha(image.pixel(x + c, y + r)) > 128) rows[size_t(r)] |= quint8(4 >> c);
    return rows;
}

int litPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 0;
    return n;
}

} // namespace

TEST(PixelFont, TableHoldsDigitsCapitalsSpaceAndMiddleDot) {
    QList<char32_t> expected{U' ', U'\u00B7'};
    for (char32_t c = U'0'; c <= U'9'; ++c)
        expected << c;
    for (char32_t c = U'A'; c <= U'Z'; ++c)
        expected << c;
    EXPECT_EQ(PixelFont::glyphs().size(), expected.size());
    for (char32_t c : expected)
        EXPECT_TRUE(PixelFont::glyphs().contains(c)) << uint(c);
}

TEST(PixelFont, EveryGlyphDrawsItsTableRows) {
    const auto& table = PixelFont::glyphs();
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        const char32_t character = it.key();
        const Drawn drawn = drawSmall(QString::fromUcs4(&character, 1));
        // The lit pixels are those of the glyph's rows, and nothing outside its cell.
        EXPECT_EQ(readGlyph(drawn.image, 1, 1), it.value()) << uint(character);
        int bits = 0;
        for (quint8 row : it.value())
            bits += std::popcount(row);
        EXPECT_EQ(litPixels(drawn.image), bits) << uint(character);
        // No two characters look the same.
        for (auto other = std::next(it); other != table.cend(); ++other)
            EXPECT_NE(other.value(), it.value()) << uint(character) << " and " << uint(other.key());
    }
}

TEST(PixelFont, UnknownCharactersDrawAsBlanks) {
    const struct {
        QString text;
        int characters;
    } cases[] = {
        {"ab", 2},
        {"a-!", 3},
        {QString::fromUtf16(u"\u00E9"), 1},
        {QString::fromUtf16(u"e\u0301"), 1}, // one character of two code points
        {QString::fromUtf16(u"\U0001F40D"), 1},
        {"", 0},
    };
    for (const auto& c : cases) {
        const Drawn drawn = drawSmall(c.text, 2, QSize(40, 14));
        EXPECT_EQ(litPixels(drawn.image), 0) << c.text.toStdString();
        EXPECT_EQ(drawn.endX, 1 + 8 * c.characters) << c.text.toStdString();
        EXPECT_EQ(PixelFont::characterCount(c.text), c.characters);
    }
}

TEST(PixelFont, AdvanceAndWidth) {
    EXPECT_EQ(drawSmall("SCORE").endX, 1 + 5 * 4);
    EXPECT_DOUBLE_EQ(drawSmall("70", 2.4, QSize(40, 16)).endX, 1 + 2 * 4 * 2.4);
    EXPECT_DOUBLE_EQ(PixelFont::textWidth(u"BEST 0340", 2.4), 84.0);
    EXPECT_DOUBLE_EQ(PixelFont::textWidth(u"NEW BEST", 2), 62.0);
    EXPECT_DOUBLE_EQ(PixelFont::textWidth(u"", 2), 0.0);
}

TEST(PixelFont, MiddleDotIsTheSingleMiddlePixel) {
    const Drawn drawn = drawSmall(QString::fromUtf16(u"A\u00B7B"));
    const QImage& image = drawn.image;
    EXPECT_EQ(drawn.endX, 13);
    EXPECT_EQ(readGlyph(image, 1, 1), (PixelFont::Glyph{2, 5, 7, 5, 5}));
    EXPECT_EQ(readGlyph(image, 5, 1), (PixelFont::Glyph{0, 0, 2, 0, 0}));
    EXPECT_EQ(readGlyph(image, 9, 1), (PixelFont::Glyph{6, 5, 6, 5, 6}));
    // Nothing in the gaps between glyphs.
    for (int y = 0; y < 7; ++y) {
        EXPECT_EQ(qAlpha(image.pixel(4, y)), 0);
        EXPECT_EQ(qAlpha(image.pixel(8, y)), 0);
    }
    // The colour is the one given.
    EXPECT_EQ(QColor(image.pixel(6, 3)), QColor(Qt::white));
}

TEST(PixelFont, ScaledSquares) {
    // "1" at px 3: its top row is the middle pixel only, a 3 by 3 square at x 4 ... 6.
    const Drawn drawn = drawSmall("1", 3, QSize(16, 18));
    for (int x = 1; x < 13; ++x)
        EXPECT_EQ(qAlpha(drawn.image.pixel(x, 2)) > 0, x >= 4 && x < 7) << x;
    // Row 1 is 6: left and middle.
    for (int x = 1; x < 13; ++x)
        EXPECT_EQ(qAlpha(drawn.image.pixel(x, 5)) > 0, x >= 1 && x < 7) << x;
}
