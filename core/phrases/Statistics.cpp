#include "core/parser/Parser.h"

#include "core/values/Arith.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

// Lists of operands and the statistics over them.

namespace VexilCore {

namespace {

// Euclid with remainders truncating toward zero; the magnitude of the last non-zero value.
// Operands stay below 2^63 in magnitude, so the final negation cannot overflow.
qint64 gcdOf(qint64 a, qint64 b) {
    while (b != 0) {
        const qint64 r = a % b;
        a = b;
        b = r;
    }
    return a < 0 ? -a : a;
}

} // namespace

QList<Value> LineParser::list(const QSet<QString>& extra) {
    StopWords stops(*this, {u",", u"and"});
    for (const QString& w : extra)
        stopWords.insert(w);
    QList<Value> values{parseAdditive()};
    for (;;) {
        const Token& tok = t[p];
        if (!tok.isSym(u",") && !tok.isWord(u"and")) return values;
        mark(p, Role::Op);
        advance();
        values.append(parseAdditive());
    }
}

Value LineParser::stat(const QString& name, const QList<Value>& values) const {
    if (values.isEmpty()) throw CalcError(QStringLiteral("Nothing to calculate"));
    QVarLengthArray<const Quantity*, 16> qs;
    for (const Value& v : values) {
        const Quantity* q = asQuantity(v);
        if (!q) throw CalcError(QStringLiteral("That needs a number"));
        qs.append(q);
    }

    // The first unit given is the list's; plain numbers count in it.
    CompoundUnit target;
    for (const Quantity* q : qs)
        if (!q->unit.isNone()) {
            target = q->unit;
            break;
        }
    QVarLengthArray<double, 16> x;
    for (const Quantity* q : qs)
        x.append(q->unit.isNone() || q->unit == target ? q->value
                                                       : Arith::convert(*q, target, m_env.ctx).value);

    const qsizetype n = x.size();
    const auto sum = [&] {
        double s = 0;
        for (double v : x)
            s += v;
        return s;
    };

    if (name == u"sum") return Quantity(sum(), target);
    if (name == u"average" || name == u"mean" || name == u"avg") return Quantity(sum() / double(n), target);
    if (name == u"count") return Quantity(double(n), {});
    if (name == u"max" || name == u"min") {
        const bool wantMax = name == u"max";
        double best = x[0];
        for (double v : x)
            if (wantMax ? v > best : v < best) best = v;
        return Quantity(best, target);
    }
    if (name == u"median") {
        // Not-a-number sorts last, keeping the ordering strict.
        std::sort(x.begin(), x.end(),
                  [](double a, double b) { return a < b || (std::isnan(b) && !std::isnan(a)); });
        const double m = n % 2 == 1 ? x[n / 2] : (x[n / 2 - 1] + x[n / 2]) * 0.5;
        return Quantity(m, target);
    }
    if (name == u"stdev") {
        if (n < 2) throw CalcError(QStringLiteral("Standard deviation needs two or more values"));
        const double mean = sum() / double(n);
        double squares = 0;
        for (double v : x)
            squares += (v - mean) * (v - mean);
        return Quantity(std::sqrt(squares / double(n - 1)), target);
    }
    if (name == u"gcd" || name == u"lcm") {
        std::vector<qint64> ints;
        ints.reserve(size_t(values.size()));
        for (const Value& v : values)
            ints.push_back(integer(v, name));
        qint64 acc = ints[0];
        const bool isGcd = name == u"gcd";
        for (size_t i = 1; i < ints.size(); ++i) {
            const qint64 v = ints[i];
            const qint64 d = gcdOf(acc, v);
            if (isGcd) {
                acc = d;
                continue;
            }
            if (d == 0) {
                acc = 0;
                continue;
            }
            qint64 product = 0;
            if (__builtin_mul_overflow(acc / d, v, &product) || product == std::numeric_limits<qint64>::min())
                throw CalcError(QStringLiteral("Result is too large"));
            acc = product < 0 ? -product : product;
        }
        return Quantity(double(acc), {});
    }
    throw CalcError(QStringLiteral("Unknown function ") + name);
}

std::optional<Value> LineParser::stdevPhrase(const QString&, TrialCommit& commit) {
    eat({u"standard"}, Role::Keyword);
    expect({u"deviation", u"of"});
    commit();
    return stat(QStringLiteral("stdev"), list());
}

std::optional<Value> LineParser::extremePhrase(const QString& head, TrialCommit& commit) {
    eat({head}, Role::Keyword);
    expect({u"of"});
    commit();
    return stat(head == u"larger" ? QStringLiteral("max") : QStringLiteral("min"), list());
}

std::optional<Value> LineParser::listStatPhrase(const QString& head, TrialCommit& commit) {
    eat({head}, Role::Keyword);
    eat({u"of"}, Role::Keyword);
    commit();
    static const QHash<QString, QString> names{{QStringLiteral("maximum"), QStringLiteral("max")},
                                               {QStringLiteral("minimum"), QStringLiteral("min")},
                                               {QStringLiteral("total"), QStringLiteral("sum")}};
    return stat(names.value(head, head), list());
}

std::optional<Value> LineParser::gcdLcmPhrase(const QString& head, TrialCommit& commit) {
    eat({head}, Role::Keyword);
    expect({u"of"});
    commit();
    return stat(head, list());
}

} // namespace VexilCore
