// One keystroke on a long sheet: the edit, re-evaluation of every line, colouring, results and a
// synchronous repaint of the editor with its overlay.
#include "core/rates/RatesService.h"
#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/Pasteboard.h"
#include "ui/shell/AppEnvironment.h"
#include "ui/storage/IntStore.h"
#include "ui/storage/NoteStore.h"
#include "ui/storage/Preferences.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <benchmark/benchmark.h>

using namespace VexilUI;

namespace {

QString sheetOf(int lines) {
    static const char* const pattern[] = {
        "# Budget",         "rent = 1200", "food = 320.50", "rent + food",
        "12 * 3.5",         "(4 + 6) / 3", "2 ^ 10",        "",
        "1000 - 1 - 2 - 3", "total",       "// a comment",  "",
        "3.14159 * 2 * 2",  "17 / 4",
    };
    QStringList list;
    for (int i = 0; i < lines; ++i)
        list << QString::fromLatin1(pattern[i % std::size(pattern)]);
    return list.join(u'\n');
}

void BM_KeystrokeOnSheet(benchmark::State& state) {
    QTemporaryDir dir;
    auto prefs = std::make_shared<Preferences>(std::make_shared<MemoryIntStore>());
    auto notes = std::make_shared<NoteStore>(dir.filePath(QStringLiteral("sheet.txt")));
    notes->setSaveDelay(3600); // the save timer never fires during the run
    auto rates = std::make_shared<VexilCore::RatesService>(dir.filePath(QStringLiteral("rates.json")),
                                                           std::make_shared<OfflineFetcher>());
    NotebookController controller(prefs, notes, rates);
    controller.pasteboard = std::make_shared<MemoryPasteboard>();
    controller.now = [] { return 1717502400.0; };
    QWidget window;
    window.resize(900, 700);
    controller.rootView()->setParent(&window);
    controller.rootView()->setGeometry(window.rect());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    NotebookTextView* view = controller.textView();
    const int lines = int(state.range(0));
    controller.setText(sheetOf(lines));
    // The caret in the middle of the sheet, at the end of a line with a value.
    const QTextBlock block = view->document()->findBlockByNumber(lines / 2 + 4 - (lines / 2) % 14);
    view->setSelectedRange({block.position() + block.length() - 1, 0});
    view->viewport()->repaint();

    bool add = true;
    for (auto _ : state) {
        if (add)
            QTest::keyClick(view, Qt::Key_5);
        else
            QTest::keyClick(view, Qt::Key_Backspace);
        add = !add;
        view->viewport()->repaint();
    }
    state.counters["lines"] = lines;
}

} // namespace

BENCHMARK(BM_KeystrokeOnSheet)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
