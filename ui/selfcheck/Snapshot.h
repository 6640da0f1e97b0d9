#pragma once

#include "core/currency/RatesTable.h"
#include "ui/shell/CommandLine.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

class QObject;
class QPainter;
class QWidget;

namespace VexilUI {

class NotebookController;
class NotebookWindow;
class PageLibrary;
class Preferences;

// Off-screen renders of the notebook window and of a fixed preview set, for developers: nothing is shown
// on screen, nothing reaches the network and nothing of the user's data is read or written.
namespace Snapshot {

// The sheet every snapshot shows unless told otherwise: 15 lines, no line feed at the end.
const QString& sampleText();

struct Options {
    QSizeF size{900, 640}; // content size of the window
    qint64 fontSize = 18;  // written to "fontSize", clamped there
    qint64 decimals = 8;   // written to "maxDecimals", clamped there
    QString text = sampleText();
    std::optional<int> hoverLine = 7; // "500 x line2" of the sample
    bool caretAtEnd = true;
    bool reduceTransparency = false;
    std::optional<QColor> wordmarkColor;
    bool pages = false;
};

// The options of the command line's snapshot switches over the defaults.
Options optionsFrom(const CommandLine::SnapshotSwitches& switches);

// Fixed sample tables, aged relative to now (seconds since 1970).
VexilCore::RatesTable sampleRates(double now);
VexilCore::CryptoTable sampleCrypto(double now);

// The scratch "rates.json": an object with "fiat" first, then "crypto". Nothing when a number cannot be
// written.
struct CacheFile {
    VexilCore::RatesTable fiat;
    VexilCore::CryptoTable crypto;
    std::optional<QByteArray> encode() const;
};

// A failure of a render. Errors of the "Snapshot" domain carry only their code; file errors carry the
// reason the file system gave.
class Error : public std::exception {
public:
    Error(QString domain, int code, QString description);
    static Error snapshot(int code);
    static Error fileWrite(const QString& path, const QString& reason);

    const QString& domain() const { return m_domain; }
    int code() const { return m_code; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_domain;
    int m_code;
    QString m_description;
    QByteArray m_utf8;
};

// Codes of the "Snapshot" domain.
inline constexpr int noWindowBitmap = 1;
inline constexpr int encodingFailed = 2;
inline constexpr int noViewBitmap = 3;

// The pieces other parts of the interface lend to the renders. Each falls back to a stand-in while unset.
struct Hooks {
    struct Sidebar {
        QWidget* view = nullptr;                 // installed as the drawer
        std::shared_ptr<QObject> controller;     // kept for the window's lifetime
        std::function<void(qreal)> setHeaderTop; // the drawer header's distance from the top
    };
    // Something that keeps a window alive, and the window to render.
    struct OwnedWindow {
        std::shared_ptr<void> owner;
        QWidget* window = nullptr;
    };
    std::function<Sidebar(PageLibrary& library, NotebookController& notebook)> makeSidebar;
    std::function<OwnedWindow(std::shared_ptr<Preferences> prefs)> makeSettingsWindow;
    std::function<OwnedWindow()> makeAboutWindow;

    static Hooks& shared();
};

// A notebook window built over a scratch folder, with everything it needs kept alive.
struct Window {
    std::unique_ptr<PageLibrary> library;
    std::shared_ptr<NotebookController> controller;
    Hooks::Sidebar sidebar;
    std::unique_ptr<NotebookWindow> window;
    ~Window();
};

// Builds the window (never shown) over the scratch folder, which is made when missing; never fails.
std::unique_ptr<Window> makeWindow(const Options& options, const QString& scratch);
// Writes a PNG of the window on a blurred backdrop with a shadow and an outline, 48 px margins around.
void render(const Options& options, const QString& output, const QString& scratch);
// Writes a PNG of one view, over a background colour when given.
void renderView(QWidget* view, const std::optional<QColor>& background, const QString& output);
// The coloured backdrop: a diagonal gradient and three soft glows.
void drawBackdrop(QPainter& painter, const QRectF& rect);
// The backdrop of size pixels, Gaussian-blurred; a null image when it cannot be made.
QImage blurredBackdrop(QSize size);

// The nine preview images and "about-animation.gif", in a fixed order, into directory.
void renderPreviewSet(const QString& directory, const QString& scratch);
// Their file names, in writing order.
const QStringList& previewFileNames();

// Writes bytes with a plain (not atomic) write; throws the file system's error.
void writeFile(const QString& path, const QByteArray& bytes);

} // namespace Snapshot
} // namespace VexilUI
