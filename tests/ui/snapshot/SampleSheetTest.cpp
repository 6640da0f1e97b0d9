#include "ui/selfcheck/Snapshot.h"

#include "tests/support/SampleContext.h"
#include "tests/support/Sheets.h"

#include <gtest/gtest.h>

using namespace VexilUI;

// The sheet every snapshot shows, evaluated line by line with the sample rates: each line gives what its
// golden sheet says, the last one the error it is there to show.
TEST(SampleSheet, EveryLineGivesItsGoldenOutcome) {
    const QList<Sheets::Row> golden = Sheets::readSheet(QStringLiteral("sheets/sample.sheet"));
    ASSERT_EQ(Sheets::sheetText(golden), Snapshot::sampleText()) << "the golden sheet is of another text";
    Sheets::check(golden, TestSupport::sampleContext());
}
