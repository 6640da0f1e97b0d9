#include "core/document/ReferenceInsertion.h"

#include <algorithm>

namespace VexilCore::ReferenceInsertion {

namespace {

// The line holding position pos (0-based) and the end of that line's content.
struct LineAt {
    int index = 0;
    qsizetype end = 0;
};

LineAt lineAt(const QString& text, qsizetype pos) {
    LineAt l;
    l.index = int(text.left(pos).count(u'\n'));
    const qsizetype nl = text.indexOf(u'\n', pos);
    l.end = nl < 0 ? text.size() : nl;
    return l;
}

// The end of the content of line `index`, or of the last line when there are fewer.
qsizetype lineEnd(const QString& text, int index) {
    qsizetype start = 0;
    for (int i = 0; i < index; ++i) {
        const qsizetype nl = text.indexOf(u'\n', start);
        if (nl < 0) break;
        start = nl + 1;
    }
    const qsizetype nl = text.indexOf(u'\n', start);
    return nl < 0 ? text.size() : nl;
}

} // namespace

Edit edit(const QString& text, TextRange selection, int clickedLine) {
    clickedLine = std::max(clickedLine, 0);
    const QString reference = QStringLiteral("line") + QString::number(qint64(clickedLine) + 1);

    const qsizetype start = std::clamp<qsizetype>(selection.location, 0, text.size());
    const qsizetype end = std::clamp<qsizetype>(selection.end(), start, text.size());
    const LineAt caretLine = lineAt(text, start);

    Edit e;
    if (caretLine.index <= clickedLine) {
        const qsizetype at = lineEnd(text, clickedLine);
        e.range = {at, 0};
        e.replacement = u'\n' + reference;
    } else {
        TextRange target{start, end - start};
        if (end > caretLine.end) target = {caretLine.end, 0}; // spans lines
        QString insert = reference;
        if (target.location > 0) {
            const QChar before = text.at(target.location - 1);
            if (before != u'\n' && before != u' ' && before != u'\t' && before != u'(') insert.prepend(u' ');
        }
        if (target.end() < text.size() && text.at(target.end()).isLetterOrNumber()) insert.append(u' ');
        e.range = target;
        e.replacement = insert;
    }
    e.selectionAfter = {e.range.location + e.replacement.size(), 0};
    return e;
}

} // namespace VexilCore::ReferenceInsertion
