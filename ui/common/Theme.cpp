#include "ui/common/Theme.h"

#include <QFontDatabase>

#include <algorithm>
#include <cmath>

namespace VexilUI::Theme {

QColor rgb(quint32 hex, qreal alpha) {
    return QColor::fromRgbF(float(((hex >> 16) & 0xFF) / 255.0), float(((hex >> 8) & 0xFF) / 255.0),
                            float((hex & 0xFF) / 255.0), float(alpha));
}

#define VEXIL_THEME_COLOR(name, hex, alpha)                                                                  \
    const QColor& name() {                                                                                   \
        static const QColor c = rgb(hex, alpha);                                                             \
        return c;                                                                                            \
    }

VEXIL_THEME_COLOR(number, 0x9EE37D, 1.0)
VEXIL_THEME_COLOR(op, 0x7ADBE8, 1.0)
VEXIL_THEME_COLOR(unit, 0xF2BA6B, 1.0)
VEXIL_THEME_COLOR(ref, 0x87B3F5, 1.0)
VEXIL_THEME_COLOR(plain, 0xC3A6FF, 1.0)
VEXIL_THEME_COLOR(text, 0xEDEDEF, 1.0)
VEXIL_THEME_COLOR(result, 0xC6C8CD, 1.0)
VEXIL_THEME_COLOR(muted, 0x878B93, 1.0)
VEXIL_THEME_COLOR(error, 0xEC8E85, 1.0)
VEXIL_THEME_COLOR(lime, 0xDFFF57, 1.0)
VEXIL_THEME_COLOR(copied, 0xFF9F43, 1.0)
VEXIL_THEME_COLOR(ink, 0x17221A, 1.0)
VEXIL_THEME_COLOR(pin, 0xFF5A5F, 1.0)
VEXIL_THEME_COLOR(tintBase, 0x141518, 1.0)
VEXIL_THEME_COLOR(divider, 0xFFFFFF, 0.075)
VEXIL_THEME_COLOR(selection, 0xFFFFFF, 0.16)

#undef VEXIL_THEME_COLOR

const QColor& color(VexilCore::Role role) {
    using VexilCore::Role;
    switch (role) {
    case Role::Number:
        return number();
    case Role::Op:
    case Role::Keyword:
        return op();
    case Role::Unit:
        return unit();
    case Role::Ref:
        return ref();
    case Role::Comment:
        return muted();
    case Role::Variable:
    case Role::Text:
    case Role::Label:
        break;
    }
    return plain();
}

int smallFontPixelSize(qreal size) {
    return std::max(int(std::round(size * 0.78)), 9);
}

static QFont monospaced(int pixelSize, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(std::max(pixelSize, 1));
    font.setWeight(weight);
    return font;
}

QFont editorFont(qreal size) {
    return monospaced(int(std::round(size)), QFont::Light);
}

QFont smallFont(qreal size) {
    return monospaced(smallFontPixelSize(size), QFont::Normal);
}

QFont systemFont(int pixelSize, QFont::Weight weight) {
    QFont font;
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

} // namespace VexilUI::Theme
