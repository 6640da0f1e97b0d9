#include "ui/common/KeyNames.h"

namespace VexilUI {

QString shortcutText(const QKeySequence& sequence) {
    return sequence.toString(QKeySequence::NativeText);
}

QString modifierName(Qt::KeyboardModifier modifier) {
    QString name = QKeySequence(QKeyCombination(modifier, Qt::Key(0))).toString(QKeySequence::NativeText);
    if (name.endsWith(u'+')) name.chop(1);
    return name;
}

} // namespace VexilUI
