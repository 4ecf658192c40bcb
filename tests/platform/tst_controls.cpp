#include "platform/Image.h"
#include "platform/Label.h"
#include "platform/PictureBox.h"
#include "platform/PolyLED.h"
#include "platform/Shape.h"
#include "state/Twips.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <array>

namespace {

// Which segments a seven-segment digit lights, a to g: top, upper right, lower right, bottom,
// lower left, upper left, middle.
const std::array<QString, 10> LitSegments = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                             "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};

// Where to look for each segment, as fractions of the digit's width and height: a band across the
// middle of each bar, clear of its neighbours.
QRect segmentArea(char segment, const QSize& size) {
    static const QHash<char, QRectF> areas = {
        {'a', {0.35, 0.00, 0.30, 0.15}}, {'b', {0.65, 0.20, 0.35, 0.18}}, {'c', {0.65, 0.62, 0.35, 0.18}},
        {'d', {0.35, 0.85, 0.30, 0.15}}, {'e', {0.00, 0.62, 0.35, 0.18}}, {'f', {0.00, 0.20, 0.35, 0.18}},
        {'g', {0.35, 0.42, 0.30, 0.16}},
    };
    const QRectF area = areas.value(segment);
    return QRectF(area.x() * size.width(), area.y() * size.height(), area.width() * size.width(),
                  area.height() * size.height())
        .toAlignedRect();
}

int colourDistance(const QColor& a, const QColor& b) {
    return qMax(qAbs(a.red() - b.red()), qMax(qAbs(a.green() - b.green()), qAbs(a.blue() - b.blue())));
}

// How close the pixels of an area come to a colour, and how far the farthest of them lies.
int nearestDistance(const QImage& image, const QRect& area, const QColor& colour) {
    int nearest = 255;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            nearest = qMin(nearest, colourDistance(image.pixelColor(x, y), colour));
    }
    return nearest;
}

int farthestDistance(const QImage& image, const QRect& area, const QColor& colour) {
    int farthest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            farthest = qMax(farthest, colourDistance(image.pixelColor(x, y), colour));
    }
    return farthest;
}

class PaintCounter : public QObject {
public:
    int count(QObject* watched) const { return m_counts.value(watched); }
    void reset() { m_counts.clear(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++m_counts[watched];
        return false;
    }

private:
    QHash<QObject*, int> m_counts;
};

} // namespace

class tst_Controls : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ledCaptionNumber_data();
    void ledCaptionNumber();
    void ledLetter();
    void ledCaptionText_data();
    void ledCaptionText();

    void ledSize_data();
    void ledSize();
    void ledSizeKeepsPosition();

    void ledSegments_data();
    void ledSegments();

    void ledFaceFollowsChange_data();
    void ledFaceFollowsChange();
    void ledRepaintsOnlyOnChange_data();
    void ledRepaintsOnlyOnChange();

    void ledKeyPress_data();
    void ledKeyPress();
    void ledTabMovesFocus();

    void kindName_data();
    void kindName();
    void geometry_data();
    void geometry();
    void shapeBorderWidth_data();
    void shapeBorderWidth();
    void pictureBoxReportsFocus();
    void shapeLetsClicksThrough();
    void labelDrawsInForeColor();
    void labelFitsItsWidth_data();
    void labelFitsItsWidth();
};

void tst_Controls::ledCaptionNumber_data() {
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("read");

    for (int digit = 0; digit <= 9; ++digit)
        QTest::addRow("%d", digit) << digit << digit;
    QTest::newRow("dark") << -1 << -1;
    QTest::newRow("10") << 10 << -1;
    QTest::newRow("32767") << 32767 << -1;
    QTest::newRow("-2") << -2 << -1;
    QTest::newRow("-32768") << -32768 << -1;
}

void tst_Controls::ledCaptionNumber() {
    QFETCH(int, written);
    QFETCH(int, read);

    PolyLED led(nullptr, QStringLiteral("pledTest"));
    led.setCaption(5);
    led.setCaption(written);
    QCOMPARE(led.caption(), read);

    led.setCaption(5);
    led.setProperty("Caption", written);
    QCOMPARE(led.property("Caption").toInt(), read);
}

void tst_Controls::ledLetter() {
    PolyLED led(nullptr, QStringLiteral("pledTest"));
    const auto face = [&led] {
        QImage image(led.size(), QImage::Format_RGB32);
        QPainter painter(&image);
        PolyLED::paintFace(painter, led.size(), led.caption(), led.litColor(), led.backColor(), led.letter());
        return image;
    };
    led.setCaption(0);
    const QImage zero = face();
    // The lower box of "o" is not the full "0", and either case shows it.
    led.setLetter(u'O');
    QCOMPARE(led.letter(), QChar(u'o'));
    QCOMPARE(led.caption(), qint16(-1));
    QVERIFY(face() != zero);
    led.setLetter(u'x');
    QVERIFY(led.letter().isNull());
    led.setLetter(u't');
    led.setCaption(0);
    QVERIFY(led.letter().isNull());
    QCOMPARE(face(), zero);
}

void tst_Controls::ledCaptionText_data() {
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("read");

    QTest::newRow("0") << "0" << 0;
    QTest::newRow("7") << "7" << 7;
    QTest::newRow("9") << "9" << 9;
    QTest::newRow("two digits") << "12" << -1;
    QTest::newRow("letter") << "a" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("space") << " " << -1;
    QTest::newRow("minus one") << "-1" << -1;
}

void tst_Controls::ledCaptionText() {
    QFETCH(QString, written);
    QFETCH(int, read);

    PolyLED led(nullptr, QStringLiteral("pledTest"));
    led.setCaption(5);
    led.setCaptionText(written);
    QCOMPARE(led.caption(), read);
}

void tst_Controls::ledSize_data() {
    QTest::addColumn<double>("written");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("width");

    QTest::newRow("score and clock") << 105.0 << 105 << 58;
    QTest::newRow("period") << 95.0 << 95 << 53;
    QTest::newRow("double") << 210.0 << 210 << 116;
    QTest::newRow("one") << 1.0 << 1 << 1;
    QTest::newRow("2.5 to even") << 2.5 << 2 << 2;
    QTest::newRow("3.5 to even") << 3.5 << 4 << 3;
    QTest::newRow("104.5 to even") << 104.5 << 104 << 58;
    QTest::newRow("105.5 to even") << 105.5 << 106 << 59;
    QTest::newRow("fraction") << 95.4 << 95 << 53;
    QTest::newRow("zero") << 0.0 << 1 << 1;
    QTest::newRow("negative") << -20.0 << 1 << 1;
}

void tst_Controls::ledSize() {
    QFETCH(double, written);
    QFETCH(int, size);
    QFETCH(int, width);

    PolyLED led(nullptr, QStringLiteral("pledTest"));
    led.setProperty("Size", written);
    QCOMPARE(led.digitSize(), size);
    QCOMPARE(led.property("Size").toDouble(), double(size));
    QCOMPARE(PolyLED::widthForSize(size), width);
    QCOMPARE(QSize(led.width(), led.height()), QSize(width, size));
    QCOMPARE(led.widthTwips(), width * 15.0);
    QCOMPARE(led.heightTwips(), size * 15.0);
}

void tst_Controls::ledSizeKeepsPosition() {
    QWidget frame;
    PolyLED led(&frame, QStringLiteral("pledHomeScore"), 2);
    led.setBoundsTwips(-480, 120, 870, 1575);

    led.setSize(210);
    QCOMPARE(led.leftTwips(), -480.0);
    QCOMPARE(led.topTwips(), 120.0);
    QCOMPARE(led.geometry(), QRect(-32, 8, 116, 210));

    led.setSize(95);
    QCOMPARE(led.geometry(), QRect(-32, 8, 53, 95));
}

void tst_Controls::ledSegments_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("caption");
    QTest::addColumn<QString>("lit");

    for (const int size : {105, 400}) {
        QTest::addRow("%d dark", size) << size << -1 << QString();
        for (int digit = 0; digit <= 9; ++digit)
            QTest::addRow("%d digit %d", size, digit) << size << digit << LitSegments.at(digit);
    }
}

void tst_Controls::ledSegments() {
    QFETCH(int, size);
    QFETCH(int, caption);
    QFETCH(QString, lit);

    const Colour litColour = 0x3399FF;
    const Colour backColour = 0x202020;
    PolyLED led(nullptr, QStringLiteral("pledTest"));
    led.setSize(size);
    led.setLitColor(litColour);
    led.setBackColor(backColour);
    led.setCaption(caption);

    const QImage image = led.grab().toImage();
    QCOMPARE(image.size(), QSize(led.width(), led.height()));
    const QColor litQColour = toQColor(litColour);
    const QColor backQColour = toQColor(backColour);
    QCOMPARE(image.pixelColor(0, 0), backQColour);

    const int litToBack = colourDistance(litQColour, backQColour);
    for (const char segment : QByteArrayLiteral("abcdefg")) {
        const QRect area = segmentArea(segment, image.size());
        const int nearestToLit = nearestDistance(image, area, litQColour);
        if (lit.contains(QLatin1Char(segment))) {
            QVERIFY2(nearestToLit <= 2, qPrintable(QStringLiteral("segment %1 is not lit").arg(segment)));
        } else {
            QVERIFY2(nearestToLit > litToBack / 2,
                     qPrintable(QStringLiteral("segment %1 looks lit").arg(segment)));
            QVERIFY2(farthestDistance(image, area, backQColour) >= 10,
                     qPrintable(QStringLiteral("unlit segment %1 is invisible").arg(segment)));
        }
    }
}

void tst_Controls::ledFaceFollowsChange_data() {
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("Caption") << QByteArray("Caption") << QVariant(8);
    QTest::newRow("Caption dark") << QByteArray("Caption") << QVariant(-1);
    QTest::newRow("LitColor") << QByteArray("LitColor") << QVariant(49152);
    QTest::newRow("BackColor") << QByteArray("BackColor") << QVariant(0x404040);
    QTest::newRow("Size") << QByteArray("Size") << QVariant(150.0);
}

// A digit's face is a copy of one drawn once per look: after a change it must be the new look's,
// as a face drawn afresh shows it, and never the one kept from before.
void tst_Controls::ledFaceFollowsChange() {
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);

    const auto drawn = [](const PolyLED& led) {
        QImage image(led.size(), QImage::Format_RGB32);
        QPainter painter(&image);
        PolyLED::paintFace(painter, led.size(), led.caption(), led.litColor(), led.backColor());
        return image;
    };
    const auto shown = [](PolyLED& led) {
        return led.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    PolyLED led(nullptr, QStringLiteral("pledTest"));
    led.setCaption(3);
    const QImage before = shown(led);
    QCOMPARE(before, drawn(led));

    led.setProperty(property.constData(), value);
    const QImage after = shown(led);
    QVERIFY(after != before);
    QCOMPARE(after, drawn(led));
}

void tst_Controls::ledRepaintsOnlyOnChange_data() {
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("initial");
    QTest::addColumn<QVariant>("same");
    QTest::addColumn<QVariant>("other");

    QTest::newRow("Caption") << QByteArray("Caption") << QVariant(4) << QVariant(4) << QVariant(5);
    QTest::newRow("Caption out of range on dark")
        << QByteArray("Caption") << QVariant(-1) << QVariant(10) << QVariant(0);
    QTest::newRow("LitColor") << QByteArray("LitColor") << QVariant(255) << QVariant(255) << QVariant(49152);
    QTest::newRow("BackColor") << QByteArray("BackColor") << QVariant(0) << QVariant(0) << QVariant(0x404040);
    QTest::newRow("Size") << QByteArray("Size") << QVariant(105.0) << QVariant(105.4) << QVariant(106.0);
}

void tst_Controls::ledRepaintsOnlyOnChange() {
    QFETCH(QByteArray, property);
    QFETCH(QVariant, initial);
    QFETCH(QVariant, same);
    QFETCH(QVariant, other);

    QWidget window;
    window.resize(300, 200);
    auto* led = new PolyLED(&window, QStringLiteral("pledTest"));
    // A second digit in the same window: once it has repainted, any repaint the first one had
    // pending has happened too.
    auto* witness = new PolyLED(&window, QStringLiteral("pledWitness"));
    witness->setLeftTwips(1500);
    PaintCounter counter;
    led->installEventFilter(&counter);
    witness->installEventFilter(&counter);
    led->setProperty(property.constData(), initial);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    witness->update();
    QTRY_VERIFY(counter.count(witness) > 0);
    counter.reset();

    led->setProperty(property.constData(), same);
    witness->update();
    QTRY_VERIFY(counter.count(witness) > 0);
    QCOMPARE(counter.count(led), 0);

    led->setProperty(property.constData(), other);
    QTRY_VERIFY(counter.count(led) > 0);
}

void tst_Controls::ledKeyPress_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<char>("character");
    QTest::addColumn<int>("keyAscii");

    QTest::newRow("s") << 0 << 's' << 115;
    QTest::newRow("S") << 0 << 'S' << 83;
    QTest::newRow("7") << 0 << '7' << 55;
    QTest::newRow("Enter") << int(Qt::Key_Return) << '\0' << 13;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << '\0' << 8;
    QTest::newRow("F5") << int(Qt::Key_F5) << '\0' << -1;
    QTest::newRow("Left") << int(Qt::Key_Left) << '\0' << -1;
}

void tst_Controls::ledKeyPress() {
    QFETCH(int, key);
    QFETCH(char, character);
    QFETCH(int, keyAscii);

    QWidget window;
    auto* led = new PolyLED(&window, QStringLiteral("pledTime"), 2);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    led->setFocus();
    QVERIFY(led->hasFocus());

    QSignalSpy spy(led, &PolyLED::KeyPress);
    if (character != '\0')
        QTest::keyClick(led, character);
    else
        QTest::keyClick(led, Qt::Key(key));

    if (keyAscii < 0) {
        QCOMPARE(spy.count(), 0);
    } else {
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 2);
        QCOMPARE(spy.at(0).at(1).value<qint16>(), qint16(keyAscii));
    }
}

void tst_Controls::ledTabMovesFocus() {
    QWidget window;
    auto* first = new PolyLED(&window, QStringLiteral("pledTime"), 0);
    auto* second = new PolyLED(&window, QStringLiteral("pledTime"), 1);
    second->setLeftTwips(900);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    first->setFocus();

    QSignalSpy spy(first, &PolyLED::KeyPress);
    QTest::keyClick(first, Qt::Key_Tab);
    QVERIFY(second->hasFocus());
    QCOMPARE(spy.count(), 0);
}

using ControlFactory = Control* (*)(QWidget*);
Q_DECLARE_METATYPE(ControlFactory)

namespace {

template <typename Kind> Control* make(QWidget* parent) {
    return new Kind(parent, QStringLiteral("ctlTest"));
}

} // namespace

void tst_Controls::kindName_data() {
    QTest::addColumn<ControlFactory>("factory");
    QTest::addColumn<QString>("kind");
    QTest::newRow("PolyLED") << &make<PolyLED> << "PolyLED";
    QTest::newRow("Label") << &make<Label> << "Label";
    QTest::newRow("Shape") << &make<Shape> << "Shape";
    QTest::newRow("PictureBox") << &make<PictureBox> << "PictureBox";
    QTest::newRow("Image") << &make<Image> << "Image";
}

void tst_Controls::kindName() {
    QFETCH(ControlFactory, factory);
    QFETCH(QString, kind);

    QWidget window;
    const Control* control = factory(&window);
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
}

void tst_Controls::geometry_data() {
    QTest::addColumn<ControlFactory>("factory");
    QTest::addColumn<QRectF>("twips");
    QTest::addColumn<QRect>("pixels");

    QTest::newRow("label") << &make<Label> << QRectF(3660, 4560, 2175, 735) << QRect(244, 304, 145, 49);
    QTest::newRow("frame") << &make<PictureBox> << QRectF(1920, 960, 5715, 1875) << QRect(128, 64, 381, 125);
    QTest::newRow("digit left of its frame")
        << &make<PolyLED> << QRectF(-480, 120, 870, 1575) << QRect(-32, 8, 58, 105);
    QTest::newRow("dot between pixels")
        << &make<Shape> << QRectF(2740, 240, 255, 255) << QRect(183, 16, 17, 17);
    QTest::newRow("click area") << &make<Image> << QRectF(3000, 3330, 975, 615) << QRect(200, 222, 65, 41);
    QTest::newRow("thinner than a pixel") << &make<Shape> << QRectF(30, 30, 4, 4) << QRect(2, 2, 1, 1);
}

void tst_Controls::geometry() {
    QFETCH(ControlFactory, factory);
    QFETCH(QRectF, twips);
    QFETCH(QRect, pixels);

    QWidget window;
    Control* control = factory(&window);
    control->setProperty("Left", twips.x());
    control->setProperty("Top", twips.y());
    control->setProperty("Width", twips.width());
    control->setProperty("Height", twips.height());

    QCOMPARE(control->property("Left").toDouble(), twips.x());
    QCOMPARE(control->property("Top").toDouble(), twips.y());
    QCOMPARE(control->property("Width").toDouble(), twips.width());
    QCOMPARE(control->property("Height").toDouble(), twips.height());
    QCOMPARE(control->geometry(), pixels);
}

void tst_Controls::shapeBorderWidth_data() {
    QTest::addColumn<double>("written");
    QTest::addColumn<double>("read");

    QTest::newRow("whole") << 7.0 << 7.0;
    QTest::newRow("2.5 to even") << 2.5 << 2.0;
    QTest::newRow("3.5 to even") << 3.5 << 4.0;
    QTest::newRow("just below half") << 7.49 << 7.0;
    QTest::newRow("below one") << 0.4 << 1.0;
    QTest::newRow("zero") << 0.0 << 1.0;
    QTest::newRow("negative") << -3.0 << 1.0;
}

void tst_Controls::shapeBorderWidth() {
    QFETCH(double, written);
    QFETCH(double, read);

    Shape shape(nullptr, QStringLiteral("shpTest"));
    shape.setProperty("BorderWidth", written);
    QCOMPARE(shape.property("BorderWidth").toDouble(), read);
}

void tst_Controls::pictureBoxReportsFocus() {
    QWidget window;
    auto* led = new PolyLED(&window, QStringLiteral("pledPeriod"));
    auto* frame = new PictureBox(&window, QStringLiteral("picTime"));
    frame->setBoundsTwips(1500, 0, 1500, 1500);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    led->setFocus();

    QSignalSpy spy(frame, &PictureBox::gotFocus);
    frame->setFocus(Qt::TabFocusReason);
    QCOMPARE(spy.count(), 1);

    led->setFocus();
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, frame->geometry().center());
    QCOMPARE(spy.count(), 2);
    QVERIFY(frame->hasFocus());
}

void tst_Controls::shapeLetsClicksThrough() {
    QWidget window;
    window.resize(200, 200);
    auto* image = new Image(&window, QStringLiteral("imgPossH"));
    image->setBoundsTwips(600, 600, 615, 615);
    auto* lamp = new Shape(&window, QStringLiteral("shpPossH"));
    lamp->setBoundsTwips(675, 675, 495, 375);
    lamp->setKind(Shape::Kind::Circle);
    lamp->setFilled(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QSignalSpy spy(image, &Image::clicked);
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, lamp->geometry().center());
    QCOMPARE(spy.count(), 1);
}

void tst_Controls::labelDrawsInForeColor() {
    Label label(nullptr, QStringLiteral("lblHome"));
    label.setBoundsTwips(0, 0, 4335, 975);
    label.setFontSize(36);
    label.setCaption(QStringLiteral("HOME"));
    label.setForeColor(0xFF0000);

    const QImage image = label.grab().toImage();
    const QColor blue = toQColor(0xFF0000);
    int bluePixels = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            bluePixels += image.pixelColor(x, y) == blue;
    }
    QVERIFY(bluePixels > 50);
}

void tst_Controls::labelFitsItsWidth_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<double>("points");
    QTest::addColumn<double>("width"); // twips
    QTest::addColumn<double>("inset");
    QTest::addColumn<bool>("smaller");
    const double name = 240.0 / 4335;
    QTest::newRow("short name as set") << "HOME" << 36.0 << 4335.0 << name << false;
    QTest::newRow("ten characters with accents") << "Åsby «Ørn»" << 36.0 << 4335.0 << name << false;
    QTest::newRow("ten wide capitals") << "ÅSBY «ØRN»" << 36.0 << 4335.0 << name << true;
    QTest::newRow("accents in a narrower label") << "Åsby «Ørn»" << 36.0 << 3000.0 << name << true;
    QTest::newRow("long name, narrow label") << "Västra Frölunda IF" << 36.0 << 2000.0 << name << true;
    QTest::newRow("long title") << "Regional Championship Final - Senior Men's Division" << 32.25 << 9255.0
                                << 0.0 << true;
    QTest::newRow("small caption fits") << "PERIOD" << 24.0 << 2175.0 << 0.0 << false;
}

void tst_Controls::labelFitsItsWidth() {
    QFETCH(QString, caption);
    QFETCH(double, points);
    QFETCH(double, width);
    QFETCH(double, inset);
    QFETCH(bool, smaller);
    Label label(nullptr, QStringLiteral("lblTest"));
    label.setBoundsTwips(0, 0, width, 975);
    label.setFontSize(points);
    label.setFitInset(inset);
    label.setCaption(caption);

    // The ink alone, on a clear image: no pixel of it in the inset on either side.
    QImage image(label.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    label.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
    const int clear = qRound(label.width() * inset);
    QVERIFY(right >= left);
    QVERIFY2(left >= clear && right < label.width() - clear,
             qPrintable(QStringLiteral("ink %1..%2 of %3").arg(left).arg(right).arg(label.width())));
    QCOMPARE(label.drawnFont().pixelSize() < Twips::fontPixelSize(points), smaller);
    QCOMPARE(label.fontSize(), points);
}

QTEST_MAIN(tst_Controls)
#include "tst_controls.moc"
