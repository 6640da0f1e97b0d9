#include "core/values/Unit.h"
#include "core/values/CalcError.h"

#include "core/values/TestUnits.h"

#include <gtest/gtest.h>

#include <QHash>

using namespace VexilCore;
using namespace TestUnits;

namespace {

const UnitRef m = linear("m", Dimension::length, 1);
const UnitRef km = linear("km", Dimension::length, 1000);
const UnitRef s = make("s", Dimension::time, UnitDef::Linear{1}, "second", "seconds");
const UnitRef h = make("h", Dimension::time, UnitDef::Linear{3600}, "hour", "hours");
const UnitRef kg = linear("kg", Dimension::mass, 1);
const UnitRef celsius = make("\u00B0C", Dimension::temperature, UnitDef::Affine{1, 273.15});
const UnitRef kelvin = make("K", Dimension::temperature, UnitDef::Affine{1, 0});
const UnitRef em = make("em", Dimension::length, UnitDef::CssEm{});
const UnitRef usd = currency("USD");
const UnitRef eur = currency("EUR");
const UnitRef btc = currency("BTC");
const UnitRef sat = make("sat", Dimension::money, UnitDef::Currency{}, "sat", "sats");

CompoundUnit cu(std::initializer_list<UnitPower> parts) {
    return CompoundUnit(QList<UnitPower>(parts));
}

QString messageOf(const UnitRef& u, const EvalContext& ctx) {
    return TestUnits::messageOf([&] { u->factor(ctx); });
}

} // namespace

TEST(CompoundUnit, ZeroPowersAreDropped) {
    EXPECT_TRUE(cu({{m, 0}}).isNone());
    EXPECT_EQ(cu({{m, 0}}).display(true), QString());
    EXPECT_TRUE(CompoundUnit(m, 0).isNone());
    EXPECT_EQ(cu({{m, 0}, {s, -1}}), cu({{s, -1}}));
    // Construction does not merge repeated units.
    EXPECT_EQ(cu({{m, 1}, {m, 1}}).parts.size(), 2);
}

TEST(CompoundUnit, MultiplyMergesAndCancels) {
    EXPECT_EQ(cu({{m, 1}}).multiplied(cu({{s, -1}})), cu({{m, 1}, {s, -1}}));
    EXPECT_EQ(cu({{m, 1}, {s, -1}}).multiplied(cu({{s, 1}})), cu({{m, 1}}));
    EXPECT_TRUE(cu({{m, 1}}).multiplied(cu({{m, -1}})).isNone());
    EXPECT_EQ(cu({{m, 1}}).multiplied(cu({{m, 1}})), cu({{m, 2}}));
    // Order is kept and matters for equality.
    EXPECT_EQ(cu({{s, -1}}).multiplied(cu({{m, 1}})), cu({{s, -1}, {m, 1}}));
    EXPECT_NE(cu({{s, -1}, {m, 1}}), cu({{m, 1}, {s, -1}}));
}

TEST(CompoundUnit, PowerAndDimension) {
    EXPECT_EQ(cu({{m, 1}, {s, -1}}).power(2), cu({{m, 2}, {s, -2}}));
    EXPECT_TRUE(cu({{m, 1}, {s, -1}}).power(0).isNone());
    EXPECT_EQ(cu({{m, 1}, {s, -2}}).dim(), Dimension::acceleration);
    EXPECT_EQ(cu({{kg, 1}, {m, 2}, {s, -2}}).dim(), Dimension::energy);
    EXPECT_EQ(CompoundUnit::none().dim(), Dimension::none);
}

TEST(CompoundUnit, Display) {
    const std::pair<CompoundUnit, QString> cases[] = {
        {cu({{m, 1}, {s, -1}}), QStringLiteral("m/s")},
        {cu({{m, 1}, {s, -2}}), QStringLiteral("m/s\u00B2")},
        {cu({{kg, 1}, {m, 2}, {s, -2}}), QStringLiteral("kg\u00B7m\u00B2/s\u00B2")},
        {cu({{s, -1}}), QStringLiteral("1/s")},
        {cu({{m, 3}}), QStringLiteral("m\u00B3")},
        {cu({{km, 1}, {h, -1}}), QStringLiteral("km/h")},
        {cu({{m, 2}}), QStringLiteral("m\u00B2")},
        {cu({{s, 1}, {m, -12}}), QStringLiteral("s/m\u00B9\u00B2")},
    };
    for (const auto& [unit, text] : cases) {
        EXPECT_EQ(unit.display(true), text);
        EXPECT_EQ(unit.display(false), text);
    }
    EXPECT_EQ(CompoundUnit(s).display(false), QStringLiteral("second"));
    EXPECT_EQ(CompoundUnit(s).display(true), QStringLiteral("seconds"));
    EXPECT_EQ(CompoundUnit(s).description(), QStringLiteral("seconds"));
    EXPECT_EQ(CompoundUnit(km).display(true), QStringLiteral("km"));
    EXPECT_EQ(CompoundUnit(sat).display(true), QStringLiteral("sats"));
}

TEST(CompoundUnit, Superscript) {
    EXPECT_EQ(superscript(-12), QStringLiteral("\u207B\u00B9\u00B2"));
    EXPECT_EQ(superscript(1234567890),
              QStringLiteral("\u00B9\u00B2\u00B3\u2074\u2075\u2076\u2077\u2078\u2079\u2070"));
}

TEST(CompoundUnit, SingleAndContains) {
    EXPECT_EQ(CompoundUnit(m).single(), m);
    EXPECT_EQ(cu({{m, 2}}).single(), nullptr);
    EXPECT_EQ(cu({{m, 1}, {s, -1}}).single(), nullptr);
    EXPECT_EQ(CompoundUnit().single(), nullptr);
    EXPECT_FALSE(kelvin->isOffsetTemperature());
    EXPECT_TRUE(celsius->isOffsetTemperature());
    EXPECT_TRUE(CompoundUnit(celsius).containsOffsetTemperature());
    EXPECT_TRUE(cu({{celsius, 1}, {s, -1}}).containsOffsetTemperature());
    EXPECT_FALSE(cu({{kelvin, 1}, {s, -1}}).containsOffsetTemperature());
    EXPECT_TRUE(cu({{usd, 1}, {h, -1}}).containsCurrency());
    EXPECT_FALSE(cu({{m, 1}}).containsCurrency());
}

TEST(CompoundUnit, EqualityAndHashUseIds) {
    // A second definition with the same id is the same unit.
    const UnitRef otherMetre = linear("m", Dimension::length, 1);
    EXPECT_EQ(CompoundUnit(m), CompoundUnit(otherMetre));
    EXPECT_EQ(qHash(CompoundUnit(m)), qHash(CompoundUnit(otherMetre)));
    EXPECT_EQ(*m, *otherMetre);
    QHash<CompoundUnit, int> seen;
    seen[cu({{m, 1}, {s, -1}})] = 1;
    seen[cu({{otherMetre, 1}, {s, -1}})] = 2;
    seen[cu({{m, 1}, {s, -2}})] = 3;
    EXPECT_EQ(seen.size(), 2);
}

TEST(UnitFactor, FixedKinds) {
    const EvalContext ctx = context();
    EXPECT_EQ(km->factor(ctx), 1000);
    EXPECT_EQ(celsius->factor(ctx), 1);
    EXPECT_NEAR(em->factor(ctx), 16 * 0.0254 / 96, 1e-18);
    EXPECT_NEAR(em->factor(ctx), 0.004233333333333333, 1e-15);
    EXPECT_DOUBLE_EQ(cu({{km, 1}, {h, -1}}).factor(ctx), 1000.0 / 3600.0);
    EXPECT_DOUBLE_EQ(cu({{km, 2}}).factor(ctx), 1e6);
    EXPECT_EQ(CompoundUnit().factor(ctx), 1);
}

TEST(UnitFactor, CurrenciesReadTheContextTables) {
    EvalContext ctx = context();
    EXPECT_EQ(usd->factor(ctx), 1); // even with no tables
    EXPECT_EQ(messageOf(sat, ctx), QStringLiteral("No price for BTC yet. Click Rates to refresh"));
    EXPECT_EQ(messageOf(btc, ctx), QStringLiteral("No price for BTC yet. Click Rates to refresh"));
    EXPECT_EQ(messageOf(eur, ctx), QStringLiteral("No exchange rate for EUR yet. Click Rates to refresh"));

    RatesTable rates;
    rates.base = QStringLiteral("USD");
    rates.rates = {{QStringLiteral("USD"), 1.0}, {QStringLiteral("GBP"), 0.8}};
    ctx.rates = rates;
    EXPECT_EQ(messageOf(eur, ctx), QStringLiteral("No exchange rate for EUR yet. Click Rates to refresh"));
    ctx.rates->rates[QStringLiteral("EUR")] = 0.5;
    EXPECT_EQ(eur->factor(ctx), 2.0);
    // Read again at every call: a new table gives a new size.
    ctx.rates->rates[QStringLiteral("EUR")] = 0.25;
    EXPECT_EQ(eur->factor(ctx), 4.0);
    ctx.rates->rates[QStringLiteral("EUR")] = 0;
    EXPECT_EQ(messageOf(eur, ctx), QStringLiteral("No exchange rate for EUR yet. Click Rates to refresh"));

    CryptoTable crypto;
    crypto.pricesUSD = {{QStringLiteral("ETH"), 3000}};
    ctx.crypto = crypto;
    EXPECT_EQ(messageOf(sat, ctx), QStringLiteral("No price for BTC yet. Click Rates to refresh"));
    ctx.crypto->pricesUSD[QStringLiteral("BTC")] = 50000;
    EXPECT_EQ(btc->factor(ctx), 50000);
    EXPECT_DOUBLE_EQ(sat->factor(ctx), 0.0005);
    // A BTC price of 0 counts as missing for the satoshi too.
    ctx.crypto->pricesUSD[QStringLiteral("BTC")] = 0;
    EXPECT_EQ(messageOf(sat, ctx), QStringLiteral("No price for BTC yet. Click Rates to refresh"));
    EXPECT_EQ(messageOf(btc, ctx), QStringLiteral("No price for BTC yet. Click Rates to refresh"));

    // The first missing factor of a compound unit is the one reported.
    try {
        cu({{eur, 1}, {btc, -1}}).factor(ctx);
        FAIL();
    } catch (const CalcError& e) {
        EXPECT_EQ(e.message, QStringLiteral("No exchange rate for EUR yet. Click Rates to refresh"));
    }
}
