#include "ui/shell/AppStyle.h"

#include "ui/common/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleFactory>

namespace VexilUI {

namespace {

// Fusion etches disabled text with a light copy under it, which smears on dark menus: disabled text is
// drawn once, flat, in the dimmed colour.
class FlatDisabledStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_EtchDisabledText) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

void applyAppStyle() {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(new FlatDisabledStyle(fusion));
    QPalette pal;
    const QColor window = Theme::tintBase();
    const QColor text = Theme::text();
    pal.setColor(QPalette::Window, window);
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::Base, Theme::rgb(0x1E1F23));
    pal.setColor(QPalette::AlternateBase, Theme::rgb(0x25262B));
    pal.setColor(QPalette::Text, text);
    pal.setColor(QPalette::Button, Theme::rgb(0x2A2C31));
    pal.setColor(QPalette::ButtonText, text);
    pal.setColor(QPalette::BrightText, Qt::white);
    pal.setColor(QPalette::ToolTipBase, Theme::rgb(0x2A2C31));
    pal.setColor(QPalette::ToolTipText, text);
    pal.setColor(QPalette::PlaceholderText, Theme::muted());
    pal.setColor(QPalette::Highlight, Theme::rgb(0x4D6FA8));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::Link, Theme::ref());
    pal.setColor(QPalette::Disabled, QPalette::Text, Theme::muted());
    pal.setColor(QPalette::Disabled, QPalette::WindowText, Theme::muted());
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, Theme::muted());
    QApplication::setPalette(pal);
}

} // namespace VexilUI
