#include "core/parser/Parser.h"

#include <algorithm>
#include <iterator>

// The parser's shared word tables. Function-local statics: built once on first use, safely
// against concurrent first use, and read-only afterwards.

namespace VexilCore {

namespace {

QSet<QString> setOf(std::initializer_list<const char16_t*> words) {
    QSet<QString> s;
    s.reserve(qsizetype(words.size()));
    for (const char16_t* w : words)
        s.insert(QString::fromUtf16(w));
    return s;
}

// Each full name and its first three letters with a counter from 1, then the extras.
QHash<QString, int> calendarNames(std::initializer_list<const char16_t*> names,
                                  std::initializer_list<std::pair<const char16_t*, int>> extras) {
    QHash<QString, int> map;
    int n = 1;
    for (const char16_t* name : names) {
        const QString full = QString::fromUtf16(name);
        map.insert(full, n);
        map.insert(full.left(3), n);
        ++n;
    }
    for (const auto& [name, value] : extras)
        map.insert(QString::fromUtf16(name), value);
    return map;
}

} // namespace

namespace {
constexpr QStringView kConversionWords[] = {u"to", u"in", u"as", u"into"};
} // namespace

const QSet<QString>& LineParser::conversionWords() {
    static const QSet<QString> s = [] {
        QSet<QString> w;
        for (QStringView c : kConversionWords)
            w.insert(c.toString());
        return w;
    }();
    return s;
}

bool LineParser::isConversionWord(QStringView w) {
    // Four short words: compared by length first, which most words fail, instead of hashed.
    return std::any_of(std::begin(kConversionWords), std::end(kConversionWords),
                       [w](QStringView c) { return c == w; });
}

const QSet<QString>& LineParser::triggerWords() {
    static const QSet<QString> s = setOf({u"plus", u"minus", u"times", u"x", u"multiply", u"multiplied",
                                          u"divide", u"divided", u"per", u"mod", u"xor"});
    return s;
}

const QSet<QString>& LineParser::operatorWords() {
    static const QSet<QString> s = [] {
        QSet<QString> w = triggerWords();
        w.unite(setOf({u"of", u"by", u"off", u"at", u"and", u"or", u"added", u"permutation", u"permutations",
                       u"combination", u"combinations"}));
        return w;
    }();
    return s;
}

const QSet<QString>& LineParser::constants() {
    static const QSet<QString> s =
        setOf({u"pi", u"\u03C0", u"tau", u"\u03C4", u"phi", u"\u03C6", u"e", u"true", u"false", u"ans",
               u"today", u"tomorrow", u"yesterday", u"now", u"noon", u"midnight"});
    return s;
}

const QSet<QString>& LineParser::functions() {
    static const QSet<QString> s =
        setOf({u"sqrt",  u"cbrt",  u"abs",   u"round",   u"floor", u"ceil",   u"ln",   u"log",   u"log2",
               u"log10", u"exp",   u"sin",   u"cos",     u"tan",   u"sinh",   u"cosh", u"tanh",  u"asin",
               u"acos",  u"atan",  u"asinh", u"acosh",   u"atanh", u"sind",   u"cosd", u"tand",  u"asind",
               u"acosd", u"atand", u"fact",  u"hex",     u"bin",   u"oct",    u"int",  u"max",   u"min",
               u"gcd",   u"lcm",   u"avg",   u"average", u"mean",  u"median", u"sum",  u"stdev", u"count"});
    return s;
}

const QSet<QString>& LineParser::phraseWords() {
    static const QSet<QString> s =
        setOf({u"after",       u"before",     u"for",     u"over",  u"since",   u"till", u"until",
               u"between",     u"then",       u"else",    u"if",    u"unless",  u"is",   u"what",
               u"through",     u"rounded",    u"nearest", u"ago",   u"from",    u"base", u"than",
               u"compounding", u"compounded", u"squared", u"cubed", u"relabel", u"the",  u"power"});
    return s;
}

const QSet<QString>& LineParser::unassignable() {
    static const QSet<QString> s = [] {
        QSet<QString> w = conversionWords();
        w.unite(operatorWords());
        w.unite(constants());
        w.unite(functions());
        w.unite(setOf({u"total", u"sum", u"average", u"avg", u"mean", u"median", u"count", u"line", u"if",
                       u"then", u"else", u"is", u"what", u"unless"}));
        return w;
    }();
    return s;
}

const QSet<QString>& LineParser::reserved() {
    static const QSet<QString> s = [] {
        QSet<QString> w = unassignable();
        w.unite(phraseWords());
        return w;
    }();
    return s;
}

const QHash<QString, int>& LineParser::months() {
    static const QHash<QString, int> m =
        calendarNames({u"january", u"february", u"march", u"april", u"may", u"june", u"july", u"august",
                       u"september", u"october", u"november", u"december"},
                      {{u"sept", 9}});
    return m;
}

const QHash<QString, int>& LineParser::weekdays() {
    static const QHash<QString, int> m =
        calendarNames({u"sunday", u"monday", u"tuesday", u"wednesday", u"thursday", u"friday", u"saturday"},
                      {{u"tues", 3}, {u"thur", 5}, {u"thurs", 5}});
    return m;
}

const QSet<QString>& LineParser::comparisons() {
    static const QSet<QString> s = setOf({u"==", u"!=", u"<", u">", u"<=", u">="});
    return s;
}

} // namespace VexilCore
