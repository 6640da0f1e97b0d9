#include "ui/notebook/Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace VexilUI {

void SystemPasteboard::clear() {
    if (auto* clipboard = QGuiApplication::clipboard()) clipboard->clear();
}

void SystemPasteboard::setString(const QString& text) {
    if (auto* clipboard = QGuiApplication::clipboard()) clipboard->setText(text);
}

std::optional<QString> SystemPasteboard::string() const {
    const auto* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return std::nullopt;
    const QMimeData* data = clipboard->mimeData();
    if (!data || !data->hasText()) return std::nullopt;
    return data->text();
}

} // namespace VexilUI
