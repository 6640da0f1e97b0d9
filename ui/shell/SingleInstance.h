#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace VexilUI {

// One running program per data directory: a second start asks the first to show its window and leaves.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& dataDirectory, QObject* parent = nullptr);

    // The local socket name for a data directory (the same for every spelling of one path).
    static QString serverName(const QString& dataDirectory);

    // True when another instance answered; it has been asked to show its window.
    bool askRunningInstanceToShow();
    // Starts answering later instances; a socket left over by a crashed run is replaced.
    bool listen();

signals:
    void showRequested();

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
};

} // namespace VexilUI
