#pragma once

#include "core/values/TextRange.h"

#include <QString>
#include <QUndoCommand>

#include <functional>

class QUndoStack;

namespace VexilUI {

// One change of the sheet's text: at pos, `removed` was replaced by `inserted`.
struct TextEdit {
    qsizetype pos = 0;
    QString removed;
    QString inserted;
    bool operator==(const TextEdit&) const = default;
};

// The smallest single replacement that turns before into after (common prefix and suffix kept).
TextEdit diffTexts(const QString& before, const QString& after);

class TextUndoRecorder;

// An undoable text change on the notebook's own undo stack. Consecutive typing merges into one step.
class TextEditCommand : public QUndoCommand {
public:
    TextEditCommand(TextUndoRecorder* recorder, TextEdit edit, const QString& name);
    int id() const override { return 0x7E47; }
    bool mergeWith(const QUndoCommand* other) override;
    void undo() override;
    void redo() override;
    const TextEdit& edit() const { return m_edit; }

private:
    TextUndoRecorder* m_recorder;
    TextEdit m_edit;
    bool m_applied = true; // the first redo only records a change the editor already made
};

// Watches the editor's text and turns every change into a command on the stack. Undo and redo put the
// text back through `apply`, while the recorder ignores the change that causes.
class TextUndoRecorder {
public:
    using Apply = std::function<void(VexilCore::TextRange range, const QString& text,
                                     VexilCore::TextRange selectionAfter)>;

    TextUndoRecorder(QUndoStack* stack, Apply apply);

    // The text is now this, without an undoable change (a sheet was loaded).
    void reset(const QString& text);
    // The user (or a command) changed the text to this; name is the undo step's name.
    void record(const QString& text, const QString& name = QStringLiteral("Typing"));
    const QString& text() const { return m_text; }
    bool isApplying() const { return m_applying; }

    void apply(VexilCore::TextRange range, const QString& text, VexilCore::TextRange selectionAfter);

private:
    QUndoStack* m_stack;
    Apply m_apply;
    QString m_text;
    bool m_applying = false;
};

} // namespace VexilUI
