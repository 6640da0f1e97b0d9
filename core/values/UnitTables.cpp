// The built-in unit vocabulary and the one-time build of the registry.
#include "core/currency/Currencies.h"
#include "core/values/UnitsRegistry.h"

namespace VexilCore::Units::detail {

namespace {

// One built-in unit. Names are separated by '|'; a name ending in "+s" stands for the name and
// the name with "s" appended. Null symbol, singular or plural take their defaults.
struct Row {
    const char16_t* id;
    UnitDef::Kind kind;
    const char16_t* names = nullptr;
    const char16_t* symbol = nullptr;
    const char16_t* singular = nullptr;
    const char16_t* plural = nullptr;
};

struct Section {
    Dimension dim;
    std::initializer_list<Row> rows;
};

using L = UnitDef::Linear;
using A = UnitDef::Affine;
constexpr UnitDef::CssEm Em{};

QString text(const char16_t* s) {
    return s ? QString::fromUtf16(s) : QString();
}

QStringList expandNames(const char16_t* names) {
    QStringList out;
    if (!names) return out;
    const QStringList items = QString::fromUtf16(names).split(u'|');
    for (const QString& item : items) {
        if (item.endsWith(u"+s")) {
            const QString stem = item.chopped(2);
            out += words({stem});
        } else {
            out.append(item);
        }
    }
    return out;
}

// Registers one definition under its id and names; returns it so that the build can finish it.
std::shared_ptr<UnitDef> add(Registry& r, const QString& id, const Dimension& dim, const UnitDef::Kind& kind,
                             const QString& symbol, const QString& singular, const QString& plural,
                             const QStringList& names) {
    auto def = std::make_shared<UnitDef>();
    def->id = id;
    def->symbol = symbol.isNull() ? id : symbol;
    def->singular = singular.isNull() ? def->symbol : singular;
    def->plural = plural.isNull() ? def->singular : plural;
    def->dim = dim;
    def->kind = kind;
    r.byId.insert(id, def);
    if (def->isCurrency()) return def;

    QStringList all{id};
    all += names;
    for (const QString& word : all) {
        if (word.contains(u' ')) {
            r.phrases.insert(word.toLower(), def);
            continue;
        }
        if (!r.exact.contains(word)) r.exact.insert(word, def);
        const QString lw = word.toLower();
        if (lw.size() < 2) continue;
        auto it = r.folded.constFind(lw);
        if (it != r.folded.cend() && it.value()->id != id)
            r.foldedCollisions.insert(lw);
        else
            r.folded.insert(lw, def);
    }
    return def;
}

void addSections(Registry& r, std::initializer_list<Section> sections,
                 QHash<QString, std::shared_ptr<UnitDef>>& made) {
    for (const Section& section : sections)
        for (const Row& row : section.rows) {
            const QString id = text(row.id);
            made.insert(id, add(r, id, section.dim, row.kind, text(row.symbol), text(row.singular),
                                text(row.plural), expandNames(row.names)));
        }
}

} // namespace

void build(Registry& r) {
    QHash<QString, std::shared_ptr<UnitDef>> made;

    addSections(
        r,
        {
            {Dimension::length,
             {
                 {u"m", L{1}, u"meter+s|metre+s"},
                 {u"km", L{1000}, u"kilometer+s|kilometre+s"},
                 {u"cm", L{0.01}, u"centimeter+s|centimetre+s"},
                 {u"mm", L{0.001}, u"millimeter+s|millimetre+s"},
                 {u"\u00B5m", L{1e-06}, u"\u03BCm|um|micrometer+s|micrometre+s|micron+s"},
                 {u"nm", L{1e-09}, u"nanometer+s|nanometre+s"},
                 {u"mi", L{1609.344}, u"mile+s"},
                 {u"yd", L{0.9144}, u"yds|yard+s"},
                 {u"ft", L{0.3048}, u"foot|feet"},
                 {u"in", L{inch}, u"inch|inches"},
                 {u"nmi", L{1852}, u"nautical mile+s"},
                 {u"px", L{pixel}, u"pixel+s"},
                 {u"pt", L{point}, u"point+s"},
                 {u"em", Em},
                 {u"rem", Em},
             }},
            {Dimension::mass,
             {
                 {u"kg", L{1}, u"kilogram+s|kilogramme+s|kilo+s"},
                 {u"g", L{0.001}, u"gram+s|gramme+s"},
                 {u"mg", L{1e-06}, u"milligram+s|milligramme+s"},
                 {u"\u00B5g", L{1e-09}, u"\u03BCg|ug|mcg|microgram+s|microgramme+s"},
                 {u"t", L{1000}, u"tonne+s|metric ton+s"},
                 {u"lb", L{0.45359237}, u"lbs|pound+s"},
                 {u"oz", L{0.028349523125}, u"ounce+s"},
                 {u"st", L{6.35029318}, u"stone+s"},
                 {u"ton", L{907.18474}, u"ton+s|short ton+s|us ton+s", nullptr, u"short ton", u"short tons"},
                 {u"long ton", L{1016.0469088}, u"long ton+s|imperial ton+s", nullptr, nullptr, u"long tons"},
                 {u"ct", L{0.0002}, u"carat+s"},
             }},
            {Dimension::volume,
             {
                 {u"l", L{0.001}, u"L|\u2113|liter+s|litre+s", u"L"},
                 {u"ml", L{1e-06}, u"mL|milliliter+s|millilitre+s", u"mL"},
                 {u"cl", L{1e-05}, u"cL|centiliter+s|centilitre+s", u"cL"},
                 {u"dl", L{0.0001}, u"dL|deciliter+s|decilitre+s", u"dL"},
                 {u"\u00B5l", L{1e-09}, u"\u00B5L|\u03BCl|\u03BCL|uL|microliter+s|microlitre+s", u"\u00B5L"},
                 {u"cc", L{1e-06}},
                 {u"gal", L{0.003785411784}, u"us gal|gallon+s|us gallon+s"},
                 {u"qt", L{0.000946352946}, u"us qt|quart+s|us quart+s"},
                 {u"pint", L{0.000473176473}, u"us pt|pint+s|us pint+s", nullptr, nullptr, u"pints"},
                 {u"cup", L{0.0002365882365}, u"cup+s|us cup+s", nullptr, nullptr, u"cups"},
                 {u"metric cup", L{0.00025}, u"metric cup+s", nullptr, nullptr, u"metric cups"},
                 {u"imp cup", L{0.000284130625}, u"imp cup+s|imperial cup+s|uk cup+s", nullptr, nullptr,
                  u"imp cups"},
                 {u"fl oz", L{2.95735295625e-05}, u"floz|us fl oz|fl ounce+s|fluid ounce+s|us fluid ounce+s"},
                 {u"imp fl oz", L{2.84130625e-05},
                  u"imperial fl oz|uk fl oz|imperial fluid ounce+s|imp fluid ounce+s|uk fluid ounce+s"},
                 {u"imp gal", L{0.00454609}, u"imp gallon+s|imperial gallon+s|uk gallon+s"},
                 {u"imp pt", L{0.00056826125}, u"imp pint+s|imperial pint+s|uk pint+s"},
                 {u"imp qt", L{0.0011365225}, u"imp quart+s|imperial quart+s|uk quart+s"},
                 {u"tbsp", L{1.478676478125e-05}, u"tbs|tbsps|tablespoon+s|us tablespoon+s"},
                 {u"tsp", L{4.92892159375e-06}, u"tsps|teaspoon+s|us teaspoon+s"},
             }},
            {Dimension::area,
             {
                 {u"ha", L{10000}, u"hectare+s"},
                 {u"acre", L{4046.8564224}, u"ac|acre+s", nullptr, nullptr, u"acres"},
             }},
            {Dimension::time,
             {
                 {u"s", L{1}, u"sec+s|second+s", nullptr, u"second", u"seconds"},
                 {u"ms", L{0.001}, u"millisecond+s"},
                 {u"\u00B5s", L{1e-06}, u"\u03BCs|microsecond+s"},
                 {u"ns", L{1e-09}, u"nanosecond+s"},
                 {u"min", L{60}, u"mins|minute+s", nullptr, u"minute", u"minutes"},
                 {u"h", L{3600}, u"hr+s|hour+s", nullptr, u"hour", u"hours"},
                 {u"d", L{86400}, u"day+s", nullptr, u"day", u"days"},
                 {u"wk", L{604800}, u"wks|week+s", nullptr, u"week", u"weeks"},
                 {u"mo", L{2629746}, u"mos|month+s", nullptr, u"month", u"months"},
                 {u"yr", L{31556952}, u"yrs|year+s", nullptr, u"year", u"years"},
                 {u"workday", L{120960}, u"workday+s|business day+s|working day+s", nullptr, u"workday",
                  u"workdays"},
             }},
        },
        made);

    // Speed units are registered directly: their names replace earlier claims with no collision check.
    struct Speed {
        const char16_t* id;
        double factor;
        const char16_t* names;
    };
    const Speed speeds[] = {
        {u"mph", 0.44704, u"mph"},
        {u"km/h", 0.2777777777777778, u"kph|kmh|kmph"},
        {u"kn", 0.5144444444444445, u"kn|kt|knot|knots"},
    };
    for (const Speed& s : speeds) {
        auto def = std::make_shared<UnitDef>();
        def->id = def->symbol = def->singular = def->plural = text(s.id);
        def->dim = Dimension::speed;
        def->kind = L{s.factor};
        r.byId.insert(def->id, def);
        made.insert(def->id, def);
        for (const QString& name : QString::fromUtf16(s.names).split(u'|')) {
            r.exact.insert(name, def);
            r.folded.insert(name.toLower(), def);
        }
    }

    addSections(
        r,
        {
            {Dimension::temperature,
             {
                 {u"\u00B0C", A{1.0, 273.15},
                  u"\u2103|degC|celsius|centigrade|deg c|degree c|degrees c|degree celsius|degrees celsius"},
                 {u"\u00B0F", A{0.5555555555555556, 255.3722222222222},
                  u"\u2109|degF|fahrenheit|deg f|degree f|degrees f|degree fahrenheit|degrees fahrenheit"},
                 {u"K", A{1.0, 0.0}, u"kelvin+s"},
             }},
            {Dimension::data,
             {
                 {u"bit", L{1}, u"bits"},
                 {u"B", L{8}, u"byte+s"},
                 {u"kB", L{8000}, u"KB|kilobyte+s"},
                 {u"MB", L{8000000}, u"megabyte+s"},
                 {u"GB", L{8000000000}, u"gigabyte+s"},
                 {u"TB", L{8000000000000}, u"terabyte+s"},
                 {u"PB", L{8000000000000000}, u"petabyte+s"},
                 {u"KiB", L{8192}, u"kibibyte+s"},
                 {u"MiB", L{8388608}, u"mebibyte+s"},
                 {u"GiB", L{8589934592}, u"gibibyte+s"},
                 {u"TiB", L{8796093022208}, u"tebibyte+s"},
                 {u"kbit", L{1000}, u"Kbit|kilobit+s"},
                 {u"Mbit", L{1000000}, u"megabit+s"},
                 {u"Gbit", L{1000000000}, u"gigabit+s"},
                 {u"Tbit", L{1000000000000}, u"terabit+s"},
             }},
            {Dimension::energy,
             {
                 {u"J", L{1}, u"joule+s"},
                 {u"kJ", L{1000}, u"kilojoule+s"},
                 {u"MJ", L{1000000}, u"megajoule+s"},
                 {u"cal", L{4.184}, u"calorie+s"},
                 {u"kcal", L{4184}, u"Cal|Calorie+s|kilocalorie+s"},
                 {u"Wh", L{3600}, u"watt hour+s|watt-hour+s"},
                 {u"kWh", L{3600000}, u"kilowatt hour+s|kilowatt-hour+s"},
                 {u"MWh", L{3600000000}, u"megawatt hour+s"},
                 {u"BTU", L{1055.05585262}, u"Btu|btu|BTUs"},
                 {u"eV", L{1.602176634e-19}, u"electronvolt+s"},
             }},
            {Dimension::powerDim,
             {
                 {u"W", L{1}, u"watt+s"},
                 {u"mW", L{0.001}, u"milliwatt+s"},
                 {u"kW", L{1000}, u"kilowatt+s"},
                 {u"MW", L{1000000}, u"megawatt+s"},
                 {u"GW", L{1000000000}, u"gigawatt+s"},
                 {u"hp", L{745.6998715822702}, u"horsepower"},
             }},
            {Dimension::pressure,
             {
                 {u"Pa", L{1}, u"pascal+s"},
                 {u"hPa", L{100}, u"hectopascal+s"},
                 {u"kPa", L{1000}, u"kilopascal+s"},
                 {u"MPa", L{1000000}, u"megapascal+s"},
                 {u"bar", L{100000}, u"bars"},
                 {u"mbar", L{100}, u"millibar+s"},
                 {u"atm", L{101325}, u"atmosphere+s"},
                 {u"psi", L{6894.757293168}},
                 {u"mmHg", L{133.322387415}},
                 {u"inHg", L{3386.389}},
                 {u"torr", L{133.32236842105263}, u"Torr"},
             }},
            {Dimension::angle,
             {
                 {u"rad", L{1}, u"radian+s"},
                 {u"deg", L{0.017453292519943295}, u"\u00B0|degree+s", u"\u00B0"},
                 {u"grad", L{0.015707963267948967}, u"gon|gradian+s"},
                 {u"turn", L{6.283185307179586}, u"rev|turn+s|revolution+s"},
                 {u"arcmin", L{0.0002908882086657216}, u"arcminute+s"},
                 {u"arcsec", L{4.84813681109536e-06}, u"arcsecond+s"},
             }},
            {Dimension::frequency,
             {
                 {u"Hz", L{1}, u"hertz"},
                 {u"kHz", L{1000}, u"kilohertz"},
                 {u"MHz", L{1000000}, u"megahertz"},
                 {u"GHz", L{1000000000}, u"gigahertz"},
                 {u"rpm", L{0.016666666666666666}, u"RPM"},
             }},
            {Dimension::force,
             {
                 {u"N", L{1}, u"newton+s"},
                 {u"kN", L{1000}, u"kilonewton+s"},
                 {u"lbf", L{4.4482216152605}, u"pound-force|pounds-force"},
                 {u"kgf", L{9.80665}, u"kilogram-force"},
                 {u"dyn", L{1e-05}, u"dyne+s"},
             }},
        },
        made);

    // One unit per known fiat and crypto code; typed codes are resolved by lookupWord.
    for (const QString& code : Currencies::codes())
        r.byId.insert(code, makeCurrency(code));
    for (const Currencies::Coin& coin : Currencies::crypto())
        r.byId.insert(coin.code, makeCurrency(coin.code));

    // The satoshi, a hundred-millionth of a bitcoin.
    {
        auto sat = std::make_shared<UnitDef>();
        sat->id = sat->symbol = sat->singular = QStringLiteral("sat");
        sat->plural = QStringLiteral("sats");
        sat->dim = Dimension::money;
        sat->kind = UnitDef::Currency{};
        r.byId.insert(sat->id, sat);
        for (const char16_t* w : {u"sat", u"sats", u"satoshi", u"satoshis"}) {
            r.exact.insert(text(w), sat);
            r.folded.insert(text(w), sat);
        }
    }

    for (const auto& [word, code] : Currencies::words()) {
        const QString lw = word.toLower();
        if (UnitRef u = r.byId.value(code)) {
            r.exact.insert(word, u);
            r.folded.insert(lw, u);
            r.phrases.insert(lw, u);
        } else {
            r.exact.remove(word);
            r.folded.remove(lw);
            r.phrases.remove(lw);
        }
    }

    // Units named as a product or quotient of others. Read from what this build made, never
    // through the public lookups (they would re-enter the one-time build).
    auto part = [&made](const char16_t* id, qint64 power) {
        auto it = made.constFind(text(id));
        Q_ASSERT(it != made.cend());
        return UnitPower(it.value(), power);
    };
    made[text(u"mph")]->decomposition = QList<UnitPower>{part(u"mi", 1), part(u"h", -1)};
    made[text(u"km/h")]->decomposition = QList<UnitPower>{part(u"km", 1), part(u"h", -1)};
    made[text(u"kn")]->decomposition = QList<UnitPower>{part(u"nmi", 1), part(u"h", -1)};
    made[text(u"Wh")]->decomposition = QList<UnitPower>{part(u"W", 1), part(u"h", 1)};
    made[text(u"kWh")]->decomposition = QList<UnitPower>{part(u"kW", 1), part(u"h", 1)};
    made[text(u"MWh")]->decomposition = QList<UnitPower>{part(u"MW", 1), part(u"h", 1)};

    for (const QString& key : std::as_const(r.foldedCollisions))
        r.folded.remove(key);
}

} // namespace VexilCore::Units::detail
