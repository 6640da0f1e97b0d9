#pragma once

#include "ui/notebook/NotebookScrollView.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/Pasteboard.h"
#include "ui/notebook/RootView.h"
#include "tests/support/OfflineNotebook.h"

#include <QFile>
#include <QTest>

// A notebook on a scratch sheet, offline, with a fixed clock, calendar and locale and a memory clipboard,
// shown in a plain window of a fixed size.
class ControllerFixture : public OfflineNotebookFixture {
protected:
    using Controller = VexilUI::NotebookController;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        notes = makeStore(QStringLiteral("sheet.txt"));
        makeController();
    }

    void makeController() {
        makeNotebook();
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        controller->locale = us;
        controller->calendar = {QTimeZone::utc(), us};
        controller->now = [] { return 1717502400.0; }; // 2024-06-04 12:00 UTC
        clipboard = std::make_shared<VexilUI::MemoryPasteboard>();
        controller->pasteboard = clipboard;
        window = std::make_unique<QWidget>();
        window->resize(800, 500);
        controller->rootView()->setParent(window.get());
        controller->rootView()->setGeometry(0, 0, 800, 500);
        controller->rootView()->show();
        controller->setTitlebarHeight(28);
    }

    void TearDown() override {
        controller.reset();
        window.reset();
    }

    std::shared_ptr<VexilUI::NoteStore> makeStore(const QString& name) {
        auto s = std::make_shared<VexilUI::NoteStore>(dir.filePath(name));
        return s;
    }

    void show() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    VexilUI::NotebookTextView* view() const { return controller->textView(); }
    QString text() const { return view()->canonicalText(); }

    // Types into the editor as the user would.
    void type(const char* keys) { QTest::keyClicks(view(), QString::fromUtf8(keys)); }

    // Loads a sheet text as a store would.
    void load(const QString& sheet) {
        controller->setText(sheet);
        view()->setSelectedRange({sheet.size(), 0});
    }

    std::optional<VexilUI::NotebookTextView::ResultItem> item(int line) const {
        const auto& items = view()->items();
        const auto it = items.find(line);
        if (it == items.end()) return std::nullopt;
        return it->second;
    }

    QString fileText(const QString& path) const {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll());
    }

    std::shared_ptr<VexilUI::MemoryPasteboard> clipboard;
    std::unique_ptr<QWidget> window;
};
