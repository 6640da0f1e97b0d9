#include "core/values/Arith.h"
#include "core/values/Units.h"

#include "core/values/TestUnits.h"
#include "tests/support/UnitSpec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

using namespace VexilCore;
using TestSupport::q;
using TestSupport::unitOf;

namespace {

QString s(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// 1 EUR = 2 USD, 1 GBP = 1.25 USD; 1 BTC = 50000 USD, 1 ETH = 2500 USD.
EvalContext withRates() {
    EvalContext ctx = TestUnits::context();
    RatesTable rates;
    rates.base = s("USD");
    rates.rates = {{s("USD"), 1.0}, {s("EUR"), 0.5}, {s("GBP"), 0.8}};
    ctx.rates = rates;
    CryptoTable crypto;
    crypto.pricesUSD = {{s("BTC"), 50000}, {s("ETH"), 2500}};
    crypto.source = s("CoinGecko");
    ctx.crypto = crypto;
    return ctx;
}

const EvalContext noRates = TestUnits::context();

CalcError errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const CalcError& e) {
        return e;
    }
    return CalcError(s("<no error>"), true, true);
}

void expectQuantity(const Quantity& got, double value, const char* unit) {
    EXPECT_NEAR(got.value, value, std::fabs(value) * 1e-12 + 1e-15);
    EXPECT_EQ(got.unit, unitOf(unit)) << got.unit.display(true).toStdString() << " vs " << unit;
    EXPECT_EQ(got.style, DisplayStyle(DisplayStyle::Plain));
    EXPECT_FALSE(got.terms.has_value());
}

} // namespace

TEST(Arith, AddKeepsTheLeftUnit) {
    const EvalContext ctx = noRates;
    expectQuantity(Arith::add(q(5), q(3, "m"), ctx), 8, "m");
    expectQuantity(Arith::add(q(3, "m"), q(5), ctx), 8, "m");
    expectQuantity(Arith::add(q(5, "m"), q(3), ctx, true), 2, "m");
    expectQuantity(Arith::add(q(5), q(3, "m"), ctx, true), 2, "m");
    expectQuantity(Arith::add(q(1, "km"), q(300, "m"), ctx), 1.3, "km");
    expectQuantity(Arith::add(q(300, "m"), q(1, "km"), ctx), 1300, "m");
    expectQuantity(Arith::add(q(1, "h"), q(30, "min"), ctx, true), 0.5, "h");
    // Temperatures add by their scale: a temperature plus a difference.
    expectQuantity(Arith::add(q(10, "\u00B0C"), q(18, "\u00B0F"), ctx), 20, "\u00B0C");
    expectQuantity(Arith::add(q(1, "m.s^-1"), q(3.6, "km.h^-1"), ctx), 2, "m.s^-1");

    // A styled operand does not pass its style on.
    Quantity styled = q(2, "h");
    styled.style = DisplayStyle::Hms;
    styled.terms = QList<Quantity::Term>{{2, Units::unit(s("h"))}};
    expectQuantity(Arith::add(styled, q(30, "min"), ctx), 2.5, "h");
}

TEST(Arith, AddMoney) {
    const EvalContext ctx = withRates();
    expectQuantity(Arith::add(q(0.5, "BTC"), q(100, "USD"), ctx), 25100, "USD");
    expectQuantity(Arith::add(q(1000, "sat"), q(5, "EUR"), ctx), 5.25, "EUR");
    expectQuantity(Arith::add(q(100, "USD"), q(0.5, "BTC"), ctx), 25100, "USD");
    expectQuantity(Arith::add(q(1, "ETH"), q(1, "BTC"), ctx), 21, "ETH");
    expectQuantity(Arith::add(q(1, "BTC"), q(100000, "sat"), ctx, true), 0.999, "BTC");
    expectQuantity(Arith::add(q(10, "EUR"), q(5, "GBP"), ctx), 13.125, "EUR");
    expectQuantity(Arith::add(q(1, "BTC"), q(20000, "USD"), ctx, true), 30000, "USD");
}

TEST(Arith, MissingRatesNameTheCurrencyReadFirst) {
    const EvalContext ctx = noRates;
    // r's factor is read first in the general rule...
    EXPECT_EQ(errorOf([&] { Arith::add(q(5, "EUR"), q(3, "GBP"), ctx); }).message,
              s("No exchange rate for GBP yet. Click Rates to refresh"));
    EXPECT_EQ(errorOf([&] { Arith::add(q(5, "USD"), q(3, "EUR"), ctx); }).message,
              s("No exchange rate for EUR yet. Click Rates to refresh"));
    // ...and the coin first when a coin meets a fiat amount.
    EXPECT_EQ(errorOf([&] { Arith::add(q(1, "BTC"), q(3, "EUR"), ctx); }).message,
              s("No price for BTC yet. Click Rates to refresh"));
    EXPECT_EQ(errorOf([&] { Arith::add(q(1, "sat"), q(3, "EUR"), ctx); }).message,
              s("No price for BTC yet. Click Rates to refresh"));
    // convert reads the quantity's unit before the target.
    EXPECT_EQ(errorOf([&] { Arith::convert(q(5, "GBP"), unitOf("EUR"), ctx); }).message,
              s("No exchange rate for GBP yet. Click Rates to refresh"));
    EXPECT_EQ(errorOf([&] { Arith::convert(q(5, "USD"), unitOf("ETH"), ctx); }).message,
              s("No price for ETH yet. Click Rates to refresh"));
    const CalcError e = errorOf([&] { Arith::multiply(q(5, "USD"), q(3, "EUR"), ctx); });
    EXPECT_EQ(e.message, s("No exchange rate for EUR yet. Click Rates to refresh"));
    EXPECT_FALSE(e.incomplete);
    EXPECT_FALSE(e.isDimension);
}

TEST(Arith, Conversions) {
    const EvalContext ctx = withRates();
    const double pi = std::numbers::pi;
    struct Case {
        double value;
        const char* from;
        const char* to;
        double want;
    };
    // Expected values from independent definitions (inch 2.54 cm, pound 0.45359237 kg, US gallon
    // 231 in³, imperial gallon 4.54609 L, gravity 9.80665 m/s², year 365.2425 days).
    const Case cases[] = {
        {1, "mi", "km", 1.609344},
        {1, "ft", "in", 12},
        {100, "px", "pt", 75},
        {1, "em", "px", 16},
        {1, "nmi", "m", 1852},
        {1, "yd", "cm", 91.44},
        {1, "lb", "oz", 16},
        {1, "st", "lb", 14},
        {1, "ton", "kg", 907.18474},
        {1, "long ton", "lb", 2240},
        {5, "ct", "g", 1},
        {1, "gal", "l", 231 * 2.54 * 2.54 * 2.54 / 1000},
        {1, "gal", "fl oz", 128},
        {1, "imp gal", "imp fl oz", 160},
        {1, "imp pt", "ml", 4546.09 / 8},
        {1, "tbsp", "tsp", 3},
        {1, "cup", "tbsp", 16},
        {1, "l", "cm^3", 1000},
        {1, "acre", "m^2", 43560 * 0.3048 * 0.3048},
        {1, "ha", "km^2", 0.01},
        {1, "acre", "ft^2", 43560},
        {1, "wk", "d", 7},
        {1, "yr", "d", 365.2425},
        {90, "min", "h", 1.5},
        {1, "mo", "d", 365.2425 / 12},
        {60, "mph", "km/h", 60 * 1.609344},
        {1, "kn", "m.s^-1", 1852.0 / 3600},
        {36, "km/h", "m.s^-1", 10},
        {1, "mph", "mi.h^-1", 1},
        {1, "KiB", "B", 1024},
        {1, "GB", "MiB", 1e9 / 1048576},
        {1, "Gbit", "MB", 125},
        {1, "TiB", "GiB", 1024},
        {1, "kWh", "MJ", 3.6},
        {1, "kcal", "kJ", 4.184},
        {1, "BTU", "J", 4186.8 * 0.45359237 * 5 / 9},
        {1, "kWh", "W.h", 1000},
        {1, "hp", "W", 550 * 0.3048 * 0.45359237 * 9.80665},
        {1, "MW", "kW", 1000},
        {1, "atm", "torr", 760},
        {1, "atm", "mmHg", 101325 / (13595.1 * 9.80665 * 1e-3)},
        {1, "psi", "kPa", 0.45359237 * 9.80665 / (0.0254 * 0.0254) / 1000},
        {1, "bar", "hPa", 1000},
        {1, "turn", "deg", 360},
        {1, "deg", "arcmin", 60},
        {1, "arcmin", "arcsec", 60},
        {200, "grad", "rad", pi},
        {1, "rpm", "Hz", 1.0 / 60},
        {1, "GHz", "MHz", 1000},
        {1, "kgf", "N", 9.80665},
        {1, "lbf", "N", 0.45359237 * 9.80665},
        {1, "N", "dyn", 1e5},
        {1, "kg.m^2.s^-2", "J", 1},
        {1, "N.m", "J", 1},
        {1, "W.s", "J", 1},
        {10, "USD", "EUR", 5},
        {1, "BTC", "USD", 50000},
        {100000, "sat", "USD", 50},
        {1, "ETH", "BTC", 0.05},
        {10, "USD.h^-1", "EUR.d^-1", 120},
        // temperatures through their offsets
        {100, "\u00B0F", "\u00B0C", (100 - 32) * 5.0 / 9.0},
        {20, "\u00B0C", "K", 293.15},
        {0, "K", "\u00B0F", -459.67},
        {-40, "\u00B0C", "\u00B0F", -40},
        {32, "\u00B0F", "K", 273.15},
        {300, "K", "\u00B0C", 26.85},
        {1, "K.s^-1", "K.min^-1", 60},
    };
    for (const Case& c : cases) {
        const Quantity got = Arith::convert(q(c.value, c.from), unitOf(c.to), ctx);
        EXPECT_NEAR(got.value, c.want, std::fabs(c.want) * 1e-12 + 1e-12) << c.from << " -> " << c.to;
        EXPECT_EQ(got.unit, unitOf(c.to));
    }
}

TEST(Arith, ConvertToTheSameUnitKeepsStyleAndTerms) {
    Quantity mixed = q(5.25, "ft");
    mixed.style = DisplayStyle::mixed({s("ft"), s("in")});
    mixed.terms = QList<Quantity::Term>{{5, Units::unit(s("ft"))}, {3, Units::unit(s("in"))}};
    EXPECT_EQ(Arith::convert(mixed, unitOf("ft"), noRates), mixed);
    const Quantity inches = Arith::convert(mixed, unitOf("in"), noRates);
    expectQuantity(inches, 63, "in");
}

TEST(Arith, Multiply) {
    const EvalContext ctx = withRates();
    expectQuantity(Arith::multiply(q(3), q(4, "m"), ctx), 12, "m");
    expectQuantity(Arith::multiply(q(4, "m"), q(3), ctx), 12, "m");
    expectQuantity(Arith::multiply(q(2, "m"), q(3, "m"), ctx), 6, "m^2");
    expectQuantity(Arith::multiply(q(2, "m"), q(30, "cm"), ctx), 0.6, "m^2");
    expectQuantity(Arith::multiply(q(5, "USD"), q(3), ctx), 15, "USD");
    expectQuantity(Arith::multiply(q(60, "mph"), q(2, "h"), ctx), 120, "mi");
    expectQuantity(Arith::multiply(q(2, "h"), q(60, "mph"), ctx), 120, "mi");
    expectQuantity(Arith::multiply(q(100, "km/h"), q(30, "min"), ctx), 50, "km");
    expectQuantity(Arith::multiply(q(3, "kWh"), q(1, "h^-1"), ctx), 3, "kW");
    expectQuantity(Arith::multiply(q(2, "kW"), q(3, "h"), ctx), 6, "kW.h");
    expectQuantity(Arith::multiply(q(10, "m.s^-1"), q(2, "min"), ctx), 1200, "m");
    expectQuantity(Arith::multiply(q(5, "EUR.h^-1"), q(8, "h"), ctx), 40, "EUR");
    expectQuantity(Arith::multiply(q(10, "EUR"), q(1, "USD^-1"), ctx), 20, "");
    // A currency ratio merges into the amount: 3 GBP/EUR is 1.875, so $5 × that is $9.375.
    expectQuantity(Arith::multiply(q(5, "USD"), q(3, "GBP.EUR^-1"), ctx), 9.375, "USD");
    expectQuantity(Arith::multiply(q(2, "K"), q(3, "m"), ctx), 6, "K.m");
    expectQuantity(Arith::multiply(q(2), q(5, "\u00B0C"), ctx), 10, "\u00B0C");
}

TEST(Arith, OfAndPower) {
    const EvalContext ctx = withRates();
    expectQuantity(Arith::of(q(0.2), q(50, "USD"), ctx), 10, "USD");
    expectQuantity(Arith::of(q(50, "g"), q(1, "kg"), ctx), 0.05, "");
    expectQuantity(Arith::of(q(3), q(4), ctx), 12, "");
    expectQuantity(Arith::of(q(5, "EUR"), q(20, "USD"), ctx), 0.5, "");

    expectQuantity(Arith::power(q(2), q(10)), 1024, "");
    expectQuantity(Arith::power(q(3, "m"), q(2)), 9, "m^2");
    expectQuantity(Arith::power(q(2, "m.s^-1"), q(-2)), 0.25, "m^-2.s^2");
    expectQuantity(Arith::power(q(2, "m"), q(12)), 4096, "m^12");
    expectQuantity(Arith::power(q(2, "m"), q(-12)), 1.0 / 4096, "m^-12");
    expectQuantity(Arith::power(q(5, "USD"), q(1)), 5, "USD");
    expectQuantity(Arith::power(q(4), q(0.5)), 2, "");
    expectQuantity(Arith::power(q(3, "m"), q(0)), 1, "");
}

TEST(Arith, MessagesAndFlags) {
    const EvalContext ctx = withRates();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        std::function<void()> run;
        const char* message;
        bool isDimension;
    };
    const Case cases[] = {
        {"2 kg + 3 m", [&] { Arith::add(q(2, "kg"), q(3, "m"), ctx); }, "Can't add mass and length", true},
        {"2 kg - 3 m", [&] { Arith::add(q(2, "kg"), q(3, "m"), ctx, true); },
         "Can't subtract mass and length", true},
        {"1 m/s + 1 m", [&] { Arith::add(q(1, "m.s^-1"), q(1, "m"), ctx); }, "Can't add speed and length",
         true},
        {"1 m.s + 1 m", [&] { Arith::add(q(1, "m.s"), q(1, "m"), ctx); },
         "Can't add a compound unit and length", true},
        {"$1 + 1 h", [&] { Arith::add(q(1, "USD"), q(1, "h"), ctx); }, "Can't add currency and time", true},
        {"1 l to kg", [&] { Arith::convert(q(1, "l"), unitOf("kg"), ctx); },
         "Can't convert volume to mass (no density assumed)", true},
        {"1 kg to gal", [&] { Arith::convert(q(1, "kg"), unitOf("gal"), ctx); },
         "Can't convert mass to volume (no density assumed)", true},
        {"5 oz to ml", [&] { Arith::convert(q(5, "oz"), unitOf("ml"), ctx); },
         "Can't convert mass to volume. Use fl oz", true},
        {"1 l to oz", [&] { Arith::convert(q(1, "l"), unitOf("oz"), ctx); },
         "Can't convert volume to mass. Use fl oz", true},
        {"1 m to kg", [&] { Arith::convert(q(1, "m"), unitOf("kg"), ctx); }, "Can't convert length to mass",
         true},
        {"1 GB to s", [&] { Arith::convert(q(1, "GB"), unitOf("s"), ctx); },
         "Can't convert data size to time", true},
        {"1 to m", [&] { Arith::convert(q(1), unitOf("m"), ctx); }, "Can't convert a plain number to length",
         true},
        {"°C/s to K/s", [&] { Arith::convert(q(1, "\u00B0C.s^-1"), unitOf("K.s^-1"), ctx); },
         "\u00B0C and \u00B0F can only be converted on their own", false},
        {"°F to °C/s·s", [&] { Arith::convert(q(1, "\u00B0F"), unitOf("\u00B0C.s^-1.s"), ctx); },
         "\u00B0C and \u00B0F can only be converted on their own", false},
        {"°C × m", [&] { Arith::multiply(q(5, "\u00B0C"), q(2, "m"), ctx); },
         "Can't multiply absolute temperatures (\u00B0C, \u00B0F). Use K", false},
        {"m × °F", [&] { Arith::multiply(q(2, "m"), q(5, "\u00B0F"), ctx); },
         "Can't multiply absolute temperatures (\u00B0C, \u00B0F). Use K", false},
        {"$5 × $3", [&] { Arith::multiply(q(5, "USD"), q(3, "USD"), ctx); },
         "Can't multiply currencies together", false},
        {"$5 × €3", [&] { Arith::multiply(q(5, "USD"), q(3, "EUR"), ctx); },
         "Can't multiply currencies together", false},
        {"$/h × €/h", [&] { Arith::multiply(q(5, "USD.h^-1"), q(3, "EUR.h^-1"), ctx); },
         "Can't multiply currencies together", false},
        {"5 m of 3 kg", [&] { Arith::of(q(5, "m"), q(3, "kg"), ctx); },
         "'of' needs a percentage or two matching quantities", true},
        {"5 m of 3", [&] { Arith::of(q(5, "m"), q(3), ctx); },
         "'of' needs a percentage or two matching quantities", true},
        {"5 m of 0 km", [&] { Arith::of(q(5, "m"), q(0, "km"), ctx); }, "Division by zero", false},
        {"2 ^ 3 m", [&] { Arith::power(q(2), q(3, "m")); }, "Exponent must be a plain number", false},
        {"2 m ^ 3 m", [&] { Arith::power(q(2, "m"), q(3, "m")); }, "Exponent must be a plain number", false},
        {"10 ^ 400", [&] { Arith::power(q(10), q(400)); }, "Result is too large", false},
        {"0 ^ -1", [&] { Arith::power(q(0), q(-1)); }, "Result is too large", false},
        {"-8 ^ 0.5", [&] { Arith::power(q(-8), q(0.5)); }, "Result is too large", false},
        {"3 m ^ 13", [&] { Arith::power(q(3, "m"), q(13)); },
         "Units can only be raised to whole-number powers", false},
        {"3 m ^ -13", [&] { Arith::power(q(3, "m"), q(-13)); },
         "Units can only be raised to whole-number powers", false},
        {"3 m ^ 1.5", [&] { Arith::power(q(3, "m"), q(1.5)); },
         "Units can only be raised to whole-number powers", false},
        {"3 m ^ NaN", [&] { Arith::power(q(3, "m"), q(nan)); },
         "Units can only be raised to whole-number powers", false},
        {"5 °C ^ 1.5", [&] { Arith::power(q(5, "\u00B0C"), q(1.5)); },
         "Units can only be raised to whole-number powers", false},
        {"5 °C ^ 2", [&] { Arith::power(q(5, "\u00B0C"), q(2)); },
         "Can't raise \u00B0C or \u00B0F to a power", false},
        {"$5 ^ 0", [&] { Arith::power(q(5, "USD"), q(0)); }, "Can't raise a currency to a power", false},
        {"$5 ^ 2", [&] { Arith::power(q(5, "USD"), q(2)); }, "Can't raise a currency to a power", false},
        {"$5/h ^ -1", [&] { Arith::power(q(5, "USD.h^-1"), q(-1)); }, "Can't raise a currency to a power",
         false},
    };
    for (const Case& c : cases) {
        const CalcError e = errorOf(c.run);
        EXPECT_EQ(e.message, s(c.message)) << c.what;
        EXPECT_FALSE(e.incomplete) << c.what;
        EXPECT_EQ(e.isDimension, c.isDimension) << c.what;
    }
    EXPECT_EQ(Arith::mismatch(Dimension::length, Dimension::mass, s("add")),
              CalcError(s("Can't add length and mass"), false, true));
}
