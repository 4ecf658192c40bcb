#include "clock/ClockShow.h"
#include "clock/ClockText.h"
#include "state/modBasketball.h"

#include <QTest>
#include <QWidget>

using namespace modCount;

char* toString(const Currency& value) {
    return qstrdup(QByteArray::number(value.toDouble(), 'f', 4).constData());
}

namespace {

// A face as the board reads: a dark digit is "_", the separator ":" for a colon, "." otherwise.
QString faceText(const std::array<qint16, 4>& digits, bool colon) {
    QString text;
    for (int i = 0; i < 4; ++i) {
        if (i == 2)
            text += colon ? u':' : u'.';
        text += digits[i] < 0 ? QChar(u'_') : QChar(u'0' + digits[i]);
    }
    return text;
}

} // namespace

class TestClockText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The face a value is drawn with.
    void faceOfValue_data();
    void faceOfValue();

    // Whole-number division.
    void intDivRoundsDown_data();
    void intDivRoundsDown();

    // Typed clock text.
    void parsesTypedText_data();
    void parsesTypedText();

    // Drawing on real digit and dot controls.
    void showCountDrawsDigitsAndDots_data();
    void showCountDrawsDigitsAndDots();
    void showCountSwitchesTheUpperDotBetweenForms();
};

void TestClockText::faceOfValue_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shown");

    QTest::newRow("600") << 600.0 << "10:00";
    QTest::newRow("5999") << 5999.0 << "99:59";
    QTest::newRow("65.3") << 65.3 << "_1:06";
    QTest::newRow("60.0") << 60.0 << "_1:00";
    QTest::newRow("59.9") << 59.9 << "59.9_";
    QTest::newRow("9.0") << 9.0 << "_9.0_";
    QTest::newRow("0") << 0.0 << "_0.0_";
    QTest::newRow("60.1") << 60.1 << "_1:01";
    QTest::newRow("61.0") << 61.0 << "_1:01";
    QTest::newRow("0.4") << 0.4 << "_0.4_";
    QTest::newRow("10.0") << 10.0 << "10.0_";
    QTest::newRow("600.5") << 600.5 << "10:01";
    QTest::newRow("605.0") << 605.0 << "10:05";
    QTest::newRow("599.9") << 599.9 << "10:00";
    QTest::newRow("time of day 14:35") << 875.0 << "14:35";
    QTest::newRow("time of day 9:05") << 545.0 << "_9:05";
    QTest::newRow("5999.5 clamped") << 5999.5 << "99:59";
    QTest::newRow("6000 clamped") << 6000.0 << "99:59";
    QTest::newRow("99999 clamped") << 99999.0 << "99:59";
    QTest::newRow("-5 clamped") << -5.0 << "_0.0_";
}

void TestClockText::faceOfValue() {
    QFETCH(double, value);
    QFETCH(QString, shown);
    const ClockFace face = clockFace(Currency::fromDouble(value));
    QCOMPARE(faceText(face.digits, face.colon), shown);
}

void TestClockText::intDivRoundsDown_data() {
    QTest::addColumn<double>("dividend");
    QTest::addColumn<double>("divisor");
    QTest::addColumn<qint16>("quotient");

    QTest::newRow("exact") << 600.0 << 600.0 << qint16(1);
    QTest::newRow("just below") << 599.9 << 600.0 << qint16(0);
    QTest::newRow("ten") << 6000.0 << 600.0 << qint16(10);
    QTest::newRow("59.9 / 10") << 59.9 << 10.0 << qint16(5);
    QTest::newRow("65.3 / 60") << 65.3 << 60.0 << qint16(1);
    QTest::newRow("-7 / 2 rounds down") << -7.0 << 2.0 << qint16(-4);
    QTest::newRow("-0.1 / 10 rounds down") << -0.1 << 10.0 << qint16(-1);
}

void TestClockText::intDivRoundsDown() {
    QFETCH(double, dividend);
    QFETCH(double, divisor);
    QFETCH(qint16, quotient);
    QCOMPARE(IntDiv(Currency::fromDouble(dividend), Currency::fromDouble(divisor)), quotient);
}

void TestClockText::parsesTypedText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("seconds");

    QTest::newRow("10") << "10" << 600.0;
    QTest::newRow("5.3") << "5.3" << 303.0;
    QTest::newRow("5.30") << "5.30" << 330.0;
    QTest::newRow("12.345") << "12.345" << 754.5;
    QTest::newRow(".45") << ".45" << 45.0;
    QTest::newRow("0.455") << "0.455" << 45.5;
    QTest::newRow("5.") << "5." << 300.0;
    QTest::newRow("lone point") << "." << 0.0;
    QTest::newRow("99.99") << "99.99" << 6039.0;
    QTest::newRow("1.75") << "1.75" << 135.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("eight characters") << "0001.309" << 90.9;
    QTest::newRow("100") << "100" << -1.0;
    QTest::newRow("third digit is a tenth") << "1.100" << 70.0;
    QTest::newRow("digits after the tenth ignored") << "1.0599" << 65.9;
    QTest::newRow("1.2.3") << "1.2.3" << -1.0;
    QTest::newRow("nine characters") << "123456789" << -1.0;
    QTest::newRow("1:30") << "1:30" << -1.0;
    QTest::newRow("-5") << "-5" << -1.0;
    QTest::newRow("leading space") << " 5" << -1.0;
    QTest::newRow("Arabic-Indic digit") << QString(QChar(0x0665)) << -1.0;
}

void TestClockText::parsesTypedText() {
    QFETCH(QString, text);
    QFETCH(double, seconds);
    QCOMPARE(ParseCount(text), Currency::fromDouble(seconds));
}

namespace {

struct ClockDisplay {
    QWidget window;
    ControlGroup<PolyLED> digits{QStringLiteral("pledTime")};
    ControlGroup<Shape> dots{QStringLiteral("shpTime")};

    ClockDisplay() {
        for (int i = 0; i < 4; ++i)
            digits.add(new PolyLED(&window, digits.name(), i));
        for (int i = 0; i < 2; ++i)
            dots.add(new Shape(&window, dots.name(), i));
    }

    QString shown() const {
        std::array<qint16, 4> captions{};
        for (int i = 0; i < 4; ++i)
            captions[i] = digits[i]->caption();
        return faceText(captions, dots[0]->fillColor() == modBasketball::BorderColor);
    }
};

constexpr Colour Border = 0x00336699;
constexpr Colour Back = 0x00102030;

} // namespace

void TestClockText::showCountDrawsDigitsAndDots_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("colon");

    QTest::newRow("600") << 600.0 << "10:00" << true;
    QTest::newRow("65.3") << 65.3 << "_1:06" << true;
    QTest::newRow("59.9") << 59.9 << "59.9_" << false;
    QTest::newRow("0") << 0.0 << "_0.0_" << false;
    QTest::newRow("99999") << 99999.0 << "99:59" << true;
}

void TestClockText::showCountDrawsDigitsAndDots() {
    QFETCH(double, value);
    QFETCH(QString, shown);
    QFETCH(bool, colon);

    modBasketball::BorderColor = Border;
    modBasketball::LEDBack = Back;
    ClockDisplay display;
    ShowCount(Currency::fromDouble(value), display.digits, display.dots);

    QCOMPARE(display.shown(), shown);
    QCOMPARE(display.dots[0]->fillColor(), colon ? Border : Back);
    QCOMPARE(display.dots[1]->fillColor(), Border);
}

void TestClockText::showCountSwitchesTheUpperDotBetweenForms() {
    modBasketball::BorderColor = Border;
    modBasketball::LEDBack = Back;
    ClockDisplay display;

    ShowCount(Currency::fromSeconds(60), display.digits, display.dots);
    QCOMPARE(display.dots[0]->fillColor(), Border);
    QCOMPARE(display.digits[3]->caption(), qint16(0));

    ShowCount(Currency::fromDouble(59.9), display.digits, display.dots);
    QCOMPARE(display.dots[0]->fillColor(), Back);
    QCOMPARE(display.dots[1]->fillColor(), Border);
    QCOMPARE(display.digits[3]->caption(), qint16(-1));

    // A colour change reaches the dots at the next draw.
    modBasketball::BorderColor = 0x000000FF;
    ShowCount(Currency::fromSeconds(600), display.digits, display.dots);
    QCOMPARE(display.dots[0]->fillColor(), Colour(0x000000FF));
    QCOMPARE(display.dots[1]->fillColor(), Colour(0x000000FF));
    QCOMPARE(display.shown(), QStringLiteral("10:00"));
}

QTEST_MAIN(TestClockText)
#include "tst_clocktext.moc"
