// The preview set: the notebook window in six configurations, the Settings, Help and About windows, and
// the About animation as a GIF.
#include "ui/selfcheck/Snapshot.h"

#include "ui/common/Theme.h"
#include "ui/notebook/HelpContent.h"
#include "ui/shell/AboutAnimation.h"
#include "ui/storage/IntStore.h"
#include "ui/storage/Preferences.h"

#include <QDir>
#include <QLabel>
#include <QVBoxLayout>

namespace VexilUI::Snapshot {

namespace {

struct WindowPreview {
    const char* file;
    QSizeF size;
    int fontSize;
    bool sampleText;
    std::optional<int> hoverLine;
    bool reduceTransparency;
};

const WindowPreview windowPreviews[] = {
    {"1-main-18pt.png", {900, 640}, 18, true, 7, false},
    {"2-min-font-11pt.png", {900, 640}, 11, true, std::nullopt, false},
    {"3-max-font-30pt.png", {900, 640}, 30, true, std::nullopt, false},
    {"4-empty-hint.png", {900, 640}, 18, false, std::nullopt, false},
    {"5-reduce-transparency.png", {900, 640}, 18, true, std::nullopt, true},
    {"6-minimum-window.png", {520, 360}, 18, true, std::nullopt, false},
};

// A dark, empty window standing in for one that is not there yet.
Hooks::OwnedWindow standInWindow(QSize size, const QImage& picture = {}) {
    auto window = std::make_shared<QWidget>();
    window->setAutoFillBackground(true);
    QPalette pal = window->palette();
    pal.setColor(QPalette::Window, Theme::rgb(0x1E1F23));
    window->setPalette(pal);
    window->resize(size);
    if (!picture.isNull()) {
        auto* layout = new QVBoxLayout(window.get());
        auto* icon = new QLabel;
        icon->setPixmap(QPixmap::fromImage(picture));
        icon->setAlignment(Qt::AlignCenter);
        layout->addWidget(icon);
    }
    return {window, window.get()};
}

void renderWindow(const Hooks::OwnedWindow& made, const QString& output) {
    renderView(made.window, std::nullopt, output);
    made.window->close();
}

} // namespace

const QStringList& previewFileNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const WindowPreview& preview : windowPreviews)
            list << QString::fromLatin1(preview.file);
        list << QStringLiteral("7-settings.png") << QStringLiteral("9-about.png")
             << QStringLiteral("about-animation.gif") << QStringLiteral("8-help-popover.png");
        return list;
    }();
    return names;
}

void renderPreviewSet(const QString& directory, const QString& scratch) {
    const QDir out(directory);
    if (!QDir().mkpath(directory))
        throw Error(QStringLiteral("File"), 0,
                    QStringLiteral("The folder \u201C%1\u201D couldn\u2019t be created.").arg(directory));

    for (const WindowPreview& preview : windowPreviews) {
        Options options;
        options.size = preview.size;
        options.fontSize = preview.fontSize;
        options.text = preview.sampleText ? sampleText() : QString();
        options.hoverLine = preview.hoverLine;
        options.reduceTransparency = preview.reduceTransparency;
        render(options, out.filePath(QString::fromLatin1(preview.file)), scratch);
    }

    const Hooks& hooks = Hooks::shared();
    {
        auto prefs = std::make_shared<Preferences>(std::make_shared<MemoryIntStore>());
        const Hooks::OwnedWindow settings =
            hooks.makeSettingsWindow ? hooks.makeSettingsWindow(prefs) : standInWindow(QSize(460, 300));
        renderWindow(settings, out.filePath(QStringLiteral("7-settings.png")));
    }
    {
        const Hooks::OwnedWindow about = hooks.makeAboutWindow
                                             ? hooks.makeAboutWindow()
                                             : standInWindow(QSize(340, 300), AboutAnimation::iconImage(128));
        renderWindow(about, out.filePath(QStringLiteral("9-about.png")));
    }

    writeFile(out.filePath(QStringLiteral("about-animation.gif")), AboutAnimation::makeGIF(240, 48, 0.04));

    std::unique_ptr<QWidget> help(HelpContent::makeView());
    help->ensurePolished();
    if (QLayout* layout = help->layout()) layout->activate();
    help->resize(help->sizeHint());
    renderView(help.get(), QColor(42, 43, 47), out.filePath(QStringLiteral("8-help-popover.png")));
}

} // namespace VexilUI::Snapshot
