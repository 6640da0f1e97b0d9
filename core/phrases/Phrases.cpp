#include "core/phrases/Phrases.h"

#include "core/parser/Parser.h"
#include "core/values/Arith.h"

#include <vector>

// The table of keyword phrases that start an operand, its installation into the parser, and the
// operand coercions the handlers share.

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
    const double divisor = a.unit == b.unit ? b.value : Arith::convert(b, a.unit, m_env.ctx).value;
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

// The word-led phrases in the order they are tried. Each guard is a look-ahead made before
// anything is consumed; a guard that fails lets the next row try, while a selected handler that
// gives up ends the search with nothing (a direct one lets the next row try). Guards must leave
// the parser as they found it.
const LineParser::PhraseLayer& LineParser::phraseLayer() {
    // The rows whose handler looks and reads in one go, without a trial.
    constexpr bool direct = true;
    // "log(8)" and "gcd(12, 18)" are function calls.
    const auto notCall = [](LineParser& lp, const QString&) { return !lp.t[lp.p + 1].isSym(u"("); };
    // The heads that name a span of time, "business" of "business days" among them.
    static const std::vector<QStringView> spanHeads = [] {
        std::vector<QStringView> heads{u"business"};
        for (auto it = timeUnitWords().keyBegin(); it != timeUnitWords().keyEnd(); ++it)
            if (!it->contains(u' ')) heads.push_back(*it);
        return heads;
    }();

    static const PhraseLayer layer(
        {&LineParser::parseLeadingStatement, &LineParser::conversion, &LineParser::tail, &LineParser::zoneAt,
         &LineParser::applyFunction},
        {
            {{u"square", u"cube", u"root"}, nullptr, &LineParser::rootPhrase},
            {{u"log"}, notCall, &LineParser::logPhrase},
            {{u"half"}, nullptr, &LineParser::halfPhrase},
            {{u"midpoint", u"halfway"}, nullptr, &LineParser::midpointPhrase},
            {{u"larger", u"smaller"}, nullptr, &LineParser::extremePhrase},
            {{u"loan"},
             [](LineParser& lp, const QString&) {
                 const std::optional<QString> after = lp.word(lp.p + 1);
                 return after && isOneOf(*after, {u"payment", u"total", u"interest"});
             },
             &LineParser::loanPhrase},
            {{u"gain"}, nullptr, &LineParser::gainPhrase},
            {{u"max", u"maximum", u"min", u"minimum", u"average", u"mean", u"median", u"sum", u"total",
              u"count"},
             [](LineParser& lp, const QString&) { return lp.matches({u"of"}, lp.p + 1); },
             &LineParser::listStatPhrase},
            {{u"standard"}, nullptr, &LineParser::stdevPhrase},
            {{u"gcd", u"lcm"}, notCall, &LineParser::gcdLcmPhrase},
            // A span of time before a range word ("days until", "business days between").
            {spanHeads,
             [](LineParser& lp, const QString& head) {
                 const int next = lp.p + 1;
                 const int unitEnd = head == u"business" && lp.matches({u"days"}, next) ? next + 1 : next;
                 return (unitEnd > next || timeUnitWords().contains(head)) &&
                        isOneOf(lp.word(unitEnd).value_or(QString()),
                                {u"until", u"till", u"since", u"between", u"from"});
             },
             &LineParser::timeBetweenPhrase},
            // A zone name followed by "time" that ends the operand ("London time"). The zone words
            // and an offset take at most five tokens, so a line without "time" close by is not
            // looked up.
            {{},
             [](LineParser& lp, const QString&) {
                 for (int k = lp.p + 1; k <= lp.p + 5 && k < lp.t.size(); ++k)
                     if (lp.t[k].isWord(u"time")) return true;
                 return false;
             },
             &LineParser::zoneTimePhrase,
             direct},
            // A unit term followed by "in" and "a", "an" or "one" ("hours in a day"). A term spans
            // at most seven tokens (four words, "^", "-", a digit), so without such an "in" close by
            // there is nothing to look up. Looking must not leave tookPt behind.
            {{},
             [](LineParser& lp, const QString&) {
                 const auto inOneAhead = [&lp] {
                     for (int k = lp.p + 1; k <= lp.p + 8 && k < lp.t.size(); ++k)
                         if (lp.t[k].isWord(u"in") && lp.unitInFollows(k + 1)) return true;
                     return false;
                 };
                 if (!inOneAhead()) return false;
                 const bool usedPtBefore = lp.tookPt;
                 const std::optional<std::pair<CompoundUnit, int>> term = lp.unitTermAt(lp.p);
                 lp.tookPt = usedPtBefore;
                 return term && lp.matches({u"in"}, term->second) && lp.unitInFollows(term->second + 1);
             },
             &LineParser::unitInPhrase},
            {{u"remainder"}, nullptr, &LineParser::remainderPhrase},
            {{u"random"}, nullptr, &LineParser::randomPhrase},
            {{u"clamp"}, nullptr, &LineParser::clampPhrase},
            {{u"interest"}, nullptr, &LineParser::interestPhrase},
            {{u"present"}, nullptr, &LineParser::presentValuePhrase},
            {{u"growth"}, nullptr, &LineParser::growthPhrase},
            {{u"daily", u"weekly", u"monthly", u"quarterly", u"annual", u"yearly"},
             nullptr,
             &LineParser::periodicPaymentPhrase},
            {{u"time"},
             [](LineParser& lp, const QString&) { return lp.matches({u"difference"}, lp.p + 1); },
             &LineParser::zoneDifference},
            {{u"time"},
             [](LineParser& lp, const QString&) { return lp.matches({u"in"}, lp.p + 1); },
             &LineParser::timeIn},
            {{u"time"},
             [](LineParser& lp, const QString&) { return lp.matches({u"between"}, lp.p + 1); },
             &LineParser::timeBetweenPhrase},
            {{u"date"},
             [](LineParser& lp, const QString&) { return lp.matches({u"in"}, lp.p + 1); },
             &LineParser::dateInPhrase},
            {{u"week"},
             [](LineParser& lp, const QString&) {
                 return lp.matches({u"number"}, lp.p + 1) || lp.matches({u"of", u"the", u"year"}, lp.p + 1);
             },
             &LineParser::weekNumberPhrase},
            {{u"day"},
             [](LineParser& lp, const QString&) {
                 return lp.matches({u"of", u"the", u"week"}, lp.p + 1);
             },
             &LineParser::dayOfWeekPhrase},
            {{u"weekday"}, nullptr, &LineParser::weekdayPhrase},
            {{u"next", u"last", u"this"},
             [](LineParser& lp, const QString&) {
                 const std::optional<QString> after = lp.word(lp.p + 1);
                 return after && weekdays().contains(*after);
             },
             &LineParser::relativeWeekdayPhrase},
            {{u"current", u"new"},
             [](LineParser& lp, const QString&) { return lp.matches({u"timestamp"}, lp.p + 1); },
             &LineParser::timestampPhrase,
             direct},
        });
    return layer;
}

void installPhrases() {
    LineParser::install(LineParser::phraseLayer());
}

std::optional<Value> LineParser::zoneTimePhrase(const QString&, TrialCommit&) {
    const std::optional<ZoneMatch> zone = zoneAt(p);
    if (!zone || !matches({u"time"}, zone->end) || !isBoundary(zone->end + 1)) return std::nullopt;
    markRange(p, zone->end, Role::Unit);
    mark(zone->end, Role::Keyword);
    advance(zone->end + 1 - p);
    const ZonedTime here{m_env.ctx.now, m_env.ctx.calendar.zone, QString(), 0};
    return convertZone(here, zone->zone, zone->label);
}

std::optional<Value> LineParser::timestampPhrase(const QString&, TrialCommit&) {
    mark(p, Role::Keyword);
    mark(p + 1, Role::Keyword);
    advance(2);
    return Instant{m_env.ctx.now};
}

} // namespace VexilCore
