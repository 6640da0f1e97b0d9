#include "core/values/Units.h"
#include "core/values/ValueArith.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace VexilCore;

// Found by fuzzing whole sheets: a shift that carried an instant beyond what the calendar can form gave
// a value whose result text was empty. Such a shift is "Date out of range" now, whichever way it is
// reached ("+", "from now", "ago", a zoned time); an instant that was already beyond keeps its old rule.
TEST(InstantRange, ShiftBeyondTheCalendarIsOutOfRange) {
    const EvalContext ctx = EvalContext::make(
        CalendarCtx{QTimeZone("America/New_York"), QLocale(QLocale::English, QLocale::UnitedStates)},
        1'700'000'000, std::nullopt, std::nullopt, 16, true);
    const auto by = [](double amount, const char* unit) {
        return Quantity(amount, CompoundUnit(Units::unit(QString::fromLatin1(unit))));
    };
    const Instant start{1'709'649'000}; // 2024-03-05T14:30Z
    struct Case {
        double amount;
        const char* unit;
    };
    for (const Case& c : {Case{1e300, "s"}, Case{1e14, "d"}, Case{-1e14, "d"}, Case{1e15, "h"}}) {
        for (const bool subtract : {false, true}) {
            try {
                ValueArith::add(start, by(c.amount, c.unit), ctx, subtract);
                ADD_FAILURE() << c.amount << ' ' << c.unit << (subtract ? " subtracted" : " added");
            } catch (const CalcError& e) {
                EXPECT_EQ(e.message, QStringLiteral("Date out of range"));
            }
        }
    }
    const ZonedTime zoned{start.secs, QTimeZone("Asia/Tokyo"), QStringLiteral("Tokyo"), 0};
    EXPECT_THROW(ValueArith::add(zoned, by(1e300, "s"), ctx), CalcError);
    // The far edge of what can still be shown stays an instant.
    EXPECT_EQ(ValueArith::shift(start, by(1e14, "s"), +1, ctx), Instant{start.secs + 1e14});
    EXPECT_TRUE(std::isinf(ValueArith::shift(Instant{INFINITY}, by(1, "s"), +1, ctx).secs));
}
