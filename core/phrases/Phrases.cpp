#include "core/parser/Parser.h"

#include "core/values/Arith.h"

// The keyword phrases that start an operand, and the operand coercions their handlers share.

namespace VexilCore {

namespace {

// The words are literals: compared as they stand, so that no length is worked out for a word
// whose first letters already differ.
bool isOneOf(const QString& w, std::initializer_list<const char16_t*> words) {
    const qsizetype n = w.size();
    const QChar* c = w.constData();
    for (const char16_t* x : words) {
        qsizetype k = 0;
        while (k < n && x[k] != u'\0' && x[k] == c[k].unicode())
            ++k;
        if (k == n && x[k] == u'\0') return true;
    }
    return false;
}

} // namespace

Quantity LineParser::quantity(const Value& v, const QString& name) {
    if (const Quantity* q = asQuantity(v)) return *q;
    throw CalcError(name + QStringLiteral(" needs a number"));
}

double LineParser::scalar(const Value& v, const QString& name) {
    const Quantity* q = asQuantity(v);
    if (!q) throw CalcError(name + QStringLiteral(" needs a number"));
    if (!q->unit.isNone()) throw CalcError(name + QStringLiteral(" needs a plain number"));
    return q->value;
}

double LineParser::ratio(const Quantity& a, const Quantity& b) const {
    const double divisor = a.unit == b.unit ? b.value : Arith::convert(b, a.unit, env.ctx).value;
    if (divisor == 0) throw CalcError(QStringLiteral("Division by zero"));
    return a.value / divisor;
}

const QHash<QString, QString>& LineParser::timeUnitWords() {
    static const QHash<QString, QString> m{
        {QStringLiteral("days"), QStringLiteral("d")},
        {QStringLiteral("day"), QStringLiteral("d")},
        {QStringLiteral("weeks"), QStringLiteral("wk")},
        {QStringLiteral("months"), QStringLiteral("mo")},
        {QStringLiteral("years"), QStringLiteral("yr")},
        {QStringLiteral("hours"), QStringLiteral("h")},
        {QStringLiteral("minutes"), QStringLiteral("min")},
        {QStringLiteral("seconds"), QStringLiteral("s")},
        {QStringLiteral("workdays"), QStringLiteral("workday")},
        {QStringLiteral("business days"), QStringLiteral("workday")},
    };
    return m;
}

namespace {

// Every word that heads a row of phrase() below, but for the time-unit words, which head the
// row of spans. A row with a new head word needs it here too.
const QSet<QString>& phraseHeads() {
    static const QSet<QString> s = [] {
        QSet<QString> w;
        for (const char16_t* x :
             {u"square",   u"cube",      u"root",     u"log",      u"half",    u"midpoint", u"halfway",
              u"larger",   u"smaller",   u"loan",     u"gain",     u"max",     u"maximum",  u"min",
              u"minimum",  u"average",   u"mean",     u"median",   u"sum",     u"total",    u"count",
              u"standard", u"gcd",       u"lcm",      u"business", u"remainder", u"random", u"clamp",
              u"interest", u"present",   u"growth",   u"daily",    u"weekly",  u"monthly",  u"quarterly",
              u"annual",   u"yearly",    u"time",     u"date",     u"week",    u"day",      u"weekday",
              u"next",     u"last",      u"this",     u"current",  u"new"})
            w.insert(QString::fromUtf16(x));
        return w;
    }();
    return s;
}

} // namespace

// The head words route to their handlers in a fixed order. Each row's further condition is a
// look-ahead test made before anything is consumed: a row whose condition fails lets the next
// row try, while a selected handler that gives up ends the search with nothing.
std::optional<Value> LineParser::phrase(const QString& w) {
    const int next = p + 1;
    // Whether the word lw is one of the n tokens after the head.
    const auto anyWordAfter = [this](QStringView lw, int n) {
        for (int k = p + 1; k <= p + n && k < t.size(); ++k)
            if (t[k].isWord(lw)) return true;
        return false;
    };
    // Handlers read operands that may hold further phrases ("sum of sum of …"): each counts as
    // a level of nesting.
    const auto run = [this](auto&& handler) {
        Nesting nest(*this);
        return trial(handler);
    };
    // The two rows that look past the head word, whatever it is; the outer optional is empty
    // when neither applies.
    const auto pastHead = [&]() -> std::optional<std::optional<Value>> {
        // A zone name followed by "time" that ends the operand ("London time"). The zone words
        // and an offset take at most five tokens, so a line without "time" close by is not
        // looked up.
        if (anyWordAfter(u"time", 5)) {
            if (const std::optional<ZoneMatch> zone = zoneAt(p);
                zone && matches({u"time"}, zone->end) && isBoundary(zone->end + 1))
                return zoneTimePhrase(*zone);
        }
        // A unit term followed by "in" and "a", "an" or "one" ("hours in a day"). A term spans at
        // most seven tokens (four words, "^", "-", a digit), so without such an "in" close by
        // there is nothing to look up. Looking must not leave usedPt behind.
        const auto inOneAhead = [&] {
            const QStringView in = u"in";
            for (int k = p + 1; k <= p + 8 && k < t.size(); ++k)
                if (t[k].isWord(in) && unitInFollows(k + 1)) return true;
            return false;
        };
        if (inOneAhead()) {
            const bool usedPtBefore = usedPt_;
            const std::optional<std::pair<CompoundUnit, int>> term = unitTermAt(p);
            usedPt_ = usedPtBefore;
            if (term && matches({u"in"}, term->second) && unitInFollows(term->second + 1))
                return run([&](TrialCommit& commit) { return unitInPhrase(commit); });
        }
        return std::nullopt;
    };
    // Most words head no row: only the rows past the head can apply to them.
    if (!phraseHeads().contains(w) && !timeUnitWords().contains(w)) return pastHead().value_or(std::nullopt);

    if (isOneOf(w, {u"square", u"cube"}) || w == u"root")
        return run([&](TrialCommit& commit) { return rootPhrase(w, commit); });
    if (w == u"log" && !t[next].isSym(u"("))
        return run([&](TrialCommit& commit) { return logPhrase(commit); });
    if (w == u"half" || isOneOf(w, {u"midpoint", u"halfway"}))
        return run([&](TrialCommit& commit) {
            return w == u"half" ? halfPhrase(commit) : midpointPhrase(w, commit);
        });
    if (isOneOf(w, {u"larger", u"smaller"}))
        return run([&](TrialCommit& commit) { return extremePhrase(w, commit); });
    if (w == u"loan") {
        const std::optional<QString> after = word(next);
        if (after && isOneOf(*after, {u"payment", u"total", u"interest"}))
            return run([&](TrialCommit& commit) { return loanPhrase(commit); });
    }
    if (w == u"gain") return run([&](TrialCommit& commit) { return gainPhrase(commit); });
    if (isOneOf(w, {u"max", u"maximum", u"min", u"minimum", u"average", u"mean", u"median", u"sum", u"total",
                    u"count"}) &&
        matches({u"of"}, next))
        return run([&](TrialCommit& commit) { return listStatPhrase(w, commit); });
    if (w == u"standard") return run([&](TrialCommit& commit) { return stdevPhrase(commit); });
    if (isOneOf(w, {u"gcd", u"lcm"}) && !t[next].isSym(u"("))
        return run([&](TrialCommit& commit) { return gcdLcmPhrase(w, commit); });

    // A span of time before a range word ("days until", "business days between").
    const int unitEnd = w == u"business" && matches({u"days"}, next) ? next + 1 : next;
    if ((unitEnd > next || timeUnitWords().contains(w)) &&
        isOneOf(word(unitEnd).value_or(QString()), {u"until", u"till", u"since", u"between", u"from"}))
        return run([&](TrialCommit& commit) { return timeBetweenPhrase(w, commit); });

    if (std::optional<std::optional<Value>> found = pastHead()) return std::move(*found);

    if (isOneOf(w, {u"remainder", u"random", u"clamp", u"interest", u"present", u"growth"}))
        return run([&](TrialCommit& commit) { return openWordPhrase(w, commit); });
    if (isOneOf(w, {u"daily", u"weekly", u"monthly", u"quarterly", u"annual", u"yearly"}))
        return run([&](TrialCommit& commit) { return periodicPaymentPhrase(w, commit); });
    if (w == u"time") {
        if (matches({u"difference"}, next))
            return run([&](TrialCommit& commit) {
                eat({u"time"}, Role::Keyword);
                return zoneDifference(commit);
            });
        if (matches({u"in"}, next)) return run([&] { return timeIn(); });
        if (matches({u"between"}, next))
            return run([&](TrialCommit& commit) { return timeBetweenPhrase(w, commit); });
    }
    if (w == u"date" && matches({u"in"}, next))
        return run([&](TrialCommit& commit) { return dateInPhrase(commit); });
    if (w == u"week" && (matches({u"number"}, next) || matches({u"of", u"the", u"year"}, next)))
        return run([&](TrialCommit& commit) { return weekNumberPhrase(commit); });
    if (w == u"day" && matches({u"of", u"the", u"week"}, next))
        return run([&](TrialCommit& commit) { return dayOfWeekPhrase(commit); });
    if (w == u"weekday") return run([&](TrialCommit& commit) { return weekdayPhrase(commit); });
    if (isOneOf(w, {u"next", u"last", u"this"})) {
        const std::optional<QString> after = word(next);
        if (after && weekdays().contains(*after))
            return run([&](TrialCommit& commit) { return relativeWeekdayPhrase(w, commit); });
    }
    if (isOneOf(w, {u"current", u"new"}) && matches({u"timestamp"}, next)) return timestampPhrase();
    return std::nullopt;
}

Value LineParser::zoneTimePhrase(const ZoneMatch& zone) {
    markRange(p, zone.end, Role::Unit);
    mark(zone.end, Role::Keyword);
    advance(zone.end + 1 - p);
    const ZonedTime here{env.ctx.now, env.ctx.calendar.zone, QString(), 0};
    return convertZone(here, zone.zone, zone.label);
}

Value LineParser::timestampPhrase() {
    mark(p, Role::Keyword);
    mark(p + 1, Role::Keyword);
    advance(2);
    return Instant{env.ctx.now};
}

} // namespace VexilCore
