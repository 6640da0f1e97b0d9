#include "tests/support/Sheets.h"

#include "core/document/Incremental.h"

#include <QSet>

#include <random>

namespace {

using namespace VexilCore;

// Lines that read and write what a keystroke can change: variables (one and several words),
// custom units, ans, continuations, references, summaries, the clock, random numbers and rates.
const QStringList& vocabulary() {
    static const QStringList lines = {
        "x = 5",
        "y = x * 2",
        "x = x + 1",
        "rent = 1200",
        "rent * 12",
        "monthly rent = 900",
        "monthly rent / 3",
        "1 glass = 250 ml",
        "2 glasses in ml",
        "1 boss = 3 m",
        "4 bosses in m",
        "glass = 3",
        "ans * 2",
        "+ 3",
        "* 2",
        "line2 + 1",
        "line1",
        "line5 * 2",
        "total",
        "sum",
        "average",
        "median in km",
        "count",
        "",
        "   ",
        "# Heading",
        "// note",
        "price: 12 EUR in USD",
        "2 BTC in EUR",
        "today + 3 days",
        "6pm Tokyo in Lisbon",
        "days until Nov 27",
        "date in Auckland",
        "now",
        "random number",
        "Rent for the flat in March",
        "12 +",
        "3 x",
        "5 km in m",
        "if x > 3 then z = 1 else z = 2",
        "z + 1",
        "y",
        "label: x + y",
        "10 EUR",
        "x km",
        "\"quoted\" 4 + 4",
    };
    return lines;
}

class Editor {
public:
    explicit Editor(quint32 seed) : m_rng(seed) {}

    QString sheet(int lines) {
        QStringList out;
        for (int i = 0; i < lines; ++i)
            out.append(pick());
        return out.join(u'\n');
    }

    // One random edit of text, as typing, deleting, pasting or retyping a line does it.
    void edit(QString& text) {
        QStringList lines = text.split(u'\n');
        const int line = below(int(lines.size()));
        switch (below(8)) {
        case 0: { // type a character
            static const QString keys = QStringLiteral("0123456789+-*/ =xyzans\n#:eglt");
            text.insert(below(int(text.size()) + 1), keys[below(int(keys.size()))]);
            return;
        }
        case 1: // delete characters, line feeds included
            if (!text.isEmpty()) {
                const int at = below(int(text.size()));
                text.remove(at, 1 + below(3));
            }
            return;
        case 2: // insert a line
            lines.insert(line, pick());
            break;
        case 3: // delete a line
            if (lines.size() > 1) lines.removeAt(line);
            break;
        case 4: { // paste a block
            QStringList block;
            for (int k = below(5) + 1; k > 0; --k)
                block.append(pick());
            lines.insert(line, block.join(u'\n'));
            break;
        }
        case 5: // define or redefine a variable or unit
            lines[line] = vocabulary()[below(12)];
            break;
        case 6: { // a blank line above a summary, added or taken away
            const int at = int(lines.indexOf(QStringLiteral("total")));
            if (at > 0 && lines[at - 1].trimmed().isEmpty())
                lines.removeAt(at - 1);
            else if (at >= 0)
                lines.insert(at, QString());
            else
                lines.insert(line, QStringLiteral("total"));
            break;
        }
        default: // retype a whole line
            lines[line] = pick();
            break;
        }
        text = lines.join(u'\n');
    }

    int below(int n) { return int(std::uniform_int_distribution<int>(0, std::max(n, 1) - 1)(m_rng)); }

private:
    QString pick() { return vocabulary()[below(int(vocabulary().size()))]; }

    std::mt19937 m_rng;
};

// Any difference between the kept and the fresh outcomes, named by line.
void expectSame(const QList<LineOutcome>& kept, const QList<LineOutcome>& fresh, const QString& text,
                int step) {
    ASSERT_EQ(kept.size(), fresh.size()) << "edit " << step << "\n" << text.toStdString();
    for (qsizetype i = 0; i < kept.size(); ++i)
        ASSERT_TRUE(kept[i] == fresh[i])
            << "edit " << step << ", line " << i + 1 << ": kept " << Sheets::describe(kept[i]).toStdString()
            << ", fresh " << Sheets::describe(fresh[i]).toStdString() << "\n"
            << text.toStdString();
}

LineOutcome shifted(LineOutcome outcome, qsizetype delta) {
    outcome.range.location += delta;
    if (outcome.labelRange) outcome.labelRange->location += delta;
    for (Highlight& h : outcome.highlights)
        h.range.location += delta;
    return outcome;
}

// The window redraws only the lines reported changed: every other line must show what it showed
// before, at the place the edit moved it to.
void expectChangesReported(const QList<LineOutcome>& before, const IncrementalEvaluator& incremental,
                           int step) {
    const QList<LineOutcome>& now = incremental.outcomes();
    const IncrementalEvaluator::Splice& splice = incremental.splice();
    ASSERT_EQ(before.size() - splice.removed + splice.inserted, now.size()) << "edit " << step;
    const QSet<int> changed(incremental.changedLines().cbegin(), incremental.changedLines().cend());
    for (int i = 0; i < int(now.size()); ++i) {
        if (changed.contains(i)) continue;
        ASSERT_FALSE(i >= splice.first && i < splice.first + splice.inserted)
            << "edit " << step << ": new line " << i + 1 << " is not reported";
        const int j = i < splice.first ? i : i - splice.inserted + splice.removed;
        ASSERT_TRUE(shifted(before[j], now[i].range.location - before[j].range.location) == now[i])
            << "edit " << step << ": line " << i + 1 << " changed unreported: was "
            << Sheets::describe(before[j]).toStdString() << ", is " << Sheets::describe(now[i]).toStdString();
    }
}

TEST(Incremental, RandomEditsMatchAFreshEvaluationAfterEveryEdit) {
    Editor editor(20240604);
    EvalContext context = Sheets::context();
    int evaluatedLines = 0, sheetLines = 0;
    for (int sheet = 0; sheet < 6; ++sheet) {
        IncrementalEvaluator incremental;
        QString text = editor.sheet(10 + 15 * sheet);
        for (int step = 0; step < 600; ++step) {
            editor.edit(text);
            // The clock moves and random numbers draw afresh; now and then the rates change.
            context.now = context.now.peek() + (step % 50 == 0 ? 7 * 3600 : 61);
            context.randomSeed = quint64(step) * 7919;
            if (step % 97 == 0) context.rates->rates.insert(QStringLiteral("EUR"), 0.8 + step / 1000.0);
            const QList<LineOutcome> before = incremental.outcomes();
            const QList<LineOutcome> kept = incremental.evaluate(context, text);
            expectSame(kept, DocumentEvaluator(context).evaluate(text), text, step);
            if (HasFatalFailure()) return;
            expectChangesReported(before, incremental, step);
            if (HasFatalFailure()) return;
            evaluatedLines += incremental.evaluatedCount();
            sheetLines += int(kept.size());
        }
    }
    // Most lines are taken as they were.
    EXPECT_LT(evaluatedLines, sheetLines / 2);
}

TEST(Incremental, AKeystrokeInABigSheetEvaluatesAFewLines) {
    QStringList lines;
    for (int i = 0; i < 750; ++i)
        lines << QStringLiteral("v%1 = %1 km").arg(i) << QStringLiteral("v%1 * 2 + ans").arg(i) << QString()
              << QStringLiteral("total");
    QString text = lines.join(u'\n');
    const EvalContext context = Sheets::context();
    IncrementalEvaluator incremental;
    incremental.evaluate(context, text);
    EXPECT_EQ(incremental.evaluatedCount(), 3000);

    const qsizetype middle = text.indexOf(u'\n', text.size() / 2);
    text.insert(middle, u'7');
    incremental.evaluate(context, text);
    expectSame(incremental.outcomes(), DocumentEvaluator(context).evaluate(text), text, 0);
    EXPECT_LT(incremental.evaluatedCount(), 60);
    EXPECT_LE(incremental.changedLines().size(), incremental.evaluatedCount());
}

// Each case: a sheet, an edit, and the line whose result the edit must reach although its own
// text did not change.
TEST(Incremental, ReadersOfWhatChangedAreEvaluatedAgain) {
    struct Case {
        const char* before;
        const char* after;
        int line; // 0-based
    };
    const Case cases[] = {
        {"x = 5\n\nx * 2", "x = 6\n\nx * 2", 2},
        {"monthly rent = 5\nmonthly rent * 2", "monthly rent = 7\nmonthly rent * 2", 1},
        {"1 glass = 250 ml\nx = 2 glasses\nx in ml", "1 glass = 300 ml\nx = 2 glasses\nx in ml", 2},
        {"4\nans * 2", "5\nans * 2", 1},
        {"4\n+ 1", "5\n+ 1", 1},
        {"4\n5\ntotal", "4\n6\ntotal", 2},
        {"4\n\n5\ntotal", "4\n5\ntotal", 2},
        {"4\n5\nline1 + line2", "4\n6\nline1 + line2", 2},
        {"4\n5\nline2", "3\n4\n5\nline2", 3},
        {"3\n/", "/", 0},
    };
    const EvalContext context = Sheets::context();
    for (const Case& c : cases) {
        IncrementalEvaluator incremental;
        incremental.evaluate(context, QString::fromUtf8(c.before));
        const QString after = QString::fromUtf8(c.after);
        const QList<LineOutcome> kept = incremental.evaluate(context, after);
        const QList<LineOutcome> fresh = DocumentEvaluator(context).evaluate(after);
        ASSERT_EQ(kept.size(), fresh.size()) << c.after;
        EXPECT_EQ(Sheets::describe(kept[c.line]), Sheets::describe(fresh[c.line])) << c.after;
        EXPECT_TRUE(kept == fresh) << c.after;
    }
}

// A line that reads only the date somewhere is kept while that date stays, and evaluated once it turns.
TEST(Incremental, LinesReadingTheDateAreEvaluatedWhenItChanges) {
    EvalContext context = Sheets::context();
    context.now = 1717502400.0; // 2024-06-04 12:00 UTC, 21:00 in Tokyo
    const QString text = QStringLiteral("2 + 3\n6pm Tokyo in Lisbon\ntoday + 1 day");
    IncrementalEvaluator incremental;
    incremental.evaluate(context, text);
    const struct {
        double hours;
        int evaluated;
    } steps[] = {{1, 0}, {3, 2}, {9, 1}, {1, 0}}; // a changed line has the one below it evaluated too
    for (const auto& step : steps) {
        context.now = context.now.peek() + step.hours * 3600;
        const QList<LineOutcome> kept = incremental.evaluate(context, text);
        EXPECT_EQ(incremental.evaluatedCount(), step.evaluated) << context.now.peek();
        EXPECT_TRUE(kept == DocumentEvaluator(context).evaluate(text)) << context.now.peek();
    }
}

TEST(Incremental, LinesReadingTheClockOrRandomNumbersAreAlwaysEvaluated) {
    EvalContext context = Sheets::context();
    const QString text = QStringLiteral("2 + 3\nnow\nrandom number");
    IncrementalEvaluator incremental;
    incremental.evaluate(context, text);
    context.now = context.now.peek() + 3600;
    context.randomSeed = 99;
    const QList<LineOutcome> kept = incremental.evaluate(context, text);
    EXPECT_EQ(incremental.evaluatedCount(), 2);
    EXPECT_TRUE(kept == DocumentEvaluator(context).evaluate(text));
}

} // namespace
