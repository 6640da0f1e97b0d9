#include "core/parser/Parser.h"

#include "core/phrases/OpenPhrasesSupport.h"

#include <cmath>
#include <limits>

// Loans, interest, present value, growth and gain.
//
// For users:
//   loan payment on $18k over 4 years at 5.5%     the monthly payment
//   loan total on $18k over 4 years at 5.5%       all payments together
//   loan interest on $18k over 4 years at 5.5%    what the payments add to the principal
//   weekly payment on $18k over 4 years at 5.5%   daily, weekly, monthly, quarterly, annual, yearly
//   interest on $1,000 at 5% for 3 years          simple interest
//   interest on $1,000 at 5% for 3 years compounded monthly
//   present value of $1,000 in 5 years at 4%
//   growth of $1,000 over 10 years at 5%          what the amount grows to
//   $5,000 after 10 years at 4%                   the same, after an amount ("for" too)
//   gain from $800 to $1,000                      25%
// After the amount the clauses come in any order: "over|for|in <time>", "at <rate>", where the
// rate is yearly unless "per|a|every <time unit>" follows (at 0.5% a month), and for interest,
// present value and growth "compounded|compounding <annually|yearly|semiannually|quarterly|
// monthly|weekly|daily|continuously>". Results are in the amount's unit.
//
// Formulas, with P the amount, t the years, R the yearly rate (the rate divided by its period
// in years):
//   annuity payment for k payments a year:  P·i / (1 − (1 + i)^−n), i = R / k, n = t·k; P / n when i = 0
//   compound growth factor F:  (1 + rate)^(t / period) once per rate period by default;
//                              (1 + R / m)^(m·t) compounded m times a year; e^(R·t) continuously
//   future value P·F; present value P / F; interest P·R·t (simple) unless compounded, then P·(F − 1)
// Messages: "Expected 'over'" (or the phrase's span word) and "Expected 'at'" for a missing
// span or rate; "The loan term must be longer than zero"; "The rate must be above -100%";
// "Result is too large".

namespace VexilCore {

using namespace OpenPhrases;

namespace {

constexpr double kContinuous = std::numeric_limits<double>::infinity();

std::optional<double> compoundingPerYear(const QString& w) {
    if (w == u"annually" || w == u"yearly") return 1;
    if (w == u"semiannually") return 2;
    if (w == u"quarterly") return 4;
    if (w == u"monthly") return 12;
    if (w == u"weekly") return 52;
    if (w == u"daily") return 365;
    if (w == u"continuously") return kContinuous;
    return std::nullopt;
}

std::optional<double> paymentsPerYear(const QString& head) {
    if (head == u"daily") return 365;
    if (head == u"weekly") return 52;
    if (head == u"monthly") return 12;
    if (head == u"quarterly") return 4;
    if (head == u"annual" || head == u"yearly") return 1;
    return std::nullopt;
}

CalcError rateTooLow() {
    return CalcError(QStringLiteral("The rate must be above -100%"));
}

Quantity amount(double value, const Quantity& like) {
    return Quantity(finite(value), like.unit);
}

} // namespace

double LineParser::growthFactor(const FinanceTerms& f) {
    const double t = *f.years;
    if (!f.perYear) {
        if (!(*f.rate > -1)) throw rateTooLow();
        return std::exp(t / f.periodYears * std::log1p(*f.rate));
    }
    const double r = *f.rate / f.periodYears;
    if (std::isinf(*f.perYear)) return std::exp(r * t);
    const double m = *f.perYear;
    if (!(r / m > -1)) throw rateTooLow();
    return std::exp(m * t * std::log1p(r / m));
}

double LineParser::annuityPayment(double principal, const FinanceTerms& f, double k) {
    const double n = *f.years * k;
    if (!(n > 0)) throw CalcError(QStringLiteral("The loan term must be longer than zero"));
    const double i = *f.rate / f.periodYears / k;
    if (i == 0) return principal / n;
    if (!(i > -1)) throw rateTooLow();
    // 1 - (1 + i)^-n, exact for small rates too.
    return principal * i / -std::expm1(-n * std::log1p(i));
}

std::optional<QString> LineParser::missingTerm(const FinanceTerms& f, QStringView spanWord) {
    if (!f.years) return QStringLiteral("Expected '") + spanWord.toString() + QStringLiteral("'");
    if (!f.rate) return QStringLiteral("Expected 'at'");
    return std::nullopt;
}

double LineParser::spanYears(const Value& span, const QString& name) const {
    const Quantity q = quantity(span, name);
    if (q.unit.isNone() || q.unit.dim() != Dimension::time)
        throw CalcError(name + QStringLiteral(" needs a length of time, e.g. 4 years"));
    return Arith::convert(q, unitOf(QStringLiteral("yr")), m_env.ctx).value;
}

void LineParser::financeTerms(FinanceTerms& terms, const QString& name, bool compounding) {
    for (;;) {
        if (!terms.years &&
            (eat({u"over"}, Role::Keyword) || eat({u"for"}, Role::Keyword) || eat({u"in"}, Role::Keyword))) {
            terms.years = spanYears(operand({u"at", u"per", u"a", u"every", u"over", u"for", u"in",
                                             u"compounded", u"compounding"}),
                                    name);
            continue;
        }
        if (!terms.rate && eat({u"at"}, Role::Keyword)) {
            terms.rate = scalar(operand({u"per", u"a", u"every", u"compounded", u"compounding", u"over",
                                         u"for", u"in", u"at"}),
                                name);
            const std::optional<QString> w = word(p);
            if (w && (*w == u"per" || *w == u"a" || *w == u"every")) {
                mark(p, Role::Keyword);
                advance();
                const auto unit = unitTermAt(p);
                if (!unit || unit->first.dim() != Dimension::time)
                    throw fail(QStringLiteral("Expected a length of time after '") + *w +
                               QStringLiteral("'"));
                markUnitTokens(p, unit->second);
                p = unit->second;
                terms.periodYears =
                    Arith::convert(Quantity(1, unit->first), unitOf(QStringLiteral("yr")), m_env.ctx).value;
                if (!(terms.periodYears > 0))
                    throw CalcError(QStringLiteral("Use a rate per year, month or day"));
            }
            continue;
        }
        if (compounding && !terms.perYear &&
            (eat({u"compounded"}, Role::Keyword) || eat({u"compounding"}, Role::Keyword))) {
            const std::optional<QString> w = word(p);
            const std::optional<double> perYear = w ? compoundingPerYear(*w) : std::nullopt;
            if (!perYear) throw fail(QStringLiteral("Expected how often, e.g. compounded monthly"));
            mark(p, Role::Keyword);
            advance();
            terms.perYear = perYear;
            continue;
        }
        return;
    }
}

// "loan payment|total|interest [on|of|for] P <clauses>" -> monthly annuity payment, the payments
// together, or those less P. Committed after the second word (the table's guard checks it).
std::optional<Value> LineParser::loanPhrase(const QString&, TrialCommit& commit) {
    const QString name = QStringLiteral("loan");
    expect({name});
    const std::optional<QString> what = word(p);
    if (!what || !(*what == u"payment" || *what == u"total" || *what == u"interest")) return std::nullopt;
    mark(p, Role::Keyword);
    advance();
    commit();
    eat({u"on"}, Role::Keyword) || eat({u"of"}, Role::Keyword) || eat({u"for"}, Role::Keyword);
    const Quantity principal = quantity(operand({u"over", u"for", u"in", u"at"}), name);
    FinanceTerms f;
    financeTerms(f, name, false);
    if (auto m = missingTerm(f, u"over")) throw fail(*m);
    const double payment = annuityPayment(principal.value, f, 12);
    if (*what == u"payment") return amount(payment, principal);
    const double total = payment * *f.years * 12;
    if (*what == u"total") return amount(total, principal);
    return amount(total - principal.value, principal);
}

// "<daily|weekly|monthly|quarterly|annual|yearly> payment[s] [on|of|for] P <clauses>" -> the
// annuity payment with that many payments a year. Committed after "payment".
std::optional<Value> LineParser::periodicPaymentPhrase(const QString& head, TrialCommit& commit) {
    const std::optional<double> k = paymentsPerYear(head);
    if (!k) return std::nullopt;
    expect({head});
    if (!(eat({u"payment"}, Role::Keyword) || eat({u"payments"}, Role::Keyword))) return std::nullopt;
    commit();
    eat({u"on"}, Role::Keyword) || eat({u"of"}, Role::Keyword) || eat({u"for"}, Role::Keyword);
    const Quantity principal = quantity(operand({u"over", u"for", u"in", u"at"}), head);
    FinanceTerms f;
    financeTerms(f, head, false);
    if (auto m = missingTerm(f, u"over")) throw fail(*m);
    return amount(annuityPayment(principal.value, f, *k), principal);
}

// "interest on|of P <clauses>" -> simple interest, or compound interest when "compounded"
// says how often. Committed after "on"/"of".
std::optional<Value> LineParser::interestPhrase(const QString&, TrialCommit& commit) {
    const QString name = QStringLiteral("interest");
    expect({name});
    if (!(eat({u"on"}, Role::Keyword) || eat({u"of"}, Role::Keyword))) return std::nullopt;
    commit();
    const Quantity principal =
        quantity(operand({u"over", u"for", u"in", u"at", u"compounded", u"compounding"}), name);
    FinanceTerms f;
    financeTerms(f, name, true);
    if (auto m = missingTerm(f, u"for")) throw fail(*m);
    if (!f.perYear) return amount(principal.value * *f.rate / f.periodYears * *f.years, principal);
    return amount(principal.value * (growthFactor(f) - 1), principal);
}

// "present value of P <clauses>" -> P discounted over the span. Committed after "value of".
std::optional<Value> LineParser::presentValuePhrase(const QString&, TrialCommit& commit) {
    const QString name = QStringLiteral("present value");
    if (!matches({u"present", u"value", u"of"})) return std::nullopt;
    expect({u"present", u"value", u"of"});
    commit();
    const Quantity future =
        quantity(operand({u"over", u"for", u"in", u"at", u"compounded", u"compounding"}), name);
    FinanceTerms f;
    financeTerms(f, name, true);
    if (auto m = missingTerm(f, u"in")) throw fail(*m);
    return amount(future.value / growthFactor(f), future);
}

// "growth of|on P <clauses>" -> the amount P grows to. The table routes every "growth" here;
// "of"/"on" is tested before anything is read. Committed after it.
std::optional<Value> LineParser::growthPhrase(const QString&, TrialCommit& commit) {
    const QString name = QStringLiteral("growth");
    if (!(matches({name, u"of"}) || matches({name, u"on"}))) return std::nullopt;
    mark(p, Role::Keyword);
    mark(p + 1, Role::Keyword);
    advance(2);
    commit();
    const Quantity start =
        quantity(operand({u"over", u"for", u"in", u"at", u"compounded", u"compounding"}), name);
    FinanceTerms f;
    financeTerms(f, name, true);
    if (auto m = missingTerm(f, u"over")) throw fail(*m);
    return amount(start.value * growthFactor(f), start);
}

// After "after" or "for" on an amount a: "<span> at <rate> [per|a|every <unit>]
// [compounded|compounding <frequency>]" -> a grown over the span, in a's unit. The caller runs
// it as a trial and drops its errors.
Value LineParser::growthClause(const Quantity& a) {
    const QString name = QStringLiteral("growth");
    FinanceTerms f;
    f.years = spanYears(operand({u"at", u"per", u"a", u"every"}), name);
    if (!matches({u"at"})) throw fail(QStringLiteral("Expected 'at'"));
    financeTerms(f, name, true);
    return amount(a.value * growthFactor(f), a);
}

// "gain from A to B" -> (B − A) / A as a percentage, A brought to B's unit. Committed after
// "from".
std::optional<Value> LineParser::gainPhrase(const QString&, TrialCommit& commit) {
    const QString name = QStringLiteral("gain");
    expect({name});
    if (!eat({u"from"}, Role::Keyword)) return std::nullopt;
    commit();
    const Quantity a = quantity(operand({u"to"}), name);
    expect({u"to"});
    const Quantity b = quantity(parseAdditive(), name);
    return Quantity(finite(ratio(b, a) - 1), CompoundUnit::none(), DisplayStyle::Percent);
}

} // namespace VexilCore
