#include "core/values/ValueArith.h"
#include "core/values/Units.h"

#include "core/values/TestUnits.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <cmath>
#include <functional>
#include <limits>

using namespace VexilCore;
using namespace Qt::Literals::StringLiterals;

namespace {

EvalContext contextIn(const char* zone, QLocale locale = QLocale(QLocale::English, QLocale::UnitedStates)) {
    const QTimeZone tz = QTimeZone(QByteArray(zone));
    return EvalContext::make(CalendarCtx{tz, locale}, 1'700'000'000, std::nullopt, std::nullopt, 16, true);
}

const EvalContext& utc() {
    static const EvalContext ctx = contextIn("UTC");
    return ctx;
}

// "h" -> 1 h; "mo^2.yr^-1" -> mo² yr⁻¹; "" -> a plain number.
CompoundUnit unitOf(const char* spec) {
    QList<UnitPower> parts;
    for (const QString& item : QString::fromUtf8(spec).split(u'.', Qt::SkipEmptyParts)) {
        const qsizetype caret = item.indexOf(u'^');
        const QString id = caret < 0 ? item : item.left(caret);
        const qint64 power = caret < 0 ? 1 : item.mid(caret + 1).toLongLong();
        parts.append(UnitPower(Units::unit(id), power));
    }
    return CompoundUnit(parts);
}

Quantity q(double v, const char* spec = "", DisplayStyle style = {}) {
    return Quantity(v, unitOf(spec), style);
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

// The message of the CalcError that f throws; every error here is neither incomplete nor a
// dimension error.
QString messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const CalcError& e) {
        EXPECT_FALSE(e.incomplete) << e.message.toStdString();
        EXPECT_FALSE(e.isDimension) << e.message.toStdString();
        return e.message;
    }
    return u"<no error>"_s;
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
