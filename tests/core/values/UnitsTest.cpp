#include "core/values/Units.h"
#include "core/rates/Currencies.h"
#include "core/values/EvalContext.h"

#include "core/values/TestUnits.h"

#include <gtest/gtest.h>

#include <QMap>
#include <cmath>
#include <numbers>

using namespace VexilCore;
namespace Currencies = VexilCore::Currencies;

namespace {

QString s(const char* utf8) {
    return QString::fromUtf8(utf8);
}

struct Reference {
    const char* id;
    double siValue; // one unit in the base unit of its dimension, from independent definitions
    double tolerance = 1e-12;
};

// Base definitions, as the GNU units data file gives them.
constexpr double inch = 2.54e-2;
constexpr double foot = 12 * inch;
constexpr double mile = 5280 * foot;
constexpr double pound = 0.45359237;
constexpr double gravity = 9.80665;
constexpr double usGallon = 231 * inch * inch * inch;
constexpr double impGallon = 4.54609e-3;
constexpr double usFlOz = usGallon / 128;
constexpr double day = 86400;
constexpr double year = 365.2425 * day;
constexpr double pi = std::numbers::pi;
constexpr double mercury = 13.5951e3 * gravity; // pascals per metre of mercury column

const Reference kReferences[] = {
    // length
    {"m", 1},
    {"km", 1e3},
    {"cm", 1e-2},
    {"mm", 1e-3},
    {"\u00B5m", 1e-6},
    {"nm", 1e-9},
    {"mi", mile},
    {"yd", 3 * foot},
    {"ft", foot},
    {"in", inch},
    {"nmi", 1852},
    {"px", inch / 96},
    {"pt", inch / 72},
    {"em", 16 * inch / 96},
    {"rem", 16 * inch / 96},
    // mass
    {"kg", 1},
    {"g", 1e-3},
    {"mg", 1e-6},
    {"\u00B5g", 1e-9},
    {"t", 1e3},
    {"lb", pound},
    {"oz", pound / 16},
    {"st", 14 * pound},
    {"ton", 2000 * pound},
    {"long ton", 2240 * pound},
    {"ct", 0.2e-3},
    // volume
    {"l", 1e-3},
    {"ml", 1e-6},
    {"cl", 1e-5},
    {"dl", 1e-4},
    {"\u00B5l", 1e-9},
    {"cc", 1e-6},
    {"gal", usGallon},
    {"qt", usGallon / 4},
    {"pint", usGallon / 8},
    {"cup", usGallon / 16},
    {"metric cup", 250e-6},
    {"imp cup", impGallon / 16},
    {"fl oz", usFlOz},
    {"imp fl oz", impGallon / 160},
    {"imp gal", impGallon},
    {"imp pt", impGallon / 8},
    {"imp qt", impGallon / 4},
    {"tbsp", usFlOz / 2},
    {"tsp", usFlOz / 6},
    // area
    {"ha", 100.0 * 100.0},
    {"acre", 43560 * foot* foot},
    // time
    {"s", 1},
    {"ms", 1e-3},
    {"\u00B5s", 1e-6},
    {"ns", 1e-9},
    {"min", 60},
    {"h", 3600},
    {"d", day},
    {"wk", 7 * day},
    {"mo", year / 12},
    {"yr", year},
    {"workday", 7 * day / 5},
    // speed
    {"mph", mile / 3600},
    {"km/h", 1e3 / 3600},
    {"kn", 1852.0 / 3600},
    // temperature (scales; offsets are checked apart)
    {"\u00B0C", 1},
    {"\u00B0F", 5.0 / 9.0},
    {"K", 1},
    // data
    {"bit", 1},
    {"B", 8},
    {"kB", 8e3},
    {"MB", 8e6},
    {"GB", 8e9},
    {"TB", 8e12},
    {"PB", 8e15},
    {"KiB", 8.0 * 1024},
    {"MiB", 8.0 * 1024 * 1024},
    {"GiB", 8.0 * 1024 * 1024 * 1024},
    {"TiB", 8.0 * 1024 * 1024 * 1024 * 1024},
    {"kbit", 1e3},
    {"Mbit", 1e6},
    {"Gbit", 1e9},
    {"Tbit", 1e12},
    // energy
    {"J", 1},
    {"kJ", 1e3},
    {"MJ", 1e6},
    {"cal", 4.184},
    {"kcal", 4184},
    {"Wh", 3600},
    {"kWh", 3.6e6},
    {"MWh", 3.6e9},
    {"BTU", 4.1868e3 * pound * 5 / 9},
    {"eV", 1.602176634e-19},
    // power
    {"W", 1},
    {"mW", 1e-3},
    {"kW", 1e3},
    {"MW", 1e6},
    {"GW", 1e9},
    {"hp", 550 * foot* pound* gravity},
    // pressure
    {"Pa", 1},
    {"hPa", 100},
    {"kPa", 1e3},
    {"MPa", 1e6},
    {"bar", 1e5},
    {"mbar", 100},
    {"atm", 101325},
    {"psi", pound* gravity / (inch * inch)},
    {"mmHg", mercury * 1e-3},
    {"inHg", mercury* inch, 1e-6},
    {"torr", 101325.0 / 760},
    // angle
    {"rad", 1},
    {"deg", pi / 180},
    {"grad", pi / 200},
    {"turn", 2 * pi},
    {"arcmin", pi / 180 / 60},
    {"arcsec", pi / 180 / 3600},
    // frequency
    {"Hz", 1},
    {"kHz", 1e3},
    {"MHz", 1e6},
    {"GHz", 1e9},
    {"rpm", 1.0 / 60},
    // force
    {"N", 1},
    {"kN", 1e3},
    {"lbf", pound* gravity},
    {"kgf", gravity},
    {"dyn", 1e-5},
};

QMap<QString, int> countByDimension() {
    QMap<QString, int> counts;
    for (const UnitRef& u : Units::byId())
        if (!u->isCurrency()) counts[u->dim == Dimension::volume ? s("volume") : u->dim.name()] += 1;
    return counts;
}

// "id^power" of a lookup, or "-" when the word is not a unit.
QString lookup(const QString& word, bool ptAsPint = false) {
    const auto found = Units::lookupWord(word, ptAsPint);
    if (!found) return s("-");
    return found->unit->id + u'^' + QString::number(found->power);
}

} // namespace

TEST(Units, RegistryCounts) {
    const QMap<QString, int> expected{
        {s("length"), 15},   {s("mass"), 11},       {s("volume"), 19},    {s("area"), 2},    {s("time"), 11},
        {s("speed"), 3},     {s("temperature"), 3}, {s("data size"), 15}, {s("energy"), 10}, {s("power"), 6},
        {s("pressure"), 11}, {s("angle"), 6},       {s("frequency"), 5},  {s("force"), 5},
    };
    EXPECT_EQ(countByDimension(), expected);

    int currencies = 0;
    for (const UnitRef& u : Units::byId())
        if (u->isCurrency() && !Currencies::dynamicCodes().contains(u->id)) ++currencies;
    EXPECT_EQ(currencies, 153 + 22 + 1);
    for (const QString& code : Currencies::codes())
        EXPECT_TRUE(Units::byId().value(code) && Units::byId().value(code)->isCurrency())
            << code.toStdString();
    for (const auto& coin : Currencies::crypto())
        EXPECT_EQ(Units::byId().value(coin.code)->dim, Dimension::money);

    // Every key is what it says it is.
    for (auto it = Units::byId().cbegin(); it != Units::byId().cend(); ++it)
        EXPECT_EQ(it.key(), it.value()->id);
    for (auto it = Units::folded().cbegin(); it != Units::folded().cend(); ++it)
        EXPECT_EQ(it.key(), it.key().toLower());
    for (auto it = Units::phrases().cbegin(); it != Units::phrases().cend(); ++it)
        EXPECT_EQ(it.key(), it.key().toLower());
}

TEST(Units, FoldedCollisions) {
    const QSet<QString> expected{s("cal"), s("calorie"), s("calories"), s("mw"), s("kn")};
    EXPECT_EQ(Units::foldedCollisions(), expected);
    for (const QString& key : expected)
        EXPECT_FALSE(Units::folded().contains(key)) << key.toStdString();
}

TEST(Units, FactorsMatchIndependentReferences) {
    const EvalContext ctx = TestUnits::context(); // emBasePixels 16
    QSet<QString> covered;
    for (const Reference& ref : kReferences) {
        const QString id = s(ref.id);
        const UnitRef u = Units::byId().value(id);
        ASSERT_TRUE(u) << ref.id;
        EXPECT_NEAR(u->factor(ctx) / ref.siValue, 1.0, ref.tolerance) << ref.id;
        covered.insert(id);
    }
    for (const UnitRef& u : Units::byId())
        if (!u->isCurrency()) {
            EXPECT_TRUE(covered.contains(u->id)) << "no reference for " << u->id.toStdString();
        }
    EXPECT_EQ(covered.size(), 122);

    const auto& celsius = std::get<UnitDef::Affine>(Units::unit(s("\u00B0C"))->kind);
    const auto& fahrenheit = std::get<UnitDef::Affine>(Units::unit(s("\u00B0F"))->kind);
    const auto& kelvin = std::get<UnitDef::Affine>(Units::unit(s("K"))->kind);
    EXPECT_EQ(celsius.offset, 273.15);
    // 0 °F is 459.67 °R, i.e. 459.67 × 5/9 K.
    EXPECT_NEAR(fahrenheit.offset, 459.67 * 5 / 9, 1e-12);
    EXPECT_EQ(kelvin.offset, 0);
    EXPECT_FALSE(Units::unit(s("K"))->isOffsetTemperature());
    EXPECT_TRUE(Units::unit(s("\u00B0F"))->isOffsetTemperature());
    EXPECT_TRUE(std::holds_alternative<UnitDef::CssEm>(Units::unit(s("em"))->kind));
}

TEST(Units, NamesAndSymbols) {
    const auto& ton = *Units::unit(s("ton"));
    EXPECT_EQ(ton.singular, s("short ton"));
    EXPECT_EQ(ton.plural, s("short tons"));
    EXPECT_EQ(ton.symbol, s("ton"));
    EXPECT_EQ(Units::unit(s("long ton"))->singular, s("long ton"));
    EXPECT_EQ(Units::unit(s("long ton"))->plural, s("long tons"));
    EXPECT_EQ(Units::unit(s("l"))->symbol, s("L"));
    EXPECT_EQ(Units::unit(s("l"))->plural, s("L"));
    EXPECT_EQ(Units::unit(s("\u00B5l"))->symbol, s("\u00B5L"));
    EXPECT_EQ(Units::unit(s("deg"))->symbol, s("\u00B0"));
    EXPECT_EQ(Units::unit(s("h"))->singular, s("hour"));
    EXPECT_EQ(Units::unit(s("h"))->symbol, s("h"));
    EXPECT_EQ(Units::unit(s("km"))->plural, s("km"));
    EXPECT_EQ(Units::unit(s("sat"))->plural, s("sats"));
    EXPECT_EQ(Units::unit(s("EUR"))->singular, s("EUR"));
    EXPECT_EQ(Units::unit(s("km/h"))->symbol, s("km/h"));
    EXPECT_EQ(CompoundUnit(Units::unit(s("cup")), 1).display(true), s("cups"));
    EXPECT_EQ(Units::words({s("meter"), s("metre")}),
              (QStringList{s("meter"), s("meters"), s("metre"), s("metres")}));
}

TEST(Units, Decompositions) {
    const std::pair<const char*, const char*> cases[] = {
        {"mph", "mi^1 h^-1"}, {"km/h", "km^1 h^-1"}, {"kn", "nmi^1 h^-1"},
        {"Wh", "W^1 h^1"},    {"kWh", "kW^1 h^1"},   {"MWh", "MW^1 h^1"},
    };
    for (const auto& [id, parts] : cases) {
        const auto& dec = Units::unit(s(id))->decomposition;
        ASSERT_TRUE(dec) << id;
        QStringList texts;
        for (const UnitPower& p : *dec) {
            texts << p.unit->id + u'^' + QString::number(p.power);
            EXPECT_EQ(p.unit, Units::unit(p.unit->id)); // the registry's own object
        }
        EXPECT_EQ(texts.join(u' '), s(parts)) << id;
    }
    EXPECT_FALSE(Units::unit(s("J"))->decomposition);
}

TEST(Units, LookupOrder) {
    struct Case {
        const char* word;
        bool ptAsPint;
        const char* want;
    };
    const Case cases[] = {
        // capital codes before everything
        {"CUP", false, "CUP^1"},
        {"TON", false, "TON^1"},
        {"USD", false, "USD^1"},
        {"ALL", false, "ALL^1"},
        {"BTC", false, "BTC^1"},
        {"USDT", false, "USDT^1"},
        // pt
        {"pt", false, "pt^1"},
        {"pt", true, "pint^1"},
        {"PT", false, "pt^1"},
        {"PT", true, "pt^1"},
        // exact
        {"cup", false, "cup^1"},
        {"ton", false, "ton^1"},
        {"Cal", false, "kcal^1"},
        {"cal", false, "cal^1"},
        {"mW", false, "mW^1"},
        {"MW", false, "MW^1"},
        {"kn", false, "kn^1"},
        {"kN", false, "kN^1"},
        {"KB", false, "kB^1"},
        {"kmh", false, "km/h^1"},
        {"kph", false, "km/h^1"},
        {"m", false, "m^1"},
        {"\u00B5m", false, "\u00B5m^1"},
        {"\u03BCm", false, "\u00B5m^1"},
        {"um", false, "\u00B5m^1"},
        {"\u2113", false, "l^1"},
        {"\u2103", false, "\u00B0C^1"},
        {"\u00B0", false, "deg^1"},
        {"satoshis", false, "sat^1"},
        {"dollars", false, "USD^1"},
        {"ether", false, "ETH^1"},
        {"watt-hours", false, "Wh^1"},
        // power suffixes: length and time only
        {"m2", false, "m^2"},
        {"m\u00B2", false, "m^2"},
        {"km\u00B3", false, "km^3"},
        {"ft3", false, "ft^3"},
        {"sec2", false, "s^2"},
        {"s2", false, "s^2"},
        {"CM2", false, "cm^2"},
        {"kg2", false, "-"},
        {"usd2", false, "-"},
        {"2", false, "-"},
        {"m22", false, "-"},
        // folded
        {"KMH", false, "km/h^1"},
        {"Meters", false, "m^1"},
        {"KG", false, "kg^1"},
        {"Kelvin", false, "K^1"},
        {"CAL", false, "-"},
        {"mw", false, "-"},
        {"KN", false, "-"},
        {"Calories", false, "kcal^1"},
        {"calories", false, "cal^1"},
        {"CALORIES", false, "-"},
        {"Dollars", false, "USD^1"},
        {"MPH", false, "mph^1"},
        {"Knots", false, "kn^1"},
        {"MICROMETRES", false, "\u00B5m^1"},
        {"\u039CM", false, "\u00B5m^1"}, // a capital Greek mu folds too
        // codes in any case, except the word-like ones
        {"usd", false, "USD^1"},
        {"Usd", false, "USD^1"},
        {"Eur", false, "EUR^1"},
        {"btc", false, "BTC^1"},
        {"doge", false, "DOGE^1"},
        {"all", false, "-"},
        {"top", false, "-"},
        {"dot", false, "-"},
        {"Link", false, "-"},
        {"eth", false, "ETH^1"},
        {"eTH", false, "ETH^1"},
        // nothing
        {"nautical miles", false, "-"},
        {"fl oz", false, "-"},
        {"x", false, "-"},
        {"", false, "-"},
        {"hello", false, "-"},
        {"USDTX", false, "-"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lookup(s(c.word), c.ptAsPint), s(c.want)) << c.word << (c.ptAsPint ? " (pint)" : "");
}

TEST(Units, Phrases) {
    const std::pair<const char*, const char*> cases[] = {
        {"nautical miles", "nmi"}, {"fl oz", "fl oz"},          {"degrees celsius", "\u00B0C"},
        {"us pt", "pint"},         {"metric tons", "t"},        {"long ton", "long ton"},
        {"dollar", "USD"},         {"bitcoins", "BTC"},         {"watt hours", "Wh"},
        {"imp cups", "imp cup"},   {"business day", "workday"},
    };
    for (const auto& [phrase, id] : cases) {
        ASSERT_TRUE(Units::phrases().value(s(phrase))) << phrase;
        EXPECT_EQ(Units::phrases().value(s(phrase))->id, s(id)) << phrase;
    }
    EXPECT_FALSE(Units::phrases().contains(s("meters")));
}

TEST(Units, LearntCodes) {
    // Codes made up for this test, so that the order of tests does not matter.
    const QString code = s("QVX");
    EXPECT_EQ(lookup(code), s("-"));
    Currencies::dynamicCodes().insert(code);
    const UnitRef learnt = Units::currencyUnit(code);
    EXPECT_EQ(learnt->id, code);
    EXPECT_EQ(learnt->symbol, code);
    EXPECT_EQ(learnt->plural, code);
    EXPECT_EQ(learnt->dim, Dimension::money);
    EXPECT_TRUE(learnt->isCurrency());
    EXPECT_EQ(Units::currencyUnit(code), learnt);
    EXPECT_EQ(Units::byId().value(code), learnt);
    EXPECT_EQ(lookup(code), s("QVX^1"));
    EXPECT_EQ(lookup(s("qvx")), s("QVX^1"));
    EXPECT_EQ(Units::lookupWord(s("Qvx"))->unit, learnt);

    // A learnt code looked up before any unit was registered for it gets one.
    Currencies::dynamicCodes().insert(s("QVXY"));
    EXPECT_FALSE(Units::byId().contains(s("QVXY")));
    EXPECT_EQ(lookup(s("qvxy")), s("QVXY^1"));
    EXPECT_TRUE(Units::byId().contains(s("QVXY")));

    // Known units stay the registry's objects.
    EXPECT_EQ(Units::currencyUnit(s("EUR")), Units::byId().value(s("EUR")));
    EXPECT_EQ(Units::currencyUnit(s("sat"))->plural, s("sats"));
}
