#include "scoreboard/modShowDigits.h"

#include <QTest>
#include <QWidget>

#include <cmath>
#include <memory>

using namespace modShowDigits;

namespace {

// Captions listed from element 0 (the units) upwards; -1 is a dark digit.
using Captions = QList<int>;

constexpr KeyCode Enter = 13;

} // namespace

class TestDigitEntry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void leadingWholeNumber_data();
    void leadingWholeNumber();
    void leadingWholeNumberOfHugeDigitRuns();

    void applyDigitEntry_data();
    void applyDigitEntry();

    void typing_data();
    void typing();
    void entryIsDroppedWhenTypingOnAnotherDisplay();
    void oneEntryServesAllDisplays();
    void dispatcherSeesEveryKeyOnceBeforeTheEntry();
    void keyHeldDownStaysBoundedAndChangesNothing();
    void realKeysOnADigitReachTheEntry();

private:
    const ControlGroup<PolyLED>& display(const QString& name) const;
    void type(const ControlGroup<PolyLED>& target, QStringView keys);

    std::unique_ptr<QWidget> m_board;
    ControlGroup<PolyLED> m_home{QStringLiteral("pledHomeScore")};
    ControlGroup<PolyLED> m_visitor{QStringLiteral("pledVisitorScore")};
    ControlGroup<PolyLED> m_period{QStringLiteral("pledPeriod")};
    QList<KeyCode> m_dispatched;
    KeyDispatcher m_dispatch;
};

namespace {

ControlGroup<PolyLED> makeDisplay(QWidget* parent, const QString& name, int count) {
    ControlGroup<PolyLED> group(name);
    for (int i = 0; i < count; ++i)
        group.add(new PolyLED(parent, name, i));
    return group;
}

void putCaptions(const ControlGroup<PolyLED>& display, const Captions& captions) {
    for (int i = 0; i < display.Count(); ++i)
        display[i]->setCaption(captions.at(i));
}

Captions captionsOf(const ControlGroup<PolyLED>& display) {
    Captions captions;
    for (const PolyLED* led : display)
        captions.append(led->caption());
    return captions;
}

// The ranges the board gives its displays.
std::pair<qint16, qint16> rangeOf(const ControlGroup<PolyLED>& display) {
    if (display.name() == QLatin1String("pledPeriod"))
        return {0, 9};
    return {0, 199};
}

} // namespace

void TestDigitEntry::init() {
    clearTypedDigits();
    m_dispatched.clear();
    m_dispatch = [this](KeyCode key) { m_dispatched.append(key); };

    m_board = std::make_unique<QWidget>();
    m_home = makeDisplay(m_board.get(), QStringLiteral("pledHomeScore"), 3);
    m_visitor = makeDisplay(m_board.get(), QStringLiteral("pledVisitorScore"), 3);
    m_period = makeDisplay(m_board.get(), QStringLiteral("pledPeriod"), 1);
    // As the board opens: scores blank, blank, 0 and the period 0.
    putCaptions(m_home, {0, -1, -1});
    putCaptions(m_visitor, {0, -1, -1});
    putCaptions(m_period, {0});
}

void TestDigitEntry::cleanup() {
    m_board.reset();
}

const ControlGroup<PolyLED>& TestDigitEntry::display(const QString& name) const {
    return name == QLatin1String("period") ? m_period : m_home;
}

void TestDigitEntry::type(const ControlGroup<PolyLED>& target, QStringView keys) {
    const auto [minValue, maxValue] = rangeOf(target);
    for (const QChar key : keys)
        DigitKeyPress(m_dispatch, target, static_cast<KeyCode>(key.unicode()), minValue, maxValue);
}

void TestDigitEntry::leadingWholeNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("expected");

    QTest::newRow("digits") << "57" << true << 57.0;
    QTest::newRow("stops at a sign") << "12+3" << true << 12.0;
    QTest::newRow("plus sign") << "+3" << true << 3.0;
    QTest::newRow("minus sign") << "-3" << true << -3.0;
    QTest::newRow("one sign only") << "+-3" << false << 0.0;
    QTest::newRow("sign alone") << "+" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("letter first") << "a5" << false << 0.0;
    QTest::newRow("fraction rounds down") << "3.9" << true << 3.0;
    QTest::newRow("negative fraction rounds down") << "-3.2" << true << -4.0;
    QTest::newRow("negative zero fraction") << "-3.00" << true << -3.0;
    QTest::newRow("fraction only") << ".5" << true << 0.0;
    QTest::newRow("negative fraction only") << "-.5" << true << -1.0;
    QTest::newRow("trailing point") << "5." << true << 5.0;
    QTest::newRow("point alone") << "." << false << 0.0;
    QTest::newRow("second point ends it") << "1.5.7" << true << 1.0;
    QTest::newRow("no exponent") << "1e2" << true << 1.0;
}

void TestDigitEntry::leadingWholeNumber() {
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(double, expected);

    const std::optional<double> number = modShowDigits::leadingWholeNumber(text);
    QCOMPARE(number.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*number, expected);
}

void TestDigitEntry::leadingWholeNumberOfHugeDigitRuns() {
    const QString digits(100000, u'9');

    const std::optional<double> positive = modShowDigits::leadingWholeNumber(digits);
    QVERIFY(positive.has_value());
    QVERIFY(std::isinf(*positive));
    QVERIFY(*positive > 0);

    const std::optional<double> negative = modShowDigits::leadingWholeNumber(QStringLiteral("-") + digits);
    QVERIFY(negative.has_value());
    QVERIFY(std::isinf(*negative));
    QVERIFY(*negative < 0);

    const std::optional<double> sixteen = modShowDigits::leadingWholeNumber(u"1234567890123456");
    QVERIFY(sixteen.has_value());
    QCOMPARE(*sixteen, 1234567890123456.0);
}

void TestDigitEntry::applyDigitEntry_data() {
    QTest::addColumn<QString>("displayName");
    QTest::addColumn<Captions>("before");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<Captions>("after");

    const Captions s57{7, 5, -1};
    const Captions blank{-1, -1, -1};
    const QString huge(100000, u'1');

    QTest::newRow("absolute one digit") << "home" << s57 << "7" << Captions{7, -1, -1};
    QTest::newRow("absolute three digits") << "home" << s57 << "123" << Captions{3, 2, 1};
    QTest::newRow("subtracts") << "home" << s57 << "-9" << Captions{8, 4, -1};
    QTest::newRow("subtracts a negative number") << "home" << s57 << "--3" << Captions{0, 6, -1};
    QTest::newRow("adds a rounded-down fraction") << "home" << s57 << "+3.9" << Captions{0, 6, -1};
    QTest::newRow("adds a negative fraction") << "home" << s57 << "+-3.5" << Captions{3, 5, -1};
    QTest::newRow("sign without a number") << "home" << s57 << "+" << s57;
    QTest::newRow("sign without a number rewrites")
        << "home" << Captions{7, 0, 0} << "-" << Captions{7, -1, -1};
    QTest::newRow("lit leading zeros read past")
        << "home" << Captions{7, 0, 0} << "+1" << Captions{8, -1, -1};
    QTest::newRow("blank tens read past") << "home" << Captions{7, -1, 1} << "+1" << Captions{8, 1, -1};
    QTest::newRow("empty entry") << "home" << s57 << "" << s57;
    QTest::newRow("not a number") << "home" << s57 << "x5" << s57;
    QTest::newRow("space first") << "home" << s57 << " 5" << s57;
    QTest::newRow("all blank subtracts below zero") << "home" << blank << "-1" << blank;
    QTest::newRow("all blank absolute") << "home" << blank << "42" << Captions{2, 4, -1};
    QTest::newRow("huge absolute") << "home" << s57 << huge << s57;
    QTest::newRow("huge addition") << "home" << s57 << QStringLiteral("+") + huge << s57;
    QTest::newRow("huge subtraction") << "home" << s57 << QStringLiteral("-") + huge << s57;
    QTest::newRow("period above the top") << "period" << Captions{7} << "10" << Captions{7};
}

void TestDigitEntry::applyDigitEntry() {
    QFETCH(QString, displayName);
    QFETCH(Captions, before);
    QFETCH(QString, entry);
    QFETCH(Captions, after);

    const ControlGroup<PolyLED>& target = display(displayName);
    putCaptions(target, before);
    const auto [minValue, maxValue] = rangeOf(target);

    ApplyDigitEntry(target, entry, minValue, maxValue);
    QCOMPARE(captionsOf(target), after);
}

void TestDigitEntry::typing_data() {
    QTest::addColumn<QString>("displayName");
    QTest::addColumn<Captions>("before");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<Captions>("after");
    QTest::addColumn<QString>("pending");

    const Captions s57{7, 5, -1};
    const Captions s43{3, 4, -1};

    QTest::newRow("adjustment applies at its digit") << "home" << s57 << "+3" << Captions{0, 6, -1} << "";
    QTest::newRow("adjustments follow each other") << "home" << s57 << "+3-9" << Captions{1, 5, -1} << "";
    QTest::newRow("adjustment below zero dropped")
        << "home" << Captions{5, -1, -1} << "-9" << Captions{5, -1, -1} << "";
    QTest::newRow("sign waits for its digit") << "home" << s57 << "+" << s57 << "+";
    QTest::newRow("digits wait for Enter") << "home" << s43 << "123" << s43 << "123";
    QTest::newRow("250 Enter dropped") << "home" << s43 << "250\r" << s43 << "";
    QTest::newRow("199 Enter") << "home" << s43 << "199\r" << Captions{9, 9, 1} << "";
    QTest::newRow("0 Enter") << "home" << s43 << "0\r" << Captions{0, -1, -1} << "";
    QTest::newRow("12+3 Enter") << "home" << s43 << "12+3\r" << Captions{2, 1, -1} << "";
    QTest::newRow("007 Enter") << "home" << s43 << "007\r" << Captions{7, -1, -1} << "";
    QTest::newRow("many leading zeros")
        << "home" << s43 << QString(60, u'0') + QStringLiteral("7\r") << Captions{7, -1, -1} << "";
    QTest::newRow("space empties the entry") << "home" << s43 << "12 4\r" << Captions{4, -1, -1} << "";
    QTest::newRow("space alone") << "home" << s43 << " " << s43 << "";
    QTest::newRow("Enter alone") << "home" << s43 << "\r" << s43 << "";
    QTest::newRow("letters ignored") << "home" << s43 << "1a2\r" << Captions{2, 1, -1} << "";
    QTest::newRow("second sign keeps it open") << "home" << s57 << "+-3" << s57 << "+-3";
    QTest::newRow("second sign then Enter") << "home" << s57 << "+-3\r" << Captions{4, 5, -1} << "";
    QTest::newRow("two plus signs then Enter") << "home" << s57 << "++3\r" << Captions{0, 6, -1} << "";
    QTest::newRow("signed zeros then Enter") << "home" << s57 << "-+007\r" << Captions{0, 5, -1} << "";
    QTest::newRow("all blank adds from zero")
        << "home" << Captions{-1, -1, -1} << "+5" << Captions{5, -1, -1} << "";
    QTest::newRow("period digit at once") << "period" << Captions{7} << "3" << Captions{3} << "";
    QTest::newRow("period then adds") << "period" << Captions{7} << "3+2" << Captions{5} << "";
    QTest::newRow("period adds above 9") << "period" << Captions{7} << "3+2+5" << Captions{5} << "";
    QTest::newRow("period letter") << "period" << Captions{7} << "a" << Captions{7} << "";
    QTest::newRow("period below zero") << "period" << Captions{0} << "-1" << Captions{0} << "";
    QTest::newRow("period sign waits") << "period" << Captions{4} << "-" << Captions{4} << "-";
    QTest::newRow("period Enter alone") << "period" << Captions{4} << "\r" << Captions{4} << "";
    QTest::newRow("period last digit wins") << "period" << Captions{4} << "68" << Captions{8} << "";
}

void TestDigitEntry::typing() {
    QFETCH(QString, displayName);
    QFETCH(Captions, before);
    QFETCH(QString, keys);
    QFETCH(Captions, after);
    QFETCH(QString, pending);

    const ControlGroup<PolyLED>& target = display(displayName);
    putCaptions(target, before);

    type(target, keys);
    QCOMPARE(captionsOf(target), after);
    QCOMPARE(typedDigits(), pending);
}

void TestDigitEntry::entryIsDroppedWhenTypingOnAnotherDisplay() {
    putCaptions(m_home, {3, 4, -1});

    type(m_home, u"1");
    QCOMPARE(typedDigits(), QStringLiteral("1"));
    type(m_visitor, u"2\r");

    QCOMPARE(captionsOf(m_visitor), (Captions{2, -1, -1}));
    QCOMPARE(captionsOf(m_home), (Captions{3, 4, -1}));
    QCOMPARE(typedDigits(), QString());

    // A sign begun on a score display does not carry over to the period either.
    type(m_home, u"+");
    type(m_period, u"4");
    QCOMPARE(captionsOf(m_period), Captions{4});
    QCOMPARE(captionsOf(m_home), (Captions{3, 4, -1}));
}

void TestDigitEntry::oneEntryServesAllDisplays() {
    putCaptions(m_home, {3, 4, -1});

    // Going back to the first display does not bring its old keys back.
    type(m_home, u"9");
    type(m_visitor, u"+");
    type(m_home, u"5\r");
    QCOMPARE(captionsOf(m_home), (Captions{5, -1, -1}));
    QCOMPARE(captionsOf(m_visitor), (Captions{0, -1, -1}));

    // Forgetting the entry also forgets its display, so the next key starts afresh.
    type(m_home, u"12");
    clearTypedDigits();
    QCOMPARE(typedDigits(), QString());
    type(m_home, u"\r");
    QCOMPARE(captionsOf(m_home), (Captions{5, -1, -1}));
}

void TestDigitEntry::dispatcherSeesEveryKeyOnceBeforeTheEntry() {
    putCaptions(m_period, {7});
    // What the period showed when each key reached the dispatcher.
    QList<int> periodAtDispatch;
    m_dispatch = [&](KeyCode key) {
        m_dispatched.append(key);
        periodAtDispatch.append(m_period[0]->caption());
    };

    type(m_period, u"3s+2");
    type(m_home, u"1 2\rx");
    type(m_visitor, u"+-4\r");

    const QString all = QStringLiteral("3s+21 2\rx+-4\r");
    QList<KeyCode> expected;
    for (const QChar key : all)
        expected.append(static_cast<KeyCode>(key.unicode()));
    QCOMPARE(m_dispatched, expected);
    // The digit 3 and the adjustment +2 show only after the dispatcher has run.
    QCOMPARE(periodAtDispatch.mid(0, 4), (QList<int>{7, 3, 3, 3}));
    QCOMPARE(captionsOf(m_period), Captions{5});
    QCOMPARE(captionsOf(m_home), (Captions{2, -1, -1}));
    QCOMPARE(captionsOf(m_visitor), (Captions{0, -1, -1}));
}

void TestDigitEntry::keyHeldDownStaysBoundedAndChangesNothing() {
    putCaptions(m_home, {3, 4, -1});
    const int presses = 100000;

    type(m_home, QString(presses, u'9'));
    QVERIFY(typedDigits().size() <= MaxEntryLength);
    QVERIFY(typedDigits().startsWith(QStringLiteral("999")));
    type(m_home, u"\r");
    QCOMPARE(captionsOf(m_home), (Captions{3, 4, -1}));
    QCOMPARE(typedDigits(), QString());

    type(m_home, QStringLiteral("+-") + QString(presses, u'7') + QStringLiteral("\r"));
    QCOMPARE(captionsOf(m_home), (Captions{3, 4, -1}));

    // The board still takes an ordinary entry afterwards.
    type(m_home, u"12\r");
    QCOMPARE(captionsOf(m_home), (Captions{2, 1, -1}));
    QCOMPARE(m_dispatched.size(), 2 * presses + 1 + 3 + 3);
}

void TestDigitEntry::realKeysOnADigitReachTheEntry() {
    putCaptions(m_home, {3, 4, -1});
    // Wired as the board wires it: the index of the element is ignored.
    for (PolyLED* led : m_home)
        connect(led, &PolyLED::KeyPress, this,
                [this](int, qint16 keyAscii) { DigitKeyPress(m_dispatch, m_home, keyAscii, 0, 199); });

    QTest::keyClicks(m_home[0], QStringLiteral("1"));
    QTest::keyClicks(m_home[2], QStringLiteral("05"));
    QCOMPARE(captionsOf(m_home), (Captions{3, 4, -1}));
    QTest::keyClick(m_home[1], Qt::Key_Return);
    QCOMPARE(captionsOf(m_home), (Captions{5, 0, 1}));

    QTest::keyClicks(m_home[0], QStringLiteral("-6"));
    QCOMPARE(captionsOf(m_home), (Captions{9, 9, -1}));
    QCOMPARE(m_dispatched, (QList<KeyCode>{'1', '0', '5', Enter, '-', '6'}));
}

QTEST_MAIN(TestDigitEntry)
#include "tst_digitentry.moc"
