#include "game/GameRules.h"
#include "game/GameSettings.h"
#include "game/Periods.h"
#include "game/ShotClock.h"

#include <QTest>

using namespace game;

Q_DECLARE_METATYPE(game::RulesPreset)
Q_DECLARE_METATYPE(game::Figure)

namespace {

std::optional<Figure> figureNamed(const QString& name) {
    for (Figure f : allFigures())
        if (figureName(f) == name)
            return f;
    return std::nullopt;
}

QHash<QString, QString> stored(const QList<QPair<QString, QString>>& keys) {
    QHash<QString, QString> hash;
    for (const auto& [key, text] : keys)
        hash.insert(key, text);
    return hash;
}

Currency seconds(double s) {
    return Currency::fromDouble(s);
}

} // namespace

class TestGameRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every figure of both presets, by its stored text.
    void presetFigures_data();
    void presetFigures();

    // A figure typed in the settings: accepted, or refused with the reason shown beside it.
    void typedFigure_data();
    void typedFigure();

    // The store: Custom figures come back as written; bad or absent ones load the preset's.
    void storeRoundTrip();
    void storedValues_data();
    void storedValues();

    // The periods one after another with their breaks, texts and readings.
    void periodSequence_data();
    void periodSequence();

    // The shot clock's face, blanking and resets, and the countdowns' signals.
    void shotClockText_data();
    void shotClockText();
    void shotClockBlank_data();
    void shotClockBlank();
    void countdownSignals_data();
    void countdownSignals();
};

void TestGameRules::presetFigures_data() {
    QTest::addColumn<QString>("figure");
    QTest::addColumn<QString>("fiba");
    QTest::addColumn<QString>("nfhs");

    const QList<std::array<const char*, 3>> rows = {
        {"Periods", "4", "4"},
        {"PeriodLength", "600", "480"},
        {"OvertimeLength", "300", "240"},
        {"IntervalLength", "120", "60"},
        {"HalfTimeLength", "900", "600"},
        {"ShotClock", "true", "false"},
        {"ShotClockFull", "24", "35"},
        {"ShotClockShort", "14", "35"},
        {"ShotClockBlanking", "false", "true"},
        {"FoulLimit", "4", "4"},
        {"FoulReset", "Period", "Period"},
        {"OvertimeKeepsFouls", "true", "true"},
        {"TimeoutsFirstHalf", "2", "5"},
        {"TimeoutsSecondHalf", "3", "0"},
        {"TimeoutsLateCap", "2", "0"},
        {"TimeoutsLateWindow", "120", "120"},
        {"TimeoutsPerOvertime", "1", "1"},
        {"TimeoutsCarried", "false", "true"},
        {"TimeoutLength", "60", "60"},
        {"TimeoutSignal", "50", "50"},
    };
    QCOMPARE(rows.size(), FigureCount);
    for (const auto& [figure, fiba, nfhs] : rows)
        QTest::newRow(figure) << QString::fromLatin1(figure) << QString::fromLatin1(fiba)
                              << QString::fromLatin1(nfhs);
}

void TestGameRules::presetFigures() {
    QFETCH(QString, figure);
    QFETCH(QString, fiba);
    QFETCH(QString, nfhs);
    const std::optional<Figure> f = figureNamed(figure);
    QVERIFY(f);
    QCOMPARE(figureText(presetRules(RulesPreset::Fiba), *f), fiba);
    QCOMPARE(figureText(presetRules(RulesPreset::Nfhs), *f), nfhs);
    QCOMPARE(presetRules(RulesPreset::Custom), fibaRules());
}

void TestGameRules::typedFigure_data() {
    QTest::addColumn<QString>("figure");
    QTest::addColumn<QString>("typed");
    // The stored text after the figure is set, or the start of the refusal when it is not.
    QTest::addColumn<QString>("result");
    QTest::addColumn<bool>("refused");
    const auto row = [](const char* name, const char* figure, const char* typed, const char* result,
                        bool refused) {
        QTest::newRow(name) << QString::fromLatin1(figure) << QString::fromLatin1(typed)
                            << QString::fromLatin1(result) << refused;
    };

    row("period as m:ss", "PeriodLength", "12:00", "720", false);
    row("period as seconds", "PeriodLength", " 90 ", "90", false);
    row("period 99:59", "PeriodLength", "99:59", "5999", false);
    row("period 0", "PeriodLength", "0:00", "A period cannot be 0.", true);
    row("period over 99:59", "PeriodLength", "6000", "A period cannot be over 99:59.", true);
    row("period 10:60", "PeriodLength", "10:60", "A period is typed as", true);
    row("period tenths", "PeriodLength", "599.5", "A period is typed as", true);
    row("period negative", "PeriodLength", "-10", "A period cannot be negative.", true);
    row("interval 0 skips", "IntervalLength", "0", "0", false);
    row("shot clock 99", "ShotClockFull", "99", "99", false);
    row("shot clock 100", "ShotClockFull", "100", "The shot clock cannot be over 99 s.", true);
    row("shot clock 0", "ShotClockFull", "0", "The shot clock cannot be 0.", true);
    row("shot clock below short", "ShotClockFull", "13", "The shot clock cannot be below", true);
    row("short equal to full", "ShotClockShort", "24", "24", false);
    row("short above full", "ShotClockShort", "25", "The short reset cannot be above", true);
    row("periods 9", "Periods", "9", "9", false);
    row("periods 0", "Periods", "0", "The number of periods must be from 1 to 9.", true);
    row("periods text", "Periods", "four", "The number of periods must be a whole", true);
    row("timeouts negative", "TimeoutsFirstHalf", "-1", "First-half timeouts cannot be negative.", true);
    row("timeouts 0", "TimeoutsSecondHalf", "0", "0", false);
    row("no late cap", "TimeoutsLateCap", "0", "0", false);
    row("foul limit 10", "FoulLimit", "10", "The foul limit must be from 1 to 9.", true);
    row("warning at the end", "TimeoutSignal", "60", "The warning must come before", true);
    row("no warning", "TimeoutSignal", "0", "0", false);
    row("timeout shorter than warning", "TimeoutLength", "50", "A timeout must last longer", true);
    row("timeout 1:30", "TimeoutLength", "1:30", "90", false);
    row("switch", "ShotClock", "False", "false", false);
    row("switch yes", "ShotClock", "yes", "The shot clock switch is true or false.", true);
    row("fouls by half", "FoulReset", "Half", "Half", false);
    row("fouls by game", "FoulReset", "Game", "The foul reset is Period or Half.", true);
}

void TestGameRules::typedFigure() {
    QFETCH(QString, figure);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    QFETCH(bool, refused);
    const Figure f = *figureNamed(figure);
    GameRules rules = fibaRules();
    const QString why = figureRefusal(rules, f, typed);
    QCOMPARE(setFigure(rules, f, typed), !refused);
    if (refused) {
        QVERIFY2(why.startsWith(result), qPrintable(why));
        QCOMPARE(rules, fibaRules());
    } else {
        QCOMPARE(why, QString());
        QCOMPARE(figureText(rules, f), result);
    }
}

void TestGameRules::storeRoundTrip() {
    GameSettings custom;
    custom.layout = Layout::Game;
    custom.preset = RulesPreset::Custom;
    // Every figure off its FIBA value; the short reset comes down before the full one can.
    const QList<QPair<QString, QString>> changes = {
        {"Periods", "2"},
        {"PeriodLength", "1200"},
        {"OvertimeLength", "180"},
        {"IntervalLength", "0"},
        {"HalfTimeLength", "600"},
        {"ShotClock", "false"},
        {"ShotClockShort", "10"},
        {"ShotClockFull", "12"},
        {"ShotClockBlanking", "true"},
        {"FoulLimit", "6"},
        {"FoulReset", "Half"},
        {"OvertimeKeepsFouls", "false"},
        {"TimeoutsFirstHalf", "3"},
        {"TimeoutsSecondHalf", "4"},
        {"TimeoutsLateCap", "0"},
        {"TimeoutsLateWindow", "60"},
        {"TimeoutsPerOvertime", "2"},
        {"TimeoutsCarried", "true"},
        {"TimeoutLength", "75"},
        {"TimeoutSignal", "0"},
    };
    QCOMPARE(changes.size(), FigureCount);
    for (const auto& [name, text] : changes) {
        const Figure f = *figureNamed(name);
        QVERIFY2(figureText(custom.rules, f) != text, qPrintable(name));
        QVERIFY2(setFigure(custom.rules, f, text), qPrintable(name));
    }
    custom.hornFile = u"/srv/sounds/horn two.wav"_qs;
    custom.serve = true;
    custom.serveNetwork = true;
    custom.servePort = 8123;
    custom.journal = true;
    const auto written = writeGameSettings(custom);
    QCOMPARE(written.size(), FigureCount + 7);
    QCOMPARE(written[0], qMakePair(u"Layout"_qs, u"Game"_qs));
    QCOMPARE(written[1], qMakePair(u"Rules"_qs, u"Custom"_qs));
    QCOMPARE(readGameSettings(stored(written)), custom);

    // The presets are the presets: figures stored beside them are not read.
    QHash<QString, QString> nfhs = stored(written);
    nfhs.insert(u"Rules"_qs, u"NFHS"_qs);
    const GameSettings read = readGameSettings(nfhs);
    QCOMPARE(read.preset, RulesPreset::Nfhs);
    QCOMPARE(read.rules, nfhsRules());
    QCOMPARE(read.hornFile, custom.hornFile);
    QCOMPARE(readGameSettings(QHash<QString, QString>{}), GameSettings{});
    // An empty horn is kept as no horn; only a missing one is the shipped horn.
    QCOMPARE(readGameSettings(QHash<QString, QString>{{u"HornFile"_qs, QString()}}).hornFile, QString());
    QVERIFY(GameSettings{}.hornFile.endsWith(u"horn.wav"_qs));
    // A port that cannot be is the default one; the server stays off unless switched on.
    for (const QString& port : {u"0"_qs, u"65536"_qs, u"80a"_qs, QString()}) {
        const GameSettings odd =
            readGameSettings(QHash<QString, QString>{{u"ServePort"_qs, port}, {u"Serve"_qs, u"yes"_qs}});
        QCOMPARE(odd.servePort, DefaultServePort);
        QVERIFY(!odd.serve);
    }
}

void TestGameRules::storedValues_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("figure");
    QTest::addColumn<QString>("loaded");

    QTest::newRow("good") << "PeriodLength"
                          << "720"
                          << "PeriodLength"
                          << "720";
    QTest::newRow("period 0") << "PeriodLength"
                              << "0"
                              << "PeriodLength"
                              << "600";
    QTest::newRow("period garbage") << "PeriodLength"
                                    << "ten"
                                    << "PeriodLength"
                                    << "600";
    QTest::newRow("period empty") << "PeriodLength"
                                  << ""
                                  << "PeriodLength"
                                  << "600";
    QTest::newRow("shot clock 150") << "ShotClockFull"
                                    << "150"
                                    << "ShotClockFull"
                                    << "24";
    QTest::newRow("short above full") << "ShotClockShort"
                                      << "30"
                                      << "ShotClockShort"
                                      << "14";
    QTest::newRow("negative count") << "TimeoutsFirstHalf"
                                    << "-2"
                                    << "TimeoutsFirstHalf"
                                    << "2";
    QTest::newRow("bad switch") << "ShotClock"
                                << "maybe"
                                << "ShotClock"
                                << "true";
    QTest::newRow("warning past timeout") << "TimeoutSignal"
                                          << "70"
                                          << "TimeoutSignal"
                                          << "50";
    QTest::newRow("unknown layout") << "Layout"
                                    << "game"
                                    << "Layout"
                                    << "Standard";
    QTest::newRow("unknown rules") << "Rules"
                                   << "NBA"
                                   << "Rules"
                                   << "FIBA";
}

void TestGameRules::storedValues() {
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(QString, figure);
    QFETCH(QString, loaded);
    QHash<QString, QString> store{{u"Rules"_qs, u"Custom"_qs}};
    store.insert(key, text);
    const auto written = stored(writeGameSettings(readGameSettings(store)));
    QCOMPARE(written.value(figure), loaded);
}

void TestGameRules::periodSequence_data() {
    QTest::addColumn<RulesPreset>("preset");
    // Periods, each with the break that precedes it: "period text/break length/period length".
    QTest::addColumn<QStringList>("sequence");

    QTest::newRow("FIBA") << RulesPreset::Fiba
                          << QStringList{"1/-/600",    "2/120/600",  "3/900/600",  "4/120/600",
                                         "O1/120/300", "O2/120/300", "O9/120/300", "OT/120/300"};
    QTest::newRow("NFHS") << RulesPreset::Nfhs
                          << QStringList{"1/-/480", "2/60/480", "3/600/480", "4/60/480", "O1/60/240"};
}

void TestGameRules::periodSequence() {
    QFETCH(RulesPreset, preset);
    QFETCH(QStringList, sequence);
    const GameRules rules = presetRules(preset);
    int period = 1;
    for (const QString& row : sequence) {
        const QStringList parts = row.split(u'/');
        // Rows past O2 jump to the overtime they name.
        if (parts[0] == u"O9"_qs)
            period = rules.periods + 9;
        if (parts[0] == u"OT"_qs)
            period = rules.periods + 10;
        QCOMPARE(periodText(rules, period), parts[0]);
        QCOMPARE(playingLength(rules, period), seconds(parts[2].toInt()));
        if (period > 1) {
            QCOMPARE(breakLength(rules, period), seconds(parts[1].toInt()));
            QCOMPARE(breakBefore(rules, period), period == 3 ? Phase::HalfTime : Phase::Interval);
        }
        const int overtime = period - rules.periods;
        QCOMPARE(overtimeNumber(rules, period), std::max(0, overtime));
        QCOMPARE(periodReading(rules, period),
                 overtime > 0 ? u"overtime %1"_qs.arg(overtime) : QString::number(period));
        ++period;
    }
}

void TestGameRules::shotClockText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shown");
    // Milliseconds until the face can change, read 30 ms into a tenth of a run; -1 for never.
    QTest::addColumn<int>("wait");

    QTest::newRow("24") << 24.0 << "24" << 970;
    QTest::newRow("23.9 rounds up") << 23.9 << "24" << 870;
    QTest::newRow("23.0") << 23.0 << "23" << 970;
    QTest::newRow("5.1") << 5.1 << "6" << 70;
    QTest::newRow("5.0") << 5.0 << "5" << 70;
    QTest::newRow("4.9") << 4.9 << "4.9" << 70;
    QTest::newRow("0.1") << 0.1 << "0.1" << 70;
    QTest::newRow("0") << 0.0 << "0.0" << -1;
    QTest::newRow("below 0") << -1.0 << "0.0" << -1;
    QTest::newRow("99") << 99.0 << "99" << 970;
}

void TestGameRules::shotClockText() {
    QFETCH(double, value);
    QFETCH(QString, shown);
    QFETCH(int, wait);
    QCOMPARE(game::shotClockText(seconds(value)), shown);
    QCOMPARE(game::msUntilFaceChange(seconds(value), 4'000'030'000).value_or(-1), wait);
}

void TestGameRules::shotClockBlank_data() {
    QTest::addColumn<RulesPreset>("preset");
    QTest::addColumn<bool>("on");
    QTest::addColumn<double>("gameClock");
    QTest::addColumn<double>("shotClock");
    QTest::addColumn<bool>("blank");

    QTest::newRow("FIBA never blanks") << RulesPreset::Fiba << true << 10.0 << 24.0 << false;
    QTest::newRow("NFHS game clock less") << RulesPreset::Nfhs << true << 20.0 << 35.0 << true;
    QTest::newRow("NFHS equal") << RulesPreset::Nfhs << true << 35.0 << 35.0 << false;
    QTest::newRow("NFHS a tenth more") << RulesPreset::Nfhs << true << 35.1 << 35.0 << false;
    QTest::newRow("NFHS a tenth less") << RulesPreset::Nfhs << true << 34.9 << 35.0 << true;
    QTest::newRow("off is dark") << RulesPreset::Fiba << false << 600.0 << 24.0 << true;
}

void TestGameRules::shotClockBlank() {
    QFETCH(RulesPreset, preset);
    QFETCH(bool, on);
    QFETCH(double, gameClock);
    QFETCH(double, shotClock);
    QFETCH(bool, blank);
    GameRules rules = presetRules(preset);
    rules.shotClockOn = on;
    QCOMPARE(game::shotClockBlank(rules, seconds(gameClock), seconds(shotClock)), blank);
    QCOMPARE(shotClockReset(rules, ShotReset::Full), rules.shotClockFull);
    QCOMPARE(shotClockReset(rules, ShotReset::Short), rules.shotClockShort);
}

void TestGameRules::countdownSignals_data() {
    QTest::addColumn<double>("before");
    QTest::addColumn<double>("now");
    QTest::addColumn<bool>("expired");
    QTest::addColumn<bool>("warning");

    QTest::newRow("running") << 30.0 << 29.9 << false << false;
    QTest::newRow("reaches 0") << 0.1 << 0.0 << true << false;
    QTest::newRow("stays at 0") << 0.0 << 0.0 << false << false;
    QTest::newRow("jumps past 0") << 0.3 << -0.1 << true << false;
    QTest::newRow("reaches 10 s left") << 10.1 << 10.0 << false << true;
    QTest::newRow("passes 10 s left") << 10.2 << 9.8 << false << true;
    QTest::newRow("after the warning") << 10.0 << 9.9 << false << false;
    QTest::newRow("loaded to full") << 0.0 << 60.0 << false << false;
}

void TestGameRules::countdownSignals() {
    QFETCH(double, before);
    QFETCH(double, now);
    QFETCH(bool, expired);
    QFETCH(bool, warning);
    QCOMPARE(reachedZero(seconds(before), seconds(now)), expired);
    QCOMPARE(timeoutSignalDue(fibaRules(), seconds(before), seconds(now)), warning);
    GameRules silent = fibaRules();
    silent.timeoutSignal = Currency();
    QVERIFY(!timeoutSignalDue(silent, seconds(before), seconds(now)));
}

QTEST_GUILESS_MAIN(TestGameRules)
#include "tst_gamerules.moc"
