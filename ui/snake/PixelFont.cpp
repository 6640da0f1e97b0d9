#include "ui/snake/PixelFont.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>

namespace VexilUI::PixelFont {

const QHash<char32_t, Glyph>& glyphs() {
    static const QHash<char32_t, Glyph> table{
        {U'0', {7, 5, 5, 5, 7}},      {U'1', {2, 6, 2, 2, 7}}, {U'2', {7, 1, 7, 4, 7}},
        {U'3', {7, 1, 7, 1, 7}},      {U'4', {5, 5, 7, 1, 1}}, {U'5', {7, 4, 7, 1, 7}},
        {U'6', {7, 4, 7, 5, 7}},      {U'7', {7, 1, 1, 1, 1}}, {U'8', {7, 5, 7, 5, 7}},
        {U'9', {7, 5, 7, 1, 7}},      {U'A', {2, 5, 7, 5, 5}}, {U'B', {6, 5, 6, 5, 6}},
        {U'C', {3, 4, 4, 4, 3}},      {U'D', {6, 5, 5, 5, 6}}, {U'E', {7, 4, 6, 4, 7}},
        {U'F', {7, 4, 6, 4, 4}},      {U'G', {3, 4, 5, 5, 3}}, {U'H', {5, 5, 7, 5, 5}},
        {U'I', {7, 2, 2, 2, 7}},      {U'J', {1, 1, 1, 5, 2}}, {U'K', {5, 5, 6, 5, 5}},
        {U'L', {4, 4, 4, 4, 7}},      {U'M', {5, 7, 7, 5, 5}}, {U'N', {6, 5, 5, 5, 5}},
        {U'O', {2, 5, 5, 5, 2}},      {U'P', {6, 5, 6, 4, 4}}, {U'Q', {2, 5, 5, 6, 3}},
        {U'R', {6, 5, 6, 5, 5}},      {U'S', {3, 4, 2, 1, 6}}, {U'T', {7, 2, 2, 2, 2}},
        {U'U', {5, 5, 5, 5, 7}},      {U'V', {5, 5, 5, 5, 2}}, {U'W', {5, 5, 7, 7, 5}},
        {U'X', {5, 5, 2, 5, 5}},      {U'Y', {5, 5, 2, 2, 2}}, {U'Z', {7, 1, 2, 4, 7}},
        {U'\u00B7', {0, 0, 2, 0, 0}}, {U' ', {0, 0, 0, 0, 0}},
    };
    return table;
}

const Glyph& glyph(QStringView character) {
    const auto& table = glyphs();
    const auto codePoints = character.toUcs4();
    if (codePoints.size() == 1) {
        const auto found = table.constFind(codePoints.front());
        if (found != table.constEnd()) return *found;
    }
    return *table.constFind(U' ');
}

// Calls fn with each grapheme cluster of text.
template <typename Fn> static void forEachCharacter(QStringView text, Fn&& fn) {
    if (text.isEmpty()) return;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), int(text.size()));
    qsizetype start = 0;
    while (true) {
        const qsizetype end = finder.toNextBoundary();
        if (end < 0) break;
        if (end > start) fn(text.mid(start, end - start));
        start = end;
    }
}

int characterCount(QStringView text) {
    int n = 0;
    forEachCharacter(text, [&](QStringView) { ++n; });
    return n;
}

qreal textWidth(QStringView text, qreal px) {
    const int n = characterCount(text);
    return n == 0 ? 0 : (4 * n - 1) * px;
}

qreal draw(QPainter& painter, QStringView text, QPointF at, qreal px, const QColor& color) {
    // One path for the whole text, so adjacent squares leave no anti-aliased seams between them.
    QPainterPath pixels;
    pixels.setFillRule(Qt::WindingFill);
    qreal x = at.x();
    forEachCharacter(text, [&](QStringView character) {
        const Glyph& rows = glyph(character);
        for (int r = 0; r < 5; ++r) {
            for (int column = 0; column < 3; ++column) {
                if (rows[size_t(r)] & (4 >> column)) pixels.addRect(x + column * px, at.y() + r * px, px, px);
            }
        }
        x += 4 * px;
    });
    if (!pixels.isEmpty()) painter.fillPath(pixels, color);
    return x;
}

} // namespace VexilUI::PixelFont
