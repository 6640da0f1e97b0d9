// Quitting without losing text: an ordinary quit is held while a sheet cannot be saved, and the user
// decides where its text goes; a quit nobody can be asked about leaves the text in recovery files.
#include "ui/shell/AppDelegate.h"

#include "core/values/DataFile.h"
#include "ui/notebook/NotebookController.h"
#include "ui/shell/MainWindow.h"
#include "ui/storage/PageLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace VexilUI {

namespace {

AppDelegate::UnsavedChoice askWithAlert(QWidget* parent, const QString& text, const QString& details) {
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Quit VEXIL"));
    box.setText(text);
    box.setInformativeText(details);
    QPushButton* elsewhere = box.addButton(QStringLiteral("Save Elsewhere\u2026"), QMessageBox::AcceptRole);
    QPushButton* anyway = box.addButton(QStringLiteral("Quit Anyway"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(elsewhere);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == elsewhere) return AppDelegate::UnsavedChoice::SaveElsewhere;
    if (box.clickedButton() == anyway) return AppDelegate::UnsavedChoice::QuitAnyway;
    return AppDelegate::UnsavedChoice::Cancel;
}

} // namespace

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit && !confirmQuit()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool AppDelegate::confirmQuit() {
    if (m_quitApproved || !m_library) return true;
    if (m_notebook) m_notebook->notes()->flush();
    m_library->flushAll();
    if (m_library->unsaved().isEmpty()) return true;
    // Asked from the event loop, not from inside the quit event.
    QTimer::singleShot(0, this, &AppDelegate::resolveUnsaved);
    return false;
}

void AppDelegate::resolveUnsaved() {
    if (m_askingAboutUnsaved || !m_library) return;
    m_askingAboutUnsaved = true;
    QString trouble;
    for (;;) {
        m_library->flushAll(); // there may be room again by now
        const QList<PageLibrary::Unsaved> unsaved = m_library->unsaved();
        if (unsaved.isEmpty()) {
            terminate();
            break;
        }
        const QString text =
            unsaved.size() == 1
                ? QStringLiteral("\u201C%1\u201D could not be saved.").arg(unsaved.first().name)
                : QStringLiteral("%1 sheets could not be saved.").arg(unsaved.size());
        QStringList details;
        if (!trouble.isEmpty()) details.append(trouble);
        for (const PageLibrary::Unsaved& u : unsaved)
            details.append(QStringLiteral("\u201C%1\u201D: %2").arg(u.name, u.store->statusText()));
        details.append(
            QStringLiteral("Save the text in another place, quit and lose it, or cancel and keep it open."));
        const UnsavedChoice choice = askUnsaved ? askUnsaved(text, details.join(u'\n'))
                                                : askWithAlert(m_window.get(), text, details.join(u'\n'));
        if (choice == UnsavedChoice::Cancel) {
            showNotebook();
            break;
        }
        if (choice == UnsavedChoice::QuitAnyway) {
            for (const PageLibrary::Unsaved& u : unsaved)
                u.store->dropPending();
            terminate();
            break;
        }
        trouble.clear();
        bool cancelled = false;
        for (const PageLibrary::Unsaved& u : unsaved) {
            QString name = u.name;
            name.replace(u'/', u'-');
            const QString suggested = QDir::home().filePath(name + QStringLiteral(".txt"));
            const QString path =
                askSavePath ? askSavePath(suggested)
                            : QFileDialog::getSaveFileName(m_window.get(),
                                                           QStringLiteral("Save \u201C%1\u201D").arg(u.name),
                                                           suggested, QStringLiteral("Text (*.txt)"));
            if (path.isEmpty()) {
                cancelled = true;
                break;
            }
            if (const auto error =
                    VexilCore::DataFile::write(path, u.store->pending().value_or(QString()).toUtf8())) {
                trouble = QStringLiteral("\u201C%1\u201D could not be written to %2: %3")
                              .arg(u.name, QDir::toNativeSeparators(path), *error);
                break;
            }
            u.store->dropPending();
        }
        if (cancelled) {
            showNotebook();
            break;
        }
    }
    m_askingAboutUnsaved = false;
}

void AppDelegate::terminate() {
    m_quitApproved = true;
    if (quitApplication)
        quitApplication();
    else
        QCoreApplication::quit();
}

} // namespace VexilUI
