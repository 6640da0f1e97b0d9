#include "core/document/Document.h"

#include "core/values/Arith.h"
#include "core/values/CalcError.h"

#include <algorithm>

namespace VexilCore {

namespace {

QString lineName(int index) {
    return QStringLiteral("line") + QString::number(index + 1);
}

QString lowerFirst(QString s) {
    if (!s.isEmpty()) s[0] = s[0].toLower();
    return s;
}

CalcError lineError(int index, const CalcError& e) {
    return CalcError(lineName(index) + QStringLiteral(": ") + lowerFirst(e.message));
}

// The first term of a sum, as addition leaves every sum: plain style, no terms.
Quantity sumStart(const Quantity& q) {
    return Quantity(q.value, q.unit);
}

} // namespace

const QHash<QString, QString>& DocumentEvaluator::summaryWords() {
    static const QHash<QString, QString> words{
        {QStringLiteral("total"), QStringLiteral("sum")},
        {QStringLiteral("sum"), QStringLiteral("sum")},
        {QStringLiteral("average"), QStringLiteral("mean")},
        {QStringLiteral("avg"), QStringLiteral("mean")},
        {QStringLiteral("mean"), QStringLiteral("mean")},
        {QStringLiteral("median"), QStringLiteral("median")},
        {QStringLiteral("count"), QStringLiteral("count")},
    };
    return words;
}

bool DocumentEvaluator::isSummaryRow(QStringView line) {
    return summaryWords().contains(line.trimmed().toString().toLower());
}

Quantity DocumentEvaluator::summarize(const QList<int>& block, const QList<LineOutcome>& outcomes,
                                      const QString& kind) const {
    const bool count = kind == u"count";
    QList<std::pair<int, const Quantity*>> quantities;
    quantities.reserve(block.size());
    int valueLines = 0;
    for (int index : block) {
        if (index < 0 || index >= outcomes.size()) continue;
        const LineOutcome& o = outcomes[index];
        if (o.kind == LineOutcome::Kind::Error)
            throw CalcError(lineName(index) + QStringLiteral(" has an error"));
        if (o.kind != LineOutcome::Kind::Value || !o.value) continue;
        ++valueLines;
        if (count) continue;
        switch (kindOf(*o.value)) {
        case ValueKind::Quantity:
            quantities.append({index, &std::get<Quantity>(*o.value)});
            break;
        case ValueKind::Bool:
        case ValueKind::Text:
            throw CalcError(QStringLiteral("Can't total true/false or text (") + lineName(index) + u')');
        case ValueKind::Date:
        case ValueKind::Clock:
        case ValueKind::DateTime:
        case ValueKind::Zoned:
            throw CalcError(QStringLiteral("Can't total dates or times (") + lineName(index) + u')');
        }
    }

    if (count) return Quantity(valueLines, CompoundUnit::none());
    if (quantities.isEmpty()) throw CalcError(QStringLiteral("Nothing to calculate"));

    Quantity sum = sumStart(*quantities.front().second);
    for (qsizetype i = 1; i < quantities.size(); ++i) {
        try {
            sum = Arith::add(sum, *quantities[i].second, context);
        } catch (const CalcError& e) {
            throw lineError(quantities[i].first, e);
        }
    }
    if (kind == u"sum") return sum;

    if (kind == u"mean") {
        Quantity mean(sum.value / double(quantities.size()), sum.unit, sum.style);
        return mean;
    }

    // Median: every value in the sum's unit (a plain number is taken as it stands), sorted.
    QList<double> values;
    values.reserve(quantities.size());
    for (const auto& [index, q] : quantities) {
        if (q->unit.isNone() || q->unit == sum.unit) {
            values.append(q->value);
            continue;
        }
        try {
            values.append(Arith::convert(*q, sum.unit, context).value);
        } catch (const CalcError& e) {
            throw lineError(index, e);
        }
    }
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    const double median = values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
    return Quantity(median, sum.unit);
}

QList<Quantity> DocumentEvaluator::grandTotals(const QList<LineOutcome>& outcomes) const {
    QList<std::pair<Dimension, Quantity>> groups;
    // Runs of lines in one unit are common: their group is known without working out the dimension.
    const CompoundUnit* lastUnit = nullptr;
    qsizetype lastGroup = -1;
    for (const LineOutcome& o : outcomes) {
        if (o.kind != LineOutcome::Kind::Value || o.isSummary || !o.value) continue;
        const Quantity* q = asQuantity(*o.value);
        if (!q) continue;
        if (!lastUnit || !(q->unit == *lastUnit)) {
            const Dimension dim = q->unit.dim();
            const auto group =
                std::find_if(groups.cbegin(), groups.cend(), [&](const auto& g) { return g.first == dim; });
            lastUnit = &q->unit;
            lastGroup = group - groups.cbegin();
            if (group == groups.cend()) {
                groups.append({dim, sumStart(*q)});
                continue;
            }
        }
        try {
            Quantity& sum = groups[lastGroup].second;
            sum = Arith::add(sum, *q, context);
        } catch (const CalcError&) {
            // A currency without a rate leaves its line out rather than losing the whole total.
        }
    }
    QList<Quantity> totals;
    totals.reserve(groups.size());
    for (auto& [dim, total] : groups)
        totals.append(std::move(total));
    return totals;
}

} // namespace VexilCore
