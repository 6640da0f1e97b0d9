#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

namespace VexilUI {

// One running program per data directory. The first start holds a lock file in the folder, found by its
// real path (so a link or another temporary folder reaches the same lock), for as long as it runs; a
// lock left by a run that died is taken over. A later start finds the lock held, asks the running one to
// bring its window to the front and leaves.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& dataDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Claim {
        Claimed,       // this run holds the folder
        HeldElsewhere, // another running program does
        Unavailable,   // no lock can be made here (a read-only folder): nothing can be saved either
    };
    // Makes the folder when missing and takes its lock; waits up to waitMs for a run that is ending.
    Claim claim(int waitMs = 0);

    // The local socket name for a data directory: the same for every path that reaches the folder.
    static QString serverName(const QString& dataDirectory);

    // True when another instance answered; it has been asked to show its window. Keeps trying for up to
    // waitMs, since the holder of the lock may not listen yet.
    bool askRunningInstanceToShow(int waitMs = 500);
    // Starts answering later instances.
    bool listen();

signals:
    void showRequested();

private:
    QString m_directory;
    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

} // namespace VexilUI
