#pragma once

#include "core/values/TextRange.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <cstddef>
#include <optional>

namespace VexilCore {

// What a token is. The order is fixed: code elsewhere may rely on it.
enum class TokenKind : quint8 {
    Number,      // number
    Word,        // text as typed
    Sym,         // normalised ASCII operator in text
    Currency,    // ISO code in text
    Date,        // date
    IsoDateTime, // iso
    Clock,       // clock
    Hms,         // number of seconds in number
    Other,       // text
    Comment,
    Quoted,
    Injected, // never made by the lexer: the document pass inserts it
    Eof,
};

// The payloads below share one place in a token: each is always made whole, fields listed in full.

// A date as written; no range test.
struct DateParts {
    int year, month, day;
    bool operator==(const DateParts&) const = default;
};

// An ISO date-time as written: year to second only (a fraction is dropped).
struct IsoParts {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::optional<int> offsetSeconds; // empty when no zone designator was written
    bool operator==(const IsoParts&) const = default;
};

// A time of day; seconds count from midnight and are filled in even when not valid.
struct ClockParts {
    int seconds;
    bool valid;
    bool meridiem; // an am/pm marker was written
    bool operator==(const ClockParts&) const = default;
};

struct Token {
    TokenKind kind = TokenKind::Eof;
    bool spaceBefore = false;
    double number = 0; // Number, Hms
    QString text;      // Word, Sym, Currency, Other
    QString lower;     // Word only: text.toLower(), made once by the lexer
    // Date, IsoDateTime or Clock: only the one of the token's kind is read. Tokens are made by the
    // thousand, and one place for the three keeps them small.
    union {
        DateParts date;
        IsoParts iso{};
        ClockParts clock;
    };
    TextRange range; // UTF-16 code units in the lexed text

    // Same kind and equal payload of that kind (NaN numbers never match).
    bool sameKind(const Token& o) const {
        if (kind != o.kind) return false;
        switch (kind) {
        case TokenKind::Number:
        case TokenKind::Hms:
            return number == o.number;
        case TokenKind::Word:
        case TokenKind::Sym:
        case TokenKind::Currency:
        case TokenKind::Other:
            return text == o.text;
        case TokenKind::Date:
            return date == o.date;
        case TokenKind::IsoDateTime:
            return iso == o.iso;
        case TokenKind::Clock:
            return clock == o.clock;
        case TokenKind::Comment:
        case TokenKind::Quoted:
        case TokenKind::Injected:
        case TokenKind::Eof:
            return true;
        }
        return false;
    }

    // lw must already be lower-case; it is compared unchanged.
    bool isWord(QStringView lw) const { return kind == TokenKind::Word && lower == lw; }
    bool isSym(QStringView s) const { return kind == TokenKind::Sym && text == s; }
    // The same for literals, whose length is known without measuring them on every call.
    template <std::size_t N> bool isWord(const char16_t (&lw)[N]) const {
        constexpr qsizetype n = qsizetype(N) - 1;
        return kind == TokenKind::Word && lower.size() == n && lower == QStringView(lw, n);
    }
    template <std::size_t N> bool isSym(const char16_t (&s)[N]) const {
        constexpr qsizetype n = qsizetype(N) - 1;
        return kind == TokenKind::Sym && text.size() == n && text == QStringView(s, n);
    }
    bool atEnd() const { return kind == TokenKind::Eof || kind == TokenKind::Comment; }
};

} // namespace VexilCore
