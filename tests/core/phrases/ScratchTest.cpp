#include "tests/core/phrases/PhraseLines.h"
#include <cstdio>
using namespace PhraseLines;
TEST(Scratch, Dump) {
    const char* lines[] = {
#include "/tmp/scratch_lines.inc"
    };
    for (const char* l : lines) std::printf("%-45s => %s\n", l, qPrintable(run(QString::fromUtf8(l))));
}
