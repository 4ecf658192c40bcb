#pragma once

#include "platform/ControlGroup.h"
#include "platform/FocusRing.h"
#include "platform/Image.h"
#include "platform/Label.h"
#include "platform/PictureBox.h"
#include "platform/PolyLED.h"
#include "platform/Shape.h"
#include "scoreboard/GameState.h"
#include "scoreboard/KeyCommands.h"
#include "sound/SoundDevice.h"
#include "state/Types.h"

#include <QShortcut>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

class BoardAccessibility;
class GameBoard;

// The board: title, team names and scores, game clock, period, possession and bonus lamps.
// Its whole client area is shown to players and spectators; the operator drives it from the
// keyboard and clicks the lamps. Every control is placed in twips at its design position and
// scales with the window.
class frmScoreboard : public QWidget {
    Q_OBJECT

public:
    // The highest value the digit entry takes on a score and on the period.
    static constexpr qint16 MaxScore = 199;
    static constexpr qint16 MaxPeriod = 9;
    // The design size of the client area, in twips, that every layout is drawn for.
    static constexpr int DesignWidth = 9480;
    static constexpr int DesignHeight = 6795;

    explicit frmScoreboard(QWidget* parent = nullptr);
    ~frmScoreboard() override;

    // Public operations, reached by the other windows and by the key entry of the displays.
    void Buzzer();
    void UpdateBonus();
    void UpdateFormColors();
    void UpdateLabels();
    void AllKeyPress(KeyCode KeyAscii);
    void UpdatePoss();
    // The "o" key: the options dialog, then labels, colours, layout and sound device afresh.
    void OptionsCommand();
    // Ctrl+G: the game settings, then the board in the layout and with the rules they give.
    void GameSettingsCommand();

    // The Game board beside the Standard one: it does nothing while the Standard board is shown.
    GameBoard* gameBoard() const { return m_gameBoard; }
    // Lays the recorded layout out on the window as it is now: fitted in full screen, else stretched.
    void relayout();

    // Runs one tick of the clock timer: reads the game clock, draws it (or the time of day),
    // sounds the buzzer once when the game clock has run out, and aims the timer at the next
    // moment the display can change (none while a stopped game clock is shown).
    void tmrClock_Timer();
    // The instant the latest tick read the clocks at, in microseconds on the clock source's
    // monotonic line: what it showed is what the counter slots read at that instant.
    qint64 lastTickUs() const { return m_lastTickUs; }
    // Has the clock tick run as soon as the board is idle; whatever changes the clock or what the
    // clock display shows asks for it, as the tick sleeps while nothing on the display can change.
    void requestTick();

    // The game as the displays show it now, and the question closing the board asks about it.
    GameSnapshot game() const;
    static QString closeQuestion();

    // F11 fills the board's screen or leaves it, Esc leaves it, Shift+F11 takes the board to the
    // next screen in its present state. None of them is a character, so no command sees them.
    void toggleFullScreen();
    void leaveFullScreen();
    void moveToNextScreen();
    // The window the operator's dialogs open over: the one the desk gives (the operator's console),
    // else the board itself.
    QWidget* operatorWindow();
    void setOperatorDesk(std::function<QWidget*()> desk) { m_operatorDesk = std::move(desk); }

    // The display whose ring is lit, the one that takes the typing; empty when none has the focus.
    std::optional<BoardDisplay> focusedDisplay() const;

    // Window state, all 0 when the window is created.
    Flag ClockTime = FlagFalse; // true: the clock display shows the time of day
    qint16 LitPoss = 0;         // 0 none, 1 home, 2 visitor
    Flag LitBonusH = FlagFalse;
    Flag LitBonusV = FlagFalse;
    Flag BuzzerSounded = FlagFalse; // the buzzer has sounded for the present expiry

    // Controls, created in the order of the window's control collection.
    Shape* const Shape2;
    Shape* const Shape1;
    Label* const lblTitle;
    Label* const lblHome;
    Label* const lblVisitor;
    Label* const lblPeriod;
    Label* const lblBonus;
    Label* const lblPoss;
    Label* const lblCreatedBy;
    Shape* const shpBonusH;
    Shape* const shpBonusV;
    Shape* const shpPossH;
    Shape* const shpPossV;
    Image* const imgBonusH;
    Image* const imgBonusV;
    Image* const imgPossH;
    Image* const imgPossV;
    PictureBox* const picTime;
    PictureBox* const picHomeScore;
    PictureBox* const picVisitorScore;
    ControlGroup<PolyLED> pledTime{QStringLiteral("pledTime")};
    ControlGroup<Shape> shpTime{QStringLiteral("shpTime")};
    ControlGroup<PolyLED> pledHomeScore{QStringLiteral("pledHomeScore")};
    ControlGroup<PolyLED> pledVisitorScore{QStringLiteral("pledVisitorScore")};
    ControlGroup<PolyLED> pledPeriod{QStringLiteral("pledPeriod")};
    QTimer* const tmrClock;
    SoundDevice* const mmcBuzzer;

Q_SIGNALS:
    // The operator asked for the help window.
    void helpRequested();
    // F2: the operator's console shown or hidden.
    void consoleRequested();
    // The board closes: asked, and answered Yes if a game was in progress.
    void closing();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // One display: its digits, the frame that holds them (none for the period) and its ring.
    struct DisplayParts {
        BoardDisplay display;
        const ControlGroup<PolyLED>* digits;
        PictureBox* frame;
        FocusRing* ring;
    };

    void createDisplays();
    void createRings();
    void connectControls();
    void placeWindow();
    void saveWindowPlace() const;
    void showFocusRings();
    void keepCaptionsInside();
    void Form_Load();
    // Stops a running game clock at the time that really passed: the tick reads it only when
    // the display can change, so its latest read may be older than the stop.
    void stopGameClock();
    void aimTick(qint64 readUs, Currency gameClock, int localMs, std::optional<int> gameWait);
    void mmcBuzzer_Done();
    void imgPossH_Click();
    void imgPossV_Click();
    void imgBonusH_Click();
    void imgBonusV_Click();

    bool m_twelveHourClock = false;
    std::array<DisplayParts, 4> m_displays{};
    QShortcut* const m_leaveFullScreen;
    BoardAccessibility* m_accessibility = nullptr;
    GameBoard* m_gameBoard = nullptr;
    qint64 m_lastTickUs = 0;
    KeyRepeat m_keyRepeat;
    std::function<QWidget*()> m_operatorDesk;
};
