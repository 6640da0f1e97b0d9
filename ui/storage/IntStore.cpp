#include "ui/storage/IntStore.h"

#include <QSettings>

namespace VexilUI {

std::optional<qint64> MemoryIntStore::intForKey(const QString& key) const {
    auto it = values.constFind(key);
    if (it == values.constEnd()) return std::nullopt;
    return *it;
}

void MemoryIntStore::set(qint64 value, const QString& key) {
    values.insert(key, value);
}

SettingsIntStore::SettingsIntStore()
    : settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("Vexil"), QStringLiteral("Vexil"))) {}

SettingsIntStore::SettingsIntStore(const QString& iniPath)
    : settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

SettingsIntStore::~SettingsIntStore() {
    if (settings) settings->sync();
}

std::optional<qint64> SettingsIntStore::intForKey(const QString& key) const {
    if (!settings->contains(key)) return std::nullopt;
    bool ok = false;
    const qint64 v = settings->value(key).toLongLong(&ok);
    return ok ? v : 0;
}

void SettingsIntStore::set(qint64 value, const QString& key) {
    settings->setValue(key, value);
    // QSettings writes lazily; writes are rare, so make each one durable at once.
    settings->sync();
}

void SettingsIntStore::sync() {
    settings->sync();
}

} // namespace VexilUI
