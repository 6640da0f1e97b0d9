#pragma once

#include "core/values/TextRange.h"

#include <QString>

// The edit that puts a reference to a clicked result into the sheet. Pure: the notebook applies it.
namespace VexilCore::ReferenceInsertion {

struct Edit {
    TextRange range;          // what to replace, UTF-16
    QString replacement;      // the text to put there
    TextRange selectionAfter; // an empty caret right after the inserted text

    bool operator==(const Edit&) const = default;
};

// The reference is "line" + (clickedLine + 1). The line that counts is the one holding the
// selection's start.
// - On or above the clicked line: a line may only refer to lines above it, so the reference goes
//   on a new line directly below the clicked line.
// - Below it: a selection within that line is replaced, an empty one is inserted at; a selection
//   over several lines is left alone and the reference goes at the end of its first line.
//   A blank goes before the reference unless it starts the text or follows a line feed, a blank,
//   a tab or "("; a blank goes after it when a letter or digit follows, so that words stay apart.
// Out-of-range input is clamped to the text.
Edit edit(const QString& text, TextRange selection, int clickedLine);

} // namespace VexilCore::ReferenceInsertion
