#include "core/values/Units.h"
#include "core/values/ValueArith.h"

#include <gtest/gtest.h>

using namespace VexilCore;

// Found by fuzzing whole sheets: a shift that carries an instant beyond what the calendar can form
// gave a value whose result text was empty. It is an error now, as for "now + 1e300 s".
TEST(InstantRange, ShiftBeyondTheCalendarIsOutOfRange) {
    const EvalContext ctx = EvalContext::make(
        CalendarCtx{QTimeZone("America/New_York"), QLocale(QLocale::English, QLocale::UnitedStates)},
        1'700'000'000, std::nullopt, std::nullopt, 16, true);
    const Value start = Instant{1'709'649'000}; // 2024-03-05T14:30Z
    struct Case {
        double amount;
        const char* unit;
    };
    for (const Case& c : {Case{1e300, "s"}, Case{1e14, "d"}, Case{-1e14, "d"}, Case{1e15, "h"}}) {
        const Value by = Quantity(c.amount, CompoundUnit(Units::unit(QString::fromLatin1(c.unit))));
        for (const bool subtract : {false, true}) {
            try {
                ValueArith::add(start, by, ctx, subtract);
                ADD_FAILURE() << c.amount << ' ' << c.unit << (subtract ? " subtracted" : " added");
            } catch (const CalcError& e) {
                EXPECT_EQ(e.message, QStringLiteral("Date out of range"));
            }
        }
    }
    // The far edge of what can still be shown stays a date.
    const Value far =
        ValueArith::add(start, Quantity(1e14, CompoundUnit(Units::unit(QStringLiteral("s")))), ctx);
    EXPECT_TRUE(std::holds_alternative<Instant>(far));
}
