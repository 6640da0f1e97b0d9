// Off-screen renders: the notebook window over a scratch folder, composed on a blurred backdrop, and
// single views.
#include "ui/selfcheck/Snapshot.h"

#include "core/rates/RatesService.h"
#include "ui/common/Controls.h"
#include "ui/common/Theme.h"
#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/RootView.h"
#include "ui/shell/AppEnvironment.h"
#include "ui/shell/MainWindow.h"
#include "ui/storage/IntStore.h"
#include "ui/storage/NoteStore.h"
#include "ui/storage/PageLibrary.h"
#include "ui/storage/Preferences.h"

#include <QBuffer>
#include <QDir>
#include <QLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <vector>

namespace VexilUI::Snapshot {

namespace {

constexpr qreal margin = 48;
constexpr qreal cornerRadius = 12;
constexpr qreal backdropBlur = 40; // standard deviation, in pixels
constexpr qreal shadowBlur = 30;   // a shadow's blur radius spreads about twice its deviation

// Lays the widget and its children out as if shown, without putting anything on a screen.
void layOutOffscreen(QWidget* widget) {
    widget->setAttribute(Qt::WA_DontShowOnScreen);
    widget->ensurePolished();
    if (QLayout* layout = widget->layout()) layout->activate();
    if (!widget->isVisible()) widget->show();
}

// One pass of a box blur of the given radius along rows (step 4) or columns (step 4 * width), with the
// edge pixels repeated beyond the image.
void boxPass(const std::vector<quint8>& src, std::vector<quint8>& dst, int lines, int length, int lineStride,
             int pixelStride, int radius) {
    const int window = 2 * radius + 1;
    for (int line = 0; line < lines; ++line) {
        const size_t base = size_t(line) * size_t(lineStride);
        auto at = [&](int i, int c) {
            return int(src[base + size_t(std::clamp(i, 0, length - 1)) * size_t(pixelStride) + size_t(c)]);
        };
        for (int c = 0; c < 4; ++c) {
            int sum = 0;
            for (int i = -radius; i <= radius; ++i)
                sum += at(i, c);
            for (int i = 0; i < length; ++i) {
                dst[base + size_t(i) * size_t(pixelStride) + size_t(c)] = quint8((sum + window / 2) / window);
                sum += at(i + radius + 1, c) - at(i - radius, c);
            }
        }
    }
}

// A Gaussian blur of the given deviation, approximated by three box blurs; the image keeps its extent.
QImage gaussianBlur(const QImage& source, qreal sigma) {
    QImage image = source.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    if (w <= 0 || h <= 0 || sigma <= 0) return image;

    // Box widths whose three passes match the deviation.
    const qreal ideal = std::sqrt(12 * sigma * sigma / 3 + 1);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0) --lower;
    const int upper = lower + 2;
    const int lowerCount =
        int(std::round((12 * sigma * sigma - 3.0 * lower * lower - 12.0 * lower - 9) / (-4.0 * lower - 4)));

    std::vector<quint8> a(size_t(w) * size_t(h) * 4);
    for (int y = 0; y < h; ++y)
        std::copy_n(image.constScanLine(y), size_t(w) * 4,
                    a.begin() + std::ptrdiff_t(size_t(y) * size_t(w) * 4));
    std::vector<quint8> b(a.size());
    for (int pass = 0; pass < 3; ++pass) {
        const int radius = ((pass < lowerCount ? lower : upper) - 1) / 2;
        boxPass(a, b, h, w, w * 4, 4, radius);
        boxPass(b, a, w, h, 4, w * 4, radius);
    }
    for (int y = 0; y < h; ++y)
        std::copy_n(a.begin() + std::ptrdiff_t(size_t(y) * size_t(w) * 4), size_t(w) * 4, image.scanLine(y));
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QByteArray encodePNG(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        throw Error::snapshot(encodingFailed);
    return bytes;
}

// The drawer while the sheets list is not there: an empty panel.
Hooks::Sidebar plainSidebar() {
    auto* drawer = new QWidget;
    drawer->setObjectName(QStringLiteral("Drawer"));
    drawer->setAutoFillBackground(true);
    QPalette pal = drawer->palette();
    pal.setColor(QPalette::Window, Theme::rgb(0x17181B));
    drawer->setPalette(pal);
    return {drawer, nullptr, nullptr};
}

void installSamplePages(Window& made, const QString& scratch) {
    auto& library =
        *(made.library = std::make_unique<PageLibrary>(QDir(scratch).filePath(QStringLiteral("lib"))));
    static const std::pair<const char*, const char*> samples[] = {
        {"Groceries", "69DB7C"}, {"Japan trip", "4DABF7"}, {"Freelance hours", "FFA94D"}};
    for (const auto& [name, color] : samples) {
        const PageLibrary::Page page = library.create(PageLibrary::currentTime(), true);
        library.rename(page.id, QString::fromLatin1(name));
        library.setColor(page.id, QString::fromLatin1(color));
    }
    // New sheets go before the first one of their folder, so the last is the library's first sheet.
    const QString last = library.pages().constLast().id;
    library.rename(last, QStringLiteral("Weekend in Lisbon"));
    library.setColor(last, QStringLiteral("DFFF57"));
    library.select(last);

    const Hooks& hooks = Hooks::shared();
    made.sidebar = hooks.makeSidebar ? hooks.makeSidebar(library, *made.controller) : plainSidebar();
    if (!made.sidebar.view) made.sidebar = plainSidebar();
    made.controller->installSidebar(made.sidebar.view, 200);
    // Our title strip is part of the client area: the platform's title bar adds nothing here.
    const qreal titlebar = 0;
    if (made.sidebar.setHeaderTop) made.sidebar.setHeaderTop(std::max<qreal>(28, titlebar) + 8);
}

} // namespace

Window::~Window() {
    // The window hands the root view back to the controller; the drawer's controller goes before the
    // notebook it points to, and the library last.
    window.reset();
    sidebar = {};
    controller.reset();
    library.reset();
}

std::unique_ptr<Window> makeWindow(const Options& options, const QString& scratch) {
    auto made = std::make_unique<Window>();
    const QDir dir(scratch);

    auto prefs = std::make_shared<Preferences>(std::make_shared<MemoryIntStore>());
    prefs->write(QStringLiteral("fontSize"), options.fontSize, Preferences::fontRange);
    prefs->write(QStringLiteral("maxDecimals"), options.decimals, Preferences::decimalsRange);
    auto notes = std::make_shared<NoteStore>(dir.filePath(QStringLiteral("note.txt")));
    QDir().mkpath(scratch); // a failure only leaves the render without rates

    const QString ratesPath = dir.filePath(QStringLiteral("rates.json"));
    const double now = VexilCore::RatesService::systemNow();
    if (const auto bytes = CacheFile{sampleRates(now), sampleCrypto(now)}.encode()) {
        try {
            writeFile(ratesPath, *bytes);
        } catch (const Error&) {
        }
    }
    auto rates = std::make_shared<VexilCore::RatesService>(ratesPath, std::make_shared<OfflineFetcher>());
    made->controller = std::make_shared<NotebookController>(prefs, notes, rates);
    NotebookController& controller = *made->controller;
    rates->loadCache(); // never refreshed, so nothing reaches the network

    made->window = MainWindow::make(controller, false);
    NotebookWindow& window = *made->window;
    window.setMinimumSize(1, 1); // the asked size holds, even below the usual minimum
    window.resize(QSize(qRound(options.size.width()), qRound(options.size.height())));
    layOutOffscreen(&window);

    controller.setReduceTransparency(options.reduceTransparency);
    if (options.pages) installSamplePages(*made, scratch);
    if (options.wordmarkColor) {
        QPalette pal = controller.wordmark()->palette();
        pal.setColor(QPalette::WindowText, *options.wordmarkColor);
        controller.wordmark()->setPalette(pal);
    }
    // The render draws its own backdrop behind the window.
    controller.effectView()->hide();

    NotebookTextView& text = *controller.textView();
    text.setSheetText(options.text);
    text.layoutContainer();
    controller.recalc();
    if (options.caretAtEnd) text.setSelectedRange({int(options.text.size()), 0});
    if (RootView* root = controller.rootView()) {
        root->setGeometry(window.rect());
        root->layoutNow();
    }
    text.layoutContainer();
    text.setHoveredLine(options.hoverLine);
    return made;
}

void drawBackdrop(QPainter& painter, const QRectF& r) {
    painter.save();
    // Across the rect at -35 degrees: down and to the right on screen.
    const qreal angle = qDegreesToRadians(35.0);
    const QPointF direction(std::cos(angle), std::sin(angle));
    const qreal half = (std::abs(r.width() * direction.x()) + std::abs(r.height() * direction.y())) / 2;
    QLinearGradient gradient(r.center() - direction * half, r.center() + direction * half);
    gradient.setColorAt(0.0, Theme::rgb(0x1E3A5F));
    gradient.setColorAt(0.5, Theme::rgb(0x5B3B6E));
    gradient.setColorAt(1.0, Theme::rgb(0xC0703A));
    painter.fillRect(r, gradient);

    struct Glow {
        quint32 rgb;
        qreal alpha, fx, fy, f;
    };
    static constexpr Glow glows[] = {
        {0x2FA3A0, 0.55, 0.2, 0.8, 0.45}, {0xF2C14E, 0.45, 0.85, 0.25, 0.4}, {0xE05A7A, 0.4, 0.6, 0.6, 0.35}};
    for (const Glow& glow : glows) {
        // Fractions measured from the bottom edge, as the backdrop was designed.
        const QPointF centre(glow.fx * r.width(), r.height() - glow.fy * r.height());
        const qreal radius = glow.f * r.width();
        if (radius <= 0) continue;
        QColor inner = Theme::rgb(glow.rgb);
        inner.setAlphaF(float(glow.alpha));
        QColor outer = inner;
        outer.setAlphaF(0);
        QRadialGradient radial(centre, radius);
        radial.setColorAt(0, inner);
        radial.setColorAt(1, outer);
        painter.setPen(Qt::NoPen);
        painter.setBrush(radial);
        painter.drawEllipse(centre, radius, radius);
    }
    painter.restore();
}

QImage blurredBackdrop(QSize size) {
    if (size.isEmpty()) return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        drawBackdrop(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return gaussianBlur(image, backdropBlur);
}

void render(const Options& options, const QString& output, const QString& scratch) {
    const std::unique_ptr<Window> made = makeWindow(options, scratch);
    NotebookWindow& window = *made->window;
    layOutOffscreen(&window);
    if (RootView* root = made->controller->rootView()) root->layoutNow();

    const int w = window.width();
    const int h = window.height();
    const qreal k = window.devicePixelRatioF();
    QImage cached;
    if (w > 0 && h > 0) cached = QImage(QSize(int(k * w), int(k * h)), QImage::Format_ARGB32_Premultiplied);
    if (cached.isNull()) throw Error::snapshot(noWindowBitmap);
    cached.setDevicePixelRatio(k);
    cached.fill(Qt::transparent);
    // Only what the views draw: the translucent tint lets the backdrop through, as on a desktop.
    window.render(&cached, QPoint(), QRegion(), QWidget::DrawChildren);

    const QSizeF canvasPoints(w + 2 * margin, h + 2 * margin);
    QImage canvas(QSize(int(k * canvasPoints.width()), int(k * canvasPoints.height())),
                  QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) throw Error::snapshot(noWindowBitmap);
    canvas.setDevicePixelRatio(k);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF all(QPointF(0, 0), canvasPoints);
        drawBackdrop(painter, all);

        const QRectF frame(margin, margin, w, h);
        QPainterPath shape;
        shape.addRoundedRect(frame, cornerRadius, cornerRadius);

        // Shadow: the window's shape, blurred, 10 points lower.
        QImage shadow(canvas.size(), QImage::Format_ARGB32_Premultiplied);
        if (!shadow.isNull()) {
            shadow.setDevicePixelRatio(k);
            shadow.fill(Qt::transparent);
            {
                QPainter shade(&shadow);
                shade.setRenderHint(QPainter::Antialiasing);
                shade.fillPath(shape.translated(0, 10), QColor(0, 0, 0, qRound(0.45 * 255)));
            }
            QImage blurred = gaussianBlur(shadow, k * shadowBlur / 2);
            blurred.setDevicePixelRatio(k);
            painter.drawImage(QPointF(0, 0), blurred);
        }
        painter.fillPath(shape, QColor(0, 0, 0, qRound(0.01 * 255)));

        painter.save();
        painter.setClipPath(shape);
        if (!options.reduceTransparency) {
            QImage backdrop = blurredBackdrop(canvas.size());
            if (!backdrop.isNull()) {
                backdrop.setDevicePixelRatio(k);
                painter.drawImage(all, backdrop);
            }
        }
        painter.drawImage(frame, cached);
        painter.restore();

        QColor outline(255, 255, 255);
        outline.setAlphaF(0.12f);
        painter.setPen(QPen(outline, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(shape);
    }

    writeFile(output, encodePNG(canvas));
    window.close();
}

void renderView(QWidget* view, const std::optional<QColor>& background, const QString& output) {
    layOutOffscreen(view);
    const qreal k = view->devicePixelRatioF();
    QImage bitmap;
    if (!view->size().isEmpty())
        bitmap = QImage(QSize(int(k * view->width()), int(k * view->height())),
                        QImage::Format_ARGB32_Premultiplied);
    if (bitmap.isNull()) throw Error::snapshot(noViewBitmap);
    bitmap.setDevicePixelRatio(k);
    bitmap.fill(Qt::transparent);
    QWidget::RenderFlags flags = QWidget::DrawChildren;
    if (background) {
        QPainter painter(&bitmap);
        painter.fillRect(QRectF(QPointF(0, 0), QSizeF(view->size())), *background);
    } else {
        flags |= QWidget::DrawWindowBackground;
    }
    view->render(&bitmap, QPoint(), QRegion(), flags);
    writeFile(output, encodePNG(bitmap));
}

} // namespace VexilUI::Snapshot
