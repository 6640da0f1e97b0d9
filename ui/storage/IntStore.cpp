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
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Vexil"), QStringLiteral("Vexil"))) {}

SettingsIntStore::SettingsIntStore(const QString& iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

SettingsIntStore::~SettingsIntStore() {
    if (m_settings) m_settings->sync();
}

std::optional<qint64> SettingsIntStore::intForKey(const QString& key) const {
    if (!m_settings->contains(key)) return std::nullopt;
    bool ok = false;
    const qint64 v = m_settings->value(key).toLongLong(&ok);
    return ok ? v : 0;
}

void SettingsIntStore::set(qint64 value, const QString& key) {
    m_settings->setValue(key, value);
    // QSettings writes lazily; writes are rare, so make each one durable at once.
    m_settings->sync();
}

void SettingsIntStore::sync() {
    m_settings->sync();
}

} // namespace VexilUI
