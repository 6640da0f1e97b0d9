#include "core/values/ValueArith.h"
#include "core/values/Units.h"

#include "core/values/TestUnits.h"
#include "tests/support/UnitSpec.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <cmath>
#include <functional>
#include <limits>

using namespace VexilCore;
using namespace Qt::Literals::StringLiterals;
using TestSupport::q;
using TestSupport::unitOf;
using TestUnits::messageOf;

namespace {

EvalContext contextIn(const char* zone, QLocale locale = QLocale(QLocale::English, QLocale::UnitedStates)) {
    const QTimeZone tz = QTimeZone(QByteArray(zone));
    return EvalContext::make(CalendarCtx{tz, locale}, 1'700'000'000, std::nullopt, std::nullopt, 16, true);
}

const EvalContext& utc() {
    static const EvalContext ctx = contextIn("UTC");
    return ctx;
}

// A duration made of mixed terms, as the mixed-unit reading builds it (1 month 1 week).
Quantity mixed(std::initializer_list<std::pair<double, const char*>> terms) {
    Quantity result = q(0, "s");
    QList<Quantity::Term> list;
    for (const auto& [v, id] : terms)
        list.append(Quantity::Term{v, Units::unit(QString::fromLatin1(id))});
    result.terms = list;
    return result;
}

CalendarDate date(qint64 y, qint64 m, qint64 d) {
    return CalendarDate{y, m, d};
}
CalendarDate date(QDate d) {
    return CalendarDate{d.year(), d.month(), d.day()};
}

ClockTime clock(int h, int m, double s = 0, qint64 dayOffset = 0) {
    return ClockTime{h * 3600.0 + m * 60.0 + s, dayOffset};
}

// The instant of a wall time in a zone that is unambiguous there.
Instant at(const char* zone, QDate d, QTime t) {
    return Instant{double(QDateTime(d, t, QTimeZone(QByteArray(zone))).toMSecsSinceEpoch()) / 1000.0};
}
Instant utcAt(QDate d, QTime t) {
    return at("UTC", d, t);
}

ZonedTime zoned(Instant t, const char* zone, const char* label, qint64 dayShift = 0) {
    return ZonedTime{t.secs, QTimeZone(QByteArray(zone)), QString::fromLatin1(label), dayShift};
}

const QString kBoolText = u"Can't do arithmetic with true/false or text"_s;
const QString kTwoDates = u"Can't add two dates"_s;
const QString kTwoTimes = u"Can't add two times. Did you mean 'to'?"_s;
const QString kCombine = u"Can't combine a date with a time of day"_s;

} // namespace

// Every pair of value kinds, both signs: a result or the message it fails with.
TEST(ValueArith, AddTable) {
    const Value duration = q(18, "d");
    const Value hour = q(1, "h");
    const Value june4 = date(2024, 6, 4);
    const Value nine = clock(9, 0);
    const Instant t = utcAt(QDate(2024, 6, 4), QTime(10, 0));
    const Value instant = t;
    const Value tokyo = zoned(t, "Asia/Tokyo", "Tokyo");
    const Value yes = true;
    const Value text = Value(std::in_place_type<QString>, u"apples"_s);

    struct Case {
        const char* name;
        Value l;
        Value r;
        bool subtract;
        std::variant<Value, QString> expected;
    };
    const Case cases[] = {
        {"quantity + quantity", hour, q(30, "min"), false, q(1.5, "h")},
        {"quantity - quantity", hour, q(30, "min"), true, q(0.5, "h")},
        {"quantity + date", duration, june4, false, date(2024, 6, 22)},
        {"quantity - date", duration, june4, true, kCombine},
        {"quantity + clock", q(2, "h"), nine, false, clock(11, 0)},
        {"quantity - clock", q(2, "h"), nine, true, kCombine},
        {"quantity + dateTime", hour, instant, false, Instant{t.secs + 3600}},
        {"quantity - dateTime", hour, instant, true, kCombine},
        {"quantity + zoned", hour, tokyo, false, kCombine},
        {"quantity - zoned", hour, tokyo, true, kCombine},
        {"quantity + bool", hour, yes, false, kBoolText},
        {"quantity + text", hour, text, false, kBoolText},

        {"date + quantity", june4, duration, false, date(2024, 6, 22)},
        {"date - quantity", date(2024, 6, 22), duration, true, date(2024, 6, 4)},
        {"date + date", june4, june4, false, kTwoDates},
        {"date - date", date(2024, 12, 25), date(2024, 12, 1), true, q(24, "d")},
        {"date - later date", date(2024, 12, 1), date(2024, 12, 25), true, q(-24, "d")},
        {"date + clock", june4, nine, false, kCombine},
        {"date - clock", june4, nine, true, kCombine},
        {"date + dateTime", june4, instant, false, kCombine},
        {"date - dateTime", june4, instant, true, q(2, "h")},
        {"date + zoned", june4, tokyo, false, kCombine},
        {"date + bool", june4, yes, false, kBoolText},
        {"date - text", june4, text, true, kBoolText},

        {"clock + quantity", nine, q(2, "h"), false, clock(11, 0)},
        {"clock - quantity", nine, q(2, "h"), true, clock(7, 0)},
        {"clock + clock", nine, clock(10, 0), false, kTwoTimes},
        {"clock - clock", clock(10, 0), clock(9, 15), true, q(45, "min")},
        {"clock + date", nine, june4, false, kCombine},
        {"clock - dateTime", nine, instant, true, kCombine},
        {"clock + zoned", nine, tokyo, false, kCombine},
        {"clock + text", nine, text, false, kBoolText},

        {"dateTime + quantity", instant, hour, false, Instant{t.secs + 3600}},
        {"dateTime - quantity", instant, hour, true, Instant{t.secs - 3600}},
        {"dateTime + dateTime", instant, instant, false, kCombine},
        {"dateTime - dateTime", instant, Instant{t.secs - 9 * 3600}, true, q(9, "h")},
        {"dateTime - date", instant, june4, true, kCombine},
        {"dateTime + clock", instant, nine, false, kCombine},
        {"dateTime - zoned", instant, tokyo, true, kCombine},

        {"zoned + quantity", tokyo, hour, false, zoned(Instant{t.secs + 3600}, "Asia/Tokyo", "Tokyo")},
        {"zoned - quantity", tokyo, hour, true, zoned(Instant{t.secs - 3600}, "Asia/Tokyo", "Tokyo")},
        {"zoned + zoned", tokyo, tokyo, false, kCombine},
        {"zoned - zoned", tokyo, tokyo, true, kCombine},
        {"zoned - dateTime", tokyo, instant, true, kCombine},
        {"zoned + bool", tokyo, yes, false, kBoolText},

        {"bool + quantity", yes, hour, false, kBoolText},
        {"bool - date", yes, june4, true, kBoolText},
        {"bool + bool", yes, yes, false, kBoolText},
        {"text + quantity", text, hour, false, kBoolText},
        {"text + date", text, june4, false, kBoolText},
        {"text - text", text, text, true, kBoolText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (const auto* message = std::get_if<QString>(&c.expected)) {
            EXPECT_EQ(messageOf([&] { ValueArith::add(c.l, c.r, utc(), c.subtract); }), *message);
        } else {
            Value result;
            EXPECT_NO_THROW(result = ValueArith::add(c.l, c.r, utc(), c.subtract));
            EXPECT_TRUE(result == std::get<Value>(c.expected));
        }
    }
}

// The fallback's tests run in a fixed order; each row is decided by the first that applies.
TEST(ValueArith, FallbackOrder) {
    const Value yes = false;
    const Value text = Value(std::in_place_type<QString>, u"x"_s);
    const Value d = date(2024, 1, 1);
    const Value c = clock(8, 0);
    const Value z = zoned(Instant{0}, "UTC", "UTC");
    struct Case {
        const char* name;
        Value l;
        Value r;
        QString message;
    };
    const Case cases[] = {
        {"text then bool: r bool first", text, yes, kBoolText},
        {"date then bool", d, yes, kBoolText},
        {"text then date", text, d, kBoolText},
        {"clock then text", c, text, kBoolText},
        {"zoned then date", z, d, kCombine},
        {"zoned then text", z, text, kBoolText},
        {"date then clock", d, c, kCombine},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(messageOf([&] { ValueArith::add(k.l, k.r, utc(), false); }), k.message);
        EXPECT_EQ(messageOf([&] { ValueArith::add(k.l, k.r, utc(), true); }), k.message);
    }
}

TEST(ValueArith, QuantityErrorsPassThrough) {
    try {
        ValueArith::add(q(2, "kg"), q(3, "m"), utc(), true);
        FAIL() << "no error";
    } catch (const CalcError& e) {
        EXPECT_EQ(e.message, u"Can't subtract mass and length"_s);
        EXPECT_TRUE(e.isDimension);
    }
}

// A sum keeps a duration style only when the sum is a duration; the right-hand style wins.
TEST(ValueArith, StyleRule) {
    struct Case {
        const char* name;
        Quantity l;
        Quantity r;
        Quantity expected;
    };
    const Case cases[] = {
        {"hms kept", q(2, "h", DisplayStyle::Hms), q(30, "min"), q(2.5, "h", DisplayStyle::Hms)},
        {"right style kept", q(2, "h"), q(30, "min", DisplayStyle::Breakdown),
         q(2.5, "h", DisplayStyle::Breakdown)},
        {"right wins", q(2, "h", DisplayStyle::Breakdown), q(1, "h", DisplayStyle::Hms),
         q(3, "h", DisplayStyle::Hms)},
        {"plain number with a duration", q(2, "h", DisplayStyle::Breakdown), q(3),
         q(5, "h", DisplayStyle::Breakdown)},
        {"sum not a duration", q(2, "", DisplayStyle::Hms), q(1, "m"), q(3, "m")},
        {"other styles dropped", q(2, "m", DisplayStyle::Hex), q(1, "m"), q(3, "m")},
        {"percent dropped", q(2, "h", DisplayStyle::Percent), q(1, "h"), q(3, "h")},
        {"terms dropped", mixed({{1, "h"}, {30, "min"}}), q(1, "s"), q(1, "s")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Value sum = ValueArith::add(c.l, c.r, utc(), false);
        ASSERT_TRUE(std::holds_alternative<Quantity>(sum));
        const Quantity& got = std::get<Quantity>(sum);
        EXPECT_DOUBLE_EQ(got.value, c.expected.value);
        EXPECT_EQ(got.unit, c.expected.unit);
        EXPECT_TRUE(got.style == c.expected.style);
        EXPECT_FALSE(got.terms.has_value());
    }
}

TEST(ValueArith, DateShiftByMonthsAndYearsClamps) {
    struct Case {
        const char* name;
        CalendarDate from;
        Quantity by;
        int sign;
        CalendarDate expected;
    };
    const Case cases[] = {
        {"into a leap February", date(2024, 1, 31), q(1, "mo"), +1, date(2024, 2, 29)},
        {"into a short February", date(2023, 1, 31), q(1, "mo"), +1, date(2023, 2, 28)},
        {"back into February", date(2024, 3, 31), q(1, "mo"), -1, date(2024, 2, 29)},
        {"into a 30-day month", date(2024, 5, 31), q(1, "mo"), +1, date(2024, 6, 30)},
        {"across the year end", date(2024, 11, 15), q(3, "mo"), +1, date(2025, 2, 15)},
        {"back across the year end", date(2024, 2, 15), q(14, "mo"), -1, date(2022, 12, 15)},
        {"29 February plus a year", date(2024, 2, 29), q(1, "yr"), +1, date(2025, 2, 28)},
        {"29 February plus 13 months", date(2024, 2, 29), q(13, "mo"), +1, date(2025, 3, 29)},
        // Years apply before months, each clamping: 28 February 2025, then 28 March.
        {"29 February plus 1 year 1 month", date(2024, 2, 29), mixed({{1, "mo"}, {1, "yr"}}), +1,
         date(2025, 3, 28)},
        // Months before days whatever the order of the terms: 25 February, then 3 March.
        {"a week then a month", date(2024, 1, 25), mixed({{1, "wk"}, {1, "mo"}}), +1, date(2024, 3, 3)},
        {"a month then a week", date(2024, 1, 31), mixed({{1, "mo"}, {1, "wk"}}), +1, date(2024, 3, 7)},
        {"over the missing year 0", date(1, 3, 1), q(1, "yr"), -1, date(-1, 3, 1)},
        {"months over the missing year 0", date(-1, 12, 31), q(2, "mo"), +1, date(1, 2, 28)},
        {"whole weeks", date(2024, 6, 4), q(2, "wk"), +1, date(2024, 6, 18)},
        {"hours that make whole days", date(2024, 6, 4), q(48, "h"), +1, date(2024, 6, 6)},
        {"minutes that make a whole day", date(2024, 3, 1), q(1440, "min"), -1, date(2024, 2, 29)},
        {"a fraction of a week that makes a day", date(2024, 6, 4), q(1.0 / 7, "wk"), +1, date(2024, 6, 5)},
        {"a compound time unit counts as seconds", date(2024, 6, 4), q(86400, "h^2.min^-1"), +1,
         date(2024, 6, 5)},
        {"days near the limit", date(2024, 1, 1), q(999999, "d"), +1,
         date(QDate(2024, 1, 1).addDays(999999))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ValueArith::shift(c.from, c.by, c.sign, utc()), c.expected);
    }
}

TEST(ValueArith, DateShiftMessages) {
    const CalendarDate d = date(2024, 6, 4);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QString notWhole = u"Use whole days, weeks, months or years with dates"_s;
    const QString timeOfDay = u"Dates have no time of day. Add hours to a clock time instead"_s;
    struct Case {
        const char* name;
        Quantity by;
        QString message;
    };
    const Case cases[] = {
        {"plain number", q(3), u"Add a duration to a date, e.g. + 3 days"_s},
        {"length", q(3, "m"), u"Can't add length to a date"_s},
        {"hours that split a day", q(36, "h"), timeOfDay},
        {"fraction of a day", q(1.5, "d"), notWhole},
        {"fraction of a month", q(0.5, "mo"), notWhole},
        {"fraction of a workday", q(2.5, "workday"), notWhole},
        {"fraction of a week", q(0.5, "wk"), notWhole},
        {"too many days", q(2000000, "d"), notWhole},
        {"a million days exactly", q(1e6, "d"), notWhole},
        {"too many weeks", q(150000, "wk"), notWhole},
        {"too many years", q(-1e6, "yr"), notWhole},
        // Other units: the whole-day test comes before the size test.
        {"too many hours", q(24e6, "h"), notWhole},
        {"too many hours and not whole", q(24e6 + 1, "h"), timeOfDay},
        {"NaN days", q(nan, "d"), notWhole},
        {"infinite days", q(inf, "d"), notWhole},
        {"NaN hours", q(nan, "h"), timeOfDay},
        {"infinite hours", q(-inf, "h"), timeOfDay},
        {"a bad term among good ones", mixed({{1, "mo"}, {1.5, "d"}}), notWhole},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(messageOf([&] { ValueArith::shift(d, c.by, +1, utc()); }), c.message);
    }
}

TEST(ValueArith, DateShiftOutOfRange) {
    const QString outOfRange = u"Date out of range"_s;
    const qint64 last = 100'000'000;
    EXPECT_EQ(messageOf([&] { ValueArith::shift(date(last, 12, 31), q(1, "d"), +1, utc()); }), outOfRange);
    EXPECT_EQ(messageOf([&] { ValueArith::shift(date(last, 12, 1), q(1, "mo"), +1, utc()); }), outOfRange);
    EXPECT_EQ(messageOf([&] { ValueArith::shift(date(-last, 1, 1), q(1, "yr"), -1, utc()); }), outOfRange);
    // 29 December 100000000 is a Friday; the next working day lies past the last supported year.
    EXPECT_EQ(messageOf([&] { ValueArith::shift(date(last, 12, 29), q(1, "workday"), +1, utc()); }),
              outOfRange);
    EXPECT_EQ(ValueArith::shift(date(last, 12, 30), q(1, "d"), +1, utc()), date(last, 12, 31));
    // Many terms each under the limit still cannot leave the supported years.
    Quantity many = mixed({});
    many.terms->fill(Quantity::Term{999999, Units::unit(u"yr"_s)}, 200);
    EXPECT_EQ(messageOf([&] { ValueArith::shift(date(2024, 1, 1), many, +1, utc()); }), outOfRange);
    // A date the calendar does not have is reported as such.
    EXPECT_EQ(messageOf([&] { ValueArith::shift(date(2023, 2, 30), q(1, "d"), +1, utc()); }),
              u"Invalid date"_s);
}

// Weekends follow the locale: Saturday and Sunday in the United States, Sunday alone in India,
// Friday and Saturday in Saudi Arabia.
TEST(ValueArith, WorkdaysSkipTheLocaleWeekend) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale india(QLocale::Hindi, QLocale::India);
    const QLocale saudi(QLocale::Arabic, QLocale::SaudiArabia);
    ASSERT_EQ(india.weekdays().size(), 6);
    ASSERT_FALSE(india.weekdays().contains(Qt::Sunday));
    ASSERT_EQ(saudi.weekdays().size(), 5);
    ASSERT_FALSE(saudi.weekdays().contains(Qt::Friday));
    ASSERT_FALSE(saudi.weekdays().contains(Qt::Saturday));

    // 7 June 2024 is a Friday.
    const QDate friday(2024, 6, 7);
    struct Case {
        const char* name;
        QLocale locale;
        QDate from;
        double workdays;
        QDate expected;
    };
    const Case cases[] = {
        {"US Friday + 1", us, friday, 1, friday.addDays(3)},
        {"US Monday - 1", us, friday.addDays(3), -1, friday},
        {"US Saturday + 0", us, friday.addDays(1), 0, friday.addDays(1)},
        {"US Saturday + 1", us, friday.addDays(1), 1, friday.addDays(3)},
        {"US Sunday - 1", us, friday.addDays(2), -1, friday},
        {"US Monday + 5", us, friday.addDays(3), 5, friday.addDays(10)},
        {"US Monday + 10", us, friday.addDays(-4), 10, friday.addDays(10)},
        {"US Friday + 1000", us, friday, 1000, friday.addDays(1400)},
        {"US Friday - 1000", us, friday, -1000, friday.addDays(-1400)},
        {"US Wednesday + 7", us, friday.addDays(-2), 7, friday.addDays(7)},
        {"India Friday + 1", india, friday, 1, friday.addDays(1)},
        {"India Saturday + 1", india, friday.addDays(1), 1, friday.addDays(3)},
        {"India Monday - 1", india, friday.addDays(3), -1, friday.addDays(1)},
        {"India Saturday + 7", india, friday.addDays(1), 7, friday.addDays(10)},
        {"Saudi Thursday + 1", saudi, friday.addDays(-1), 1, friday.addDays(2)},
        {"Saudi Sunday - 1", saudi, friday.addDays(2), -1, friday.addDays(-1)},
        {"Saudi Friday + 1", saudi, friday, 1, friday.addDays(2)},
        {"Saudi Thursday + 6", saudi, friday.addDays(-1), 6, friday.addDays(9)},
        {"Saudi Sunday - 1001", saudi, friday.addDays(2), -1001, friday.addDays(2 - 1400 - 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const EvalContext ctx = contextIn("UTC", c.locale);
        EXPECT_EQ(ValueArith::shift(date(c.from), q(c.workdays, "workday"), +1, ctx), date(c.expected));
    }
}

TEST(ValueArith, WorkdaysApplyAfterDays) {
    // Friday + 1 day is Saturday, then one working day is Monday.
    EXPECT_EQ(ValueArith::shift(date(2024, 6, 7), mixed({{1, "workday"}, {1, "d"}}), +1, utc()),
              date(2024, 6, 10));
    // Subtracting: Monday - 1 day is Sunday, then one working day back is Friday.
    EXPECT_EQ(ValueArith::shift(date(2024, 6, 10), mixed({{1, "workday"}, {1, "d"}}), -1, utc()),
              date(2024, 6, 7));
}

TEST(ValueArith, DaysBetween) {
    const EvalContext tokyo = contextIn("Asia/Tokyo");
    EXPECT_EQ(ValueArith::daysBetween(date(2024, 12, 1), date(2024, 12, 25), utc()), 24);
    EXPECT_EQ(ValueArith::daysBetween(date(2024, 12, 25), date(2024, 12, 1), utc()), -24);
    EXPECT_EQ(ValueArith::daysBetween(date(2024, 1, 1), date(2025, 1, 1), tokyo), 366);
    EXPECT_EQ(ValueArith::daysBetween(date(-1, 12, 31), date(1, 1, 1), utc()), 1);
    // Across a daylight-saving change the count stays in whole days.
    EXPECT_EQ(ValueArith::daysBetween(date(2024, 3, 9), date(2024, 3, 11), contextIn("America/New_York")), 2);
    EXPECT_EQ(ValueArith::daysBetween(date(2023, 2, 30), date(2024, 1, 1), utc()), 0);
}

TEST(ValueArith, Hours) {
    struct Case {
        double seconds;
        double value;
        const char* unit;
    };
    const Case cases[] = {
        {3600, 1, "h"},         {3540, 59, "min"},
        {2700, 45, "min"},      {-2700, -45, "min"},
        {32400, 9, "h"},        {5400, 1.5, "h"},
        {30, 30.0 / 3600, "h"}, {0, 0, "min"},
        {-3600, -1, "h"},       {-3599, -3599.0 / 3600, "h"},
        {60, 1, "min"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        const Quantity h = ValueArith::hours(c.seconds);
        EXPECT_DOUBLE_EQ(h.value, c.value);
        EXPECT_EQ(h.unit, unitOf(c.unit));
        EXPECT_TRUE(h.style == DisplayStyle::Plain);
        EXPECT_FALSE(h.terms.has_value());
    }
}

TEST(ValueArith, ClockDifferences) {
    const auto minus = [](ClockTime a, ClockTime b) {
        return std::get<Quantity>(ValueArith::add(a, b, utc(), true));
    };
    EXPECT_EQ(minus(clock(17, 0), clock(8, 0)), q(9, "h"));
    EXPECT_EQ(minus(clock(9, 0), clock(8, 0)), q(1, "h"));
    EXPECT_DOUBLE_EQ(minus(clock(9, 0), clock(8, 59, 30)).value, 30.0 / 3600);
    EXPECT_EQ(minus(clock(9, 0), clock(8, 59, 30)).unit, unitOf("h"));
    // Day offsets count: 01:00 on the next day is two hours after 23:00.
    EXPECT_EQ(minus(clock(1, 0, 0, 1), clock(23, 0)), q(2, "h"));
    EXPECT_EQ(minus(clock(23, 0), clock(1, 0, 0, 1)), q(-2, "h"));
    // Far-apart day offsets do not overflow.
    const qint64 big = std::numeric_limits<qint64>::max();
    EXPECT_EQ(minus(clock(0, 0, 0, big), clock(0, 0, 0, -big)), q(double(big) * 2 * 24, "h"));
}

TEST(ValueArith, ClockShift) {
    EXPECT_EQ(ValueArith::shift(clock(23, 0), q(2, "h"), +1, utc()), clock(1, 0, 0, 1));
    EXPECT_EQ(ValueArith::shift(clock(0, 30), q(1, "h"), -1, utc()), clock(23, 30, 0, -1));
    EXPECT_EQ(ValueArith::shift(clock(9, 0), q(2, "d"), +1, utc()), clock(9, 0, 0, 2));
    EXPECT_EQ(ValueArith::shift(clock(9, 0), q(1, "wk"), -1, utc()), clock(9, 0, 0, -7));
    // Mixed terms play no part: the amount in the unit is what moves the time.
    Quantity withTerms = q(90, "min");
    withTerms.terms = QList<Quantity::Term>{{1, Units::unit(u"mo"_s)}};
    EXPECT_EQ(ValueArith::shift(clock(9, 0), withTerms, +1, utc()), clock(10, 30));
    // Only a lone month or year unit is refused; a compound unit is added as seconds.
    const ClockTime moved = ValueArith::shift(clock(0, 0), q(1, "mo^2.yr^-1"), +1, utc());
    const double seconds = 2629746.0 * 2629746.0 / 31556952.0;
    EXPECT_EQ(moved.dayOffset, qint64(std::floor(seconds / 86400)));
    EXPECT_NEAR(moved.seconds, seconds - 86400.0 * moved.dayOffset, 1e-6);

    struct Case {
        const char* name;
        Quantity by;
        QString message;
    };
    const Case cases[] = {
        {"plain number", q(5), u"Add a duration to a time, e.g. + 2 hours"_s},
        {"mass", q(3, "kg"), u"Can't add mass to a time"_s},
        {"a month", q(1, "mo"), u"Add months or years to a date, not a time"_s},
        {"years", q(2, "yr"), u"Add months or years to a date, not a time"_s},
        {"past any day count", q(1e300, "h"), u"Date out of range"_s},
        {"NaN", q(std::numeric_limits<double>::quiet_NaN(), "h"), u"Date out of range"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(messageOf([&] { ValueArith::shift(clock(9, 0), c.by, +1, utc()); }), c.message);
    }
}

TEST(ValueArith, CalendarTerms) {
    const Quantity withTerms = mixed({{1, "mo"}, {2, "wk"}});
    EXPECT_EQ(ValueArith::calendarTerms(withTerms), *withTerms.terms);
    Quantity emptyTerms = q(3, "d");
    emptyTerms.terms = QList<Quantity::Term>{};
    EXPECT_EQ(ValueArith::calendarTerms(emptyTerms), (QList<Quantity::Term>{{3, Units::unit(u"d"_s)}}));
    EXPECT_EQ(ValueArith::calendarTerms(q(2, "h")), (QList<Quantity::Term>{{2, Units::unit(u"h"_s)}}));
    EXPECT_EQ(ValueArith::calendarTerms(q(2, "h^2.min^-1")),
              (QList<Quantity::Term>{{2, Units::unit(u"s"_s)}}));
    EXPECT_EQ(ValueArith::calendarTerms(q(2, "h^2")), (QList<Quantity::Term>{{2, Units::unit(u"s"_s)}}));
}

// Months and years keep the wall time in the context's zone. A wall time that falls into a
// daylight-saving gap moves forward by the gap; one that occurs twice takes the later instant.
TEST(ValueArith, InstantMonthsAcrossDaylightSaving) {
    struct Case {
        const char* name;
        const char* zone;
        Instant from;
        Quantity by;
        int sign;
        Instant expected;
    };
    const Case cases[] = {
        {"New York into the March gap", "America/New_York", at("America/New_York", {2024, 2, 10}, {2, 30}),
         q(1, "mo"), +1, utcAt({2024, 3, 10}, {7, 30})},
        {"New York into the November overlap", "America/New_York",
         at("America/New_York", {2024, 10, 3}, {1, 30}), q(1, "mo"), +1, utcAt({2024, 11, 3}, {6, 30})},
        {"New York back into the overlap", "America/New_York", at("America/New_York", {2024, 12, 3}, {1, 30}),
         q(1, "mo"), -1, utcAt({2024, 11, 3}, {6, 30})},
        {"New York over the change keeps the wall time", "America/New_York",
         at("America/New_York", {2024, 2, 15}, {9, 0}), q(1, "mo"), +1, utcAt({2024, 3, 15}, {13, 0})},
        {"Berlin into the March gap", "Europe/Berlin", at("Europe/Berlin", {2024, 1, 31}, {2, 30}),
         q(2, "mo"), +1, utcAt({2024, 3, 31}, {1, 30})},
        {"Berlin into the October overlap", "Europe/Berlin", at("Europe/Berlin", {2024, 9, 27}, {2, 30}),
         q(1, "mo"), +1, utcAt({2024, 10, 27}, {1, 30})},
        {"Berlin a year into the gap", "Europe/Berlin", at("Europe/Berlin", {2024, 3, 30}, {2, 30}),
         q(1, "yr"), +1, utcAt({2025, 3, 30}, {1, 30})},
        {"clamped to the end of February", "UTC", utcAt({2024, 1, 31}, {10, 0}), q(1, "mo"), +1,
         utcAt({2024, 2, 29}, {10, 0})},
        {"29 February less a year", "UTC", utcAt({2024, 2, 29}, {10, 0}), q(1, "yr"), -1,
         utcAt({2023, 2, 28}, {10, 0})},
        {"a fraction of a second is kept", "UTC", Instant{utcAt({2024, 1, 31}, {10, 0}).secs + 0.75},
         q(1, "mo"), +1, Instant{utcAt({2024, 2, 29}, {10, 0}).secs + 0.75}},
        {"before 1970", "UTC", Instant{-0.5}, q(1, "mo"), +1, Instant{31 * 86400 - 0.5}},
        // Terms apply in their order here: 31 January, then 29 February.
        {"a day then a month", "UTC", utcAt({2024, 1, 30}, {10, 0}), mixed({{1, "d"}, {1, "mo"}}), +1,
         utcAt({2024, 2, 29}, {10, 0})},
        {"a month then a day", "UTC", utcAt({2024, 1, 30}, {10, 0}), mixed({{1, "mo"}, {1, "d"}}), +1,
         utcAt({2024, 3, 1}, {10, 0})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Instant got = ValueArith::shift(c.from, c.by, c.sign, contextIn(c.zone));
        EXPECT_NEAR(got.secs, c.expected.secs, 1e-6);
    }
}

TEST(ValueArith, InstantFixedUnitsMoveBySeconds) {
    const EvalContext ny = contextIn("America/New_York");
    const Instant t = at("America/New_York", {2024, 3, 9}, {12, 0});
    struct Case {
        const char* name;
        Quantity by;
        int sign;
        double seconds;
    };
    const Case cases[] = {
        {"90 minutes", q(90, "min"), +1, 5400},
        // One day is 86400 seconds even across the change to summer time (12:00 becomes 13:00).
        {"a day over the change", q(1, "d"), +1, 86400},
        {"a week back", q(1, "wk"), -1, -604800},
        {"a workday is 1.4 days", q(1, "workday"), +1, 120960},
        {"a fraction of a day", q(0.5, "d"), +1, 43200},
        // A compound time unit has no single term: its value counts as seconds.
        {"a compound time unit", q(2, "h^2.min^-1"), +1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(ValueArith::shift(t, c.by, c.sign, ny).secs, t.secs + c.seconds);
    }
    EXPECT_EQ(Calendar::toDateTime(ValueArith::shift(t, q(1, "d"), +1, ny).secs, ny.calendar.zone)->time(),
              QTime(13, 0));
}

TEST(ValueArith, InstantShiftMessagesAndLimits) {
    const Instant t = utcAt({2024, 6, 4}, {10, 0});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QString whole = u"Use whole months or years with dates"_s;
    struct Case {
        const char* name;
        Quantity by;
        QString message;
    };
    const Case cases[] = {
        {"plain number", q(3), u"Add a duration, e.g. + 2 hours"_s},
        {"mass", q(3, "kg"), u"Can't add mass to a date"_s},
        {"a fraction of a month", q(1.5, "mo"), whole},
        {"a fraction of a year", q(0.25, "yr"), whole},
        {"NaN months", q(nan, "mo"), whole},
        {"infinite years", q(inf, "yr"), whole},
        // A count that no 64-bit integer holds names no date.
        {"2^63 months", q(9223372036854775808.0, "mo"), u"Date out of range"_s},
        {"1e19 years", q(-1e19, "yr"), u"Date out of range"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(messageOf([&] { ValueArith::shift(t, c.by, +1, utc()); }), c.message);
    }
    // When the calendar cannot form the result, the instant stays where it was.
    EXPECT_EQ(ValueArith::shift(t, q(1e12, "mo"), +1, utc()), t);
    EXPECT_EQ(ValueArith::shift(t, q(-9e18, "yr"), +1, utc()), t);
    EXPECT_EQ(ValueArith::shift(Instant{inf}, q(1, "mo"), +1, utc()), Instant{inf});
    EXPECT_EQ(ValueArith::shift(Instant{1e30}, q(1, "yr"), +1, utc()), Instant{1e30});
    EXPECT_TRUE(std::isnan(ValueArith::shift(Instant{nan}, q(1, "mo"), +1, utc()).secs));
}

TEST(ValueArith, ZonedShiftCountsDaysInItsZone) {
    const Instant late = at("Asia/Tokyo", {2024, 6, 4}, {23, 30});
    const Instant early = at("Asia/Tokyo", {2024, 6, 5}, {0, 30});
    struct Case {
        const char* name;
        ZonedTime from;
        Quantity by;
        bool subtract;
        ZonedTime expected;
    };
    const Case cases[] = {
        {"Tokyo 23:30 + 1 h", zoned(late, "Asia/Tokyo", "Tokyo"), q(1, "h"), false,
         zoned(Instant{late.secs + 3600}, "Asia/Tokyo", "Tokyo", 1)},
        {"Tokyo 23:30 + 20 min", zoned(late, "Asia/Tokyo", "Tokyo"), q(20, "min"), false,
         zoned(Instant{late.secs + 1200}, "Asia/Tokyo", "Tokyo", 0)},
        {"Tokyo 00:30 - 1 h", zoned(early, "Asia/Tokyo", "Japan", 2), q(1, "h"), true,
         zoned(Instant{early.secs - 3600}, "Asia/Tokyo", "Japan", 1)},
        {"Tokyo + 3 days", zoned(late, "Asia/Tokyo", "Tokyo", -1), q(3, "d"), false,
         zoned(Instant{late.secs + 3 * 86400}, "Asia/Tokyo", "Tokyo", 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Value got = ValueArith::add(c.from, c.by, utc(), c.subtract);
        ASSERT_TRUE(std::holds_alternative<ZonedTime>(got));
        const ZonedTime& z = std::get<ZonedTime>(got);
        EXPECT_EQ(z.date, c.expected.date);
        EXPECT_EQ(z.zone.id(), c.expected.zone.id());
        EXPECT_EQ(z.label, c.expected.label);
        EXPECT_EQ(z.dayShift, c.expected.dayShift);
    }

    // A fixed-offset zone (IST, UTC+05:30): 20:00 there + 5 h is the next day.
    const QTimeZone ist(19800);
    const ZonedTime india{utcAt({2024, 6, 4}, {14, 30}).secs, ist, u"IST"_s, 0};
    const ZonedTime next = std::get<ZonedTime>(ValueArith::add(india, q(5, "h"), utc(), false));
    EXPECT_EQ(next, (ZonedTime{india.date + 5 * 3600, QTimeZone(19800), u"IST"_s, 1}));

    // Months follow the context's calendar, not the zone's: 30 January 20:00 in New York is
    // 31 January 10:00 in Tokyo; a month later in New York is 29 February 20:00, which is
    // 1 March in Tokyo, 30 days on.
    const EvalContext ny = contextIn("America/New_York");
    const ZonedTime evening = zoned(at("America/New_York", {2024, 1, 30}, {20, 0}), "Asia/Tokyo", "Tokyo");
    const ZonedTime month = std::get<ZonedTime>(ValueArith::add(evening, q(1, "mo"), ny, false));
    EXPECT_EQ(month.date, at("America/New_York", {2024, 2, 29}, {20, 0}).secs);
    EXPECT_EQ(month.dayShift, 30);

    EXPECT_EQ(messageOf([&] { ValueArith::add(evening, q(1.5, "mo"), ny, false); }),
              u"Use whole months or years with dates"_s);
    EXPECT_EQ(messageOf([&] { ValueArith::add(evening, q(3), ny, true); }),
              u"Add a duration, e.g. + 2 hours"_s);
}

TEST(ValueArith, DateMinusInstantUsesNoonInTheContextZone) {
    // Noon on 10 March 2024 in New York is 16:00 UTC (summer time began that night).
    const EvalContext ny = contextIn("America/New_York");
    const Value got = ValueArith::add(date(2024, 3, 10), utcAt({2024, 3, 10}, {12, 0}), ny, true);
    EXPECT_EQ(got, Value(q(4, "h")));
    const Value seconds = ValueArith::add(date(2024, 3, 10), utcAt({2024, 3, 10}, {16, 0, 30}), ny, true);
    EXPECT_DOUBLE_EQ(std::get<Quantity>(seconds).value, -30.0 / 3600);
}
