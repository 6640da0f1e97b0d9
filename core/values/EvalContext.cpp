#include "core/values/EvalContext.h"

namespace VexilCore {

EvalContext EvalContext::make(CalendarCtx calendar, double now, std::optional<RatesTable> rates,
                              std::optional<CryptoTable> crypto, double emBasePixels,
                              std::optional<bool> monthFirstDates) {
    EvalContext ctx;
    const bool monthFirst = monthFirstDates ? *monthFirstDates : localeIsMonthFirst(calendar.locale);
    ctx.calendar = std::move(calendar);
    ctx.now = now;
    ctx.rates = std::move(rates);
    ctx.crypto = std::move(crypto);
    ctx.emBasePixels = emBasePixels;
    ctx.monthFirstDates = monthFirst;
    return ctx;
}

std::optional<QDate> EvalContext::dateIn(const QTimeZone& zone) const {
    if (datesRead && !datesRead->contains(zone)) datesRead->append(zone);
    const std::optional<QDateTime> at = Calendar::toDateTime(now.peek(), zone);
    if (!at) return std::nullopt;
    return at->date();
}

bool EvalContext::localeIsMonthFirst(const QLocale& locale) {
    if (locale.language() == QLocale::C) return true;
    return patternIsMonthFirst(locale.dateFormat(QLocale::ShortFormat));
}

bool EvalContext::patternIsMonthFirst(const QString& pattern) {
    qsizetype firstM = -1;
    qsizetype firstD = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted) continue;
        if (c == u'M' && firstM < 0) firstM = i;
        if (c == u'd' && firstD < 0) firstD = i;
    }
    if (firstM < 0 || firstD < 0) return true;
    return firstM < firstD;
}

} // namespace VexilCore
