#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

class QSettings;

namespace VexilUI {

// A small key-value store of integers; a key that was never set reads as absent.
class IntStore {
public:
    virtual ~IntStore() = default;
    virtual std::optional<qint64> intForKey(const QString& key) const = 0;
    virtual void set(qint64 value, const QString& key) = 0;
    // Pushes buffered writes to disk; stores that keep nothing buffered ignore it.
    virtual void sync() {}
};

// Kept in memory only; used by isolated runs and tests.
class MemoryIntStore : public IntStore {
public:
    std::optional<qint64> intForKey(const QString& key) const override;
    void set(qint64 value, const QString& key) override;

    QHash<QString, qint64> values;
};

// The user defaults store: an INI file under $XDG_CONFIG_HOME/Vexil ("Vexil.conf").
class SettingsIntStore : public IntStore {
public:
    SettingsIntStore();
    // A store on one INI file; tests use it on a temporary file.
    explicit SettingsIntStore(const QString& iniPath);
    ~SettingsIntStore() override;

    // A stored text that is not a whole decimal integer reads as 0, not as absent.
    std::optional<qint64> intForKey(const QString& key) const override;
    void set(qint64 value, const QString& key) override;
    void sync() override;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace VexilUI
