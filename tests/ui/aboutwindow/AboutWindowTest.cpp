#include "ui/shell/AboutWindow.h"
#include "core/rates/VexilInfo.h"
#include "ui/shell/AboutAnimation.h"
#include "ui/shell/GifFile.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace VexilUI;

namespace {

QImage solid(QSize size, QRgb color) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

// Writes an animated GIF of `count` frames of one size into path.
bool writeGif(const QString& path, QSize size, int count, double delay) {
    QList<GifFile::Frame> frames;
    for (int i = 0; i < count; ++i)
        frames.append({solid(size, i % 2 ? 0xFF204060 : 0xFFDFFF57), delay});
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(GifFile::write(frames, 0)) > 0;
}

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(AboutTest, WindowShowsNameVersionAndCredit) {
    AboutWindowController about(std::nullopt, std::nullopt);
    EXPECT_EQ(about.window()->windowTitle(), QStringLiteral("About VEXIL"));
    EXPECT_EQ(about.window()->width(), 300);
    QStringList texts;
    for (QLabel* label : about.window()->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("VEXIL"), AboutWindowController::versionString(),
                                  VexilCore::VexilInfo::credit.toString()}));
    // The credit names the maker, on one line.
    const QString credit = texts.value(2);
    EXPECT_TRUE(credit.contains(VexilCore::VexilInfo::maker)) << credit.toStdString();
    EXPECT_FALSE(credit.contains(u'\n') || credit.contains(u'\r')) << credit.toStdString();
    const QString version = AboutWindowController::versionString();
    EXPECT_TRUE(version.startsWith(QStringLiteral("Version "))) << version.toStdString();
    EXPECT_GT(version.size(), 8);
    EXPECT_EQ(about.iconView()->size(), QSize(96, 96));
    EXPECT_TRUE(about.isShowingStaticIcon());
    EXPECT_EQ(about.iconView()->image().deviceIndependentSize(), QSizeF(96, 96));
}

TEST_F(AboutTest, ReduceMotionKeepsTheStaticIcon) {
    AboutWindowController about(std::nullopt, std::nullopt);
    about.playOnce(true);
    EXPECT_EQ(about.playCount(), 0);
    EXPECT_FALSE(about.isAnimating());
    EXPECT_TRUE(about.isShowingStaticIcon());
}

TEST_F(AboutTest, ShowingPlaysTheDrawnAnimationOnceAndRests) {
    AboutWindowController about(std::nullopt, std::nullopt);
    about.show();
    EXPECT_TRUE(about.window()->isVisible());
    EXPECT_EQ(about.playCount(), 1);
    EXPECT_TRUE(about.isAnimating());
    EXPECT_EQ(about.framesShown(), 1);
    EXPECT_FALSE(about.isShowingStaticIcon());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !about.isAnimating(); }, 10000));
    EXPECT_EQ(about.framesShown(), AboutAnimation::frameCount);
    EXPECT_TRUE(about.isShowingStaticIcon());
}

TEST_F(AboutTest, UsersOwnGifPlaysInsteadAndShowingAgainRestarts) {
    ASSERT_TRUE(writeGif(QDir(dir.path()).filePath(QStringLiteral("about.gif")), {32, 32}, 3, 0.2));
    AboutWindowController about(dir.path(), std::nullopt);
    about.show();
    QTest::qWait(250); // into the second frame
    EXPECT_EQ(about.framesShown(), 2);
    about.show(); // restarts at frame 0
    EXPECT_EQ(about.playCount(), 2);
    EXPECT_EQ(about.framesShown(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !about.isAnimating(); }, 5000));
    EXPECT_EQ(about.framesShown(), 3);
    EXPECT_TRUE(about.isShowingStaticIcon());
}

TEST_F(AboutTest, ClosingTheWindowStopsThePlay) {
    AboutWindowController about(std::nullopt, std::nullopt);
    about.show();
    ASSERT_TRUE(about.isAnimating());
    about.window()->close();
    EXPECT_FALSE(about.isAnimating());
    EXPECT_TRUE(about.isShowingStaticIcon());
    about.show(); // the same window comes back
    EXPECT_TRUE(about.window()->isVisible());
    about.close();
    EXPECT_FALSE(about.window()->isVisible());
    EXPECT_FALSE(about.isAnimating());
}

TEST_F(AboutTest, ClickingTheIconTogglesTheGifPanel) {
    const QString gif = dir.filePath(QStringLiteral("click.gif"));
    ASSERT_TRUE(writeGif(gif, {480, 270}, 2, 0.1));
    AboutWindowController about(std::nullopt, gif);
    about.show();
    QTest::mouseClick(about.iconView(), Qt::LeftButton);
    ASSERT_TRUE(about.isPopupShown());
    EXPECT_EQ(about.popover()->size(), QSize(240, 135));
    ASSERT_NE(about.popupView(), nullptr);
    EXPECT_TRUE(about.popupView()->animates());
    AnimatedImageView* view = about.popupView();
    about.togglePopup();
    EXPECT_FALSE(about.isPopupShown());
    EXPECT_FALSE(view->animates()); // its GIF rests once the panel closes
    about.togglePopup();
    EXPECT_TRUE(about.isPopupShown()); // a new panel
    about.window()->close();
    EXPECT_FALSE(about.isPopupShown());
}

TEST_F(AboutTest, ClicksWithoutAUsableGifDoNothing) {
    AboutWindowController none(std::nullopt, std::nullopt);
    QTest::mouseClick(none.iconView(), Qt::LeftButton);
    EXPECT_EQ(none.popover(), nullptr);

    const QString broken = dir.filePath(QStringLiteral("broken.gif"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("GIF89a not really");
    file.close();
    AboutWindowController unreadable(std::nullopt, broken);
    unreadable.togglePopup();
    EXPECT_EQ(unreadable.popover(), nullptr);
}
