#include "core/parser/Parser.h"

#include "core/values/Arith.h"
#include "core/values/Units.h"

#include <QDateTime>

#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

namespace VexilCore {

namespace {

// Function names that may stand before an operand without brackets: they head list phrases.
bool isBareFunctionWord(const QString& lw) {
    static const QSet<QString> words{
        QStringLiteral("max"),    QStringLiteral("min"), QStringLiteral("average"), QStringLiteral("mean"),
        QStringLiteral("median"), QStringLiteral("sum"), QStringLiteral("count"),   QStringLiteral("avg")};
    return words.contains(lw);
}

} // namespace

std::optional<qint64> LineParser::lineNumber(QStringView digits) {
    if (digits.isEmpty()) return std::nullopt;
    for (QChar c : digits)
        if (c < u'0' || c > u'9') return std::nullopt;
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    if (!ok) return std::nullopt;
    return n;
}

Value LineParser::parseWord(const QString& w, int start) {
    if (std::optional<Value> v = wordReading(w, start)) return std::move(*v);
    return parsePrimary();
}

std::optional<Value> LineParser::wordReading(const QString& w, int start) {
    // The word is usually the token at start, which has its lower-case form already.
    const Token* tok = start >= 0 && start < t.size() ? &t[start] : nullptr;
    const QString lw = tok && tok->kind == TokenKind::Word && tok->text == w ? tok->lower : w.toLower();

    // "line3"
    if (lw.startsWith(u"line")) {
        if (std::optional<qint64> n = lineNumber(QStringView(lw).mid(4))) {
            mark(p, Role::Ref);
            advance();
            sawValue = true;
            return reference(*n);
        }
    }

    // "line 3"
    if (lw == "line"_L1 && peek(1).kind == TokenKind::Number) {
        const double v = peek(1).number;
        if (v >= 1 && v < 100000 && Arith::isWhole(v)) {
            mark(p, Role::Ref);
            mark(p + 1, Role::Ref);
            advance(2);
            sawValue = true;
            return reference(qint64(v));
        }
    }

    if (std::optional<VariableMatch> var = variableAt(p)) {
        markRange(p, var->end, Role::Variable);
        p = var->end;
        sawValue = true;
        return std::move(var->value);
    }

    if (std::optional<Value> c = constant(lw, w)) return c;

    if (std::optional<Value> v = phrase(lw)) {
        sawValue = true;
        return v;
    }

    if (lw.size() == 1 && lw.front() == QChar(0x221A)) {
        Nesting nest(*this); // "√√√…"
        mark(p, Role::Keyword);
        advance();
        const Value operand = parsePower();
        if (!asQuantity(operand)) throw CalcError(QStringLiteral("\u221A needs a number"));
        return std::invoke(keywords().hooks.applyFunction, *this, QStringLiteral("sqrt"),
                           QList<Value>{operand});
    }

    const bool isFunction = functions().contains(lw);
    if (isFunction && !peek(1).isSym(u"(") && canStartOperand(p + 1) && !isBareFunctionWord(lw)) {
        mark(p, Role::Keyword);
        throw CalcError(QStringLiteral("Use ") + lw + QStringLiteral("(\u2026) with parentheses"));
    }

    if (isFunction && peek(1).isSym(u"(")) {
        Nesting nest(*this);
        mark(p, Role::Keyword);
        mark(p + 1, Role::Op);
        advance(2);
        const QList<Value> args = readArguments();
        if (t[p].isSym(u")")) {
            mark(p, Role::Op);
            advance();
            sawValue = true;
            return std::invoke(keywords().hooks.applyFunction, *this, lw, args);
        }
        if (t[p].atEnd()) throw CalcError(QStringLiteral("Missing ')'"), true);
        throw unexpected();
    }

    // "March 5", "march 3, 2024"; but "may 5 kg" is no date.
    if (const auto month = months().constFind(lw); month != months().cend()) {
        const Token& day = peek(1);
        const Token& after = peek(2);
        const bool unitAfter = after.kind == TokenKind::Word && Units::lookupWord(after.text, false) &&
                               !isConversionWord(after.lower);
        if (day.kind == TokenKind::Number && day.number >= 1 && day.number <= 31 &&
            Arith::isWhole(day.number) && !unitAfter) {
            const qint64 d = qint64(day.number);
            mark(p, Role::Number);
            mark(p + 1, Role::Number);
            advance(2);
            sawValue = true;
            const qint64 year = parseOptionalYear();
            return CalendarDate::make(year, *month, d, m_env.ctx.calendar);
        }
    }

    // "USD 5", "EUR 2k"
    if (peek(1).kind == TokenKind::Number) {
        if (std::optional<UnitPower> unit = Units::lookupWord(w, false); unit && unit->unit->isCurrency()) {
            mark(p, Role::Unit);
            mark(p + 1, Role::Number);
            double amount = peek(1).number;
            advance(2);
            sawValue = true;
            if (std::optional<double> m = magnitudeSuffix(true)) amount *= *m;
            if (!std::isfinite(amount)) throw CalcError(QStringLiteral("Number is too large"));
            return Quantity(amount, CompoundUnit(unit->unit));
        }
    }

    // "a km", "an hour"
    if (lw == u"a" || lw == u"an") {
        if (auto unit = unitAt(p + 1)) {
            mark(p, Role::Keyword);
            markUnitTokens(p + 1, unit->second);
            p = unit->second;
            sawValue = true;
            return Quantity(1, unit->first);
        }
    }

    // A unit right after an operator: "5 km / h".
    if (start > 0 && start - 1 < roles.size() && roles[start - 1] == Role::Op) {
        if (auto unit = unitAt(p)) {
            markUnitTokens(p, unit->second);
            p = unit->second;
            sawValue = true;
            return Quantity(1, unit->first);
        }
    }

    const bool continues = continuesExpression(peek(1));
    if ((sawValue || continues) && !reserved().contains(lw)) {
        mark(p, Role::Text);
        throw CalcError(QStringLiteral("Unknown name '") + w + QStringLiteral("'"));
    }
    if (sawValue) throw CalcError(QStringLiteral("Expected a value"), true);
    // Prose before the first value.
    mark(p, Role::Text);
    advance();
    return std::nullopt;
}

bool LineParser::continuesExpression(const Token& tok) const {
    if (tok.kind == TokenKind::Sym)
        return !(tok.text == u"(" || tok.text == u":" || tok.text == u"," || tok.text == u"@" ||
                 tok.text == u"\"");
    if (tok.kind == TokenKind::Word && triggerWords().contains(tok.lower))
        return tok.lower == u"x" ? canStartOperand(p + 2) : true;
    return false;
}

QList<Value> LineParser::readArguments() {
    StopWords comma(*this, {u","}, StopWords::Replace);
    QList<Value> args{parseConversion()};
    while (t[p].isSym(u",")) {
        mark(p, Role::Op);
        advance();
        args.append(parseConversion());
    }
    return args;
}

Value LineParser::reference(qint64 n) const {
    const QString number = QString::number(n);
    if (n <= 0 || n > m_env.lineCount) throw CalcError(QStringLiteral("There is no line ") + number);
    if (n == m_env.currentLine) throw CalcError(QStringLiteral("A line can't refer to itself"));
    if (n > m_env.currentLine)
        throw CalcError(QStringLiteral("line") + number + QStringLiteral(" is below this line"));
    const std::optional<LineResult> r = m_env.lineValue ? m_env.lineValue(int(n)) : std::nullopt;
    if (!r) throw CalcError(QStringLiteral("line") + number + QStringLiteral(" has no value"));
    if (const Value* v = std::get_if<Value>(&*r)) return *v;
    throw CalcError(QStringLiteral("line") + number + QStringLiteral(" has an error"));
}

// The clock is read for its date only, so that such a line keeps its outcome all day.
QDate LineParser::dateToday(const QTimeZone& zone) const {
    const std::optional<QDate> d = m_env.ctx.dateIn(zone);
    if (!d) throw CalcError(QStringLiteral("Date out of range"));
    return *d;
}

QDate LineParser::dateToday() const {
    return dateToday(m_env.ctx.calendar.zone);
}

CalendarDate LineParser::todayIn(const QTimeZone& zone) const {
    const QDate d = dateToday(zone);
    return CalendarDate{d.year(), d.month(), d.day()};
}

CalendarDate LineParser::today() const {
    return todayIn(m_env.ctx.calendar.zone);
}

CalendarDate LineParser::dayFromToday(int days) const {
    const QDate d = dateToday().addDays(days);
    return CalendarDate{d.year(), d.month(), d.day()};
}

std::optional<Value> LineParser::constant(const QString& lw, const QString& w) {
    if (!constants().contains(lw)) return std::nullopt;
    std::optional<Value> v;
    if (lw == u"pi" || lw == u"\u03C0")
        v = Quantity(3.141592653589793, CompoundUnit::none());
    else if (lw == u"tau" || lw == u"\u03C4")
        v = Quantity(6.283185307179586, CompoundUnit::none());
    else if (lw == u"phi" || lw == u"\u03C6")
        v = Quantity(1.618033988749895, CompoundUnit::none());
    else if (lw == u"e" && w == u"e")
        v = Quantity(2.718281828459045, CompoundUnit::none());
    else if (lw == u"true" || lw == u"false")
        v = Value(lw == u"true");
    else if (lw == u"ans") {
        mark(p, Role::Keyword);
        if (!m_env.ans) throw CalcError(QStringLiteral("No previous result for ans"));
        v = *m_env.ans;
    } else if (lw == u"today")
        v = dayFromToday(0);
    else if (lw == u"tomorrow")
        v = dayFromToday(1);
    else if (lw == u"yesterday")
        v = dayFromToday(-1);
    else if (lw == u"now") {
        const std::optional<QDateTime> now = Calendar::toDateTime(m_env.ctx.now, m_env.ctx.calendar.zone);
        if (!now) throw CalcError(QStringLiteral("Date out of range"));
        const QTime tm = now->time();
        v = ClockTime{double(tm.hour() * 3600 + tm.minute() * 60 + tm.second()), 0};
    } else if (lw == u"noon")
        v = ClockTime{43200, 0};
    else if (lw == u"midnight")
        v = ClockTime{0, 0};
    else
        return std::nullopt;
    mark(p, Role::Keyword);
    advance();
    sawValue = true;
    return v;
}

qint64 LineParser::parseOptionalYear() {
    const int j = t[p].isSym(u",") ? p + 1 : p;
    if (j < t.size() && t[j].kind == TokenKind::Number) {
        const double y = t[j].number;
        if (y >= 1000 && y <= 9999 && Arith::isWhole(y)) {
            markRange(p, j + 1, Role::Number);
            p = j + 1;
            return qint64(y);
        }
    }
    const qint64 year = today().year;
    m_impliedYear = true;
    return year;
}

} // namespace VexilCore
