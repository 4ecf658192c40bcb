#include "clock/modCount.h"
#include "scoreboard/frmScoreboard.h"
#include "settings/SettingsStore.h"
#include "state/Twips.h"
#include "state/modBasketball.h"
#include "tests/support/BoardText.h"
#include "tests/support/ManualTime.h"
#include "tests/support/PulseServer.h"

#include <QApplication>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

namespace {

PulseServer* g_pulse = nullptr;
QString g_pulseError;

QString repoBuzzer() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/buzzer.wav");
}

} // namespace

// The board as it opens, its lamps, its scaling and its buzzer.
class tst_Scoreboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void opensWithEveryCaption();
    void opensWithColoursFromTheSettings();
    void soundDeviceOpenedForAnyNamedFile_data();
    void soundDeviceOpenedForAnyNamedFile();
    void colourRefreshKeepsTheClockRunning();

    void lampClicks_data();
    void lampClicks();
    void lampsKeepTheirStateAcrossAColourChange();

    void everythingScalesWithTheWindow();
    void framesHandTheFocusToTheirDisplay();

    void buzzerSoundsThroughTheSoundServer();
    void buzzerSilentWithoutAFile();
    void secondBuzzerPlaysFromTheStartAgain();

private:
    void loadDefaults();
    // Records the sound server's output while action runs.
    std::optional<PcmTrack> recordWhile(const std::function<void()>& action);

    QTemporaryDir m_store;
    std::unique_ptr<ManualTime> m_time;
    std::unique_ptr<frmScoreboard> m_board;
};

void tst_Scoreboard::initTestCase() {
    QVERIFY(m_store.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
    QVERIFY2(QFileInfo::exists(repoBuzzer()), "the build copies buzzer.wav beside the executables");
}

void tst_Scoreboard::loadDefaults() {
    modSettings::LoadSettings();
    modCount::ResetAllSlots();
}

std::optional<PcmTrack> tst_Scoreboard::recordWhile(const std::function<void()>& action) {
    QTemporaryDir folder;
    const QString recording = folder.filePath(QStringLiteral("recording.wav"));
    if (!g_pulse->startRecording(recording))
        return std::nullopt;
    action();
    g_pulse->stopRecording();
    return readPcmWave(recording);
}

void tst_Scoreboard::init() {
    loadDefaults();
    m_time = std::make_unique<ManualTime>();
}

void tst_Scoreboard::cleanup() {
    m_board.reset();
    m_time.reset();
}

void tst_Scoreboard::opensWithEveryCaption() {
    modBasketball::TitleText = QStringLiteral("City Cup Final");
    modBasketball::VisitorText = QStringLiteral("Rovers");
    m_board = std::make_unique<frmScoreboard>();
    frmScoreboard& board = *m_board;

    QCOMPARE(board.windowTitle(), QStringLiteral("Courtvane Standard"));
    QCOMPARE(board.lblTitle->caption(), QStringLiteral("City Cup Final"));
    QCOMPARE(board.lblHome->caption(), QStringLiteral("Home"));
    QCOMPARE(board.lblVisitor->caption(), QStringLiteral("Rovers"));
    QCOMPARE(board.lblPeriod->caption(), QStringLiteral("PERIOD"));
    QCOMPARE(board.lblBonus->caption(), QStringLiteral("BONUS"));
    QCOMPARE(board.lblPoss->caption(), QStringLiteral("POSS"));
    QVERIFY(!board.lblCreatedBy->caption().isEmpty());

    QCOMPARE(shown(board.pledTime), QStringLiteral("1000"));
    QCOMPARE(board.shpTime[0]->fillColor(), modBasketball::BorderColor);
    QCOMPARE(board.shpTime[1]->fillColor(), modBasketball::BorderColor);
    QCOMPARE(shown(board.pledHomeScore), QStringLiteral("0__"));
    QCOMPARE(shown(board.pledVisitorScore), QStringLiteral("0__"));
    QCOMPARE(shown(board.pledPeriod), QStringLiteral("0"));
    QCOMPARE(modCount::IsCounting(0), FlagFalse);
    QCOMPARE(modBasketball::ResetTime, Currency::fromSeconds(600));
    // One tick on opening; then a stopped clock on show leaves the timer asleep.
    QVERIFY(board.tmrClock->isSingleShot());
    QCOMPARE(board.tmrClock->timerType(), Qt::PreciseTimer);
    QTRY_VERIFY(!board.tmrClock->isActive());

    board.show();
    QVERIFY(QTest::qWaitForWindowActive(&board));
    QCOMPARE(QApplication::focusWidget(), board.pledPeriod[0]);
    QCOMPARE(board.size(), QSize(Twips::toPixels(9480), Twips::toPixels(6795)));
}

void tst_Scoreboard::opensWithColoursFromTheSettings() {
    using namespace modBasketball;
    FormBack = 0x102030;
    LEDBack = 0x010203;
    TimeColor = 0x0000F0;
    ScoreColor = 0x00A0F0;
    PeriodColor = 0x00C010;
    BorderColor = 0xF0F0F1;
    HomeColor = 0xFF0000;
    VisitorColor = 0x00FF00;
    m_board = std::make_unique<frmScoreboard>();
    frmScoreboard& board = *m_board;

    QCOMPARE(fromQColor(board.palette().color(QPalette::Window)), FormBack);
    const struct {
        const ControlGroup<PolyLED>& display;
        Colour lit;
    } displays[] = {{board.pledTime, TimeColor},
                    {board.pledHomeScore, ScoreColor},
                    {board.pledVisitorScore, ScoreColor},
                    {board.pledPeriod, PeriodColor}};
    for (const auto& [display, lit] : displays) {
        for (const PolyLED* element : display) {
            QCOMPARE(element->litColor(), lit);
            QCOMPARE(element->backColor(), LEDBack);
        }
    }
    for (const Label* label :
         {board.lblTitle, board.lblPeriod, board.lblBonus, board.lblPoss, board.lblCreatedBy})
        QCOMPARE(label->foreColor(), BorderColor);
    QCOMPARE(board.lblHome->foreColor(), HomeColor);
    QCOMPARE(board.lblVisitor->foreColor(), VisitorColor);
    for (const PictureBox* frame : {board.picTime, board.picHomeScore, board.picVisitorScore})
        QCOMPARE(frame->backColor(), LEDBack);
    QCOMPARE(board.Shape1->borderColor(), BorderColor);
    QCOMPARE(board.Shape2->borderColor(), BorderColor);
    for (const Shape* lamp : {board.shpBonusH, board.shpBonusV, board.shpPossH, board.shpPossV}) {
        QCOMPARE(lamp->borderColor(), LEDBack);
        QCOMPARE(lamp->fillColor(), FormBack);
    }
}

void tst_Scoreboard::soundDeviceOpenedForAnyNamedFile_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("opened");
    QTest::newRow("the program's buzzer") << repoBuzzer() << true;
    QTest::newRow("empty") << QString() << false;
    // Looked for again at each buzz, so that a file put there later is heard.
    QTest::newRow("missing") << QStringLiteral("/nonexistent/horn.wav") << true;
    QTest::newRow("a folder") << QCoreApplication::applicationDirPath() << true;
}

void tst_Scoreboard::soundDeviceOpenedForAnyNamedFile() {
    QFETCH(QString, file);
    QFETCH(bool, opened);
    modBasketball::BuzzerFile = file;
    m_board = std::make_unique<frmScoreboard>();
    QCOMPARE(m_board->mmcBuzzer->isOpen(), opened);
    QCOMPARE(m_board->mmcBuzzer->fileName(), opened ? file : QString());
    // The buzzer key does nothing at all without a file, and the board goes on.
    m_board->Buzzer();
    QCOMPARE(m_board->mmcBuzzer->playCount(), opened ? 1 : 0);
}

void tst_Scoreboard::colourRefreshKeepsTheClockRunning() {
    m_board = std::make_unique<frmScoreboard>();
    m_board->tmrClock->stop();
    m_board->AllKeyPress(modBasketball::StartStopClockKey);
    m_time->advanceMs(65'000);
    modBasketball::BorderColor = 0x0000FF;
    m_board->UpdateFormColors();
    QCOMPARE(modCount::IsCounting(0), FlagTrue);
    QCOMPARE(shown(m_board->pledTime), QStringLiteral("_855"));
    QCOMPARE(m_board->shpTime[0]->fillColor(), 0x0000FF);
}

void tst_Scoreboard::lampClicks_data() {
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QString>("lit");
    // Clicks: h/v possession, H/V bonus. Lit: home poss, visitor poss, home bonus, visitor bonus.
    QTest::newRow("none") << ""
                          << "----";
    QTest::newRow("home possession") << "h"
                                     << "h---";
    QTest::newRow("visitor then home") << "vh"
                                       << "h---";
    QTest::newRow("home then visitor") << "hv"
                                       << "-v--";
    QTest::newRow("twice on one lamp") << "vv"
                                       << "----";
    QTest::newRow("both bonus lamps") << "HV"
                                      << "--HV";
    QTest::newRow("bonus toggled back") << "HVH"
                                        << "---V";
    QTest::newRow("mixed") << "hHvV"
                           << "-vHV";
}

void tst_Scoreboard::lampClicks() {
    QFETCH(QString, clicks);
    QFETCH(QString, lit);
    m_board = std::make_unique<frmScoreboard>();
    frmScoreboard& board = *m_board;
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));

    for (const QChar click : clicks) {
        Image* area = click == 'h'   ? board.imgPossH
                      : click == 'v' ? board.imgPossV
                      : click == 'H' ? board.imgBonusH
                                     : board.imgBonusV;
        // Click through the window at the centre of the lamp, as the operator does.
        const QPoint centre = area->geometry().center();
        QTest::mouseClick(board.childAt(centre), Qt::LeftButton, {},
                          board.childAt(centre)->mapFrom(&board, centre));
    }
    const Shape* lamps[] = {board.shpPossH, board.shpPossV, board.shpBonusH, board.shpBonusV};
    QString seen;
    for (int i = 0; i < 4; ++i) {
        const bool on = lamps[i]->fillColor() == modBasketball::ScoreColor;
        seen += on ? QStringLiteral("hvHV").at(i) : QChar('-');
    }
    QCOMPARE(seen, lit);
}

void tst_Scoreboard::lampsKeepTheirStateAcrossAColourChange() {
    m_board = std::make_unique<frmScoreboard>();
    frmScoreboard& board = *m_board;
    board.LitPoss = 2;
    board.LitBonusH = FlagTrue;
    board.UpdatePoss();
    board.UpdateBonus();

    modBasketball::ScoreColor = 0x123456;
    modBasketball::FormBack = 0x654321;
    board.UpdateFormColors();
    QCOMPARE(board.shpPossH->fillColor(), 0x654321);
    QCOMPARE(board.shpPossV->fillColor(), 0x123456);
    QCOMPARE(board.shpBonusH->fillColor(), 0x123456);
    QCOMPARE(board.shpBonusV->fillColor(), 0x654321);

    // A possession value that cannot arise leaves the lamps as they were.
    board.LitPoss = 7;
    board.UpdatePoss();
    QCOMPARE(board.shpPossV->fillColor(), 0x123456);
}

void tst_Scoreboard::everythingScalesWithTheWindow() {
    m_board = std::make_unique<frmScoreboard>();
    frmScoreboard& board = *m_board;
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    QCOMPARE(board.lblTitle->fontSize(), 32.0);

    // Twice the outer size, frame included, as the layout is measured.
    const QSize frame = board.frameGeometry().size() - board.size();
    board.resize(board.frameGeometry().size() * 2 - frame);
    QTRY_COMPARE(board.pledTime[0]->digitSize(), 210);
    QCOMPARE(board.pledTime[3]->leftTwips(), 9120.0);
    QCOMPARE(board.pledHomeScore[2]->leftTwips(), -960.0);
    QCOMPARE(board.picTime->widthTwips(), 11430.0);
    QCOMPARE(board.lblTitle->fontSize(), 64.0);
    QCOMPARE(board.shpPossH->borderWidth(), 8.0);
    // The digits stay inside their frames.
    QVERIFY(board.picTime->rect().contains(board.pledTime[3]->geometry()));
}

void tst_Scoreboard::framesHandTheFocusToTheirDisplay() {
    m_board = std::make_unique<frmScoreboard>();
    frmScoreboard& board = *m_board;
    board.show();
    QVERIFY(QTest::qWaitForWindowActive(&board));
    const struct {
        PictureBox* frame;
        PolyLED* first;
    } frames[] = {{board.picTime, board.pledTime[0]},
                  {board.picHomeScore, board.pledHomeScore[0]},
                  {board.picVisitorScore, board.pledVisitorScore[0]}};
    for (const auto& [frame, first] : frames) {
        QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(2, 2));
        QTRY_COMPARE(QApplication::focusWidget(), first);
    }
    // Tab from the period goes through the clock frame straight to the first clock digit.
    board.pledPeriod[0]->setFocus();
    QTest::keyClick(board.pledPeriod[0], Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), board.pledTime[0]);
}

void tst_Scoreboard::buzzerSoundsThroughTheSoundServer() {
    if (!g_pulse)
        QSKIP(qPrintable(QStringLiteral("no sound server could be started: ") + g_pulseError));
    modBasketball::BuzzerFile = repoBuzzer();
    m_board = std::make_unique<frmScoreboard>();
    QSignalSpy done(m_board->mmcBuzzer, &SoundDevice::Done);

    const auto track = recordWhile([&] {
        m_board->Buzzer();
        done.wait(10'000);
    });
    QVERIFY(track);
    QCOMPARE(done.count(), 1);
    const SoundLevels levels = measureLevels(track->all(), 2000);
    QVERIFY2(levels.rms > 2000, qPrintable(QString::number(levels.rms)));
    // About a second and a half of horn, not a click.
    const auto bursts = findBursts(track->all(), 2000, track->sampleRate / 20);
    QVERIFY(!bursts.isEmpty());
    QVERIFY(bursts.first().length() > track->sampleRate);
}

void tst_Scoreboard::buzzerSilentWithoutAFile() {
    if (!g_pulse)
        QSKIP(qPrintable(QStringLiteral("no sound server could be started: ") + g_pulseError));
    modBasketball::BuzzerFile.clear();
    m_board = std::make_unique<frmScoreboard>();
    m_board->tmrClock->stop();

    const auto track = recordWhile([&] {
        m_board->AllKeyPress(modBasketball::BuzzerKey);
        // The clock running out does not sound either.
        modCount::SetCount(Currency::fromTenths(1), 0, 0);
        m_board->AllKeyPress(modBasketball::StartStopClockKey);
        m_time->advanceMs(200);
        m_board->tmrClock_Timer();
        QTest::qWait(1000);
    });
    QVERIFY(track);
    QVERIFY(measureLevels(track->all(), 500).peak < 500);
    QCOMPARE(m_board->mmcBuzzer->playCount(), 0);
}

void tst_Scoreboard::secondBuzzerPlaysFromTheStartAgain() {
    if (!g_pulse)
        QSKIP(qPrintable(QStringLiteral("no sound server could be started: ") + g_pulseError));
    modBasketball::BuzzerFile = repoBuzzer();
    m_board = std::make_unique<frmScoreboard>();
    QSignalSpy done(m_board->mmcBuzzer, &SoundDevice::Done);

    const auto track = recordWhile([&] {
        m_board->Buzzer();
        done.wait(10'000);
        QTest::qWait(300);
        m_board->Buzzer();
        done.wait(10'000);
    });
    QVERIFY(track);
    QCOMPARE(done.count(), 2);
    const auto bursts = findBursts(track->all(), 2000, track->sampleRate / 20);
    QCOMPARE(bursts.size(), 2);
    // Both playbacks are the whole sound, from its start.
    QVERIFY(qAbs(bursts.at(0).length() - bursts.at(1).length()) < track->sampleRate / 10);
}

int main(int argc, char* argv[]) {
    // The sound server must be running before the application connects to any audio output.
    PulseServer pulse;
    const bool pulseStarted = pulse.start();
    if (pulseStarted)
        g_pulse = &pulse;
    else
        g_pulseError = pulse.errorString();
    QApplication app(argc, argv);
    tst_Scoreboard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_scoreboard.moc"
