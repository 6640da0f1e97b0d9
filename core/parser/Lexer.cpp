#include "core/parser/Lexer.h"

#include "core/currency/Currencies.h"
#include "core/values/Units.h"

#include <QByteArray>
#include <QChar>
#include <QLocale>
#include <QVarLengthArray>

#include <charconv>
#include <limits>
#include <optional>
#include <string_view>

namespace VexilCore::Lexer {

namespace {

constexpr std::u32string_view hexDigitChars = U"0123456789abcdefABCDEF";
constexpr std::u32string_view binaryDigitChars = U"01";
constexpr std::u32string_view octalDigitChars = U"01234567";
constexpr std::u32string_view wordExtraChars = U"\u005F\u00B0\u2103\u2109\u00B5\u03BC\u03C0\u03C4\u03C6";
// These end an `other` run.
constexpr std::u32string_view symbolChars = U"+-*/^()=%,:\u00D7\u00F7\u00B7<>&|!\u0022";

constexpr char32_t rootSign = U'\u221A';
constexpr char32_t leftQuote = U'\u201C';
constexpr char32_t rightQuote = U'\u201D';

bool inSet(std::u32string_view set, char32_t c) {
    return set.find(c) != std::u32string_view::npos;
}

// ASCII only: other decimal digits are not numbers here.
bool isDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// Letters and marks, so that combining accents and variation selectors stay inside a word.
bool isLetter(char32_t c) {
    if (c < 0x80) return (c | 0x20) >= U'a' && (c | 0x20) <= U'z';
    return QChar::isLetter(c) || QChar::isMark(c);
}

bool isWordStart(char32_t c) {
    if (c < 0x80) return ((c | 0x20) >= U'a' && (c | 0x20) <= U'z') || c == U'_';
    return isLetter(c) || inSet(wordExtraChars, c);
}

bool isWordChar(char32_t c) {
    return isDigit(c) || isWordStart(c) || c == U'\u00B2' || c == U'\u00B3';
}

bool isBlank(char32_t c) {
    return c == U'\u0009' || c == U'\u0020' || c == U'\u00A0';
}

// text.toLower(); a word of ASCII letters (most are) is lowered without Unicode's tables and,
// when it has no capital, shares the text.
QString lowerOf(const QString& text) {
    bool capital = false;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) return text.toLower();
        capital = capital || (c >= u'A' && c <= u'Z');
    }
    if (!capital) return text;
    QString out = text;
    for (QChar& c : out)
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
    return out;
}

// The text of a one-character symbol token: shared static text, so that a symbol costs no
// allocation.
QString singleSymbol(char16_t c) {
    static const QString all[] = {QStringLiteral("+"), QStringLiteral("-"), QStringLiteral("/"),
                                  QStringLiteral("%"), QStringLiteral("&"), QStringLiteral("("),
                                  QStringLiteral(")"), QStringLiteral(","), QStringLiteral(":"),
                                  QStringLiteral("^"), QStringLiteral("@"), QStringLiteral("|")};
    for (const QString& one : all)
        if (one.front() == QChar(c)) return one;
    return QString(QChar(c));
}

const QString* currencyCode(char32_t c) {
    const auto& signs = Currencies::symbols();
    const auto it = signs.constFind(c);
    return it == signs.cend() ? nullptr : &*it;
}

// Locale-free. Too large reads as infinity and too small as 0 (later steps report the former).
double readDecimal(std::string_view t) {
    double v = std::numeric_limits<double>::quiet_NaN();
    const char* end = t.data() + t.size();
    const auto [ptr, ec] = std::from_chars(t.data(), end, v);
    // from_chars leaves v untouched when out of range; the C locale's reader saturates instead.
    if (ec == std::errc::result_out_of_range)
        return QLocale::c().toDouble(QString::fromLatin1(t.data(), qsizetype(t.size())));
    if (ec != std::errc() || ptr != end) return std::numeric_limits<double>::quiet_NaN();
    return v;
}

struct Marker {
    bool pm = false;
    qsizetype end = 0;
};

ClockParts clockToken(qint64 h, qint64 m, qint64 s, std::optional<bool> pm) {
    qint64 hour = h;
    bool valid = h <= 23;
    if (pm) {
        hour = h % 12 + (*pm ? 12 : 0);
        valid = h >= 1 && h <= 12;
    }
    valid = valid && m <= 59 && s <= 59;
    return ClockParts{int(hour * 3600 + m * 60 + s), valid, pm.has_value()};
}

// One pass over the line's scalars. Every read goes through at(), which gives 0 past the end;
// 0 is never a digit, letter, sign or marker, so single-position tests need no other guard.
class Scanner {
public:
    Scanner(const QString& text, bool monthFirst, QList<Token> storage)
        : m_text(text), m_monthFirst(monthFirst), m_out(std::move(storage)) {
        m_out.clear();
        const qsizetype units = text.size();
        const QChar* d = text.constData();
        // Sized for the most scalars the text can hold, written through pointers, then cut.
        m_s.resize(units);
        m_offsets.resize(units + 1);
        char32_t* s = m_s.data();
        qsizetype* offsets = m_offsets.data();
        qsizetype n = 0;
        for (qsizetype u = 0; u < units; ++n) {
            offsets[n] = u;
            const char16_t c = d[u].unicode();
            if (c < 0xD800) { // neither half of a surrogate pair
                s[n] = c;
                u += 1;
            } else if (QChar::isHighSurrogate(c) && u + 1 < units &&
                       QChar::isLowSurrogate(d[u + 1].unicode())) {
                s[n] = QChar::surrogateToUcs4(c, d[u + 1].unicode());
                u += 2;
            } else {
                // A lone surrogate reads as the replacement character and keeps its one unit.
                s[n] = QChar::isSurrogate(c) ? char32_t(QChar::ReplacementCharacter) : char32_t(c);
                u += 1;
            }
        }
        offsets[n] = units;
        m_s.resize(n);
        m_offsets.resize(n + 1);
        m_n = n;
    }

    QList<Token> run() {
        // At most one token a character and the eof: a long line never grows the list piece by piece.
        m_out.reserve(m_n + 1);
        while (m_i < m_n) {
            [[maybe_unused]] const qsizetype before = m_i;
            const char32_t ch = m_s[m_i];
            if (isBlank(ch)) {
                m_blank = true;
                ++m_i;
                continue;
            }
            if (ch == U'/' && at(m_i + 1) == U'/') {
                push(TokenKind::Comment, m_i, m_n);
                m_i = m_n;
                break;
            }
            if (ch == U'\u0022' || ch == leftQuote) {
                quoted();
            } else if (isDigit(ch)) {
                number();
            } else if (ch == rootSign) {
                word(m_i + 1);
            } else if (ch == U'.' && isDigit(at(m_i + 1))) {
                decimal();
            } else if (isWordStart(ch)) {
                word(withHyphenatedUnit(wordEnd(m_i + 1)));
            } else if (const QString* code = currencyCode(ch)) {
                push(TokenKind::Currency, m_i, m_i + 1).text = *code;
                ++m_i;
            } else if (!symbol()) {
                other();
            }
            Q_ASSERT(m_i > before);
        }
        push(TokenKind::Eof, m_n, m_n);
        return std::move(m_out);
    }

private:
    const QString& m_text;
    const bool m_monthFirst;
    QVarLengthArray<char32_t, 256> m_s;
    QVarLengthArray<qsizetype, 257> m_offsets; // UTF-16 offset of each scalar, then the text's length
    qsizetype m_n = 0;
    qsizetype m_i = 0;
    bool m_blank = true; // the first token counts as preceded by a blank
    QList<Token> m_out;

    char32_t at(qsizetype k) const { return k >= 0 && k < m_n ? m_s[k] : 0; }

    // The value of s[a..<b] when it is all digits and fits 64 bits.
    std::optional<qint64> digits(qsizetype a, qsizetype b) const {
        if (a < 0 || a >= b || b > m_n) return std::nullopt;
        qint64 v = 0;
        for (qsizetype k = a; k < b; ++k) {
            if (!isDigit(m_s[k])) return std::nullopt;
            const int d = int(m_s[k] - U'0');
            if (v > (std::numeric_limits<qint64>::max() - d) / 10) return std::nullopt;
            v = v * 10 + d;
        }
        return v;
    }

    qsizetype runOfDigits(qsizetype a) const {
        qsizetype k = a;
        while (isDigit(at(k)))
            ++k;
        return k - a;
    }

    Token& push(TokenKind kind, qsizetype a, qsizetype b) {
        Token& t = m_out.emplaceBack();
        t.kind = kind;
        t.range = TextRange{m_offsets[a], m_offsets[b] - m_offsets[a]};
        t.spaceBefore = m_blank;
        m_blank = false;
        return t;
    }

    // A copy of its own even when it is the whole text, which may be borrowed.
    QString textOf(qsizetype a, qsizetype b) const {
        return QString(m_text.constData() + m_offsets[a], m_offsets[b] - m_offsets[a]);
    }

    qsizetype wordEnd(qsizetype j) const {
        while (j < m_n && isWordChar(m_s[j]))
            ++j;
        return j;
    }

    // "watt-hour", "pound-force": the word ending at j, a bare "-" and the next word are one word
    // when together they name a unit; "kg-3" and "kg-m" stay a subtraction.
    qsizetype withHyphenatedUnit(qsizetype j) const {
        if (at(j) != U'-' || !isWordStart(at(j + 1))) return j;
        const qsizetype k = wordEnd(j + 2);
        return Units::lookupWord(textOf(m_i, k)) ? k : j;
    }

    void word(qsizetype j) {
        Token& t = push(TokenKind::Word, m_i, j);
        t.text = textOf(m_i, j);
        t.lower = lowerOf(t.text);
        m_i = j;
    }

    void quoted() {
        qsizetype j = m_i + 1;
        while (j < m_n && m_s[j] != U'\u0022' && m_s[j] != rightQuote)
            ++j;
        if (j < m_n) ++j; // the closing mark belongs to the token
        push(TokenKind::Quoted, m_i, j);
        m_i = j;
    }

    void other() {
        qsizetype j = m_i + 1;
        while (j < m_n) {
            const char32_t c = m_s[j];
            if (c == U'\u0020' || isWordStart(c) || isDigit(c) || inSet(symbolChars, c)) break;
            ++j;
        }
        push(TokenKind::Other, m_i, j).text = textOf(m_i, j);
        m_i = j;
    }

    bool symbol() {
        const char32_t next = at(m_i + 1);
        QString sym;
        qsizetype len = 1;
        switch (m_s[m_i]) {
        case U'*':
            if (next == U'*')
                sym = QStringLiteral("^"), len = 2;
            else
                sym = QStringLiteral("*");
            break;
        case U'<':
            if (next == U'<')
                sym = QStringLiteral("<<"), len = 2;
            else if (next == U'=')
                sym = QStringLiteral("<="), len = 2;
            else
                sym = QStringLiteral("<");
            break;
        case U'>':
            if (next == U'>')
                sym = QStringLiteral(">>"), len = 2;
            else if (next == U'=')
                sym = QStringLiteral(">="), len = 2;
            else
                sym = QStringLiteral(">");
            break;
        case U'!':
            if (next == U'=')
                sym = QStringLiteral("!="), len = 2;
            else
                sym = QStringLiteral("!");
            break;
        case U'=':
            if (next == U'=')
                sym = QStringLiteral("=="), len = 2;
            else
                sym = QStringLiteral("=");
            break;
        case U'\u2264':
            sym = QStringLiteral("<=");
            break;
        case U'\u2265':
            sym = QStringLiteral(">=");
            break;
        case U'\u2260':
            sym = QStringLiteral("!=");
            break;
        case U'\u00D7':
        case U'\u00B7':
        case U'\u22C5':
            sym = QStringLiteral("*");
            break;
        case U'\u00F7':
        case U'\u2215':
            sym = QStringLiteral("/");
            break;
        case U'\u2212':
        case U'\u2013':
            sym = QStringLiteral("-");
            break;
        case U'+':
        case U'-':
        case U'/':
        case U'%':
        case U'&':
        case U'(':
        case U')':
        case U',':
        case U':':
        case U'^':
        case U'@':
        case U'|':
            sym = singleSymbol(char16_t(m_s[m_i]));
            break;
        default:
            return false;
        }
        push(TokenKind::Sym, m_i, m_i + len).text = sym;
        m_i += len;
        return true;
    }

    // An am/pm marker at k: one optional space, a/p, optional ".", m, optional ".",
    // and then no letter or digit.
    std::optional<Marker> ampm(qsizetype k) const {
        if (at(k) == U' ') ++k;
        const char32_t c = at(k);
        if (c != U'a' && c != U'A' && c != U'p' && c != U'P') return std::nullopt;
        const bool pm = c == U'p' || c == U'P';
        ++k;
        if (at(k) == U'.') ++k;
        if (at(k) != U'm' && at(k) != U'M') return std::nullopt;
        ++k;
        if (at(k) == U'.') ++k;
        if (isLetter(at(k)) || isDigit(at(k))) return std::nullopt;
        return Marker{pm, k};
    }

    void pushClock(qsizetype end, ClockParts clock) {
        push(TokenKind::Clock, m_i, end).clock = clock;
        m_i = end;
    }

    void number() {
        if (radixLiteral() || isoDate() || dayMonthYear() || clockTime() || hourWithMarker()) return;
        decimal();
    }

    bool radixLiteral() {
        if (m_s[m_i] != U'0') return false;
        std::u32string_view set;
        int base = 0;
        switch (at(m_i + 1)) {
        case U'x':
            set = hexDigitChars, base = 16;
            break;
        case U'b':
            set = binaryDigitChars, base = 2;
            break;
        case U'o':
            set = octalDigitChars, base = 8;
            break;
        default:
            return false;
        }
        qsizetype j = m_i + 2;
        while (j < m_n && inSet(set, m_s[j]))
            ++j;
        if (j == m_i + 2 || isWordChar(at(j))) return false;
        QByteArray ascii;
        ascii.reserve(j - m_i - 2);
        for (qsizetype k = m_i + 2; k < j; ++k)
            ascii.append(char(m_s[k]));
        qint64 value = 0;
        const char* end = ascii.constData() + ascii.size();
        const auto [ptr, ec] = std::from_chars(ascii.constData(), end, value, base);
        if (ec != std::errc() || ptr != end) return false; // too large: read as a decimal instead
        push(TokenKind::Number, m_i, j).number = double(value);
        m_i = j;
        return true;
    }

    bool isoDate() {
        const auto year = digits(m_i, m_i + 4);
        if (!year || at(m_i + 4) != U'-') return false;
        const auto month = digits(m_i + 5, m_i + 7);
        if (!month || at(m_i + 7) != U'-') return false;
        const auto day = digits(m_i + 8, m_i + 10);
        if (!day || isDigit(at(m_i + 10))) return false;
        if (at(m_i + 10) == U'T') {
            const auto hour = digits(m_i + 11, m_i + 13);
            const auto minute = at(m_i + 13) == U':' ? digits(m_i + 14, m_i + 16) : std::nullopt;
            if (hour && minute) {
                IsoParts iso{int(*year), int(*month), int(*day), int(*hour), int(*minute), 0, std::nullopt};
                isoDateTime(iso);
                return true;
            }
        }
        push(TokenKind::Date, m_i, m_i + 10).date = DateParts{int(*year), int(*month), int(*day)};
        m_i += 10;
        return true;
    }

    void isoDateTime(IsoParts iso) {
        qsizetype p = m_i + 16;
        if (at(p) == U':') {
            if (const auto second = digits(p + 1, p + 3)) {
                iso.second = int(*second);
                p += 3;
            }
        }
        if (at(p) == U'.' && isDigit(at(p + 1))) { // the fraction is dropped
            ++p;
            while (isDigit(at(p)))
                ++p;
        }
        const char32_t z = at(p);
        if (z == U'Z') {
            iso.offsetSeconds = 0;
            p += 1;
        } else if (z == U'+' || z == U'-') {
            if (const auto hh = digits(p + 1, p + 3)) {
                qint64 mm = 0;
                const auto colonMinutes = at(p + 3) == U':' ? digits(p + 4, p + 6) : std::nullopt;
                if (colonMinutes) {
                    mm = *colonMinutes;
                    p += 6;
                } else if (const auto bareMinutes = digits(p + 3, p + 5)) {
                    mm = *bareMinutes;
                    p += 5;
                } else {
                    p += 3;
                }
                iso.offsetSeconds = int((z == U'-' ? -1 : 1) * (*hh * 3600 + mm * 60));
            }
        }
        push(TokenKind::IsoDateTime, m_i, p).iso = iso;
        m_i = p;
    }

    bool dayMonthYear() {
        const qsizetype r1 = runOfDigits(m_i);
        if (r1 < 1 || r1 > 2) return false;
        const char32_t sep = at(m_i + r1);
        if (sep != U'.' && sep != U'/') return false;
        const qsizetype b0 = m_i + r1 + 1;
        const qsizetype r2 = runOfDigits(b0);
        if (r2 < 1 || r2 > 2 || at(b0 + r2) != sep) return false;
        const qsizetype y0 = b0 + r2 + 1;
        if (runOfDigits(y0) != 4) return false;
        const int a = int(*digits(m_i, m_i + r1));
        const int b = int(*digits(b0, b0 + r2));
        const int year = int(*digits(y0, y0 + 4));
        // Only "/" follows the locale's order; "." is always day first.
        const bool mf = m_monthFirst && sep == U'/';
        push(TokenKind::Date, m_i, y0 + 4).date = DateParts{year, mf ? a : b, mf ? b : a};
        m_i = y0 + 4;
        return true;
    }

    bool clockTime() {
        const qsizetype r = runOfDigits(m_i);
        if (r < 1 || r > 3 || at(m_i + r) != U':') return false;
        const auto minute = digits(m_i + r + 1, m_i + r + 3);
        if (!minute || isDigit(at(m_i + r + 3))) return false;
        const qint64 hour = *digits(m_i, m_i + r);
        qsizetype end = m_i + r + 3;
        std::optional<qint64> second;
        if (at(end) == U':' && !isDigit(at(end + 3))) {
            second = digits(end + 1, end + 3);
            if (second) end += 3;
        }
        if (const auto marker = ampm(end)) {
            pushClock(marker->end, clockToken(hour, *minute, second.value_or(0), marker->pm));
        } else if (second && *minute <= 59 && *second <= 59) {
            push(TokenKind::Hms, m_i, end).number = double(hour * 3600 + *minute * 60 + *second);
            m_i = end;
        } else {
            pushClock(end, clockToken(hour, *minute, second.value_or(0), std::nullopt));
        }
        return true;
    }

    bool hourWithMarker() {
        const qsizetype r = runOfDigits(m_i);
        if (r < 1 || r > 2 || at(m_i + r) == U'.') return false;
        const auto marker = ampm(m_i + r);
        if (!marker) return false;
        pushClock(marker->end, clockToken(*digits(m_i, m_i + r), 0, 0, marker->pm));
        return true;
    }

    // Decimal number from i, which is a digit or a "." before one.
    void decimal() {
        QVarLengthArray<char, 64> t; // on the stack for any usual number
        if (m_s[m_i] == U'.') t.append('0');
        qsizetype j = m_i;
        while (isDigit(at(j)))
            t.append(char(m_s[j++]));
        const qsizetype run = j - m_i;
        if (run >= 1 && run <= 3) {
            while (at(j) == U',' && digits(j + 1, j + 4) && !isDigit(at(j + 4))) {
                for (qsizetype k = j + 1; k < j + 4; ++k)
                    t.append(char(m_s[k]));
                j += 4;
            }
        }
        if (at(j) == U'.' && isDigit(at(j + 1))) {
            t.append('.');
            ++j;
            while (isDigit(at(j)))
                t.append(char(m_s[j++]));
        }
        if (at(j) == U'e' || at(j) == U'E') {
            qsizetype k = j + 1;
            if (at(k) == U'+' || at(k) == U'-') ++k;
            if (isDigit(at(k))) {
                while (j < k)
                    t.append(char(m_s[j++]));
                while (isDigit(at(j)))
                    t.append(char(m_s[j++]));
            }
        }
        push(TokenKind::Number, m_i, j).number =
            readDecimal(std::string_view(t.data(), std::size_t(t.size())));
        m_i = j;
        if (at(j) == U'x' && isDigit(at(j + 1))) word(j + 1); // "3x4": the x between two numbers
    }
};

} // namespace

QList<Token> lex(const QString& text, bool monthFirst, QList<Token> storage) {
    return Scanner(text, monthFirst, std::move(storage)).run();
}

} // namespace VexilCore::Lexer
