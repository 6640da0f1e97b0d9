#include "core/values/CalcError.h"
#include "core/values/EvalContext.h"
#include "core/values/Value.h"

#include "core/values/TestUnits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace VexilCore;
using TestUnits::messageOf;

namespace {

const UnitRef m = TestUnits::linear("m", Dimension::length, 1);
const UnitRef cm = TestUnits::linear("cm", Dimension::length, 0.01);

CalendarCtx utc() {
    return CalendarCtx{QTimeZone::utc(), QLocale(QLocale::English, QLocale::UnitedStates)};
}

} // namespace

TEST(EvalContext, MonthFirstFromLocale) {
    EXPECT_TRUE(EvalContext::localeIsMonthFirst(QLocale(QLocale::English, QLocale::UnitedStates)));
    EXPECT_FALSE(EvalContext::localeIsMonthFirst(QLocale(QLocale::English, QLocale::UnitedKingdom)));
    EXPECT_FALSE(EvalContext::localeIsMonthFirst(QLocale(QLocale::German, QLocale::Germany)));
    EXPECT_TRUE(EvalContext::localeIsMonthFirst(QLocale::c()));
    EXPECT_TRUE(EvalContext::localeIsMonthFirst(QLocale(QStringLiteral("C.UTF-8"))));

    EXPECT_TRUE(EvalContext::patternIsMonthFirst(QStringLiteral("yyyy")));
    EXPECT_TRUE(EvalContext::patternIsMonthFirst(QStringLiteral("MM yyyy")));
    EXPECT_TRUE(EvalContext::patternIsMonthFirst(QString()));
    EXPECT_TRUE(EvalContext::patternIsMonthFirst(QStringLiteral("M/d/yy")));
    EXPECT_FALSE(EvalContext::patternIsMonthFirst(QStringLiteral("dd.MM.yy")));
    // Quoted text is not part of the pattern.
    EXPECT_FALSE(EvalContext::patternIsMonthFirst(QStringLiteral("'Mon' d.M.yy")));
    EXPECT_TRUE(EvalContext::patternIsMonthFirst(QStringLiteral("yy 'd' M/d")));
}

TEST(EvalContext, GivenFlagWinsOverLocale) {
    const CalendarCtx us = utc();
    const CalendarCtx de{QTimeZone::utc(), QLocale(QLocale::German, QLocale::Germany)};
    EXPECT_FALSE(EvalContext::make(us, 0, std::nullopt, std::nullopt, 16, false).monthFirstDates);
    EXPECT_TRUE(EvalContext::make(de, 0, std::nullopt, std::nullopt, 16, true).monthFirstDates);
    EXPECT_TRUE(EvalContext::make(us, 0, std::nullopt, std::nullopt, 16).monthFirstDates);
    EXPECT_FALSE(EvalContext::make(de, 0, std::nullopt, std::nullopt, 16).monthFirstDates);
    const EvalContext ctx = EvalContext::make(de, 42.5, std::nullopt, std::nullopt, 20);
    EXPECT_EQ(ctx.now, 42.5);
    EXPECT_EQ(ctx.emBasePixels, 20);
    EXPECT_FALSE(ctx.rates.has_value());
}

TEST(CalendarDate, MakeValidates) {
    const CalendarCtx cal = utc();
    EXPECT_EQ(CalendarDate::make(2024, 2, 29, cal), (CalendarDate{2024, 2, 29}));
    EXPECT_EQ(CalendarDate::make(2024, 12, 31, cal), (CalendarDate{2024, 12, 31}));
    const qint64 bad[][3] = {{2023, 2, 29}, {2024, 0, 1},  {2024, 13, 1}, {2024, 1, 0},
                             {2024, 4, 31}, {2024, 2, 30}, {0, 1, 1},     {5'000'000'000, 1, 1},
                             {2024, 1, -5}, {2024, 1, 32}};
    for (const auto& d : bad)
        EXPECT_EQ(messageOf([&] { CalendarDate::make(d[0], d[1], d[2], cal); }),
                  QStringLiteral("Invalid date"))
            << d[0] << "-" << d[1] << "-" << d[2];
}

TEST(CalendarDate, NoonInstantAndBack) {
    const CalendarCtx cal = utc();
    // 2024-03-10 12:00 UTC
    EXPECT_EQ((CalendarDate{2024, 3, 10}.date(cal)), 1710072000.0);
    EXPECT_EQ(CalendarDate::from(1710072000.0, cal), (CalendarDate{2024, 3, 10}));
    EXPECT_EQ(CalendarDate::from(1710028800.0 - 0.5, cal), (CalendarDate{2024, 3, 9}));

    const CalendarCtx tokyo = cal.withZone(QTimeZone("Asia/Tokyo"));
    EXPECT_EQ(CalendarDate::from(1710072000.0 + 12 * 3600, tokyo), (CalendarDate{2024, 3, 11}));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(messageOf([&] { CalendarDate::from(nan, cal); }), QStringLiteral("Date out of range"));
    EXPECT_EQ(messageOf([&] { CalendarDate::from(1e300, cal); }), QStringLiteral("Date out of range"));
}

TEST(CalendarDate, NoonAcrossDaylightSavingChanges) {
    // Summer time starts in London on the night to 31 March 2024: noon is still 12:00 local (11:00 UTC).
    const CalendarCtx london = utc().withZone(QTimeZone("Europe/London"));
    ASSERT_TRUE(london.zone.isValid());
    const double noon = (CalendarDate{2024, 3, 31}).date(london);
    EXPECT_EQ(noon, 1711882800.0);
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(qint64(noon), london.zone).time(), QTime(12, 0));

    // Samoa skipped 30 December 2011 entirely; its noon moves forward by the gap.
    const CalendarCtx apia = utc().withZone(QTimeZone("Pacific/Apia"));
    ASSERT_TRUE(apia.zone.isValid());
    const double skipped = (CalendarDate{2011, 12, 30}).date(apia);
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(qint64(skipped), apia.zone).date(), QDate(2011, 12, 31));
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(qint64(skipped), apia.zone).time(), QTime(12, 0));
}

TEST(Calendar, WallTimesInGapsAndOverlaps) {
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    // 02:30 on 31 March 2024 does not exist in Berlin: it becomes 03:30 CEST (01:30 UTC).
    EXPECT_EQ(Calendar::wallToInstant(berlin, QDate(2024, 3, 31), QTime(2, 30)),
              QDateTime(QDate(2024, 3, 31), QTime(1, 30), QTimeZone::utc()).toSecsSinceEpoch());
    // 02:30 on 27 October 2024 happens twice: the later one (CET, 01:30 UTC).
    EXPECT_EQ(Calendar::wallToInstant(berlin, QDate(2024, 10, 27), QTime(2, 30)),
              QDateTime(QDate(2024, 10, 27), QTime(1, 30), QTimeZone::utc()).toSecsSinceEpoch());
    EXPECT_EQ(Calendar::wallToInstant(berlin, QDate(2024, 7, 1), QTime(12, 0)),
              QDateTime(QDate(2024, 7, 1), QTime(10, 0), QTimeZone::utc()).toSecsSinceEpoch());
}

TEST(ClockTime, Normalises) {
    struct Case {
        double seconds;
        qint64 dayOffset;
        double wantSeconds;
        qint64 wantDay;
    };
    const Case cases[] = {
        {25 * 3600, 0, 3600, 1},
        {-60, 0, 86340, -1},
        {23 * 3600 + 7200, 0, 3600, 1},
        {0, 0, 0, 0},
        {86400, 0, 0, 1},
        {-86400 * 3, 1, 0, -2},
        {3600.5, 5, 3600.5, 5},
        {-1e-12, 0, 0, 0},
        {86400 - 1e-9, 0, 86400 - 1e-9, 0},
    };
    for (const auto& c : cases) {
        const ClockTime t = ClockTime::make(c.seconds, c.dayOffset);
        EXPECT_EQ(t.seconds, c.wantSeconds) << c.seconds;
        EXPECT_EQ(t.dayOffset, c.wantDay) << c.seconds;
        EXPECT_GE(t.seconds, 0);
        EXPECT_LT(t.seconds, 86400);
    }
    EXPECT_EQ(messageOf([] { ClockTime::make(std::numeric_limits<double>::quiet_NaN()); }),
              QStringLiteral("Date out of range"));
    EXPECT_EQ(messageOf([] { ClockTime::make(1e30); }), QStringLiteral("Date out of range"));
    EXPECT_EQ(messageOf([] { ClockTime::make(-std::numeric_limits<double>::infinity()); }),
              QStringLiteral("Date out of range"));
}

TEST(Value, Equality) {
    const Value fiveM(std::in_place_type<Quantity>, 5, CompoundUnit(m));
    EXPECT_EQ(fiveM, Value(Quantity(5, CompoundUnit(m))));
    EXPECT_NE(fiveM, Value(Quantity(5, CompoundUnit(m), DisplayStyle::Percent)));
    EXPECT_NE(fiveM, Value(Quantity(500, CompoundUnit(cm))));
    EXPECT_EQ(Value(Quantity(0.0, {})), Value(Quantity(-0.0, {})));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Value notANumber(Quantity(nan, {}));
    EXPECT_NE(notANumber, notANumber);

    const CalendarCtx cal = utc();
    const CalendarDate day{2024, 3, 10};
    EXPECT_NE(Value(day), Value(Instant{day.date(cal)}));
    EXPECT_EQ(Value(day), Value(CalendarDate{2024, 3, 10}));
    EXPECT_NE(Value(std::in_place_type<bool>, true), Value(Quantity(1, {})));
    EXPECT_EQ(Value(std::in_place_type<QString>, QStringLiteral("a")), Value(QStringLiteral("a")));
    EXPECT_EQ(kindOf(Value(std::in_place_type<QString>, "a")), ValueKind::Text);
    EXPECT_EQ(kindOf(Value(ClockTime{})), ValueKind::Clock);
    EXPECT_EQ(kindOf(Value(Instant{})), ValueKind::DateTime);

    // Terms: absent differs from empty; units compare by id.
    Quantity a(5, CompoundUnit(m));
    Quantity b = a;
    b.terms = QList<Quantity::Term>{};
    EXPECT_NE(a, b);
    a.terms = QList<Quantity::Term>{{5, TestUnits::linear("m", Dimension::length, 1)}};
    b.terms = QList<Quantity::Term>{{5, m}};
    EXPECT_EQ(a, b);

    EXPECT_EQ(DisplayStyle::mixed({QStringLiteral("ft"), QStringLiteral("in")}),
              DisplayStyle::mixed({QStringLiteral("ft"), QStringLiteral("in")}));
    EXPECT_NE(DisplayStyle::mixed({QStringLiteral("ft")}), DisplayStyle::mixed({QStringLiteral("in")}));
    EXPECT_NE(DisplayStyle(DisplayStyle::Hex), DisplayStyle(DisplayStyle::Octal));

    const ZonedTime z1{100, QTimeZone(3600), QStringLiteral("CET"), 0};
    ZonedTime z2 = z1;
    EXPECT_EQ(Value(z1), Value(z2));
    z2.label = QStringLiteral("Paris");
    EXPECT_NE(Value(z1), Value(z2));

    EXPECT_TRUE(isNumeric(fiveM));
    ASSERT_NE(asQuantity(fiveM), nullptr);
    EXPECT_EQ(asQuantity(fiveM)->value, 5);
    EXPECT_EQ(asQuantity(Value(day)), nullptr);
    EXPECT_TRUE(Quantity(3, {}).isScalar());
    EXPECT_FALSE(Quantity(3, CompoundUnit(m)).isScalar());
}

TEST(CalcError, FieldsAndEquality) {
    const CalcError e(QStringLiteral("Invalid date"));
    EXPECT_EQ(e.description(), QStringLiteral("Invalid date"));
    EXPECT_FALSE(e.incomplete);
    EXPECT_FALSE(e.isDimension);
    EXPECT_NE(e, CalcError(QStringLiteral("Invalid date"), true));
    EXPECT_EQ(CalcError(QStringLiteral("x"), false, true), CalcError(QStringLiteral("x"), false, true));
}
