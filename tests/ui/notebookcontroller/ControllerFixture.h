#pragma once

#include "core/rates/RatesService.h"
#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookScrollView.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/Pasteboard.h"
#include "ui/notebook/RootView.h"
#include "ui/shell/AppEnvironment.h"
#include "ui/storage/IntStore.h"
#include "ui/storage/NoteStore.h"
#include "ui/storage/Preferences.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable strings in failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

// A notebook on a scratch sheet, offline, with a fixed clock, calendar and locale and a memory clipboard,
// shown in a plain window of a fixed size.
class ControllerFixture : public ::testing::Test {
protected:
    using Controller = VexilUI::NotebookController;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        store = std::make_shared<VexilUI::MemoryIntStore>();
        prefs = std::make_shared<VexilUI::Preferences>(store);
        notes = makeStore(QStringLiteral("sheet.txt"));
        rates = std::make_shared<VexilCore::RatesService>(dir.filePath(QStringLiteral("rates.json")),
                                                          std::make_shared<VexilUI::OfflineFetcher>());
        makeController();
    }

    void makeController() {
        controller = std::make_unique<Controller>(prefs, notes, rates);
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

    QTemporaryDir dir;
    std::shared_ptr<VexilUI::MemoryIntStore> store;
    std::shared_ptr<VexilUI::Preferences> prefs;
    std::shared_ptr<VexilUI::NoteStore> notes;
    std::shared_ptr<VexilCore::RatesService> rates;
    std::shared_ptr<VexilUI::MemoryPasteboard> clipboard;
    std::unique_ptr<QWidget> window;
    std::unique_ptr<Controller> controller;
};
