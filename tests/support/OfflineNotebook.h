#pragma once

#include "core/rates/RatesService.h"
#include "ui/notebook/NotebookController.h"
#include "ui/shell/AppEnvironment.h"
#include "ui/storage/IntStore.h"
#include "ui/storage/NoteStore.h"
#include "ui/storage/Preferences.h"
#include "tests/support/QtPrinters.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

// A notebook that never reaches the network, over a scratch folder: preferences in memory, the sheet
// "sheet.txt" in the folder and a rates service whose fetcher always fails.
class OfflineNotebookFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        notes = std::make_shared<VexilUI::NoteStore>(dir.filePath(QStringLiteral("sheet.txt")));
        makeNotebook();
    }

    // A new controller over the preferences, the sheet and the rates.
    void makeNotebook() { controller = std::make_unique<VexilUI::NotebookController>(prefs, notes, rates); }

    QTemporaryDir dir;
    std::shared_ptr<VexilUI::MemoryIntStore> store = std::make_shared<VexilUI::MemoryIntStore>();
    std::shared_ptr<VexilUI::Preferences> prefs = std::make_shared<VexilUI::Preferences>(store);
    std::shared_ptr<VexilUI::NoteStore> notes;
    std::shared_ptr<VexilCore::RatesService> rates = std::make_shared<VexilCore::RatesService>(
        dir.filePath(QStringLiteral("rates.json")), std::make_shared<VexilUI::OfflineFetcher>());
    std::unique_ptr<VexilUI::NotebookController> controller;
};
