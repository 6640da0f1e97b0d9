#include "core/values/Arith.h"
#include "core/values/CalcError.h"
#include "core/values/Units.h"

#include <gtest/gtest.h>

using namespace VexilCore;

// Repeated powers must end in a message, never in an abort or a wrapped exponent.
TEST(PowerOverflow, RepeatedPowersOfAUnitGiveAnError) {
    Quantity q(2, CompoundUnit(Units::unit(QStringLiteral("m"))));
    const Quantity twelve(12, CompoundUnit::none());
    try {
        for (int i = 0; i < 40; ++i)
            q = Arith::power(q, twelve);
        FAIL() << "no error after 40 powers";
    } catch (const CalcError& e) {
        EXPECT_EQ(e.message, QStringLiteral("Unit power is too large"));
        EXPECT_FALSE(e.incomplete);
    }
}
