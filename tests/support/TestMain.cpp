#include <gtest/gtest.h>

#include <QLocale>
#include <QTimeZone>
#include <clocale>
#include <ctime>

#ifdef VEXIL_TEST_GUI
#include <QApplication>
#else
#include <QCoreApplication>
#endif

// Tests never depend on the machine's zone or locale: pin both before Qt starts.
int main(int argc, char** argv) {
    qputenv("TZ", "UTC");
    tzset();
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
#ifdef VEXIL_TEST_GUI
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
