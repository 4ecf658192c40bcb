#include "layout/modStretch.h"
#include "platform/ControlGroup.h"
#include "platform/Image.h"
#include "platform/Label.h"
#include "platform/PictureBox.h"
#include "platform/PolyLED.h"
#include "platform/Shape.h"

#include <QApplication>
#include <QHash>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>

namespace {

// A corner of the scoreboard: the title, the home score frame with its three digits (the
// hundreds digit hanging out to the left), a possession lamp and its click area, and two things
// the stretching must leave alone, a timer and a plain button.
class Board : public QWidget {
public:
    Board() {
        resize(632, 453);

        title = new Label(this, QStringLiteral("lblTitle"));
        title->setBoundsTwips(120, 0, 9255, 795);
        title->setFontSize(32.25);

        frame = new PictureBox(this, QStringLiteral("picHomeScore"));
        frame->setBoundsTwips(360, 4020, 3255, 1815);
        for (const double left : {2160.0, 840.0, -480.0}) {
            auto* digit = new PolyLED(frame, QStringLiteral("pledHomeScore"), score.Count());
            digit->setSize(105);
            digit->setLeftTwips(left);
            digit->setTopTwips(120);
            score.add(digit);
        }

        lamp = new Shape(this, QStringLiteral("shpPossH"));
        lamp->setKind(Shape::Kind::Circle);
        lamp->setBoundsTwips(3675, 4035, 495, 375);
        lamp->setBorderWidth(4);

        clickArea = new Image(this, QStringLiteral("imgPossH"));
        clickArea->setBoundsTwips(3600, 3960, 615, 615);

        timer = new QTimer(this);
        timer->setObjectName(QStringLiteral("tmrClock"));
        button = new QPushButton(QStringLiteral("OK"), this);
        button->setGeometry(8, 400, 80, 30);
    }

    Label* title;
    PictureBox* frame;
    ControlGroup<PolyLED> score{QStringLiteral("pledHomeScore")};
    Shape* lamp;
    Image* clickArea;
    QTimer* timer;
    QPushButton* button;
};

enum class Axis { Horizontal, Vertical };

// One recorded measure of the board as designed (the 32.25 pt title records as 32 pt).
struct Measure {
    QObject* control;
    const char* property;
    double design;
    Axis axis;
};

QList<Measure> measuresOf(const Board& board) {
    QList<Measure> measures{
        {board.title, "Left", 120, Axis::Horizontal},     {board.title, "Width", 9255, Axis::Horizontal},
        {board.title, "Height", 795, Axis::Vertical},     {board.title, "FontSize", 32, Axis::Vertical},
        {board.frame, "Left", 360, Axis::Horizontal},     {board.frame, "Top", 4020, Axis::Vertical},
        {board.frame, "Width", 3255, Axis::Horizontal},   {board.frame, "Height", 1815, Axis::Vertical},
        {board.lamp, "Left", 3675, Axis::Horizontal},     {board.lamp, "Top", 4035, Axis::Vertical},
        {board.lamp, "Width", 495, Axis::Horizontal},     {board.lamp, "Height", 375, Axis::Vertical},
        {board.lamp, "BorderWidth", 4, Axis::Vertical},   {board.clickArea, "Left", 3600, Axis::Horizontal},
        {board.clickArea, "Top", 3960, Axis::Vertical},   {board.clickArea, "Width", 615, Axis::Horizontal},
        {board.clickArea, "Height", 615, Axis::Vertical},
    };
    const double lefts[] = {2160, 840, -480};
    for (int i = 0; i < board.score.Count(); ++i) {
        measures.append({board.score[i], "Left", lefts[i], Axis::Horizontal});
        measures.append({board.score[i], "Top", 120, Axis::Vertical});
        measures.append({board.score[i], "Size", 105, Axis::Vertical});
    }
    return measures;
}

bool isPosition(const Measure& m) {
    return qstrcmp(m.property, "Left") == 0 || qstrcmp(m.property, "Top") == 0;
}

double valueOf(const QObject* control, const char* property) {
    return control->property(property).toDouble();
}

QString keyOf(const Control* control, const char* property) {
    return QStringLiteral("%1[%2].%3")
        .arg(control->objectName())
        .arg(control->index())
        .arg(QLatin1String(property));
}

// Every position and measure of every control, to tell whether a pass changed anything.
QMap<QString, double> snapshot(const QWidget* form) {
    QMap<QString, double> values;
    const QList<Control*> controls = form->findChildren<Control*>();
    for (const Control* control : controls) {
        for (const char* property : {"Left", "Top", "Width", "Height", "FontSize", "BorderWidth", "Size"}) {
            if (control->property(property).isValid())
                values.insert(keyOf(control, property), valueOf(control, property));
        }
    }
    return values;
}

QSize outerSize(const QWidget* form) {
    return form->frameGeometry().size();
}

// Gives the window an outer size, frame included, since the layout is scaled by the outer size.
void resizeOuter(QWidget* form, QSize outer) {
    form->resize(outer - (outerSize(form) - form->size()));
    QCOMPARE(outerSize(form), outer);
}

// Counts the moves, resizes and paints each control receives.
class EventCounter : public QObject {
public:
    int count(QObject* control, QEvent::Type type) const { return m_counts.value({control, type}); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        ++m_counts[{watched, event->type()}];
        return false;
    }

private:
    QHash<QPair<QObject*, QEvent::Type>, int> m_counts;
};

} // namespace

class TestStretch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Runs first, while nothing has been recorded in this process.
    void resizeBeforeAnyRecordChangesNothing();

    void roundsHalvesToEven_data();
    void roundsHalvesToEven();
    void scalesWithWindow_data();
    void scalesWithWindow();
    void shrinkingKeepsMeasuresAtLeastOne();
    void newRecordIsNewBaseline();
    void windowBeyond16BitTwips();
    void minimisedWindowChangesNothing();
    void repeatedResizesDoNotAccumulate();
    void paintingResumesAndFocusStays();
    void eachControlMovesAndPaintsOnce();
    void destroyedControlIsPassedOver();

    void init();
    void cleanup();

private:
    std::unique_ptr<Board> board;
    QSize designOuter;
};

void TestStretch::init() {
    board = std::make_unique<Board>();
    board->show();
    QVERIFY(QTest::qWaitForWindowExposed(board.get()));
    designOuter = outerSize(board.get());
}

void TestStretch::cleanup() {
    board.reset();
}

void TestStretch::resizeBeforeAnyRecordChangesNothing() {
    QCOMPARE(modStretch::OrigWidth(), 0);
    const auto before = snapshot(board.get());
    resizeOuter(board.get(), designOuter * 2);
    modStretch::ResizeForm(board.get());
    QCOMPARE(snapshot(board.get()), before);
}

void TestStretch::roundsHalvesToEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<qint32>("rounded");
    QTest::newRow("title font 32.25") << 32.25 << 32;
    QTest::newRow("bonus font 21.75") << 21.75 << 22;
    QTest::newRow("half down to even") << 2.5 << 2;
    QTest::newRow("negative half") << -3.5 << -4;
}

void TestStretch::roundsHalvesToEven() {
    QFETCH(double, value);
    QFETCH(qint32, rounded);
    QCOMPARE(modStretch::roundHalfEven(value), rounded);
}

void TestStretch::scalesWithWindow_data() {
    QTest::addColumn<double>("widthFactor");
    QTest::addColumn<double>("heightFactor");
    QTest::newRow("same size") << 1.0 << 1.0;
    QTest::newRow("double both") << 2.0 << 2.0;
    QTest::newRow("double width only") << 2.0 << 1.0;
    QTest::newRow("double height only") << 1.0 << 2.0;
    QTest::newRow("wide and low") << 3.0 << 0.5;
    QTest::newRow("uneven") << 0.7 << 1.3;
}

void TestStretch::scalesWithWindow() {
    QFETCH(double, widthFactor);
    QFETCH(double, heightFactor);

    modStretch::StretchForm(board.get());
    // The timer and the button get no record.
    QCOMPARE(int(modStretch::StretchList().size()), 7);
    const QRect buttonBefore = board->button->geometry();
    resizeOuter(board.get(), QSize(qRound(designOuter.width() * widthFactor),
                                   qRound(designOuter.height() * heightFactor)));
    modStretch::ResizeForm(board.get());

    // Whole pixels make the window's sides only nearly the factors asked for.
    const double widthRatio = double(outerSize(board.get()).width()) / designOuter.width();
    const double heightRatio = double(outerSize(board.get()).height()) / designOuter.height();
    for (const Measure& m : measuresOf(*board)) {
        const double ratio = m.axis == Axis::Horizontal ? widthRatio : heightRatio;
        const double value = valueOf(m.control, m.property);
        const QString what = m.control->objectName() + QLatin1Char('.') + QLatin1String(m.property);
        if (isPosition(m)) {
            // Positions are handed over in single precision.
            QVERIFY2(qFuzzyCompare(float(value), float(m.design * ratio)), qPrintable(what));
            QVERIFY2(double(float(value)) == value, qPrintable(what));
        } else if (qstrcmp(m.property, "Size") == 0 || qstrcmp(m.property, "BorderWidth") == 0) {
            // Digit sizes and outline widths are whole numbers.
            QVERIFY2(value == std::nearbyint(m.design * ratio), qPrintable(what));
        } else {
            QVERIFY2(qFuzzyCompare(value, m.design * ratio), qPrintable(what));
        }
    }
    // Recorded as 0, the title's Top stays 0 at any size.
    QCOMPARE(board->title->topTwips(), 0.0);
    QCOMPARE(board->button->geometry(), buttonBefore);
}

void TestStretch::shrinkingKeepsMeasuresAtLeastOne() {
    modStretch::StretchForm(board.get());
    resizeOuter(board.get(), QSize(10, 10));
    modStretch::ResizeForm(board.get());

    // At this size the font and the outline would scale to less than one.
    const double heightRatio = 10.0 / designOuter.height();
    QVERIFY(32 * heightRatio < 1);
    QCOMPARE(board->title->fontSize(), 1.0);
    QCOMPARE(board->lamp->borderWidth(), 1.0);

    for (const Measure& m : measuresOf(*board)) {
        const QString what = m.control->objectName() + QLatin1Char('.') + QLatin1String(m.property);
        const double value = valueOf(m.control, m.property);
        if (isPosition(m)) {
            // Positions have no lower bound: they shrink towards 0 and keep their sign.
            QVERIFY2(std::abs(value) < std::abs(m.design), qPrintable(what));
            QVERIFY2(value * m.design > 0, qPrintable(what));
        } else {
            QVERIFY2(value >= 1, qPrintable(what));
        }
    }
}

void TestStretch::newRecordIsNewBaseline() {
    // Stretched to double size, then recorded: the stretched layout is the new baseline.
    modStretch::StretchForm(board.get());
    resizeOuter(board.get(), designOuter * 2);
    modStretch::ResizeForm(board.get());
    modStretch::StretchForm(board.get());
    QCOMPARE(modStretch::OrigWidth(), designOuter.width() * 2 * 15);
    QCOMPARE(board->title->leftTwips(), 240.0);

    resizeOuter(board.get(), designOuter * 4);
    modStretch::ResizeForm(board.get());
    QCOMPARE(board->title->leftTwips(), 480.0);
    QCOMPARE(board->score[2]->leftTwips(), -1920.0);
    QCOMPARE(board->title->fontSize(), 128.0);
}

void TestStretch::windowBeyond16BitTwips() {
    // Recorded on a window grown to 45000 x 36000 twips, past the 16-bit range, before its
    // controls followed (a maximised window when the options dialog closes).
    resizeOuter(board.get(), QSize(3000, 2400));
    modStretch::StretchForm(board.get());
    QCOMPARE(modStretch::OrigWidth(), 45000);
    QCOMPARE(modStretch::OrigHeight(), 36000);

    resizeOuter(board.get(), QSize(1500, 1200));
    modStretch::ResizeForm(board.get());
    QCOMPARE(board->title->leftTwips(), 60.0);
    QCOMPARE(board->title->widthTwips(), 4627.5);
    QCOMPARE(board->title->heightTwips(), 397.5);
    QCOMPARE(board->title->fontSize(), 16.0);
    QCOMPARE(board->lamp->borderWidth(), 2.0);
    QCOMPARE(board->score[2]->leftTwips(), -240.0);
    QCOMPARE(board->score[2]->digitSize(), 52); // 52.5 goes to the even neighbour
}

void TestStretch::minimisedWindowChangesNothing() {
    modStretch::StretchForm(board.get());
    const auto before = snapshot(board.get());
    board->showMinimized();
    QVERIFY(board->isMinimized());
    resizeOuter(board.get(), designOuter * 2);
    modStretch::ResizeForm(board.get());
    QCOMPARE(snapshot(board.get()), before);

    // Restored, the window takes the layout of its size again.
    board->showNormal();
    QVERIFY(!board->isMinimized());
    modStretch::ResizeForm(board.get());
    const double widthRatio = double(outerSize(board.get()).width()) / designOuter.width();
    QVERIFY(widthRatio != 1.0);
    QCOMPARE(board->title->leftTwips(), 120 * widthRatio);
}

void TestStretch::repeatedResizesDoNotAccumulate() {
    modStretch::StretchForm(board.get());
    const auto recorded = snapshot(board.get());
    const QSize odd(457, 311);
    resizeOuter(board.get(), odd);
    modStretch::ResizeForm(board.get());
    const auto atOdd = snapshot(board.get());

    for (const QSize size : {QSize(913, 287), QSize(123, 777), odd, QSize(1001, 999), odd}) {
        resizeOuter(board.get(), size);
        modStretch::ResizeForm(board.get());
    }
    QCOMPARE(snapshot(board.get()), atOdd);

    // Back at the recorded size, every measure is as recorded (the title font as 32, not 32.25).
    resizeOuter(board.get(), designOuter);
    modStretch::ResizeForm(board.get());
    auto expected = recorded;
    expected[keyOf(board->title, "FontSize")] = 32;
    QCOMPARE(snapshot(board.get()), expected);
}

void TestStretch::paintingResumesAndFocusStays() {
    board->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(board.get()));
    board->frame->setFocus();
    QVERIFY(board->frame->hasFocus());

    modStretch::StretchForm(board.get());
    resizeOuter(board.get(), QSize(900, 700));
    modStretch::ResizeForm(board.get());

    QVERIFY(board->updatesEnabled());
    QVERIFY(board->score[0]->updatesEnabled());
    QVERIFY(board->isVisible());
    QVERIFY(board->isActiveWindow());
    QVERIFY(board->frame->hasFocus());
    QCOMPARE(QApplication::focusWidget(), board->frame);
}

// As the board does from its resize event: the window's new size and the stretched layout come
// to the screen together, every control moved once and painted once.
void TestStretch::eachControlMovesAndPaintsOnce() {
    modStretch::StretchForm(board.get());
    EventCounter counter;
    const QList<Control*> controls = board->findChildren<Control*>();
    for (Control* control : controls)
        control->installEventFilter(&counter);
    resizeOuter(board.get(), designOuter * 2);
    modStretch::ResizeForm(board.get());
    QTRY_VERIFY(counter.count(board->title, QEvent::Paint) > 0);
    QCoreApplication::processEvents();
    for (Control* control : controls) {
        const QString name = keyOf(control, "");
        QVERIFY2(counter.count(control, QEvent::Move) == 1, qPrintable(name));
        QVERIFY2(counter.count(control, QEvent::Paint) == 1, qPrintable(name));
    }
}

void TestStretch::destroyedControlIsPassedOver() {
    modStretch::StretchForm(board.get());
    delete board->score[1];
    resizeOuter(board.get(), designOuter * 2);
    modStretch::ResizeForm(board.get());
    QCOMPARE(board->score[0]->leftTwips(), 4320.0);
    QCOMPARE(board->score[2]->leftTwips(), -960.0);
    QCOMPARE(board->clickArea->widthTwips(), 1230.0);
}

QTEST_MAIN(TestStretch)
#include "tst_stretch.moc"
