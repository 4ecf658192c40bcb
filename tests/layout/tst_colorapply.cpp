#include "layout/ColorApply.h"
#include "platform/ControlGroup.h"
#include "platform/Image.h"
#include "platform/Label.h"
#include "platform/PictureBox.h"
#include "platform/PolyLED.h"
#include "platform/Shape.h"
#include "state/modBasketball.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

constexpr Colour Red = 0x0000FF;
constexpr Colour Black = 0x000000;
constexpr Colour Blue = 0xFF0000;
constexpr Colour Yellow = 0x00FFFF;
// Every control starts in this colour, so an untouched one is told from a coloured one.
constexpr Colour Untouched = 0x00FF00;

// The colour-bearing controls of the scoreboard, every colour preset to Untouched.
class Board : public QWidget {
public:
    Board() {
        for (const char* name : {"lblTitle", "lblPeriod", "lblHome", "lblVisitor"}) {
            auto* label = new Label(this, QLatin1String(name));
            label->setForeColor(Untouched);
            labels.append(label);
        }
        picTime = new PictureBox(this, QStringLiteral("picTime"));
        picTime->setBackColor(Untouched);
        for (int i = 0; i < 4; ++i)
            pledTime.add(led(picTime, QStringLiteral("pledTime"), i));
        picHomeScore = new PictureBox(this, QStringLiteral("picHomeScore"));
        picHomeScore->setBackColor(Untouched);
        pledPeriod.add(led(this, QStringLiteral("pledPeriod"), 0));

        for (int i = 0; i < 2; ++i)
            shpTime.add(shape(QStringLiteral("shpTime"), i));
        outline = shape(QStringLiteral("Shape1"));
        shpPossH = shape(QStringLiteral("shpPossH"));

        // Named like a label: the kind decides, not the name.
        imgPossH = new Image(this, QStringLiteral("lblImage"));
        timer = new QTimer(this);
        button = new QPushButton(QStringLiteral("OK"), this);
    }

    PolyLED* led(QWidget* parent, const QString& name, int index) {
        auto* element = new PolyLED(parent, name, index);
        element->setBackColor(Untouched);
        element->setLitColor(Untouched);
        return element;
    }

    Shape* shape(const QString& name, int index = -1) {
        auto* figure = new Shape(this, name, index);
        figure->setBorderColor(Untouched);
        figure->setFillColor(Untouched);
        return figure;
    }

    Label* label(const QString& name) const {
        return *std::find_if(labels.begin(), labels.end(), [&](Label* l) { return l->objectName() == name; });
    }

    QList<Label*> labels;
    PictureBox* picTime;
    PictureBox* picHomeScore;
    ControlGroup<PolyLED> pledTime{QStringLiteral("pledTime")};
    ControlGroup<PolyLED> pledPeriod{QStringLiteral("pledPeriod")};
    ControlGroup<Shape> shpTime{QStringLiteral("shpTime")};
    Shape* outline;
    Shape* shpPossH;
    Image* imgPossH;
    QTimer* timer;
    QPushButton* button;
};

void verifyLedsUntouched(const ControlGroup<PolyLED>& display) {
    for (const PolyLED* element : display) {
        QCOMPARE(element->backColor(), Untouched);
        QCOMPARE(element->litColor(), Untouched);
    }
}

} // namespace

class TestColorApply : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void coloursEachKind();
    void skipsGroupThroughOneMember();
    void skipsByWholeName_data();
    void skipsByWholeName();
    void repeatsWithCurrentSettings();
    void coloursLedDisplay_data();
    void coloursLedDisplay();

private:
    std::unique_ptr<Board> board;
};

void TestColorApply::init() {
    modBasketball::BorderColor = Red;
    modBasketball::LEDBack = Black;
    board = std::make_unique<Board>();
}

void TestColorApply::coloursEachKind() {
    modColor::ColorForm(board.get(), {board->label(QStringLiteral("lblHome")),
                                      board->label(QStringLiteral("lblVisitor")), board->shpPossH});

    QCOMPARE(board->label(QStringLiteral("lblTitle"))->foreColor(), Red);
    QCOMPARE(board->label(QStringLiteral("lblPeriod"))->foreColor(), Red);
    QCOMPARE(board->picTime->backColor(), Black);
    QCOMPARE(board->picHomeScore->backColor(), Black);
    QCOMPARE(board->outline->borderColor(), Red);
    QCOMPARE(board->shpTime[0]->borderColor(), Red);
    QCOMPARE(board->shpTime[1]->borderColor(), Red);
    // A shape's fill is not the pass's business.
    QCOMPARE(board->outline->fillColor(), Untouched);

    QCOMPARE(board->label(QStringLiteral("lblHome"))->foreColor(), Untouched);
    QCOMPARE(board->label(QStringLiteral("lblVisitor"))->foreColor(), Untouched);
    QCOMPARE(board->shpPossH->borderColor(), Untouched);

    verifyLedsUntouched(board->pledTime);
    verifyLedsUntouched(board->pledPeriod);
    // Setting a property a control lacks would add it as a dynamic property.
    QVERIFY(board->imgPossH->dynamicPropertyNames().isEmpty());
    QVERIFY(board->button->dynamicPropertyNames().isEmpty());
    QVERIFY(board->timer->dynamicPropertyNames().isEmpty());
}

void TestColorApply::skipsGroupThroughOneMember() {
    modColor::ColorForm(board.get(), {board->shpTime[1]});
    QCOMPARE(board->shpTime[0]->borderColor(), Untouched);
    QCOMPARE(board->shpTime[1]->borderColor(), Untouched);
    QCOMPARE(board->outline->borderColor(), Red);
    QCOMPARE(board->shpPossH->borderColor(), Red);
}

void TestColorApply::skipsByWholeName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("skipNames");
    QTest::addColumn<bool>("skipped");
    QTest::newRow("listed") << QStringLiteral("lblHome") << QStringList{"lblTitle", "lblHome"} << true;
    QTest::newRow("other case") << QStringLiteral("lblhome") << QStringList{"lblHome"} << false;
    QTest::newRow("prefix of a listed name") << QStringLiteral("lbl") << QStringList{"lblHome"} << false;
    QTest::newRow("listed name is a prefix") << QStringLiteral("lblHome2") << QStringList{"lblHome"} << false;
    QTest::newRow("bar joins two listed names") << QStringLiteral("a|b") << QStringList{"a", "b"} << false;
    QTest::newRow("double bar joins two listed names")
        << QStringLiteral("a||b") << QStringList{"a", "b"} << false;
    QTest::newRow("bar name listed") << QStringLiteral("a|b") << QStringList{"a|b"} << true;
    QTest::newRow("empty list") << QStringLiteral("lblHome") << QStringList{} << false;
}

void TestColorApply::skipsByWholeName() {
    QFETCH(QString, name);
    QFETCH(QStringList, skipNames);
    QFETCH(bool, skipped);

    QWidget form;
    auto* label = new Label(&form, name);
    label->setForeColor(Untouched);
    QList<QWidget*> skipControls;
    for (const QString& skipName : skipNames)
        skipControls.append(new Label(&form, skipName));

    modColor::ColorForm(&form, skipControls);
    QCOMPARE(label->foreColor(), skipped ? Untouched : Red);
}

void TestColorApply::repeatsWithCurrentSettings() {
    modColor::ColorForm(board.get(), {board->shpPossH});
    modColor::ColorForm(board.get(), {board->shpPossH});
    QCOMPARE(board->label(QStringLiteral("lblTitle"))->foreColor(), Red);
    QCOMPARE(board->picTime->backColor(), Black);

    // Each run takes the settings as they are now.
    modBasketball::BorderColor = Blue;
    modBasketball::LEDBack = Yellow;
    modColor::ColorForm(board.get(), {board->shpPossH});
    QCOMPARE(board->label(QStringLiteral("lblTitle"))->foreColor(), Blue);
    QCOMPARE(board->picTime->backColor(), Yellow);
    QCOMPARE(board->outline->borderColor(), Blue);
    QCOMPARE(board->shpPossH->borderColor(), Untouched);
}

void TestColorApply::coloursLedDisplay_data() {
    QTest::addColumn<int>("elements");
    QTest::addColumn<bool>("grouped");
    QTest::newRow("clock, four elements") << 4 << true;
    QTest::newRow("period, a group of one") << 1 << true;
    QTest::newRow("lone element") << 1 << false;
}

void TestColorApply::coloursLedDisplay() {
    QFETCH(int, elements);
    QFETCH(bool, grouped);

    ControlGroup<PolyLED> display(QStringLiteral("pledTest"));
    for (int i = 0; i < elements; ++i)
        display.add(board->led(board.get(), display.name(), grouped ? i : -1));
    if (grouped)
        modColor::ColorLED(display, Yellow);
    else
        modColor::ColorLED(display[0], Yellow);

    for (const PolyLED* element : display) {
        QCOMPARE(element->backColor(), Black);
        QCOMPARE(element->litColor(), Yellow);
    }
    // The other displays keep their colours.
    verifyLedsUntouched(board->pledTime);
}

QTEST_MAIN(TestColorApply)
#include "tst_colorapply.moc"
