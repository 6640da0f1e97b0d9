#include "core/document/Formatting.h"

#include "core/currency/Currencies.h"
#include "core/values/Units.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace VexilCore {

namespace {

constexpr char16_t kMinus = u'\u2212';

// 0.5 × 10^-d for d = 0...12, as literals so that the boundary never depends on pow's rounding.
constexpr std::array<double, 13> kSmallLimits = {5e-1, 5e-2, 5e-3,  5e-4,  5e-5,  5e-6, 5e-7,
                                                 5e-8, 5e-9, 5e-10, 5e-11, 5e-12, 5e-13};

double smallLimit(int decimals) {
    if (decimals >= 0 && decimals < int(kSmallLimits.size())) return kSmallLimits[size_t(decimals)];
    return 0.5 * std::pow(10.0, -double(decimals));
}

// The shortest round-trip digits of |x| (finite) and the power of ten of the first digit.
struct Digits {
    char d[24];
    int count = 0;
    int exponent = 0;
};

Digits shortestDigits(double x) {
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific);
    Digits out;
    const char* p = buf;
    for (; p < res.ptr && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') out.d[out.count++] = *p;
    if (p < res.ptr) std::from_chars(p[1] == '+' ? p + 2 : p + 1, res.ptr, out.exponent);
    return out;
}

// Step 5 of number(): the decimal text of a finite x with at most `decimals` fraction digits.
QString decimalText(double x, int decimals, bool grouped) {
    const Digits dg = shortestDigits(x);
    const int m = std::max(0, decimals);

    // Integer digits (at most 16 here, as |x| < 1e15) and fraction digits (the smallest double has
    // 324 leading zeros) in one buffer, the point between them.
    char digits[400];
    int intLen = 0;
    int len = 0;
    if (dg.exponent >= 0) {
        intLen = dg.exponent + 1;
        for (int i = 0; i < intLen; ++i)
            digits[len++] = i < dg.count ? dg.d[i] : '0';
        for (int i = intLen; i < dg.count; ++i)
            digits[len++] = dg.d[i];
    } else {
        intLen = 1;
        digits[len++] = '0';
        for (int i = 0; i < -dg.exponent - 1; ++i)
            digits[len++] = '0';
        for (int i = 0; i < dg.count; ++i)
            digits[len++] = dg.d[i];
    }

    int fracLen = len - intLen;
    if (m < fracLen) {
        const bool up = digits[intLen + m] >= '5';
        fracLen = m;
        len = intLen + m;
        if (up) {
            int i = len - 1;
            for (; i >= 0; --i) {
                if (digits[i] == '9') {
                    digits[i] = '0';
                } else {
                    ++digits[i];
                    break;
                }
            }
            if (i < 0) { // carried out of the first digit: a new leading 1
                std::copy_backward(digits, digits + len, digits + len + 1);
                digits[0] = '1';
                ++intLen;
                ++len;
            }
        }
    }
    while (fracLen > 0 && digits[intLen + fracLen - 1] == '0')
        --fracLen;
    len = intLen + fracLen;

    // The integer part may have kept leading zeros only as "0" itself.
    const bool nonZero = std::any_of(digits, digits + len, [](char c) { return c != '0'; });

    char16_t out[600];
    int n = 0;
    if (x < 0 && nonZero) out[n++] = kMinus;
    for (int i = 0; i < intLen; ++i) {
        if (grouped && i > 0 && (intLen - i) % 3 == 0) out[n++] = u',';
        out[n++] = char16_t(digits[i]);
    }
    if (fracLen > 0) {
        out[n++] = u'.';
        for (int i = 0; i < fracLen; ++i)
            out[n++] = char16_t(digits[intLen + i]);
    }
    return QString(reinterpret_cast<const QChar*>(out), n);
}

QString scientificText(double x, int decimals) {
    const int p = std::clamp(decimals, 1, 6);
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, p);
    const char* end = res.ptr;
    const char* e = std::find(static_cast<const char*>(buf), end, 'e');

    char16_t out[64];
    int n = 0;
    auto put = [&](char c) { out[n++] = c == '-' ? kMinus : char16_t(c); };
    if (e == end) {
        for (const char* c = buf; c < end; ++c)
            put(*c);
        return QString(reinterpret_cast<const QChar*>(out), n);
    }

    // Mantissa: trailing zeros of the fraction, then a bare point, go.
    const char* mEnd = e;
    if (std::find(static_cast<const char*>(buf), e, '.') != e) {
        while (mEnd > buf && mEnd[-1] == '0')
            --mEnd;
        if (mEnd > buf && mEnd[-1] == '.') --mEnd;
    }
    for (const char* c = buf; c < mEnd; ++c)
        put(*c);
    put('e');

    // Exponent: no "+", no leading zeros ("+05" is 5, "+00" is 0, "-07" is -7).
    const char* ex = e + 1;
    if (ex < end && *ex == '+') ++ex;
    while (end - ex > 1 && *ex == '0')
        ++ex;
    if (end - ex > 2 && ex[0] == '-' && ex[1] == '0') {
        put('-');
        ex += 2;
    }
    for (const char* c = ex; c < end; ++c)
        put(*c);
    return QString(reinterpret_cast<const QChar*>(out), n);
}

QString numberText(double x, int decimals) {
    if (std::isnan(x)) return QStringLiteral("not a number");
    if (std::isinf(x)) return x > 0 ? QStringLiteral(u"\u221E") : QStringLiteral(u"\u2212\u221E");
    const double a = std::fabs(x);
    if (a >= 1e15) return scientificText(x, decimals);
    if (x != 0 && a < 0.0001 && a < smallLimit(decimals)) return scientificText(x, decimals);
    return decimalText(x, decimals, true);
}

bool writtenAsOne(const QString& text) {
    return text == u"1" || text == u"\u22121";
}

QString withUnit(const QString& number, const CompoundUnit& unit) {
    if (unit.isNone()) return number;
    return number + u' ' + unit.display(!writtenAsOne(number));
}

QString termText(double value, const UnitRef& unit, int decimals) {
    const QString n = numberText(value, decimals);
    if (!unit) return n;
    return n + u' ' + (writtenAsOne(n) ? unit->singular : unit->plural);
}

// Sizes of linear, currency-free units only need no rates; anything else gives nothing.
std::optional<double> plainFactor(const UnitDef& u) {
    if (const auto* lin = std::get_if<UnitDef::Linear>(&u.kind)) return lin->factor;
    return std::nullopt;
}

std::optional<double> plainFactor(const CompoundUnit& unit) {
    double f = 1;
    for (const UnitPower& p : unit.parts) {
        const auto pf = plainFactor(*p.unit);
        if (!pf) return std::nullopt;
        f *= std::pow(*pf, double(p.power));
    }
    return f;
}

// The duration of a time quantity in seconds; nothing for other quantities.
std::optional<double> secondsOf(const Quantity& q) {
    if (q.unit.dim() != Dimension::time) return std::nullopt;
    const auto f = plainFactor(q.unit);
    if (!f) return std::nullopt;
    return q.value * *f;
}

// Rounds half away from zero to `decimals` places, as the number text will show it.
double roundedForDisplay(double x, int decimals) {
    const int m = std::clamp(decimals, 0, 12);
    const double scale = std::pow(10.0, m);
    return std::round(x * scale) / scale;
}

struct TimeUnits {
    UnitRef day = Units::unit(QStringLiteral("d"));
    UnitRef hour = Units::unit(QStringLiteral("h"));
    UnitRef minute = Units::unit(QStringLiteral("min"));
    UnitRef second = Units::unit(QStringLiteral("s"));
};

const TimeUnits& timeUnits() {
    static const TimeUnits units;
    return units;
}

QString breakdownText(double seconds, int decimals) {
    const TimeUnits& tu = timeUnits();
    double rest = std::fabs(seconds);
    double whole = std::floor(rest);
    double frac = rest - whole;
    if (roundedForDisplay(frac, decimals) >= 1) {
        whole += 1;
        frac = 0;
    }
    const double days = std::floor(whole / 86400);
    whole -= days * 86400;
    const double hours = std::floor(whole / 3600);
    whole -= hours * 3600;
    const double minutes = std::floor(whole / 60);
    whole -= minutes * 60;
    const double secs = whole + frac;

    QStringList parts;
    if (days != 0) parts << termText(days, tu.day, decimals);
    if (hours != 0) parts << termText(hours, tu.hour, decimals);
    if (minutes != 0) parts << termText(minutes, tu.minute, decimals);
    const QString s = termText(secs, tu.second, decimals);
    if (parts.isEmpty() || s[0] != u'0') parts << s;
    QString text = parts.join(u' ');
    if (seconds < 0 && text[0] != u'0') text.prepend(QChar(kMinus));
    return text;
}

QString hmsText(double seconds) {
    const double whole = std::trunc(std::fabs(seconds));
    const auto total = qint64(whole);
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(total / 3600, 2, 10, QChar(u'0'))
                       .arg((total / 60) % 60, 2, 10, QChar(u'0'))
                       .arg(total % 60, 2, 10, QChar(u'0'));
    if (seconds < 0 && total != 0) text.prepend(QChar(kMinus));
    return text;
}

// Whole units of every id but the last, the rest in the last; nothing when the ids do not fit.
std::optional<QString> mixedText(const Quantity& q, const QStringList& ids, int decimals) {
    if (ids.size() < 2) return std::nullopt;
    const auto qf = plainFactor(q.unit);
    if (!qf) return std::nullopt;
    const Dimension dim = q.unit.dim();
    QList<UnitRef> units;
    QList<double> factors;
    for (const QString& id : ids) {
        const UnitRef u = Units::byId().value(id);
        if (!u || u->dim != dim) return std::nullopt;
        const auto f = plainFactor(*u);
        if (!f || *f <= 0) return std::nullopt;
        units << u;
        factors << *f;
    }
    double rest = std::fabs(q.value) * *qf;
    if (!std::isfinite(rest)) return std::nullopt;
    QList<double> counts;
    for (qsizetype i = 0; i + 1 < units.size(); ++i) {
        const double c = std::floor(rest / factors[i]);
        counts << c;
        rest -= c * factors[i];
    }
    counts << std::max(0.0, rest / factors.last());
    // A last part that shows as a whole unit of the one before it carries over.
    for (qsizetype i = counts.size() - 1; i > 0; --i) {
        const double ratio = factors[i - 1] / factors[i];
        const double shown = i == counts.size() - 1 ? roundedForDisplay(counts[i], decimals) : counts[i];
        if (shown >= ratio * (1 - 1e-12)) {
            counts[i] = std::max(0.0, counts[i] - ratio);
            counts[i - 1] += 1;
        }
    }
    QStringList parts;
    for (qsizetype i = 0; i < units.size(); ++i) {
        const bool last = i == units.size() - 1;
        const QString t = termText(counts[i], units[i], decimals);
        if (t[0] != u'0' || (last && parts.isEmpty())) parts << t;
    }
    QString text = parts.join(u' ');
    if (q.value < 0 && text[0] != u'0') text.prepend(QChar(kMinus));
    return text;
}

std::optional<QString> baseText(double v, int base) {
    if (!std::isfinite(v) || v != std::trunc(v) || std::fabs(v) >= 18446744073709551616.0)
        return std::nullopt;
    const auto magnitude = quint64(std::fabs(v));
    QString digits = QString::number(magnitude, base).toUpper();
    const char16_t* prefix = base == 16 ? u"0x" : base == 2 ? u"0b" : u"0o";
    QString text = QString::fromUtf16(prefix) + digits;
    if (v < 0) text.prepend(QChar(kMinus));
    return text;
}

QString noNarrowSpace(QString s) {
    return s.replace(QChar(0x202F), QChar(u' '));
}

// Weekday and month names of the long date pattern shortened as asked. The year is written as
// the number it is ("999", not the "0999" of Qt's four-digit field).
QString longDatePattern(const QLocale& loc, bool shortMonth, int year) {
    // The locale's part is worked out once per locale and thread; only the year changes per date.
    struct Known {
        QLocale locale;
        QLocale digits;      // the locale's digits, without a group separator
        QString patterns[2]; // long month, short month
    };
    thread_local std::optional<Known> known;
    if (!known || known->locale != loc) {
        QString pattern = loc.dateFormat(QLocale::LongFormat);
        pattern.replace(QStringLiteral("dddd"), QStringLiteral("ddd"));
        QString shortened = pattern;
        shortened.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
        QLocale digits = loc;
        digits.setNumberOptions(QLocale::OmitGroupSeparator);
        known = Known{loc, digits, {pattern, shortened}};
    }
    QString pattern = known->patterns[shortMonth ? 1 : 0];
    // Quoted, so that the year's digits are not read as fields.
    pattern.replace(QStringLiteral("yyyy"), u'\'' + known->digits.toString(year) + u'\'');
    return pattern;
}

} // namespace

ResultFormatter::ResultFormatter(int maxDecimals, int currencyDecimals, int cryptoDecimals, QLocale locale,
                                 CalendarCtx calendar)
    : maxDecimals(std::clamp(maxDecimals, 0, 12)), locale(std::move(locale)), calendar(std::move(calendar)),
      currencyDecimals(std::clamp(currencyDecimals, 0, 12)),
      cryptoDecimals(std::clamp(cryptoDecimals, 0, 12)) {}

QString ResultFormatter::number(double x) const {
    return numberText(x, maxDecimals);
}

QString ResultFormatter::scientific(double x) const {
    return scientificText(x, maxDecimals);
}

QString ResultFormatter::dayShift(qint64 n) {
    const quint64 magnitude = n < 0 ? quint64(0) - quint64(n) : quint64(n);
    QString s = QStringLiteral(" (");
    s += n < 0 ? QChar(kMinus) : QChar(u'+');
    s += QString::number(magnitude);
    s += magnitude == 1 ? QStringLiteral(" day)") : QStringLiteral(" days)");
    return s;
}

QLocale ResultFormatter::textLocale() const {
    if (locale.language() == QLocale::C) return QLocale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

QString ResultFormatter::format(const Quantity& q) const {
    // Only a lone currency unit counts as money here: BTC/day is not an amount of bitcoin.
    int decimals = maxDecimals;
    if (const UnitRef u = q.unit.single(); u && u->isCurrency())
        decimals = Currencies::isCrypto(u->id) ? cryptoDecimals : currencyDecimals;

    const auto plain = [&] { return withUnit(numberText(q.value, decimals), q.unit); };
    const auto styled = [&](QString text) {
        if (q.unit.isNone()) return text;
        return text + u' ' + q.unit.display(true);
    };

    switch (q.style.kind) {
    case DisplayStyle::Percent:
        return styled(numberText(q.value * 100, decimals) + u'%');
    case DisplayStyle::Factor:
        return styled(numberText(q.value, decimals) + QChar(0x00D7));
    case DisplayStyle::Hex:
    case DisplayStyle::Binary:
    case DisplayStyle::Octal: {
        const int base = q.style.kind == DisplayStyle::Hex      ? 16
                         : q.style.kind == DisplayStyle::Binary ? 2
                                                                : 8;
        if (const auto text = baseText(q.value, base)) return styled(*text);
        return plain();
    }
    case DisplayStyle::Hms:
        if (const auto s = secondsOf(q); s && std::fabs(*s) < 9e18) return hmsText(*s);
        return plain();
    case DisplayStyle::Breakdown:
        if (const auto s = secondsOf(q); s && std::isfinite(*s)) return breakdownText(*s, decimals);
        return plain();
    case DisplayStyle::Mixed:
        if (const auto text = mixedText(q, q.style.mixedIds, decimals)) return *text;
        return plain();
    case DisplayStyle::Ungrouped:
        if (!std::isfinite(q.value) || std::fabs(q.value) >= 1e15) return plain();
        return withUnit(decimalText(q.value, decimals, false), q.unit);
    case DisplayStyle::Plain:
        break;
    }
    if (q.terms && !q.terms->isEmpty()) {
        QStringList parts;
        for (const Quantity::Term& t : *q.terms)
            parts << termText(t.value, t.unit, decimals);
        return parts.join(u' ');
    }
    return plain();
}

QString ResultFormatter::format(const Value& value) const {
    switch (kindOf(value)) {
    case ValueKind::Quantity:
        return format(std::get<Quantity>(value));
    case ValueKind::Date: {
        const CalendarDate& d = std::get<CalendarDate>(value);
        const auto qd = d.toQDate();
        if (!qd) return {};
        const QLocale loc = textLocale();
        return noNarrowSpace(loc.toString(*qd, longDatePattern(loc, false, qd->year())));
    }
    case ValueKind::Clock: {
        const ClockTime& c = std::get<ClockTime>(value);
        if (!std::isfinite(c.seconds)) return {};
        const QLocale loc = textLocale();
        QString pattern = loc.timeFormat(QLocale::ShortFormat);
        // Seconds are shown when the time is not a whole minute; a fraction is cut off.
        if (std::fmod(c.seconds, 60) != 0 && !pattern.contains(u's'))
            pattern.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
        const double secs = std::clamp(std::floor(c.seconds), 0.0, 86399.0);
        const QTime t = QTime::fromMSecsSinceStartOfDay(int(secs) * 1000);
        QString text = noNarrowSpace(loc.toString(t, pattern));
        if (c.dayOffset != 0) text += dayShift(c.dayOffset);
        return text;
    }
    case ValueKind::DateTime: {
        const auto dt = Calendar::toDateTime(std::get<Instant>(value).secs, calendar.zone);
        if (!dt) return {};
        const QLocale loc = textLocale();
        const QString pattern = longDatePattern(loc, true, dt->date().year()) + QStringLiteral(", ") +
                                loc.timeFormat(QLocale::ShortFormat);
        return noNarrowSpace(loc.toString(*dt, pattern));
    }
    case ValueKind::Zoned: {
        const ZonedTime& z = std::get<ZonedTime>(value);
        const auto dt = Calendar::toDateTime(z.date, z.zone);
        if (!dt) return {};
        const QLocale loc = textLocale();
        QString text = noNarrowSpace(loc.toString(dt->time(), loc.timeFormat(QLocale::ShortFormat)));
        if (!z.label.isEmpty()) text += u' ' + z.label;
        if (z.dayShift != 0) text += dayShift(z.dayShift);
        return text;
    }
    case ValueKind::Bool:
        return std::get<bool>(value) ? QStringLiteral("true") : QStringLiteral("false");
    case ValueKind::Text:
        return std::get<QString>(value);
    }
    return {};
}

} // namespace VexilCore
