// One keystroke on a long sheet: the edit, re-evaluation, colouring, results and a synchronous
// repaint of the editor with its overlay; and a sheet's start to its first frame.
#include "core/rates/RatesService.h"
#include "ui/notebook/HelpContent.h"
#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/Pasteboard.h"
#include "ui/selfcheck/Snapshot.h"
#include "ui/shell/AppEnvironment.h"
#include "ui/storage/IntStore.h"
#include "ui/storage/NoteStore.h"
#include "ui/storage/Preferences.h"

#include <QAbstractTextDocumentLayout>
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

// The sample sheet and every example of the help, repeated to the length asked.
QString mixedSheetOf(int lines) {
    QStringList source = Snapshot::sampleText().split(u'\n');
    for (const HelpContent::Example& example : HelpContent::calculableExamples())
        source += example.lines;
    QStringList list;
    for (int i = 0; i < lines; ++i)
        list << source[i % source.size()];
    return list.join(u'\n');
}

// One line without a blank: "1+1+1...".
QString longLineOf(int characters) {
    QString line = QStringLiteral("1");
    while (line.size() + 2 <= characters)
        line += QStringLiteral("+1");
    return line;
}

struct Harness {
    QTemporaryDir dir;
    std::shared_ptr<Preferences> prefs = std::make_shared<Preferences>(std::make_shared<MemoryIntStore>());
    std::shared_ptr<NoteStore> notes = std::make_shared<NoteStore>(dir.filePath(QStringLiteral("sheet.txt")));
    std::shared_ptr<VexilCore::RatesService> rates = std::make_shared<VexilCore::RatesService>(
        dir.filePath(QStringLiteral("rates.json")), std::make_shared<OfflineFetcher>());
    std::unique_ptr<NotebookController> controller;
    QWidget window;

    Harness() {
        notes->setSaveDelay(3600); // the save timer never fires during the run
        controller = std::make_unique<NotebookController>(prefs, notes, rates);
        controller->pasteboard = std::make_shared<MemoryPasteboard>();
        controller->now = [] { return 1717502400.0; };
        window.resize(900, 700);
        controller->rootView()->setParent(&window);
        controller->rootView()->setGeometry(window.rect());
    }
    ~Harness() { controller->rootView()->setParent(nullptr); }
};

// Start to first frame: a controller and its window, the sheet set, shown and painted once.
void BM_OpenToFirstFrame(benchmark::State& state, QString (*make)(int)) {
    const QString text = make(int(state.range(0)));
    for (auto _ : state) {
        Harness h;
        h.controller->setText(text);
        h.window.show();
        if (!QTest::qWaitForWindowExposed(&h.window)) {
            state.SkipWithError("window not exposed");
            return;
        }
        h.controller->textView()->viewport()->repaint();
    }
    state.counters["lines"] = double(state.range(0));
}

void BM_KeystrokeOn(benchmark::State& state, QString (*make)(int)) {
    Harness h;
    NotebookController& controller = *h.controller;
    QWidget& window = h.window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    NotebookTextView* view = controller.textView();
    const int lines = int(state.range(0));
    controller.setText(make(lines));
    // A sheet open for a while is laid out to its end: keystrokes are timed on that.
    view->document()->documentLayout()->documentSize();
    // The caret in the middle of the sheet, at the end of a line.
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

void BM_KeystrokeOnMixedSheet(benchmark::State& state) {
    BM_KeystrokeOn(state, mixedSheetOf);
}

void BM_OpenMixedSheet(benchmark::State& state) {
    BM_OpenToFirstFrame(state, mixedSheetOf);
}

// One 100,000-character line: opened, and a keystroke at its end.
void BM_OpenLongLine(benchmark::State& state) {
    BM_OpenToFirstFrame(state, longLineOf);
}

void BM_KeystrokeOnLongLine(benchmark::State& state) {
    Harness h;
    h.window.show();
    if (!QTest::qWaitForWindowExposed(&h.window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    NotebookTextView* view = h.controller->textView();
    h.controller->setText(longLineOf(int(state.range(0))));
    view->document()->documentLayout()->documentSize();
    view->setSelectedRange({view->document()->characterCount() - 1, 0});
    view->viewport()->repaint();
    bool add = true;
    for (auto _ : state) {
        QTest::keyClick(view, add ? Qt::Key_Plus : Qt::Key_Backspace);
        add = !add;
        view->viewport()->repaint();
    }
}

void BM_KeystrokeOnSheet(benchmark::State& state) {
    BM_KeystrokeOn(state, sheetOf);
}

} // namespace

BENCHMARK(BM_KeystrokeOnSheet)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeOnMixedSheet)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenMixedSheet)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_KeystrokeOnLongLine)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_OpenLongLine)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
