#include "ui/storage/Preferences.h"

#include <algorithm>
#include <cmath>

namespace VexilUI {

namespace {

const QString kFontSize = QStringLiteral("fontSize");
const QString kMaxDecimals = QStringLiteral("maxDecimals");
const QString kCurrencyDecimals = QStringLiteral("currencyDecimals");
const QString kCryptoDecimals = QStringLiteral("cryptoDecimals");
const QString kEmBasePixels = QStringLiteral("emBasePixels");
const QString kFoldersOff = QStringLiteral("foldersOff");
const QString kDrawerClosed = QStringLiteral("drawerClosed");
const QString kDrawerWidth = QStringLiteral("drawerWidth");
const QString kResultsFraction = QStringLiteral("resultsFraction");
const QString kSnakeBest = QStringLiteral("snakeBest");
const QString kSnakeStyle = QStringLiteral("snakeStyle");

constexpr IntRange kFlagRange{0, 1};
constexpr IntRange kSnakeBestRange{0, 1000000};

qint64 clampTo(qint64 v, IntRange r) {
    return std::clamp(v, r.lower, r.upper);
}

} // namespace

Preferences::Preferences(std::shared_ptr<IntStore> store, QObject* parent)
    : QObject(parent), m_intStore(std::move(store)) {}

void Preferences::write(const QString& key, qint64 value, IntRange range) {
    const qint64 clamped = clampTo(value, range);
    // Compare with the raw stored value: a stored out-of-range value must still be corrected.
    if (m_intStore->intForKey(key) == clamped) return;
    m_intStore->set(clamped, key);
    emit didChange();
}

void Preferences::notifyChanged() {
    emit didChange();
}

qint64 Preferences::clampedRead(const QString& key, qint64 absent, IntRange range) const {
    const auto v = m_intStore->intForKey(key);
    return v ? clampTo(*v, range) : absent;
}

int Preferences::fontSize() const {
    return int(clampedRead(kFontSize, defaultFontSize, fontRange));
}
void Preferences::setFontSize(qint64 value) {
    write(kFontSize, value, fontRange);
}

int Preferences::maxDecimals() const {
    return int(clampedRead(kMaxDecimals, defaultDecimals, decimalsRange));
}
void Preferences::setMaxDecimals(qint64 value) {
    write(kMaxDecimals, value, decimalsRange);
}

int Preferences::currencyDecimals() const {
    return int(clampedRead(kCurrencyDecimals, defaultCurrencyDecimals, decimalsRange));
}
void Preferences::setCurrencyDecimals(qint64 value) {
    write(kCurrencyDecimals, value, decimalsRange);
}

int Preferences::cryptoDecimals() const {
    return int(clampedRead(kCryptoDecimals, defaultCryptoDecimals, decimalsRange));
}
void Preferences::setCryptoDecimals(qint64 value) {
    write(kCryptoDecimals, value, decimalsRange);
}

int Preferences::emBasePixels() const {
    return int(clampedRead(kEmBasePixels, defaultEmBase, emBaseRange));
}
void Preferences::setEmBasePixels(qint64 value) {
    write(kEmBasePixels, value, emBaseRange);
}

bool Preferences::foldersEnabled() const {
    const auto v = m_intStore->intForKey(kFoldersOff);
    return !v || *v < 1;
}
void Preferences::setFoldersEnabled(bool enabled) {
    write(kFoldersOff, enabled ? 0 : 1, kFlagRange);
}

bool Preferences::drawerOpen() const {
    const auto v = m_intStore->intForKey(kDrawerClosed);
    return !v || *v < 1;
}
void Preferences::setDrawerOpen(bool open) {
    write(kDrawerClosed, open ? 0 : 1, kFlagRange);
}

int Preferences::drawerWidth() const {
    const auto v = m_intStore->intForKey(kDrawerWidth);
    if (!v || *v == 0) return 0;
    return int(clampTo(*v, drawerWidthRange));
}
void Preferences::setDrawerWidth(qint64 value) {
    write(kDrawerWidth, value == 0 ? 0 : clampTo(value, drawerWidthRange),
          IntRange{0, drawerWidthRange.upper});
}

int Preferences::resultsPerMille() const {
    return int(clampedRead(kResultsFraction, 0, resultsPerMilleRange));
}
void Preferences::setResultsPerMille(qint64 value) {
    write(kResultsFraction, value, resultsPerMilleRange);
}

std::optional<double> Preferences::resultsFraction() const {
    const auto v = m_intStore->intForKey(kResultsFraction);
    if (!v || *v < 1) return std::nullopt;
    return double(std::min<qint64>(*v, resultsPerMilleRange.upper)) / 1000.0;
}

void Preferences::setResultsFraction(std::optional<double> fraction) {
    if (!fraction) {
        write(kResultsFraction, 0, resultsPerMilleRange);
        return;
    }
    if (std::isnan(*fraction)) return;
    // Bound before rounding so llround never overflows; the write clamps to the real range anyway.
    const double scaled = std::clamp(*fraction * 1000.0, -1e9, 1e9);
    // Any chosen position stores at least 1: a stored 0 means "none chosen".
    write(kResultsFraction, std::max<qint64>(std::llround(scaled), 1), resultsPerMilleRange);
}

int Preferences::snakeBest() const {
    return int(clampedRead(kSnakeBest, 0, kSnakeBestRange));
}
void Preferences::setSnakeBest(qint64 value) {
    write(kSnakeBest, value, kSnakeBestRange);
}

int Preferences::snakeStyle() const {
    const auto v = m_intStore->intForKey(kSnakeStyle);
    return v && *v >= 1 ? 1 : 0;
}
void Preferences::setSnakeStyle(qint64 value) {
    write(kSnakeStyle, value, kFlagRange);
}

} // namespace VexilUI
