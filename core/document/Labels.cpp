#include "core/document/Document.h"

#include "core/parser/Parser.h"

#include <QTextBoundaryFinder>

#include <charconv>

namespace VexilCore {

namespace {

constexpr int kMaxLabelCharacters = 40;

// The scalar at i, moving i past it; a lone surrogate stands for itself.
char32_t nextScalar(QStringView s, qsizetype& i) {
    const QChar c = s[i++];
    if (c.isHighSurrogate() && i < s.size() && s[i].isLowSurrogate())
        return QChar::surrogateToUcs4(c, s[i++]);
    return c.unicode();
}

// Letters include combining marks, so a letter typed as "e" + U+0301 stays a letter.
bool isLetter(char32_t c) {
    return QChar::isLetter(c) || QChar::isMark(c);
}

bool isAlphanumeric(char32_t c) {
    return QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

bool isLabelPunctuation(char32_t c) {
    switch (c) {
    case u' ':
    case u'_':
    case u'\'':
    case u'\u2019':
    case u'&':
    case u'.':
    case u'-':
    case u'(':
    case u')':
    case u'/':
    case u'#':
        return true;
    default:
        return false;
    }
}

// Blanks, tabs and the other space separators.
bool isBlank(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QStringView trimmedBlanks(QStringView s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

qsizetype graphemeCount(QStringView s) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s.data(), s.size());
    qsizetype n = 0;
    while (finder.toNextBoundary() > 0)
        ++n;
    return n;
}

std::optional<char32_t> firstScalar(QStringView s) {
    if (s.isEmpty()) return std::nullopt;
    qsizetype i = 0;
    return nextScalar(s, i);
}

// "line" followed by a whole number that fits: the parser reads such a word as a line reference.
bool isLineReferenceWord(const QString& lw) {
    if (!lw.startsWith(u"line") || lw.size() == 4 || lw.size() > 40) return false;
    char digits[40];
    qsizetype n = 0;
    for (qsizetype i = 4; i < lw.size(); ++i) {
        const QChar c = lw[i];
        if (c < u'0' || c > u'9') return false;
        digits[n++] = char(c.unicode());
    }
    qint64 value = 0;
    const auto [end, ec] = std::from_chars(digits, digits + n, value);
    return ec == std::errc() && end == digits + n;
}

} // namespace

std::optional<qsizetype> DocumentEvaluator::labelLength(QStringView line) {
    const qsizetype colon = line.indexOf(u':');
    if (colon <= 0) return std::nullopt;
    const QStringView before = line.left(colon);
    const QStringView name = trimmedBlanks(before);
    if (name.isEmpty()) return std::nullopt;

    if (!isLetter(*firstScalar(name))) return std::nullopt;
    for (qsizetype i = 0; i < name.size();) {
        const char32_t c = nextScalar(name, i);
        if (!isAlphanumeric(c) && !isLabelPunctuation(c)) return std::nullopt;
    }
    // Characters are never more than code units, so short names need no counting.
    if (name.size() > kMaxLabelCharacters && graphemeCount(name) > kMaxLabelCharacters) return std::nullopt;
    if (before.contains(u"//")) return std::nullopt;

    qsizetype length = colon + 1;
    if (length < line.size()) {
        const QChar next = line[length];
        if (next == u'\t') return length;
        if (next != u' ') return std::nullopt;
        while (length < line.size() && line[length] == u' ')
            ++length;
    }
    return length;
}

namespace {

// isValidWord, with the word's lower-case form lw made once by the caller.
bool validWord(const QString& word, const QString& lw) {
    const auto first = firstScalar(word);
    if (!first || !(isLetter(*first) || *first == u'_')) return false;
    if (lw != u"x" && LineParser::unassignable().contains(lw)) return false;
    return !isLineReferenceWord(lw);
}

} // namespace

bool DocumentEvaluator::isValidWord(const QString& word) {
    return validWord(word, word.toLower());
}

bool DocumentEvaluator::isValidName(const QString& name) {
    const QString lw = name.toLower();
    if (!validWord(name, lw)) return false;
    if (lw == u"x") return true;
    return !LineParser::reserved().contains(lw) && !LineParser::months().contains(lw);
}

bool DocumentEvaluator::hasNoContent(const QList<Token>& tokens) {
    for (const Token& t : tokens)
        if (t.kind != TokenKind::Eof && t.kind != TokenKind::Comment && t.kind != TokenKind::Quoted)
            return false;
    return true;
}

bool DocumentEvaluator::isAllComments(const QList<Token>& tokens) {
    for (const Token& t : tokens)
        if (t.kind != TokenKind::Comment) return false;
    return true;
}

bool DocumentEvaluator::isAllWords(const QList<Token>& tokens, qsizetype from, qsizetype to) {
    for (qsizetype i = std::max<qsizetype>(from, 0); i < to && i < tokens.size(); ++i)
        if (tokens[i].kind != TokenKind::Word) return false;
    return true;
}

} // namespace VexilCore
