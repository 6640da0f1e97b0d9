#include "PhraseProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace VexilCore;
using namespace Qt::Literals::StringLiterals;

namespace {

const Value today = CalendarDate{2024, 6, 15};

TEST(Functions, Results) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CallCase cases[] = {
        {"sqrt", {q(16, "m^2")}, q(4, "m")},
        {"sqrt", {q(81)}, q(9)},
        {"sqrt", {q(36, "m^2.s^-4")}, q(6, "m.s^-2")},
        {"cbrt", {q(-27)}, q(-3)},
        {"cbrt", {q(8, "m^3")}, q(2, "m")},
        {"abs", {q(-5, "kg")}, q(5, "kg")},
        {"round", {q(2.5)}, q(3)},
        {"round", {q(-2.5)}, q(-3)},
        {"round", {q(3.14159, "m", DisplayStyle::Percent), q(2)}, q(3.14, "m", DisplayStyle::Percent)},
        {"round", {q(1234), q(-2)}, q(1200)},
        {"round", {q(2.5, "m", DisplayStyle::Percent)}, q(3, "m")}, // one argument: plain style
        {"floor", {q(-2.5, "m")}, q(-3, "m")},
        {"ceil", {q(2.1)}, q(3)},
        {"int", {q(-2.7)}, q(-2)},
        {"ln", {q(1)}, q(0)},
        {"log", {q(1000)}, q(3)},
        {"log10", {q(0.01)}, q(-2)},
        {"log2", {q(8)}, q(3)},
        {"exp", {q(0)}, q(1)},
        {"sin", {q(90, "deg")}, q(1)},
        {"sin", {q(0)}, q(0)},
        {"cos", {q(0)}, q(1)},
        {"sind", {q(90)}, q(1)},
        {"cosd", {q(180)}, q(-1)},
        {"tanh", {q(0)}, q(0)},
        {"acosh", {q(0)}, q(nan)}, // no range check
        {"asin", {q(1)}, q(90, "deg")},
        {"asind", {q(0.5)}, q(30.000000000000004, "deg")},
        {"acos", {q(1)}, q(0, "deg")},
        {"atan", {q(1)}, q(45, "deg")},
        {"atand", {q(1e300)}, q(90, "deg")},
        // The list names go to the statistics with every argument.
        {"max", {q(3)}, q(3)},
        {"count", {q(7)}, q(1)},
        {"avg", {q(2), q(4)}, q(3)},
        {"sum", {q(1, "m"), q(50, "cm")}, q(1.5, "m")},
    };
    for (const CallCase& c : cases) {
        PhraseProbe probe(u""_s);
        const Value v = probe.apply(QString::fromLatin1(c.name), c.args);
        const Quantity* got = asQuantity(v);
        ASSERT_NE(got, nullptr) << c.name;
        const Quantity& want = c.expected;
        if (std::isnan(want.value))
            EXPECT_TRUE(std::isnan(got->value)) << c.name << ": " << describe(v);
        else
            EXPECT_NEAR(got->value, want.value, 1e-12 * std::max(1.0, std::fabs(want.value)))
                << c.name << ": " << describe(v);
        EXPECT_EQ(got->unit, want.unit) << c.name << ": " << describe(v);
        EXPECT_EQ(got->style, want.style) << c.name << ": " << describe(v);
        EXPECT_FALSE(got->terms) << c.name;
    }
}

TEST(Functions, WholeNumbers) {
    const CallCase cases[] = {
        {"fact", {q(0)}, q(1)},
        {"fact", {q(1)}, q(1)},
        {"fact", {q(5)}, q(120)},
        {"hex", {q(255)}, q(255, "", DisplayStyle::Hex)},
        {"bin", {q(-5)}, q(-5, "", DisplayStyle::Binary)},
        {"oct", {q(8)}, q(8, "", DisplayStyle::Octal)},
    };
    expectExactCalls(cases, &PhraseProbe::apply);
    const CallError errors[] = {
        {"fact", {q(171)}, "Factorial needs a whole number from 0 to 170"},
        {"fact", {q(-1)}, "Factorial needs a whole number from 0 to 170"},
        {"fact", {q(2.5)}, "Factorial needs whole numbers"},
        {"fact", {q(3, "m")}, "Factorial needs whole numbers"},
        {"hex", {q(2.5)}, "hex needs whole numbers"},
        {"oct", {q(3, "m")}, "oct needs whole numbers"},
        {"bin", {q(1e16)}, "bin needs whole numbers"},
    };
    expectCallErrors(errors, &PhraseProbe::apply);
}

TEST(Functions, FactorialOf170IsFinite) {
    PhraseProbe probe(u""_s);
    const Value v = probe.apply(u"fact"_s, {q(170)});
    EXPECT_TRUE(std::isfinite(asQuantity(v)->value));
    EXPECT_GT(asQuantity(v)->value, 7e306);
}

TEST(Functions, RoundWithPlacesKeepsTerms) {
    PhraseProbe probe(u""_s);
    Quantity x = q(5.256, "ft");
    x.terms = QList<Quantity::Term>{{5, Units::unit(u"ft"_s)}, {3.07, Units::unit(u"in"_s)}};
    const Value v = probe.apply(u"round"_s, {x, q(1)});
    EXPECT_DOUBLE_EQ(asQuantity(v)->value, 5.3);
    EXPECT_EQ(asQuantity(v)->terms, x.terms);
}

TEST(Functions, Errors) {
    const CallError cases[] = {
        {"sqrt", {q(-4)}, "Square root of a negative number"},
        {"sqrt", {q(-4, "m")}, "Square root of a negative number"}, // the sign before the unit
        {"sqrt", {q(std::nan(""))}, "Square root of a negative number"},
        {"sqrt", {q(9, "m")}, "Can't take the square root of m"},
        {"cbrt", {q(9, "m^2")}, "Can't take the cube root of m\u00B2"},
        {"round", {q(1), q(2), q(3)}, "round takes one value"},
        {"sqrt", {q(1), q(2)}, "sqrt takes one value"},
        {"round", {today, q(2)}, "That needs a number"},
        {"round", {q(1), today}, "round needs a number"},
        {"round", {q(1), q(2, "m")}, "round needs a plain number"},
        {"sqrt", {today}, "sqrt needs a number"},
        {"hex", {Value(std::in_place_type<QString>, u"abc"_s)}, "hex needs a number"},
        {"max", {today}, "That needs a number"},
        {"sin", {q(5, "m")}, "sin needs an angle"},
        {"sind", {q(90, "deg")}, "sind needs a plain number"},
        {"asin", {q(2)}, "asin needs a value from -1 to 1"},
        {"asind", {q(2)}, "asin needs a value from -1 to 1"},
        {"acosd", {q(-1.5)}, "acos needs a value from -1 to 1"},
        {"asind", {q(1, "m")}, "asind needs a plain number"},
        {"log", {q(0)}, "log needs a positive number"},
        {"log10", {q(-1)}, "log needs a positive number"},
        {"log10", {q(5, "m")}, "log10 needs a plain number"},
        {"ln", {q(5, "m")}, "ln needs a plain number"},
        {"ln", {q(0)}, "ln needs a positive number"},
        {"log2", {q(-2)}, "log2 needs a positive number"},
        {"exp", {q(1, "s")}, "exp needs a plain number"},
        {"int", {q(1, "s")}, "int needs a plain number"},
        {"frobnicate", {q(1)}, "Unknown function frobnicate"},
    };
    expectCallErrors(cases, &PhraseProbe::apply);
}

TEST(Functions, AngleConversionErrorsPassThrough) {
    // A currency-free angle always converts; the dimension test alone decides "needs an angle".
    PhraseProbe probe(u""_s);
    EXPECT_EQ(errorOf([&] { probe.apply(u"cos"_s, {q(1, "rad^2")}); }), u"cos needs an angle"_s);
    EXPECT_NEAR(asQuantity(probe.apply(u"cos"_s, {q(180, "deg")}))->value, -1, 1e-15);
}

} // namespace
