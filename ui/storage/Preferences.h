#pragma once

#include "ui/storage/IntStore.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace VexilUI {

struct IntRange {
    qint64 lower;
    qint64 upper;
};

// Typed, clamped views of the interface's integer settings. Every read goes to the store; every
// effective write emits didChange() once, synchronously, before the setter returns.
class Preferences : public QObject {
    Q_OBJECT
public:
    // The documented name of the change notification that didChange() stands for.
    static constexpr const char* didChangeName = "VexilPreferencesDidChange";

    static constexpr IntRange fontRange{11, 30};
    static constexpr IntRange decimalsRange{0, 12};
    static constexpr IntRange emBaseRange{8, 96};
    static constexpr IntRange drawerWidthRange{160, 420};
    static constexpr IntRange resultsPerMilleRange{0, 900};
    static constexpr int defaultFontSize = 15;
    static constexpr int defaultDecimals = 8;
    static constexpr int defaultCurrencyDecimals = 2;
    static constexpr int defaultCryptoDecimals = 8;
    static constexpr int defaultEmBase = 16;

    explicit Preferences(std::shared_ptr<IntStore> store, QObject* parent = nullptr);

    // Direct access to the store; writes made here bypass clamping and the notification.
    IntStore& store() const { return *m_intStore; }

    // Clamps value into range; stores it and emits didChange() only when the stored value differs.
    void write(const QString& key, qint64 value, IntRange range);
    // Emits didChange() for a value that was stored directly.
    void notifyChanged();

    int fontSize() const;
    void setFontSize(qint64 value);
    int maxDecimals() const;
    void setMaxDecimals(qint64 value);
    int currencyDecimals() const;
    void setCurrencyDecimals(qint64 value);
    int cryptoDecimals() const;
    void setCryptoDecimals(qint64 value);
    int emBasePixels() const;
    void setEmBasePixels(qint64 value);
    bool foldersEnabled() const;
    void setFoldersEnabled(bool enabled);
    bool drawerOpen() const;
    void setDrawerOpen(bool open);
    // 0 means no width chosen.
    int drawerWidth() const;
    void setDrawerWidth(qint64 value);
    int resultsPerMille() const;
    void setResultsPerMille(qint64 value);
    // Absent when no divider position has been chosen.
    std::optional<double> resultsFraction() const;
    void setResultsFraction(std::optional<double> fraction);
    int snakeBest() const;
    void setSnakeBest(qint64 value);
    int snakeStyle() const;
    void setSnakeStyle(qint64 value);

signals:
    void didChange();

private:
    qint64 clampedRead(const QString& key, qint64 absent, IntRange range) const;

    std::shared_ptr<IntStore> m_intStore;
};

} // namespace VexilUI
