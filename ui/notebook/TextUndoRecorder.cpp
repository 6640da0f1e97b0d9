#include "ui/notebook/TextUndoRecorder.h"

#include <QUndoStack>

#include <algorithm>

namespace VexilUI {

TextEdit diffTexts(const QString& before, const QString& after) {
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    // Never split a surrogate pair.
    if (prefix > 0 && prefix < shorter && before[prefix - 1].isHighSurrogate()) --prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    if (suffix > 0 && before[before.size() - suffix].isLowSurrogate()) --suffix;
    return {prefix, before.mid(prefix, before.size() - prefix - suffix),
            after.mid(prefix, after.size() - prefix - suffix)};
}

TextEditCommand::TextEditCommand(TextUndoRecorder* recorder, TextEdit edit, const QString& name)
    : QUndoCommand(name), m_recorder(recorder), m_edit(std::move(edit)) {}

bool TextEditCommand::mergeWith(const QUndoCommand* other) {
    if (other->id() != id() || text() != QLatin1String("Typing") || other->text() != QLatin1String("Typing"))
        return false;
    const TextEdit& next = static_cast<const TextEditCommand*>(other)->m_edit;
    const qsizetype end = m_edit.pos + m_edit.inserted.size();
    if (next.removed.isEmpty() && next.pos == end) { // typing on
        m_edit.inserted += next.inserted;
        return true;
    }
    if (!next.inserted.isEmpty()) return false;
    if (next.pos == end) { // deleting forwards
        m_edit.removed += next.removed;
        return true;
    }
    if (next.pos + next.removed.size() == end) {
        // Deleting backwards: first what was typed, then the text before it.
        const qsizetype typed = std::min(next.removed.size(), m_edit.inserted.size());
        m_edit.inserted.chop(typed);
        const qsizetype before = next.removed.size() - typed;
        if (before > 0) {
            m_edit.removed = next.removed.left(before) + m_edit.removed;
            m_edit.pos -= before;
        }
        return true;
    }
    return false;
}

void TextEditCommand::undo() {
    const VexilCore::TextRange range{m_edit.pos, m_edit.inserted.size()};
    m_recorder->apply(range, m_edit.removed, {m_edit.pos, m_edit.removed.size()});
}

void TextEditCommand::redo() {
    if (m_applied) {
        m_applied = false;
        return;
    }
    const VexilCore::TextRange range{m_edit.pos, m_edit.removed.size()};
    m_recorder->apply(range, m_edit.inserted, {m_edit.pos + m_edit.inserted.size(), 0});
}

TextUndoRecorder::TextUndoRecorder(QUndoStack* stack, Apply apply)
    : m_stack(stack), m_apply(std::move(apply)) {}

void TextUndoRecorder::reset(const QString& text) {
    m_text = text;
}

void TextUndoRecorder::record(const QString& text, const QString& name) {
    if (m_applying) {
        m_text = text;
        return;
    }
    if (text == m_text) return;
    TextEdit edit = diffTexts(m_text, text);
    m_text = text;
    m_stack->push(
        new TextEditCommand(this, std::move(edit), name.isEmpty() ? QStringLiteral("Typing") : name));
}

void TextUndoRecorder::apply(VexilCore::TextRange range, const QString& text,
                             VexilCore::TextRange selectionAfter) {
    m_applying = true;
    m_apply(range, text, selectionAfter);
    m_applying = false;
}

} // namespace VexilUI
