#pragma once

#include <QTemporaryDir>

// The user's data and config folders for this test process: one scratch folder, set before anything
// reads them (the settings code remembers its folder once per process).
inline const QTemporaryDir& scratchHome() {
    static QTemporaryDir home;
    static const bool set = [] {
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
        return true;
    }();
    Q_UNUSED(set);
    return home;
}
