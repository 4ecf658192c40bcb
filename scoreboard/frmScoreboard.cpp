#include "scoreboard/frmScoreboard.h"

#include "clock/ClockEntry.h"
#include "clock/ClockShow.h"
#include "clock/ClockText.h"
#include "clock/ClockTick.h"
#include "clock/TimeSource.h"
#include "clock/modCount.h"
#include "gamesettings/frmGameSettings.h"
#include "layout/ColorApply.h"
#include "layout/modStretch.h"
#include "platform/ScreenFit.h"
#include "scoreboard/BoardAccessibility.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/KeyCommands.h"
#include "scoreboard/modShowDigits.h"
#include "settings/GameSettingsStore.h"
#include "settings/WindowPlace.h"
#include "settings/frmOptions.h"
#include "state/Twips.h"
#include "state/modBasketball.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QtMath>

#include <algorithm>

namespace {

// The clock display's entry: counter slot 0, counting down, at most 99:59.
constexpr qint16 GameSlot = 0;
constexpr qint32 CountDown = 0;
constexpr qint32 MaxClockEntry = 5999;

template <typename T>
T* place(QWidget* parent, const QString& name, double left, double top, double width, double height,
         int index = -1) {
    auto* control = new T(parent, name, index);
    control->setBoundsTwips(left, top, width, height);
    return control;
}

Label* label(QWidget* parent, const QString& name, double left, double top, double width, double height,
             double points, const QString& caption = {}) {
    auto* control = place<Label>(parent, name, left, top, width, height);
    control->setFontSize(points);
    control->setCaption(caption);
    return control;
}

Shape* shape(QWidget* parent, const QString& name, Shape::Kind kind, double left, double top, double width,
             double height, int border, int index = -1) {
    auto* control = place<Shape>(parent, name, left, top, width, height, index);
    control->setKind(kind);
    control->setBorderWidth(border);
    return control;
}

PolyLED* digit(QWidget* parent, ControlGroup<PolyLED>& group, double left, double top, int size,
               int caption) {
    auto* element = new PolyLED(parent, group.name(), group.Count());
    element->setSize(size);
    element->setLeftTwips(left);
    element->setTopTwips(top);
    element->setCaption(caption);
    group.add(element);
    return element;
}

} // namespace

frmScoreboard::frmScoreboard(QWidget* parent)
    : QWidget(parent),
      Shape2(shape(this, QStringLiteral("Shape2"), Shape::Kind::RoundedRectangle, 120, 840, 9255, 5835, 7)),
      Shape1(shape(this, QStringLiteral("Shape1"), Shape::Kind::RoundedRectangle, 1740, 840, 6075, 2115, 7)),
      lblTitle(label(this, QStringLiteral("lblTitle"), 120, 0, 9255, 795, 32.25, QStringLiteral("Home"))),
      lblHome(label(this, QStringLiteral("lblHome"), 0, 5760, 4335, 975, 36)),
      lblVisitor(label(this, QStringLiteral("lblVisitor"), 5160, 5760, 4335, 975, 36)),
      lblPeriod(
          label(this, QStringLiteral("lblPeriod"), 3660, 4560, 2175, 735, 24, QStringLiteral("PERIOD"))),
      lblBonus(
          label(this, QStringLiteral("lblBonus"), 3810, 3360, 1875, 600, 21.75, QStringLiteral("BONUS"))),
      lblPoss(label(this, QStringLiteral("lblPoss"), 4080, 3960, 1335, 495, 20.25, QStringLiteral("POSS"))),
      lblCreatedBy(label(this, QStringLiteral("lblCreatedBy"), 3240, 3060, 3015, 375, 11.25,
                         QStringLiteral("Courtvane Standard"))),
      shpBonusH(shape(this, QStringLiteral("shpBonusH"), Shape::Kind::Oval, 3120, 3450, 735, 375, 4)),
      shpBonusV(shape(this, QStringLiteral("shpBonusV"), Shape::Kind::Oval, 5640, 3450, 735, 375, 4)),
      shpPossH(shape(this, QStringLiteral("shpPossH"), Shape::Kind::Circle, 3675, 4035, 495, 375, 4)),
      shpPossV(shape(this, QStringLiteral("shpPossV"), Shape::Kind::Circle, 5325, 4035, 495, 375, 4)),
      imgBonusH(place<Image>(this, QStringLiteral("imgBonusH"), 3000, 3330, 975, 615)),
      imgBonusV(place<Image>(this, QStringLiteral("imgBonusV"), 5520, 3330, 975, 615)),
      imgPossH(place<Image>(this, QStringLiteral("imgPossH"), 3600, 3960, 615, 615)),
      imgPossV(place<Image>(this, QStringLiteral("imgPossV"), 5280, 3960, 615, 615)),
      picTime(place<PictureBox>(this, QStringLiteral("picTime"), 1920, 960, 5715, 1875)),
      picHomeScore(place<PictureBox>(this, QStringLiteral("picHomeScore"), 360, 4020, 3255, 1815)),
      picVisitorScore(place<PictureBox>(this, QStringLiteral("picVisitorScore"), 5880, 4020, 3255, 1815)),
      tmrClock(new QTimer(this)), mmcBuzzer(new SoundDevice(this)),
      m_leaveFullScreen(new QShortcut(QKeySequence(Qt::Key_Escape), this)) {
    setWindowTitle(QStringLiteral("Courtvane Standard"));
    setAutoFillBackground(true);
    lblCreatedBy->setBold(true);
    for (Shape* lamp : {shpBonusH, shpBonusV, shpPossH, shpPossV})
        lamp->setFilled(true);

    createDisplays();
    createRings();
    // Takes the Standard board's places as they are created, to go back to them.
    m_gameBoard = new GameBoard(this);
    connectControls();

    resize(Twips::toPixels(DesignWidth), Twips::toPixels(DesignHeight));
    ScreenFit::setKeepsProportions(this);

    // One shot at a time, aimed at the next change of the display: a sleeping board does not wake.
    tmrClock->setSingleShot(true);
    tmrClock->setTimerType(Qt::PreciseTimer);
    m_twelveHourClock = ClockTick::localeUsesTwelveHour();
    Form_Load();
    // Placed once its layout is recorded at the design size, from which every size scales.
    placeWindow();
    m_accessibility = new BoardAccessibility(this);
    m_gameBoard->applySettings(modSettings::LoadGameSettings());
}

frmScoreboard::~frmScoreboard() {
    // Closing the window on its way out moves the focus, and the rings are gone by then.
    disconnect(qApp, &QApplication::focusChanged, this, &frmScoreboard::showFocusRings);
}

void frmScoreboard::createDisplays() {
    // The clock digits run left to right; the separator dots stand between digits 1 and 2.
    for (const int left : {240, 1560, 3240, 4560})
        digit(picTime, pledTime, left, 120, 105, 0);
    shpTime.add(shape(picTime, shpTime.name(), Shape::Kind::Circle, 2740, 240, 255, 255, 1, 0));
    shpTime.add(shape(picTime, shpTime.name(), Shape::Kind::Circle, 2745, 1440, 255, 255, 1, 1));
    for (Shape* dot : shpTime) {
        dot->setFilled(true);
        dot->setHasBorder(false);
    }

    // Score digits run right to left from the units; the hundreds digit is partly clipped by
    // its frame, and the tens and hundreds start dark.
    const struct {
        int left;
        int caption;
    } scoreDigits[] = {{2160, 0}, {840, -1}, {-480, -1}};
    for (const auto& [left, caption] : scoreDigits) {
        digit(picHomeScore, pledHomeScore, left, 120, 105, caption);
        digit(picVisitorScore, pledVisitorScore, left, 120, 105, caption);
    }

    PolyLED* period = digit(this, pledPeriod, 4380, 5100, 95, 0);
    period->setLitColor(49152);
}

void frmScoreboard::createRings() {
    // A frame's ring runs along its edge, above the digits it clips; the period, a lone digit,
    // is ringed just outside itself.
    const auto inside = [](PictureBox* frame) { return new FocusRing(frame, FocusRing::Placement::Inside); };
    m_displays = {{
        {BoardDisplay::Period, &pledPeriod, nullptr,
         new FocusRing(pledPeriod[0], FocusRing::Placement::Outside)},
        {BoardDisplay::Clock, &pledTime, picTime, inside(picTime)},
        {BoardDisplay::HomeScore, &pledHomeScore, picHomeScore, inside(picHomeScore)},
        {BoardDisplay::VisitorScore, &pledVisitorScore, picVisitorScore, inside(picVisitorScore)},
    }};
}

void frmScoreboard::placeWindow() {
    // The screen the board was last shown on, if it is still there; else the primary screen, as
    // a board that was never placed. A board never placed opens in proportion to its screen.
    const std::optional<modSettings::WindowPlace> place = modSettings::readWindowPlace();
    QScreen* const last = place ? ScreenFit::screenNamed(place->screen) : nullptr;
    if (last)
        setScreen(last);
    if (const QScreen* home = screen()) {
        if (!place)
            resize(ScreenFit::openingSize(size(), home->availableGeometry().size()));
        move(home->availableGeometry().center() - rect().center());
    }
    if (last && place->fullScreen)
        setWindowState(windowState() | Qt::WindowFullScreen);
}

void frmScoreboard::saveWindowPlace() const {
    if (const QScreen* shown = screen())
        modSettings::writeWindowPlace({shown->name(), isFullScreen()});
}

void frmScoreboard::toggleFullScreen() {
    setWindowState(windowState() ^ Qt::WindowFullScreen);
    saveWindowPlace();
}

void frmScoreboard::leaveFullScreen() {
    setWindowState(windowState() & ~Qt::WindowFullScreen);
    saveWindowPlace();
}

void frmScoreboard::moveToNextScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2)
        return;
    QScreen* next = screens.at((screens.indexOf(screen()) + 1) % screens.size());
    // Window managers move a full-screen or maximised window only once it is back to normal, and
    // give it back its size in a window only later: the size is taken first and set outright.
    const QRect normal = normalGeometry();
    const Qt::WindowStates state = windowState();
    setWindowState(Qt::WindowNoState);
    setScreen(next);
    const QRect area = next->availableGeometry();
    QRect centred(QPoint(), normal.size());
    centred.moveCenter(area.center());
    setGeometry(ScreenFit::fitOnScreen(centred, area, {}, true));
    // The frame too, where the window system tells it.
    ScreenFit::fitWindow(this);
    setWindowState(state);
    saveWindowPlace();
}

std::optional<BoardDisplay> frmScoreboard::focusedDisplay() const {
    // The board's own focus, which keys reach even where no window manager makes it active.
    const QWidget* focused = focusWidget();
    for (const DisplayParts& parts : m_displays) {
        if (focused && (focused == parts.frame || std::find(parts.digits->begin(), parts.digits->end(),
                                                            focused) != parts.digits->end()))
            return parts.display;
    }
    return std::nullopt;
}

bool frmScoreboard::focusNextPrevChild(bool next) {
    // Display by display, whatever digit or frame has the focus now.
    const BoardDisplay target = nextDisplay(focusedDisplay(), next);
    for (const DisplayParts& parts : m_displays)
        if (parts.display == target)
            (*parts.digits)[0]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    // An inactive window moves its focus without telling the application.
    showFocusRings();
    return true;
}

void frmScoreboard::showFocusRings() {
    const std::optional<BoardDisplay> focused = focusedDisplay();
    for (const DisplayParts& parts : m_displays)
        parts.ring->setLit(focused == parts.display);
}

void frmScoreboard::connectControls() {
    // A frame never keeps the focus: it hands it to the first digit of its display.
    const auto handFocus = [](PictureBox* frame, const ControlGroup<PolyLED>& display) {
        PolyLED* first = display[0];
        connect(frame, &PictureBox::gotFocus, first, [first] { first->setFocus(Qt::OtherFocusReason); });
    };
    handFocus(picTime, pledTime);
    handFocus(picHomeScore, pledHomeScore);
    handFocus(picVisitorScore, pledVisitorScore);

    const modShowDigits::KeyDispatcher dispatch = [this](KeyCode key) { AllKeyPress(key); };
    const auto digitEntry = [this, dispatch](const ControlGroup<PolyLED>& display, qint16 maxValue) {
        for (PolyLED* element : display)
            connect(element, &PolyLED::KeyPress, this, [&display, dispatch, maxValue](int, qint16 key) {
                modShowDigits::DigitKeyPress(dispatch, display, key, 0, maxValue);
            });
    };
    // Every key, on a digit or on the board itself, passes the board first, which drops the
    // repeats of a held command key.
    installEventFilter(this);
    for (const DisplayParts& parts : m_displays)
        for (PolyLED* element : *parts.digits)
            element->installEventFilter(this);
    digitEntry(pledHomeScore, MaxScore);
    digitEntry(pledVisitorScore, MaxScore);
    digitEntry(pledPeriod, MaxPeriod);
    // The game, when there is one, takes up what an entry did: after it, as it is connected later.
    for (const ControlGroup<PolyLED>* score : {&pledHomeScore, &pledVisitorScore})
        for (PolyLED* element : *score)
            connect(element, &PolyLED::KeyPress, m_gameBoard, &GameBoard::scoreKeyed);
    connect(pledPeriod[0], &PolyLED::KeyPress, m_gameBoard, &GameBoard::periodKeyed);
    for (PolyLED* element : pledTime)
        connect(element, &PolyLED::KeyPress, this, [this, dispatch](int, qint16 key) {
            const Currency before = modCount::ReadCount(GameSlot);
            if (modCount::CountKeyPress(dispatch, pledTime, key, MaxClockEntry, CountDown, GameSlot, shpTime))
                m_gameBoard->gameClockLoaded(before, modCount::ReadCount(GameSlot));
            // An entry loads the clock; a 0 entered must still sound the buzzer on the next tick.
            requestTick();
        });

    connect(qApp, &QApplication::focusChanged, this, &frmScoreboard::showFocusRings);
    connect(new QShortcut(QKeySequence(Qt::Key_F11), this), &QShortcut::activated, this,
            &frmScoreboard::toggleFullScreen);
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F11), this), &QShortcut::activated, this,
            &frmScoreboard::moveToNextScreen);
    // Esc is the leaving key of full screen only; elsewhere it goes on to the focused display.
    m_leaveFullScreen->setEnabled(false);
    connect(m_leaveFullScreen, &QShortcut::activated, this, &frmScoreboard::leaveFullScreen);
    connect(new QShortcut(QKeySequence(Qt::Key_F2), this), &QShortcut::activated, this,
            &frmScoreboard::consoleRequested);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this), &QShortcut::activated, this,
            &frmScoreboard::GameSettingsCommand);
    // The desktop's keys for help and for closing, held or not: closing asks first during a game.
    auto* const helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    auto* const quitKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    for (QShortcut* shortcut : {helpKey, quitKey})
        shortcut->setAutoRepeat(false);
    connect(helpKey, &QShortcut::activated, this, &frmScoreboard::helpRequested);
    connect(quitKey, &QShortcut::activated, this, &QWidget::close);
    // A command the game refused is told to the operator's window, never on the board itself.
    connect(m_gameBoard, &GameBoard::refusalChanged, this, [this](const QString& why) {
        setWindowTitle(why.isEmpty() ? QStringLiteral("Courtvane Standard")
                                     : tr("Courtvane Standard - %1").arg(why));
    });

    connect(imgPossH, &Image::clicked, this, &frmScoreboard::imgPossH_Click);
    connect(imgPossV, &Image::clicked, this, &frmScoreboard::imgPossV_Click);
    connect(imgBonusH, &Image::clicked, this, &frmScoreboard::imgBonusH_Click);
    connect(imgBonusV, &Image::clicked, this, &frmScoreboard::imgBonusV_Click);
    connect(tmrClock, &QTimer::timeout, this, &frmScoreboard::tmrClock_Timer);
    connect(mmcBuzzer, &SoundDevice::Done, this, &frmScoreboard::mmcBuzzer_Done);
}

void frmScoreboard::Form_Load() {
    UpdateLabels();
    UpdateFormColors();
    modBasketball::ResetTime = Currency::fromSeconds(600);
    modCount::SetCount(modBasketball::ResetTime, CountDown, GameSlot);
    modCount::ShowCount(modBasketball::ResetTime, pledTime, shpTime);
    modStretch::StretchForm(this);
    const QString& file = modBasketball::BuzzerFile;
    // A file that is missing now is looked for again at each buzz.
    if (!file.isEmpty()) {
        mmcBuzzer->setFileName(file);
        mmcBuzzer->setCommand(QStringLiteral("Open"));
    }
    pledPeriod[0]->setFocus(Qt::OtherFocusReason);
}

void frmScoreboard::Buzzer() {
    if (!mmcBuzzer->fileName().isEmpty())
        mmcBuzzer->setCommand(QStringLiteral("Play"));
}

void frmScoreboard::mmcBuzzer_Done() {
    // Rewind after every playback, so that the next buzzer plays the sound from its start.
    mmcBuzzer->setCommand(QStringLiteral("Stop"));
    mmcBuzzer->setCommand(QStringLiteral("Prev"));
}

void frmScoreboard::UpdateLabels() {
    lblTitle->setCaption(modBasketball::TitleText);
    lblHome->setCaption(modBasketball::HomeText);
    lblVisitor->setCaption(modBasketball::VisitorText);
}

void frmScoreboard::UpdateFormColors() {
    using namespace modBasketball;
    QPalette background = palette();
    background.setColor(QPalette::Window, toQColor(FormBack));
    setPalette(background);

    modCount::ShowCount(modCount::ReadCount(GameSlot), pledTime, shpTime);
    // That draws the game clock, also while the time of day is on show: the tick puts it back.
    requestTick();
    modColor::ColorLED(pledTime, TimeColor);
    modColor::ColorLED(pledHomeScore, ScoreColor);
    modColor::ColorLED(pledVisitorScore, ScoreColor);
    modColor::ColorLED(pledPeriod, PeriodColor);
    lblHome->setForeColor(HomeColor);
    lblVisitor->setForeColor(VisitorColor);
    modColor::ColorForm(this, {shpBonusH, shpBonusV, shpPossH, shpPossV, lblHome, lblVisitor});
    for (Shape* lamp : {shpBonusH, shpBonusV, shpPossH, shpPossV})
        lamp->setBorderColor(LEDBack);
    // The focus ring takes the colour of the board's outlines, which the operator has chosen to
    // stand out from both the window and the displays; a lit colour would read as segments.
    for (const DisplayParts& parts : m_displays)
        parts.ring->setColor(BorderColor);
    UpdatePoss();
    UpdateBonus();
    m_gameBoard->updateColors();
}

void frmScoreboard::UpdatePoss() {
    using modBasketball::FormBack;
    using modBasketball::ScoreColor;
    switch (LitPoss) {
    case 0:
        shpPossH->setFillColor(FormBack);
        shpPossV->setFillColor(FormBack);
        break;
    case 1:
        shpPossH->setFillColor(ScoreColor);
        shpPossV->setFillColor(FormBack);
        break;
    case 2:
        shpPossH->setFillColor(FormBack);
        shpPossV->setFillColor(ScoreColor);
        break;
    default:
        break;
    }
}

void frmScoreboard::UpdateBonus() {
    using modBasketball::FormBack;
    using modBasketball::ScoreColor;
    shpBonusH->setFillColor(LitBonusH == FlagTrue ? ScoreColor : FormBack);
    shpBonusV->setFillColor(LitBonusV == FlagTrue ? ScoreColor : FormBack);
}

void frmScoreboard::imgPossH_Click() {
    if (m_gameBoard->active())
        return m_gameBoard->possessionClicked(game::Home);
    LitPoss = LitPoss == 1 ? 0 : 1;
    UpdatePoss();
}

void frmScoreboard::imgPossV_Click() {
    if (m_gameBoard->active())
        return m_gameBoard->possessionClicked(game::Visitor);
    LitPoss = LitPoss == 2 ? 0 : 2;
    UpdatePoss();
}

void frmScoreboard::imgBonusH_Click() {
    if (m_gameBoard->active())
        return m_gameBoard->bonusClicked(game::Home);
    LitBonusH = Flag(~LitBonusH);
    UpdateBonus();
}

void frmScoreboard::imgBonusV_Click() {
    if (m_gameBoard->active())
        return m_gameBoard->bonusClicked(game::Visitor);
    LitBonusV = Flag(~LitBonusV);
    UpdateBonus();
}

void frmScoreboard::AllKeyPress(KeyCode KeyAscii) {
    switch (commandForKey(KeyAscii)) {
    case KeyCommand::StartStop:
        if (m_gameBoard->active())
            m_gameBoard->startStop();
        else if (modCount::IsCounting(GameSlot))
            stopGameClock();
        else
            modCount::StartCount(GameSlot);
        requestTick();
        break;
    case KeyCommand::Reset: {
        stopGameClock();
        const Currency before = modCount::ReadCount(GameSlot);
        modCount::SetCount(modBasketball::ResetTime, CountDown, GameSlot);
        modCount::ShowCount(modCount::ReadCount(GameSlot), pledTime, shpTime);
        m_gameBoard->gameClockLoaded(before, modBasketball::ResetTime);
        requestTick();
        break;
    }
    case KeyCommand::ClockSwitch:
        ClockTime = Flag(~ClockTime);
        requestTick();
        break;
    case KeyCommand::Buzzer:
        Buzzer();
        break;
    case KeyCommand::Help:
        Q_EMIT helpRequested();
        break;
    case KeyCommand::Options:
        OptionsCommand();
        break;
    case KeyCommand::None:
        break;
    }
}

void frmScoreboard::OptionsCommand() {
    // The clock keeps ticking inside the dialog's loop. However it closed, the board takes up the
    // settings afresh, and the size it has now becomes the baseline of every later resize.
    frmOptions::showModal(operatorWindow());
    UpdateLabels();
    UpdateFormColors();
    // A full-screen layout is fitted from the baseline, offsets and all; recording it would make
    // the window, once back to normal, scale from a centred board. The baseline stays.
    if (isFullScreen())
        modStretch::FitForm(this);
    else
        modStretch::StretchForm(this);
    mmcBuzzer->setCommand(QStringLiteral("Close"));
    mmcBuzzer->setFileName(modBasketball::BuzzerFile);
    mmcBuzzer->setCommand(QStringLiteral("Open"));
}

void frmScoreboard::GameSettingsCommand() {
    // What was confirmed holds for this session even when the store could not keep it.
    game::GameSettings chosen;
    if (frmGameSettings::showModal(operatorWindow(), chosen))
        m_gameBoard->applySettings(chosen);
}

QWidget* frmScoreboard::operatorWindow() {
    if (m_operatorDesk)
        if (QWidget* desk = m_operatorDesk())
            return desk;
    return this;
}

void frmScoreboard::stopGameClock() {
    // On the Game board the shot clock stops with it.
    if (m_gameBoard->active())
        m_gameBoard->stopClocks(Clock::source().monotonicUs());
    else if (modCount::IsCounting(GameSlot)) {
        modCount::ReadCount(GameSlot);
        modCount::StopCount(GameSlot);
    }
}

void frmScoreboard::requestTick() {
    tmrClock->start(0);
}

void frmScoreboard::tmrClock_Timer() {
    // Every clock is read at this one instant, so that none shows a tenth the others do not.
    const qint64 readUs = Clock::source().monotonicUs();
    m_lastTickUs = readUs;
    const Currency gameClock = modCount::ReadCountAt(GameSlot, readUs);
    // The local time only when shown: reading it costs a look at the system's time zone.
    int localMs = 0;
    if (ClockTime) {
        const QTime localTime = Clock::source().localTime();
        localMs = localTime.msec();
        modCount::ShowCount(ClockTick::timeOfDayValue(localTime, m_twelveHourClock), pledTime, shpTime);
    } else {
        modCount::ShowCount(gameClock, pledTime, shpTime);
    }
    if (ClockTick::buzzerDue(gameClock, BuzzerSounded))
        Buzzer();
    const std::optional<int> gameWait = m_gameBoard->tick(readUs, gameClock);
    m_accessibility->announce();
    aimTick(readUs, gameClock, localMs, gameWait);
}

void frmScoreboard::aimTick(qint64 readUs, Currency gameClock, int localMs, std::optional<int> gameWait) {
    const std::optional<qint64> runStart = modCount::RunStartUs(GameSlot);
    const std::optional<int> wait = ClockTick::msUntilNextChange(
        {gameClock, runStart ? std::optional<qint64>(readUs - *runStart) : std::nullopt,
         ClockTime != FlagFalse, localMs});
    if (gameWait && (!wait || *gameWait < *wait))
        tmrClock->start(*gameWait);
    else if (wait)
        tmrClock->start(*wait);
    else
        tmrClock->stop();
}

void frmScoreboard::keyPressEvent(QKeyEvent* event) {
    // Reached only when no control has the focus: a focused digit takes its own keys.
    if (event->text().isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    AllKeyPress(KeyCode(event->text().at(0).unicode()));
}

bool frmScoreboard::eventFilter(QObject* watched, QEvent* event) {
    if (m_keyRepeat.isRepeatedCommand(*event))
        return true;
    return QWidget::eventFilter(watched, event);
}

void frmScoreboard::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void frmScoreboard::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The size change that comes with the new state lays the board out again.
    if (event->type() == QEvent::WindowStateChange) {
        m_leaveFullScreen->setEnabled(isFullScreen());
        if (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowFullScreen)
            ScreenFit::WindowFitter::fitWhenPlaced(this);
    }
}

void frmScoreboard::relayout() {
    if (isFullScreen()) {
        modStretch::FitForm(this);
    } else {
        modStretch::UnfitForm(this);
        modStretch::ResizeForm(this);
    }
    keepCaptionsInside();
}

void frmScoreboard::keepCaptionsInside() {
    // The team names reach out past the board's outline, low where its corners bend in, and the
    // title spans it above; a caption too wide is set within the outline's inner edges, as thick
    // as the window's shape makes them, at the height where its letters stand.
    const int outline = qCeil(Shape2->borderWidth());
    for (Label* caption : {lblTitle, lblHome, lblVisitor}) {
        const QRectF inside = Shape2->insideAt(caption->y() + caption->baseline() - Shape2->y());
        const int inner = Shape2->x() + (inside.isEmpty() ? outline : qCeil(inside.left()));
        const int innerRight =
            Shape2->x() + (inside.isEmpty() ? Shape2->width() - outline : qFloor(inside.right()));
        const int over = qMax(inner - caption->x(), caption->x() + caption->width() - innerRight);
        caption->setFitInset(caption->width() > 0 ? qMax(0, over + 1) / double(caption->width()) : 0);
    }
}

QString frmScoreboard::closeQuestion() {
    return tr("End the game and close the board?");
}

GameSnapshot frmScoreboard::game() const {
    // The Game board's period counts on into overtime, which its display shows as a mark.
    return {modCount::IsCounting(GameSlot) != FlagFalse,
            modCount::ReadCount(GameSlot),
            modBasketball::ResetTime,
            modShowDigits::ShownValue(pledHomeScore),
            modShowDigits::ShownValue(pledVisitorScore),
            m_gameBoard->active() ? m_gameBoard->game().state().period
                                  : modShowDigits::ShownValue(pledPeriod)};
}

void frmScoreboard::closeEvent(QCloseEvent* event) {
    // One key must not lose a game: ask first, with No as the answer Enter gives.
    const GameSnapshot now = game();
    if (gameInProgress(now)) {
        QMessageBox question(QMessageBox::Question, windowTitle(), closeQuestion(),
                             QMessageBox::Yes | QMessageBox::No, operatorWindow());
        question.setInformativeText(gameSummary(now, modBasketball::HomeText, modBasketball::VisitorText));
        question.setDefaultButton(QMessageBox::No);
        if (question.exec() != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    saveWindowPlace();
    Q_EMIT closing();
    event->accept();
}
