#pragma once

#include "ui/sidebar/PagesController.h"
#include "ui/storage/PageLibrary.h"
#include "tests/support/OfflineNotebook.h"

#include <QFile>
#include <QSet>

// A drawer over a scratch library and a notebook on its selected sheet. The library is arranged with
// named sheets; rows are read back as short texts: "Pinned", "#Folders", "+Name"/"-Name" for collapsed and
// expanded folders, and sheet names.
class SidebarFixture : public OfflineNotebookFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        library = std::make_unique<VexilUI::PageLibrary>(dir.path(), 1000.0);
        library->discard = [](const QString&) {};
        library->rename(library->pages().first().id, QStringLiteral("A"));
        notes = library->store(id("A"));
        makeNotebook();
    }

    void makeDrawer() {
        pages = std::make_unique<VexilUI::PagesController>(*library, *controller);
        pages->beep = [this] { ++beeps; };
        pages->confirmDelete = [this](const VexilUI::Page& page) {
            asked.append(page.name);
            return confirmAnswer;
        };
        pages->view()->resize(200, 600);
    }

    void TearDown() override {
        pages.reset();
        controller.reset();
        notes.reset();
        library.reset();
    }

    // Adds a loose sheet named name at the end of the library.
    QString addSheet(const QString& name) {
        const auto page = library->create(1000.0, false);
        library->rename(page.id, name);
        library->place(page.id, std::nullopt);
        return page.id;
    }
    QString addFolder(const QString& name, const QStringList& members, bool collapsed = false) {
        const auto group = library->createGroup();
        library->renameGroup(group.id, name);
        for (const QString& member : members)
            library->place(id(member), group.id);
        library->setCollapsed(group.id, collapsed);
        // Folders are listed in the order they were added.
        library->moveGroup(0, library->groups().size() - 1);
        return group.id;
    }

    QString id(const QString& name) const {
        for (const auto& page : library->pages())
            if (page.name == name) return page.id;
        for (const auto& group : library->groups())
            if (group.name == name) return group.id;
        return {};
    }

    QStringList rowTexts() const {
        QStringList out;
        for (const auto& row : pages->rows()) {
            if (const auto p = row.page())
                out.append(p->name);
            else if (const auto g = row.group())
                out.append((g->collapsed ? u'+' : u'-') + g->name);
            else if (row.isSection())
                out.append(u'#' + std::get<VexilUI::PagesController::Section>(row.value).title);
            else
                out.append(QStringLiteral("Pinned"));
        }
        return out;
    }

    QStringList libraryOrder() const {
        QStringList out;
        for (const auto& page : library->pages())
            out.append(page.name);
        return out;
    }

    QSet<QString> ids() const {
        QSet<QString> out;
        for (const auto& page : library->pages())
            out.insert(page.id);
        return out;
    }

    void writeSheet(const QString& name, const QByteArray& text) {
        QDir().mkpath(dir.filePath(QStringLiteral("pages")));
        QFile file(library->sheetPath(id(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    void setFoldersOff(bool off) { prefs->setFoldersEnabled(!off); }

    std::unique_ptr<VexilUI::PageLibrary> library;
    std::unique_ptr<VexilUI::PagesController> pages;
    int beeps = 0;
    QStringList asked;
    bool confirmAnswer = true;
};
