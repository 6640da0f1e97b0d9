#include "ui/common/Controls.h"
#include "ui/common/SymbolPainter.h"
#include "ui/common/Theme.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QEnterEvent>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace VexilUI;

namespace {

void sendEnter(QWidget* widget) {
    const QPointF local(widget->width() / 2.0, widget->height() / 2.0);
    QEnterEvent event(local, widget->mapTo(widget->window(), local), widget->mapToGlobal(local));
    QApplication::sendEvent(widget, &event);
}

void sendLeave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

QImage renderAlone(QWidget* widget) {
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->resize(500, 300);
        window->move(100, 100);
    }
    void showWindow() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        HoverTip::shared().hide();
        window.reset();
    }
    std::unique_ptr<QWidget> window;
};

TEST_F(ControlsTest, TintIsOpaqueOnlyWhenSolid) {
    TintView tint;
    tint.resize(20, 20);
    EXPECT_FALSE(tint.solid());
    QColor pixel = renderAlone(&tint).pixelColor(5, 5);
    EXPECT_NEAR(pixel.alphaF(), 0.85, 0.01);
    tint.setSolid(true);
    pixel = renderAlone(&tint).pixelColor(5, 5);
    EXPECT_EQ(pixel.alpha(), 255);
    EXPECT_EQ(pixel.rgb(), Theme::tintBase().rgb());
}

TEST_F(ControlsTest, PassthroughLabelTakesNoMouse) {
    PassthroughLabel label;
    EXPECT_TRUE(label.testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST_F(ControlsTest, StatusButtonTitleSizeAndCursor) {
    StatusButton button;
    QFont font = QApplication::font();
    font.setPixelSize(12);
    button.setTitleFont(font);
    button.setText("Total 12");
    button.setTitleColor(Theme::result());
    EXPECT_EQ(button.titleColor(), Theme::result());
    const QFontMetrics metrics(font);
    EXPECT_EQ(button.sizeHint(), QSize(metrics.horizontalAdvance("Total 12") + 4, metrics.height() + 2));
    EXPECT_EQ(button.minimumSizeHint().width(), 0); // the status row may squeeze it
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    button.resize(button.sizeHint());
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    button.setEnabled(false);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

// A frame rounded a pixel short of the size hint still shows the whole title; a much narrower one elides.
TEST_F(ControlsTest, StatusButtonElidesOnlyWhenTheTitleCannotFit) {
    StatusButton button;
    QFont font = QApplication::font();
    font.setPixelSize(11);
    button.setTitleFont(font);
    button.setTitleAlignment(Qt::AlignLeft);
    const QString title = QStringLiteral("Rates not loaded, click to load");
    button.setText(title);
    const int fit = int(std::ceil(QFontMetricsF(font).horizontalAdvance(title)));
    ASSERT_LT(fit, button.sizeHint().width());
    const auto render = [&](int width) {
        button.resize(width, button.sizeHint().height());
        return button.grab().toImage().copy(0, 0, fit, button.height());
    };
    const QImage wide = render(fit + 20);
    EXPECT_EQ(render(fit), wide);
    EXPECT_EQ(render(button.sizeHint().width() - 1), wide);
    EXPECT_NE(render(fit - 10), wide);
}

TEST_F(ControlsTest, ElidedLabelCanShrinkBelowItsText) {
    ElidedLabel label;
    label.setText("Couldn't read this sheet, so edits won't be saved");
    EXPECT_EQ(label.minimumSizeHint().width(), 0);
    EXPECT_GT(label.sizeHint().width(), 100);
}

TEST_F(ControlsTest, HelpButtonShowsItsTipAfterTheDelayAndHidesOnLeave) {
    auto* button = new HelpButton("?", window.get());
    button->setGeometry(300, 5, 18, 18);
    showWindow();
    button->setHoverText(QString("Shortcuts and Examples (Ctrl+?)"));
    EXPECT_EQ(button->accessibleDescription(), "Shortcuts and Examples (Ctrl+?)");
    EXPECT_EQ(HelpButton::hoverDelay(), 450);

    sendEnter(button);
    EXPECT_TRUE(button->isHovering());
    EXPECT_TRUE(button->isTipScheduled());
    EXPECT_FALSE(HoverTip::shared().isShowing()); // not before the delay
    QTRY_VERIFY_WITH_TIMEOUT(HoverTip::shared().isShowing(), 3000);
    HoverTip& tip = HoverTip::shared();
    EXPECT_EQ(tip.owner(), button);
    EXPECT_EQ(tip.text(), "Shortcuts and Examples (Ctrl+?)");
    const QRect anchor(button->mapToGlobal(QPoint(0, 0)), button->size());
    const QRect panel = tip.panel()->geometry();
    EXPECT_EQ(panel.top(), anchor.bottom() + 1 + 6);
    EXPECT_EQ(panel.height(), 22);
    const QFontMetricsF metrics(tip.panel()->findChild<QLabel*>()->font());
    EXPECT_EQ(panel.width(), int(std::ceil(metrics.horizontalAdvance(tip.text()))) + 16);
    EXPECT_NEAR(panel.center().x(), anchor.center().x(), 1.5);

    // A new hover text updates the shown tip at once; none hides it.
    button->setHoverText(QString("About VEXIL"));
    EXPECT_EQ(tip.text(), "About VEXIL");
    button->setHoverText(std::nullopt);
    EXPECT_FALSE(tip.isShowing());

    button->setHoverText(QString("Help"));
    sendEnter(button);
    QTRY_VERIFY_WITH_TIMEOUT(tip.isShowing(), 3000);
    sendLeave(button);
    EXPECT_FALSE(button->isHovering());
    EXPECT_FALSE(tip.isShowing());
}

TEST_F(ControlsTest, HelpButtonWithoutHoverTextNeverShowsATip) {
    auto* button = new HelpButton("i", window.get());
    button->setGeometry(300, 5, 18, 18);
    showWindow();
    sendEnter(button);
    EXPECT_FALSE(button->isTipScheduled());
    QTest::qWait(600);
    EXPECT_FALSE(HoverTip::shared().isShowing());
}

TEST_F(ControlsTest, TipStaysSixInsideTheWindowFrame) {
    auto* left = new HelpButton("?", window.get());
    left->setGeometry(0, 5, 18, 18);
    auto* right = new HelpButton("?", window.get());
    right->setGeometry(482, 5, 18, 18);
    showWindow();
    const QRect frame = window->frameGeometry();
    HoverTip& tip = HoverTip::shared();
    tip.show("A rather long hover text for the edge", left);
    EXPECT_EQ(tip.panel()->geometry().left(), frame.left() + 6);
    tip.show("A rather long hover text for the edge", right);
    EXPECT_EQ(tip.panel()->geometry().right() + 1, frame.left() + frame.width() - 6);
    EXPECT_EQ(tip.owner(), right); // one panel serves every control
    EXPECT_TRUE(tip.panel()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(tip.panel()->windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_TRUE(tip.panel()->windowFlags() & Qt::WindowDoesNotAcceptFocus);
}

TEST_F(ControlsTest, WordmarkAltClickCallsBackAndPlainClickDoesNot) {
    auto* wordmark = new WordmarkLabel(window.get());
    wordmark->setText("VEXIL");
    wordmark->setGeometry(200, 0, 80, 28);
    showWindow();
    int calls = 0;
    wordmark->onOptionClick = [&] { ++calls; };
    QTest::mouseClick(wordmark, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(calls, 0);
    QTest::mouseClick(wordmark, Qt::LeftButton, Qt::AltModifier, QPoint(10, 10));
    EXPECT_EQ(calls, 1);
    QTest::mouseClick(wordmark, Qt::RightButton, Qt::AltModifier, QPoint(10, 10));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(wordmark->focusPolicy(), Qt::NoFocus);
}

TEST_F(ControlsTest, WordmarkHintAppearsAfterHoverAndAnyClickHidesIt) {
    auto* wordmark = new WordmarkLabel(window.get());
    wordmark->setText("VEXIL");
    wordmark->setGeometry(200, 0, 80, 28);
    auto* other = new QWidget(window.get());
    other->setGeometry(0, 100, 100, 100);
    showWindow();
    EXPECT_EQ(WordmarkLabel::hintText(), "Psst. Alt + click");
    EXPECT_EQ(WordmarkLabel::hintDelay(), 450);

    sendEnter(wordmark);
    EXPECT_TRUE(wordmark->hasClickMonitor());
    QTRY_VERIFY_WITH_TIMEOUT(HoverTip::shared().isShowing(), 3000);
    EXPECT_EQ(HoverTip::shared().text(), "Psst. Alt + click");
    QTest::mouseClick(other, Qt::LeftButton);
    EXPECT_FALSE(HoverTip::shared().isShowing());

    // Re-entering restarts the timer; leaving removes the monitor and cancels the hint.
    sendEnter(wordmark);
    sendEnter(wordmark);
    EXPECT_TRUE(wordmark->hasClickMonitor());
    sendLeave(wordmark);
    EXPECT_FALSE(wordmark->hasClickMonitor());
    QTest::qWait(600);
    EXPECT_FALSE(HoverTip::shared().isShowing());
}

TEST_F(ControlsTest, HidingAnotherControlsTipLeavesThisOneAlone) {
    auto* wordmark = new WordmarkLabel(window.get());
    wordmark->setGeometry(200, 0, 80, 28);
    auto* button = new HelpButton("?", window.get());
    button->setGeometry(300, 5, 18, 18);
    showWindow();
    HoverTip::shared().show("Help", button);
    wordmark->hideHint();
    EXPECT_TRUE(HoverTip::shared().isShowing());
}

TEST_F(ControlsTest, WordmarkOffersItsAccessibilityAction) {
    WordmarkLabel wordmark;
    wordmark.setText("VEXIL");
    wordmark.setAccessibleName("VEXIL");
    int played = 0;
    wordmark.setAccessibilityAction("Play Snake", [&] {
        ++played;
        return true;
    });
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&wordmark);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), "VEXIL");
    auto* actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->actionNames().contains("Play Snake"));
    actions->doAction("Play Snake");
    EXPECT_EQ(played, 1);
}

TEST_F(ControlsTest, DrawerEdgeDragsByTheDistanceMovedAndDoubleClickResets) {
    auto* edge = new DrawerEdgeView(window.get());
    edge->setGeometry(196, 40, 8, 260);
    showWindow();
    EXPECT_EQ(edge->cursor().shape(), Qt::SplitHCursor);
    auto owner = std::make_unique<QObject>();
    std::vector<qreal> widths;
    edge->setOwner(owner.get(),
                   {[&](qreal w) { widths.push_back(w); }, [] { return 200.0; }, [] { return 230.0; }});
    QTest::mousePress(edge, Qt::LeftButton, {}, QPoint(4, 50));
    EXPECT_TRUE(edge->isDragging());
    QTest::mouseMove(edge, QPoint(34, 50));
    QTest::mouseMove(edge, QPoint(-16, 60));
    QTest::mouseRelease(edge, Qt::LeftButton, {}, QPoint(-16, 60));
    EXPECT_FALSE(edge->isDragging());
    EXPECT_EQ(widths, (std::vector<qreal>{260, 210}));

    widths.clear();
    QTest::mouseDClick(edge, Qt::LeftButton, {}, QPoint(4, 50));
    ASSERT_FALSE(widths.empty());
    EXPECT_EQ(widths.back(), 200);

    // Once the owner is gone the handle does nothing.
    owner.reset();
    widths.clear();
    QTest::mousePress(edge, Qt::LeftButton, {}, QPoint(4, 50));
    QTest::mouseMove(edge, QPoint(40, 50));
    QTest::mouseRelease(edge, Qt::LeftButton, {}, QPoint(40, 50));
    EXPECT_TRUE(widths.empty());
}

TEST_F(ControlsTest, SymbolsFallBackToTheGlyphWhenUnknown) {
    EXPECT_TRUE(SymbolPainter::has("sidebar.left"));
    EXPECT_FALSE(SymbolPainter::has("no.such.symbol"));
    QImage image(22, 18, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    EXPECT_FALSE(SymbolPainter::draw(painter, "no.such.symbol", QRectF(0, 0, 22, 18), Qt::white));
    EXPECT_TRUE(SymbolPainter::draw(painter, "sidebar.left", QRectF(0, 0, 22, 18), Qt::white));
    painter.end();
    EXPECT_GT(image.pixelColor(11, 9 - 6).alpha() + image.pixelColor(11, 9 + 6).alpha(), 0);

    // The button draws a circle for an unknown symbol and the symbol when it exists.
    HelpButton button;
    button.resize(22, 18);
    button.setSymbol(QString("no.such.symbol"));
    const QImage fallback = renderAlone(&button);
    button.setSymbol(QString("sidebar.left"));
    const QImage symbol = renderAlone(&button);
    EXPECT_NE(fallback, symbol);
}
