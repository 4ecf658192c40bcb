#include "game/Game.h"

#include <QRandomGenerator>
#include <QTest>

using namespace game;

Q_DECLARE_METATYPE(game::RulesPreset)

namespace {

QString secondsText(Currency c) {
    return QString::number(c.toDouble());
}

// The state on one line: phase and period, fouls, bonus lamps, timeouts left, scores, arrow.
QString summary(const GameState& s) {
    const QChar phase = s.phase == Phase::Playing ? u'P' : s.phase == Phase::Interval ? u'I' : u'H';
    const QChar arrow = s.arrow == Arrow::Home ? u'H' : s.arrow == Arrow::Visitor ? u'V' : u'-';
    return QStringLiteral("%1%2 F%3-%4 B%5%6 T%7-%8 S%9-%10 A%11")
        .arg(phase)
        .arg(s.period)
        .arg(s.fouls[Home])
        .arg(s.fouls[Visitor])
        .arg(int(s.bonus[Home]))
        .arg(int(s.bonus[Visitor]))
        .arg(s.timeoutsLeft[Home])
        .arg(s.timeoutsLeft[Visitor])
        .arg(s.score[Home])
        .arg(s.score[Visitor])
        .arg(arrow);
}

// What the window is told to do, in the order it would do it.
QString summary(const Effects& e) {
    QStringList parts;
    if (e.stopGameClock)
        parts << u"stop game"_qs;
    if (e.stopShotClock)
        parts << u"stop shot"_qs;
    if (e.loadGameClock)
        parts << u"game "_qs + secondsText(*e.loadGameClock);
    if (e.loadShotClock)
        parts << u"shot "_qs + secondsText(*e.loadShotClock);
    if (e.startStopShotClock)
        parts << u"run shot"_qs;
    if (e.startTimeout)
        parts << u"timeout "_qs + secondsText(*e.startTimeout);
    if (e.stopTimeout)
        parts << u"end timeout"_qs;
    if (!e.refused.isEmpty())
        parts << u"refused"_qs;
    return parts.join(u", "_qs);
}

// Plays a script of space-separated steps: HF VF fouls, HF=n VF=n typed fouls, HS=n VS=n typed
// scores, H+n V+n points, HB VB lamp clicks, HT VT timeouts, A turns the arrow and A=n sets it,
// NP next period, G=s S=s the clocks' readings from then on, LG=s LS=s clock loads, RG the reset,
// SF SS shot clock full and short, SR run or stop the shot clock, U undo, R redo.
// Returns the effects of the last step.
Effects play(Game& game, Clocks& clocks, const QString& script) {
    static const QHash<QString, Command> plain = {
        {u"HF"_qs, Command::HomeFoul},
        {u"VF"_qs, Command::VisitorFoul},
        {u"HB"_qs, Command::HomeBonusClick},
        {u"VB"_qs, Command::VisitorBonusClick},
        {u"HT"_qs, Command::HomeTimeout},
        {u"VT"_qs, Command::VisitorTimeout},
        {u"A"_qs, Command::PossessionArrow},
        {u"NP"_qs, Command::NextPeriod},
        {u"RG"_qs, Command::ResetGameClock},
        {u"SF"_qs, Command::ShotClockFull},
        {u"SS"_qs, Command::ShotClockShort},
        {u"SR"_qs, Command::ShotClockStartStop},
        {u"U"_qs, Command::Undo},
        {u"R"_qs, Command::Redo},
    };
    static const QHash<QString, Command> valued = {
        {u"HF"_qs, Command::SetHomeFouls},  {u"VF"_qs, Command::SetVisitorFouls},
        {u"HS"_qs, Command::SetHomeScore},  {u"VS"_qs, Command::SetVisitorScore},
        {u"H+"_qs, Command::AddHomeScore},  {u"V+"_qs, Command::AddVisitorScore},
        {u"A"_qs, Command::SetPossession},  {u"LG"_qs, Command::LoadGameClock},
        {u"LS"_qs, Command::LoadShotClock},
    };
    Effects last;
    for (const QString& step : script.split(u' ', Qt::SkipEmptyParts)) {
        if (plain.contains(step)) {
            last = game.dispatch({plain[step]}, clocks);
            continue;
        }
        const qsizetype cut = step.contains(u'=') ? step.indexOf(u'=') : 2;
        const QString name = step.left(cut);
        const QString figure = step.mid(cut + (step[cut] == u'=' ? 1 : 0));
        const Currency value = Currency::fromDouble(figure.toDouble());
        if (name == u"G"_qs)
            clocks.game = value;
        else if (name == u"S"_qs)
            clocks.shot = value;
        else if (valued.contains(name))
            last = game.dispatch({valued[name], figure.toInt(), value}, clocks);
        else
            qFatal("unknown step %s", qPrintable(step));
    }
    return last;
}

QString repeated(const QString& step, int times) {
    return QStringList(times, step).join(u' ');
}

} // namespace

class TestGame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Scripts of commands and the state they leave: fouls and lamps, timeouts, periods, the arrow,
    // scores, refusals, undo and redo.
    void scripts_data();
    void scripts();

    // What the clocks do after the last command of a script, undo and redo included.
    void clockEffects_data();
    void clockEffects();

    // Undo reaches back 200 steps and no further; a new step clears what redo had.
    void longHistory();

    // A whole FIBA game of random commands against a model of the rules.
    void randomGame();
};

void TestGame::scripts_data() {
    QTest::addColumn<RulesPreset>("preset");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("refused");

    const auto fiba = RulesPreset::Fiba;
    const auto nfhs = RulesPreset::Nfhs;
    const auto row = [](const char* name, RulesPreset preset, const char* script, const char* state,
                        bool refused) {
        QTest::newRow(name) << preset << QString::fromLatin1(script) << QString::fromLatin1(state) << refused;
    };
    row("start", fiba, "", "P1 F0-0 B00 T2-2 S0-0 A-", false);
    row("start NFHS", nfhs, "", "P1 F0-0 B00 T5-5 S0-0 A-", false);

    // Fouls and the lamp of the team that will shoot.
    row("3 visitor fouls", fiba, "VF VF VF", "P1 F0-3 B00 T2-2 S0-0 A-", false);
    row("4th lights home", fiba, "VF VF VF VF", "P1 F0-4 B10 T2-2 S0-0 A-", false);
    row("NFHS 4th lights", nfhs, "HF HF HF HF", "P1 F4-0 B01 T5-5 S0-0 A-", false);
    row("a click puts it out", fiba, "VF=4 HB", "P1 F0-4 B00 T2-2 S0-0 A-", false);
    row("the next foul relights", fiba, "VF=4 HB VF", "P1 F0-5 B10 T2-2 S0-0 A-", false);
    row("a click lights early", fiba, "VB", "P1 F0-0 B01 T2-2 S0-0 A-", false);
    row("typed count below the limit", fiba, "HF=6 HF=3", "P1 F3-0 B00 T2-2 S0-0 A-", false);
    row("fouls past 9 counted", fiba, "HF=9 HF HF", "P1 F11-0 B01 T2-2 S0-0 A-", false);
    row("fouls at most 99", fiba, "HF=99 HF", "P1 F99-0 B01 T2-2 S0-0 A-", true);
    row("negative fouls", fiba, "VF=-1", "P1 F0-0 B00 T2-2 S0-0 A-", true);
    row("interval keeps fouls", fiba, "VF=5 HF=2 NP", "I2 F2-5 B10 T2-2 S0-0 A-", false);
    row("new period resets", fiba, "VF=5 HF=2 NP NP", "P2 F0-0 B00 T2-2 S0-0 A-", false);
    row("overtime keeps 4th's", fiba, "NP NP NP NP NP NP VF=4 HF=1 NP NP", "P5 F1-4 B10 T1-1 S0-0 A-", false);
    row("NFHS overtime keeps", nfhs, "NP NP NP NP NP NP HF=4 NP NP", "P5 F4-0 B01 T6-6 S0-0 A-", false);

    // Timeouts by half, the late cap and overtime.
    row("two in the first half", fiba, "HT HT", "P1 F0-0 B00 T0-2 S0-0 A-", false);
    row("no third", fiba, "HT NP NP HT HT", "P2 F0-0 B00 T0-2 S0-0 A-", true);
    row("none in an interval", fiba, "NP VT", "I2 F0-0 B00 T2-2 S0-0 A-", true);
    row("none at half-time", fiba, "NP NP NP HT", "H3 F0-0 B00 T2-2 S0-0 A-", true);
    row("first half's lost", fiba, "HT NP NP NP NP", "P3 F0-0 B00 T3-3 S0-0 A-", false);
    row("three in the 3rd", fiba, "NP NP NP NP VT VT VT", "P3 F0-0 B00 T3-0 S0-0 A-", false);
    row("late cap", fiba, "NP NP NP NP NP NP G=120 HT HT HT", "P4 F0-0 B00 T1-3 S0-0 A-", true);
    row("before the window", fiba, "NP NP NP NP NP NP G=120.1 HT G=120 HT HT", "P4 F0-0 B00 T0-3 S0-0 A-",
        false);
    row("no cap in the 3rd", fiba, "NP NP NP NP G=30 VT VT VT", "P3 F0-0 B00 T3-0 S0-0 A-", false);
    row("one per overtime", fiba, "NP NP NP NP NP NP NP NP HT HT", "P5 F0-0 B00 T0-1 S0-0 A-", true);
    row("overtime's lost", fiba, "NP NP NP NP NP NP NP NP HT NP NP", "P6 F0-0 B00 T1-1 S0-0 A-", false);
    row("NFHS carried", nfhs, "HT HT NP NP NP NP VT NP NP NP NP HT", "P5 F0-0 B00 T3-5 S0-0 A-", false);
    row("NFHS no cap", nfhs, "NP NP NP NP NP NP G=10 HT HT HT HT HT", "P4 F0-0 B00 T0-5 S0-0 A-", false);

    // Arrow and scores.
    row("arrow turns", fiba, "A A A", "P1 F0-0 B00 T2-2 S0-0 AH", false);
    row("arrow set", fiba, "A=2", "P1 F0-0 B00 T2-2 S0-0 AV", false);
    row("arrow set out", fiba, "A=1 A=3", "P1 F0-0 B00 T2-2 S0-0 AH", true);
    row("scores", fiba, "H+2 H+3 V+1 VS=10", "P1 F0-0 B00 T2-2 S5-10 A-", false);
    row("score 199", fiba, "HS=198 H+2", "P1 F0-0 B00 T2-2 S198-0 A-", true);
    row("score below 0", fiba, "V+1 V+-2", "P1 F0-0 B00 T2-2 S0-1 A-", true);

    // Undo and redo.
    row("undo a foul", fiba, "VF=3 VF U", "P1 F0-3 B00 T2-2 S0-0 A-", false);
    row("redo it", fiba, "VF=3 VF U R", "P1 F0-4 B10 T2-2 S0-0 A-", false);
    row("undo past the first", fiba, "H+2 U U", "P1 F0-0 B00 T2-2 S0-0 A-", true);
    row("redo past the last", fiba, "H+2 U R R", "P1 F0-0 B00 T2-2 S2-0 A-", true);
    row("new step clears redo", fiba, "H+2 U V+3 R", "P1 F0-0 B00 T2-2 S0-3 A-", true);
    row("undo a timeout", fiba, "HT VT U", "P1 F0-0 B00 T1-2 S0-0 A-", false);
    row("undo a period", fiba, "HF=4 NP NP U U", "P1 F4-0 B01 T2-2 S0-0 A-", false);
    row("undo a lamp", fiba, "HB VB U", "P1 F0-0 B10 T2-2 S0-0 A-", false);
    row("undo the arrow", fiba, "A A U", "P1 F0-0 B00 T2-2 S0-0 AH", false);
    row("undo a refused step", fiba, "H+1 HS=300 U", "P1 F0-0 B00 T2-2 S0-0 A-", false);
}

void TestGame::scripts() {
    QFETCH(RulesPreset, preset);
    QFETCH(QString, script);
    QFETCH(QString, state);
    QFETCH(bool, refused);
    Game game(presetRules(preset));
    Clocks clocks{Currency::fromSeconds(300), Currency::fromSeconds(24)};
    const Effects last = play(game, clocks, script);
    QCOMPARE(summary(game.state()), state);
    QCOMPARE(!last.refused.isEmpty(), refused);
}

void TestGame::clockEffects_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("effects");

    QTest::newRow("reset") << "G=37.5 RG"
                           << "game 600";
    QTest::newRow("undo a reset") << "G=37.5 RG G=600 U"
                                  << "game 37.5";
    QTest::newRow("redo it") << "G=37.5 RG G=600 U G=37.5 R"
                             << "game 600";
    QTest::newRow("undo a clock load") << "G=412.3 LG=300 U"
                                       << "game 412.3";
    QTest::newRow("clock load over 99:59") << "LG=6000"
                                           << "refused";
    QTest::newRow("shot clock full") << "S=3.2 SF"
                                     << "shot 24";
    QTest::newRow("shot clock short") << "S=3.2 SS"
                                      << "shot 14";
    QTest::newRow("undo a shot reset") << "S=3.2 SS S=14 U"
                                       << "shot 3.2";
    QTest::newRow("shot clock runs alone") << "SR"
                                           << "run shot";
    QTest::newRow("running is not undone") << "H+2 SR U"
                                           << "";
    QTest::newRow("undo a foul leaves clocks") << "G=100 RG G=42 VF U"
                                               << "";
    QTest::newRow("timeout") << "HT"
                             << "stop game, stop shot, timeout 60";
    QTest::newRow("undo a timeout") << "HT U"
                                    << "end timeout";
    QTest::newRow("redo it again") << "HT U R"
                                   << "stop game, stop shot, timeout 60";
    QTest::newRow("end of period") << "G=0 NP"
                                   << "game 120";
    QTest::newRow("period after interval") << "NP NP"
                                           << "game 600, shot 24";
    QTest::newRow("reset in an interval") << "NP RG"
                                          << "game 120";
    QTest::newRow("half-time") << "NP NP NP"
                               << "game 900";
    QTest::newRow("overtime") << "NP NP NP NP NP NP NP NP"
                              << "game 300, shot 24";
    QTest::newRow("undo a period") << "G=0 S=7 NP NP U"
                                   << "game 0, shot 7";
    QTest::newRow("undo nothing") << "U"
                                  << "refused";
}

void TestGame::clockEffects() {
    QFETCH(QString, script);
    QFETCH(QString, effects);
    Game game;
    Clocks clocks{Currency::fromSeconds(600), Currency::fromSeconds(24)};
    QCOMPARE(summary(play(game, clocks, script)), effects);

    // Without a shot clock its commands are refused and periods leave it alone.
    GameRules off = fibaRules();
    off.shotClockOn = false;
    Game noShotClock(off);
    const Effects e = play(noShotClock, clocks, u"SF"_qs);
    QVERIFY(!e.refused.isEmpty());
    QCOMPARE(summary(play(noShotClock, clocks, u"NP NP"_qs)), u"game 600"_qs);
}

void TestGame::longHistory() {
    Game game;
    Clocks clocks{Currency::fromSeconds(600), Currency::fromSeconds(24)};
    // 50 points first, then 200 steps that undo can take back.
    play(game, clocks, repeated(u"H+1"_qs, 50));
    const GameState afterFifty = game.state();
    play(game, clocks, repeated(u"V+1 HF=1 HF=0 G=12 RG"_qs, 50));
    QCOMPARE(game.undoDepth(), Game::HistoryDepth);
    const GameState end = game.state();
    for (int i = 0; i < Game::HistoryDepth; ++i)
        QVERIFY(game.dispatch({Command::Undo}, clocks).refused.isEmpty());
    QCOMPARE(game.state(), afterFifty);
    QVERIFY(!game.dispatch({Command::Undo}, clocks).refused.isEmpty());
    QCOMPARE(game.state(), afterFifty);
    for (int i = 0; i < 150; ++i)
        play(game, clocks, u"R"_qs);
    QCOMPARE(game.redoDepth(), 50);
    play(game, clocks, repeated(u"R"_qs, 50));
    QCOMPARE(game.state(), end);
    play(game, clocks, u"U U H+1"_qs);
    QCOMPARE(game.redoDepth(), 0);
}

namespace {

// The FIBA rules written out again on their own, to check the library against.
struct Model {
    int phase = 0; // 0 playing, 1 interval, 2 half-time
    int period = 1;
    std::array<int, 2> score{}, fouls{}, left{2, 2}, late{};
    std::array<bool, 2> bonus{};
    // A lamp clicked since the last foul or period change may differ from the fouls.
    std::array<bool, 2> clicked{};
    int arrow = 0;

    bool operator==(const Model&) const = default;

    bool timeout(int team, double clock) {
        if (phase != 0 || left[team] == 0)
            return false;
        const bool lateWindow = period == 4 && clock <= 120.0;
        if (lateWindow && late[team] == 2)
            return false;
        late[team] += lateWindow ? 1 : 0;
        --left[team];
        return true;
    }
    bool foul(int team) {
        if (fouls[team] == 99)
            return false;
        if (++fouls[team] >= 4) {
            bonus[1 - team] = true;
            clicked[1 - team] = false;
        }
        return true;
    }
    void nextPeriod() {
        if (phase == 0) {
            ++period;
            phase = period == 3 ? 2 : 1;
            return;
        }
        phase = 0;
        if (period <= 4) {
            fouls = {};
            bonus = {};
            clicked = {};
        }
        if (period == 3)
            left = {3, 3};
        if (period >= 5)
            left = {1, 1};
        if (period == 3 || period >= 5)
            late = {};
    }
    bool same(const GameState& s) const {
        return s.phase == std::array{Phase::Playing, Phase::Interval, Phase::HalfTime}[phase] &&
               s.period == period && s.score == score && s.fouls == fouls && s.bonus == bonus &&
               s.timeoutsLeft == left && s.lateTimeouts == late && int(s.arrow) == arrow;
    }
};

} // namespace

void TestGame::randomGame() {
    QRandomGenerator random(20261207);
    Game game;
    Model model;
    std::vector<Model> undo, redo;
    const Command commands[] = {Command::HomeFoul,        Command::VisitorFoul,    Command::HomeTimeout,
                                Command::VisitorTimeout,  Command::HomeBonusClick, Command::VisitorBonusClick,
                                Command::PossessionArrow, Command::AddHomeScore,   Command::AddVisitorScore,
                                Command::NextPeriod,      Command::Undo,           Command::Redo};
    int overtimes = 0, lateTimeouts = 0, refusedTimeouts = 0, undos = 0;
    for (int step = 0; step < 5000; ++step) {
        // Periods end less often than anything else happens, so that each one sees fouls and timeouts.
        const Command command = commands[random.bounded(int(std::size(commands)))];
        if (command == Command::NextPeriod && random.bounded(20) != 0)
            continue;
        // Half the readings near the end of a period, where the late cap is.
        const double clock = random.bounded(random.bounded(2) ? 6001 : 1801) / 10.0;
        const Clocks clocks{Currency::fromDouble(clock), Currency::fromSeconds(random.bounded(25))};
        const int points = 1 + random.bounded(3);
        const Model before = model;
        bool accepted = true;
        switch (command) {
        case Command::HomeFoul:
            accepted = model.foul(Home);
            break;
        case Command::VisitorFoul:
            accepted = model.foul(Visitor);
            break;
        case Command::HomeTimeout:
        case Command::VisitorTimeout: {
            const int team = command == Command::HomeTimeout ? Home : Visitor;
            accepted = model.timeout(team, clock);
            lateTimeouts += model.late[team] > before.late[team] ? 1 : 0;
            refusedTimeouts += accepted ? 0 : 1;
            break;
        }
        case Command::HomeBonusClick:
        case Command::VisitorBonusClick: {
            const int team = command == Command::HomeBonusClick ? Home : Visitor;
            model.bonus[team] = !model.bonus[team];
            model.clicked[team] = true;
            break;
        }
        case Command::PossessionArrow:
            model.arrow = model.arrow == 1 ? 2 : 1;
            break;
        case Command::AddHomeScore:
        case Command::AddVisitorScore: {
            int& score = model.score[command == Command::AddHomeScore ? Home : Visitor];
            accepted = score + points <= MaxScore;
            score += accepted ? points : 0;
            break;
        }
        case Command::NextPeriod:
            model.nextPeriod();
            break;
        case Command::Undo:
            accepted = !undo.empty();
            if (accepted) {
                redo.push_back(model);
                model = undo.back();
                undo.pop_back();
                ++undos;
            }
            break;
        case Command::Redo:
            accepted = !redo.empty();
            if (accepted) {
                undo.push_back(model);
                model = redo.back();
                redo.pop_back();
            }
            break;
        default:
            break;
        }
        if (accepted && command != Command::Undo && command != Command::Redo) {
            undo.push_back(before);
            if (undo.size() > std::size_t(Game::HistoryDepth))
                undo.erase(undo.begin());
            redo.clear();
        }
        const Effects e = game.dispatch({command, points}, clocks);
        const GameState& s = game.state();
        QVERIFY2(model.same(s), qPrintable(u"step %1: %2"_qs.arg(step).arg(summary(s))));
        QCOMPARE(e.refused.isEmpty(), accepted);
        overtimes = std::max(overtimes, model.period - 4);

        // Invariants of any moment of a game.
        const int allowance = s.period <= 2 ? 2 : s.period <= 4 ? 3 : 1;
        for (int team : {Home, Visitor}) {
            QVERIFY(s.fouls[team] >= 0);
            QCOMPARE(shownFouls(s.fouls[team]), std::min(s.fouls[team], 9));
            QVERIFY(s.timeoutsLeft[team] >= 0 && s.timeoutsLeft[team] <= allowance);
            QVERIFY(s.lateTimeouts[team] <= 2);
            if (!model.clicked[team])
                QCOMPARE(s.bonus[team], s.fouls[1 - team] >= 4);
        }
        QVERIFY(s.score[Home] <= MaxScore && s.score[Visitor] <= MaxScore);
        if (accepted && (command == Command::HomeFoul || command == Command::VisitorFoul))
            QCOMPARE(summary(e), QString());
        if (accepted && (command == Command::HomeTimeout || command == Command::VisitorTimeout))
            QCOMPARE(summary(e), u"stop game, stop shot, timeout 60"_qs);

        // Undo then redo is no change at all.
        if (game.undoDepth() > 0) {
            const int depth = game.redoDepth();
            game.dispatch({Command::Undo}, clocks);
            QVERIFY(undo.back().same(game.state()));
            game.dispatch({Command::Redo}, clocks);
            QCOMPARE(game.state(), s);
            QCOMPARE(game.redoDepth(), depth);
        }
    }
    // The game went where the rules are tested: into overtime, through undo, into the late window.
    QVERIFY(overtimes >= 2);
    QVERIFY(undos > 100);
    QVERIFY(lateTimeouts > 0);
    QVERIFY(refusedTimeouts > 0);
}

QTEST_GUILESS_MAIN(TestGame)
#include "tst_game.moc"
