#include "platform/ScreenFit.h"
#include "tests/support/OnScreens.h"

#include <QDialog>
#include <QScreen>
#include <QTest>
#include <qpa/qwindowsysteminterface.h>

#include <memory>

namespace {

// A desk and a 1920 x 1080 laptop screen at scale 2, which offers 960 x 540.
const char* const Screens = R"({"screens": [
    {"name": "desk", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96},
    {"name": "laptop", "x": 1920, "y": 0, "width": 960, "height": 540, "logicalDpi": 96}]})";

} // namespace

// Windows within their screens: the board's first size, and every window as it is shown.
class tst_ScreenFit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void openingSize_data();
    void openingSize();
    void windowsFitTheirScreen_data();
    void windowsFitTheirScreen();
    void fittedWhereThePlacingEnds_data();
    void fittedWhereThePlacingEnds();
};

void tst_ScreenFit::initTestCase() {
    QCOMPARE(QGuiApplication::screens().size(), 2);
    qApp->installEventFilter(new ScreenFit::WindowFitter(qApp));
}

void tst_ScreenFit::openingSize_data() {
    QTest::addColumn<QSize>("available");
    QTest::addColumn<QSize>("opening");
    QTest::newRow("small screen: the design size") << QSize(800, 600) << QSize(632, 453);
    QTest::newRow("1920x1080: half its area") << QSize(1920, 1080) << QSize(1065, 764);
    QTest::newRow("3840x2160") << QSize(3840, 2160) << QSize(2130, 1527);
    QTest::newRow("a tall screen") << QSize(1080, 1920) << QSize(764, 547);
    QTest::newRow("smaller than the design") << QSize(600, 400) << QSize(558, 400);
}

void tst_ScreenFit::openingSize() {
    QFETCH(QSize, available);
    QFETCH(QSize, opening);
    QCOMPARE(ScreenFit::openingSize(QSize(632, 453), available), opening);
}

void tst_ScreenFit::windowsFitTheirScreen_data() {
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QRect>("asked"); // the client area, relative to the screen
    QTest::addColumn<bool>("dialog");
    QTest::addColumn<bool>("keepsProportions");
    QTest::addColumn<bool>("unchanged");
    QTest::newRow("fits already") << "desk" << QRect(100, 100, 400, 300) << false << false << true;
    QTest::newRow("help at scale 2") << "laptop" << QRect(100, 80, 737, 618) << false << false << false;
    QTest::newRow("dialog low down") << "desk" << QRect(1700, 900, 400, 300) << true << false << false;
    QTest::newRow("dialog larger than the screen")
        << "laptop" << QRect(0, 0, 1200, 700) << true << false << false;
    QTest::newRow("left of the screen") << "desk" << QRect(-300, 50, 400, 300) << false << false << false;
    QTest::newRow("board at scale 2, in proportion")
        << "laptop" << QRect(0, 0, 1065, 764) << false << true << false;
}

void tst_ScreenFit::windowsFitTheirScreen() {
    QFETCH(QString, screen);
    QFETCH(QRect, asked);
    QFETCH(bool, dialog);
    QFETCH(bool, keepsProportions);
    QFETCH(bool, unchanged);
    QScreen* const target = ScreenFit::screenNamed(screen);
    QVERIFY(target);
    const std::unique_ptr<QWidget> window(dialog ? new QDialog : new QWidget);
    if (keepsProportions)
        ScreenFit::setKeepsProportions(window.get());
    window->setScreen(target);
    window->setGeometry(asked.translated(target->geometry().topLeft()));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    const QRect area = target->availableGeometry();
    QTRY_VERIFY2(area.contains(window->frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(window->frameGeometry().x())
                                .arg(window->frameGeometry().y())
                                .arg(window->frameGeometry().width())
                                .arg(window->frameGeometry().height())));
    QCOMPARE(window->geometry() == asked.translated(area.topLeft()), unchanged);
    if (keepsProportions) {
        const QSize size = window->size();
        QVERIFY(qAbs(size.width() * asked.height() - size.height() * asked.width()) <= asked.width());
    }
}

void tst_ScreenFit::fittedWhereThePlacingEnds_data() {
    QTest::addColumn<QRect>("placed"); // where the window system leaves the client area
    QTest::addColumn<bool>("unchanged");
    QTest::newRow("back to its place") << QRect(400, 300, 640, 480) << true;
    QTest::newRow("back to a place off the screen") << QRect(1700, 900, 640, 480) << false;
}

// A window leaving full screen is given its size at the screen's corner, where its frame sticks
// out, and then its place: it is fitted where it ends.
void tst_ScreenFit::fittedWhereThePlacingEnds() {
    QFETCH(QRect, placed);
    QFETCH(bool, unchanged);
    QWidget window;
    window.setScreen(ScreenFit::screenNamed(QStringLiteral("desk")));
    window.setGeometry(400, 300, 640, 480);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    ScreenFit::WindowFitter::fitWhenPlaced(&window);
    using System = QWindowSystemInterface;
    System::handleGeometryChange<System::SynchronousDelivery>(window.windowHandle(), QRect(0, 0, 640, 480));
    System::handleGeometryChange<System::SynchronousDelivery>(window.windowHandle(), placed);
    QCoreApplication::processEvents();
    QCOMPARE(window.geometry() == placed, unchanged);
    QVERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
}

int main(int argc, char** argv) {
    return execOnScreens<tst_ScreenFit>(Screens, argc, argv);
}

#include "tst_screenfit.moc"
