#include "console/frmConsole.h"

#include "clock/ClockEntry.h"
#include "console/BoardMirror.h"
#include "console/ConsoleRules.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/KeyCommands.h"
#include "scoreboard/frmScoreboard.h"
#include "scoreboard/modShowDigits.h"
#include "settings/BuzzerFileCheck.h"
#include "state/modBasketball.h"

#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

using game::Command;

namespace {

QLabel* infoLine(QWidget* parent, const QString& name) {
    auto* line = new QLabel(parent);
    line->setObjectName(name);
    line->setWordWrap(true);
    line->setTextInteractionFlags(Qt::NoTextInteraction);
    return line;
}

// A press of the left button on a control, as a click on the board gives it.
void click(QWidget* control) {
    const QPointF centre = QRectF(control->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, control->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(control, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, control->mapToGlobal(centre), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(control, &release);
}

QPalette warningPalette(const QWidget* widget) {
    QPalette warning = widget->palette();
    warning.setColor(QPalette::WindowText, QColor(0xB0, 0, 0));
    return warning;
}

void setTextIfChanged(QLabel* label, const QString& text) {
    if (label->text() != text)
        label->setText(text);
}

int screenIndex(const QScreen* screen) {
    return int(QGuiApplication::screens().indexOf(const_cast<QScreen*>(screen)));
}

} // namespace

frmConsole::frmConsole(frmScoreboard* board)
    : QWidget(nullptr), lblEntry(infoLine(this, QStringLiteral("lblEntry"))),
      lblCapsLock(infoLine(this, QStringLiteral("lblCapsLock"))),
      lblBuzzer(infoLine(this, QStringLiteral("lblBuzzer"))),
      lblGameSettings(infoLine(this, QStringLiteral("lblGameSettings"))),
      lblRefusal(infoLine(this, QStringLiteral("lblRefusal"))),
      lblJournal(infoLine(this, QStringLiteral("lblJournal"))),
      cmdExport(new QPushButton(tr("Export the game..."), this)), m_board(board),
      m_mirror(new BoardMirror(board, this)), m_buzzerCheck(new BuzzerFileCheck(this)),
      m_side(new QVBoxLayout) {
    setWindowTitle(QStringLiteral("Courtvane Console"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Every key goes to the board, so nothing here takes the focus from the window itself.
    setFocusPolicy(Qt::StrongFocus);
    m_mirror->setObjectName(QStringLiteral("mirror"));
    m_mirror->setFocusPolicy(Qt::NoFocus);
    m_mirror->setToolTip(
        tr("The board as the audience sees it: click a display to type on it, a lamp to switch it"));

    lblRefusal->setPalette(warningPalette(lblRefusal));
    lblRefusal->setText(tr("none"));
    QFont large = lblEntry->font();
    large.setPointSizeF(large.pointSizeF() * 1.5);
    large.setBold(true);
    lblEntry->setFont(large);

    // The board's copy takes what room there is; beside it what only the operator sees, below it
    // the commands in groups, so the whole console fits a laptop's screen.
    auto* root = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(m_mirror, 3);
    auto* facts = new QGroupBox(tr("For the operator only"), this);
    auto* form = new QFormLayout(facts);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    form->addRow(tr("Typed, before Enter:"), lblEntry);
    form->addRow(tr("Caps Lock:"), lblCapsLock);
    form->addRow(tr("Buzzer file:"), lblBuzzer);
    form->addRow(tr("Game settings:"), lblGameSettings);
    form->addRow(tr("Last refusal:"), lblRefusal);
    form->addRow(tr("Journal:"), lblJournal);
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    form->addRow(cmdExport);
    m_side->addWidget(facts);
    m_side->addStretch();
    top->addLayout(m_side, 1);
    root->addLayout(top, 1);
    auto* commands = new QHBoxLayout;
    createButtons(commands);
    root->addLayout(commands);

    connect(m_mirror, &BoardMirror::boardChanged, this, &frmConsole::refresh);
    connect(m_mirror, &BoardMirror::keyTyped, this, &frmConsole::noteKey);
    connect(board->gameBoard(), &GameBoard::refusalChanged, this,
            [this](const QString& why) { lblRefusal->setText(why.isEmpty() ? tr("none") : why); });
    connect(m_buzzerCheck, &BuzzerFileCheck::checked, this, [this](const QString& problem) {
        const QString name = QFileInfo(m_checkedBuzzer).fileName();
        if (m_checkedBuzzer.isEmpty())
            lblBuzzer->setText(tr("none chosen"));
        else
            lblBuzzer->setText(problem.isEmpty() ? tr("%1, plays").arg(name)
                                                 : tr("%1: %2").arg(name, problem));
    });
    // A widget tells of its end before its own pointers forget it, so the console forgets it first.
    connect(board, &QObject::destroyed, this, [this] {
        m_board = nullptr;
        close();
    });
    refresh();
}

void frmConsole::addOperatorPanel(QWidget* panel) {
    panel->setParent(this);
    m_side->insertWidget(m_side->count() - 1, panel);
}

QGridLayout* frmConsole::addGroup(QHBoxLayout* row, const QString& title) {
    auto* box = new QGroupBox(title, this);
    auto* grid = new QGridLayout(box);
    grid->setSpacing(4);
    row->addWidget(box, 0, Qt::AlignTop);
    return grid;
}

QPushButton* frmConsole::addButton(QGridLayout* grid, int row, int column, const QString& name,
                                   const QString& caption, const std::function<void()>& run) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    // Large enough for a finger on a touch screen, and never the keyboard's: keys go to the board.
    button->setMinimumHeight(32);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QPushButton::clicked, this, run);
    grid->addWidget(button, row, column);
    return button;
}

QPushButton* frmConsole::addKeyButton(QGridLayout* grid, int row, int column, const QString& name,
                                      const QString& caption, QKeySequence key,
                                      const std::function<void()>& run, bool gameOnly) {
    // The key works in this window as on the board, and the button runs what the key does.
    auto* action = new QAction(caption, this);
    action->setShortcut(key);
    action->setAutoRepeat(false);
    connect(action, &QAction::triggered, this, run);
    addAction(action);
    QPushButton* button =
        addButton(grid, row, column, name,
                  QStringLiteral("%1   %2").arg(caption, key.toString(QKeySequence::NativeText)),
                  [action] { action->trigger(); });
    if (gameOnly) {
        m_gameActions.append(action);
        m_gameButtons.append(button);
    }
    return button;
}

void frmConsole::createButtons(QHBoxLayout* row) {
    frmScoreboard* board = m_board;
    GameBoard* game = board->gameBoard();
    const auto letter = [this](QGridLayout* grid, int r, int c, const QString& name, const QString& caption,
                               const KeyCode* key) {
        QPushButton* button = addButton(grid, r, c, name, caption, [this, key] {
            if (m_board)
                m_board->AllKeyPress(*key);
        });
        m_letterButtons.append({button, caption, key});
    };
    static const KeyCode helpKey = HelpKey;
    static const KeyCode optionsKey = OptionsKey;

    QGridLayout* clock = addGroup(row, tr("Clock"));
    letter(clock, 0, 0, QStringLiteral("cmdStartStop"), tr("Start / Stop"),
           &modBasketball::StartStopClockKey);
    letter(clock, 1, 0, QStringLiteral("cmdReset"), tr("Reset Clock"), &modBasketball::ResetClockKey);
    letter(clock, 2, 0, QStringLiteral("cmdClockSwitch"), tr("Game / Clock"), &modBasketball::ClockSwitchKey);
    letter(clock, 3, 0, QStringLiteral("cmdBuzzer"), tr("Buzzer"), &modBasketball::BuzzerKey);

    // The lamps answer a click on the copy of the board too.
    QGridLayout* lamps = addGroup(row, tr("Lamps"));
    const auto lamp = [&](int r, int c, const QString& name, const QString& caption, QWidget* target) {
        addButton(lamps, r, c, name, caption, [target] {
            click(target);
        })->setToolTip(tr("Or click the lamp on the copy of the board"));
    };
    lamp(0, 0, QStringLiteral("cmdPossHome"), tr("Home Poss."), board->imgPossH);
    lamp(0, 1, QStringLiteral("cmdPossVisitor"), tr("Visitor Poss."), board->imgPossV);
    lamp(1, 0, QStringLiteral("cmdBonusHome"), tr("Home Bonus"), board->imgBonusH);
    lamp(1, 1, QStringLiteral("cmdBonusVisitor"), tr("Visitor Bonus"), board->imgBonusV);

    // Typing goes to the display whose ring is lit: click one on the copy, or Tab to it.
    QGridLayout* pad = addGroup(row, tr("Typing on the lit display"));
    const auto padKey = [&](int r, int c, const QString& text, int key, const QString& shown) {
        QPushButton* button =
            addButton(pad, r, c, QStringLiteral("cmdPad") + shown, shown, [this, text, key] {
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
                forwardKey(&press);
                QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
                forwardKey(&release);
            });
        // A key of a keypad, not a command: as narrow as a finger.
        button->setMinimumWidth(44);
    };
    for (int digit = 1; digit <= 9; ++digit)
        padKey((9 - digit) / 3, (digit - 1) % 3, QString::number(digit), Qt::Key_0 + digit,
               QString::number(digit));
    padKey(0, 3, QStringLiteral("+"), Qt::Key_Plus, QStringLiteral("+"));
    padKey(1, 3, QStringLiteral("-"), Qt::Key_Minus, QStringLiteral("-"));
    padKey(2, 3, QStringLiteral("."), Qt::Key_Period, QStringLiteral("."));
    padKey(3, 0, QString(), Qt::Key_Tab, QStringLiteral("Tab"));
    padKey(3, 1, QStringLiteral("0"), Qt::Key_0, QStringLiteral("0"));
    padKey(3, 2, QStringLiteral("\x1b"), Qt::Key_Escape, QStringLiteral("Esc"));
    padKey(3, 3, QStringLiteral("\r"), Qt::Key_Return, QStringLiteral("Enter"));

    QGridLayout* rules = addGroup(row, tr("Game board"));
    const auto command = [game](Command c) { return [game, c] { game->dispatch(game::Action(c)); }; };
    const auto gameKey = [&](int r, int c, const QString& name, const QString& caption, Command which) {
        addKeyButton(rules, r, c, name, caption, GameBoard::keyOf(which), command(which), true);
    };
    gameKey(0, 0, QStringLiteral("cmdHomeFoul"), tr("Home Foul"), Command::HomeFoul);
    gameKey(0, 1, QStringLiteral("cmdVisitorFoul"), tr("Visitor Foul"), Command::VisitorFoul);
    gameKey(1, 0, QStringLiteral("cmdHomeTimeout"), tr("Home Timeout"), Command::HomeTimeout);
    gameKey(1, 1, QStringLiteral("cmdVisitorTimeout"), tr("Visitor Timeout"), Command::VisitorTimeout);
    gameKey(2, 0, QStringLiteral("cmdShotFull"), tr("Shot Full"), Command::ShotClockFull);
    gameKey(2, 1, QStringLiteral("cmdShotShort"), tr("Shot Short"), Command::ShotClockShort);
    gameKey(3, 0, QStringLiteral("cmdShotStartStop"), tr("Shot Start / Stop"), Command::ShotClockStartStop);
    gameKey(3, 1, QStringLiteral("cmdArrow"), tr("Arrow"), Command::PossessionArrow);
    gameKey(4, 0, QStringLiteral("cmdNextPeriod"), tr("Next Period"), Command::NextPeriod);
    gameKey(4, 1, QStringLiteral("cmdUndo"), tr("Undo"), Command::Undo);
    gameKey(5, 1, QStringLiteral("cmdRedo"), tr("Redo"), Command::Redo);
    addKeyButton(
        rules, 5, 0, QStringLiteral("cmdGameSettings"), tr("Game Settings"),
        QKeySequence(Qt::CTRL | Qt::Key_G), [board] { board->GameSettingsCommand(); }, false);

    QGridLayout* windows = addGroup(row, tr("Windows"));
    letter(windows, 0, 0, QStringLiteral("cmdHelp"), tr("Help"), &helpKey);
    letter(windows, 0, 1, QStringLiteral("cmdOptions"), tr("Options"), &optionsKey);
    addKeyButton(
        windows, 1, 0, QStringLiteral("cmdFullScreen"), tr("Full Screen"), QKeySequence(Qt::Key_F11),
        [board] { board->toggleFullScreen(); }, false);
    addKeyButton(
        windows, 1, 1, QStringLiteral("cmdNextScreen"), tr("Next Screen"),
        QKeySequence(Qt::SHIFT | Qt::Key_F11), [board] { board->moveToNextScreen(); }, false);
    addKeyButton(
        windows, 2, 0, QStringLiteral("cmdHideConsole"), tr("Hide Console"), QKeySequence(Qt::Key_F2),
        [this] { toggle(); }, false);
    addKeyButton(
        windows, 2, 1, QStringLiteral("cmdCloseBoard"), tr("Close Board"), QKeySequence(Qt::CTRL | Qt::Key_Q),
        [board] { board->close(); }, false);
    // The desktop's help key, as on the board; the Help button above names the board's own key.
    auto* const helpAction = new QAction(tr("Help"), this);
    helpAction->setShortcut(QKeySequence(Qt::Key_F1));
    helpAction->setAutoRepeat(false);
    connect(helpAction, &QAction::triggered, board, &frmScoreboard::helpRequested);
    addAction(helpAction);
}

QPushButton* frmConsole::button(const QString& name) const {
    return findChild<QPushButton*>(name);
}

void frmConsole::refresh() {
    if (!m_board)
        return;
    const std::optional<BoardDisplay> display = m_board->focusedDisplay();
    setTextIfChanged(lblEntry, console::entryText(display, display == BoardDisplay::Clock
                                                               ? modCount::typedCount()
                                                               : modShowDigits::typedDigits()));
    setTextIfChanged(lblCapsLock, !m_capsLock   ? tr("not known before a letter is typed")
                                  : *m_capsLock ? tr("ON: the command keys are lower-case letters")
                                                : tr("off"));
    const GameBoard* game = m_board->gameBoard();
    setTextIfChanged(lblGameSettings, console::gameSettingsText(game->settings()));
    for (const LetterButton& letter : std::as_const(m_letterButtons)) {
        const QString caption = QStringLiteral("%1   %2").arg(letter.caption, console::keyText(*letter.key));
        if (letter.button->text() != caption)
            letter.button->setText(caption);
    }
    for (QAction* action : std::as_const(m_gameActions))
        action->setEnabled(game->active());
    for (QPushButton* button : std::as_const(m_gameButtons))
        button->setEnabled(game->active());
    // The file is read on a worker thread, and only when the options chose another one.
    if (!m_buzzerChecked || m_checkedBuzzer != modBasketball::BuzzerFile) {
        m_buzzerChecked = true;
        m_checkedBuzzer = modBasketball::BuzzerFile;
        m_buzzerCheck->check(m_checkedBuzzer);
    }
}

void frmConsole::noteKey(const QString& text, bool shift) {
    const std::optional<bool> caps = console::capsLockFromKey(text, shift);
    if (caps && caps != m_capsLock) {
        m_capsLock = caps;
        lblCapsLock->setPalette(*caps ? warningPalette(this) : palette());
        refresh();
    }
}

void frmConsole::forwardKey(QKeyEvent* event) {
    if (!m_board)
        return;
    // The display whose ring is lit takes the key, as on the board; with none, the board does.
    QWidget* target = m_board->focusedDisplay() ? m_board->focusWidget() : m_board.data();
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                   event->nativeVirtualKey(), event->nativeModifiers(), event->text(), event->isAutoRepeat(),
                   event->count());
    // The board tells a held key's repeats by their time stamps.
    copy.setTimestamp(event->timestamp());
    QCoreApplication::sendEvent(target, &copy);
}

void frmConsole::keyPressEvent(QKeyEvent* event) {
    if (!m_board)
        return;
    // Esc leaves the board's full screen, as it does on the board, and goes on to a display elsewhere.
    if (event->key() == Qt::Key_Escape && m_board->isFullScreen()) {
        m_board->leaveFullScreen();
        return;
    }
    // The board's controls take the key, and the console reads it off them as it reads their keys.
    forwardKey(event);
}

void frmConsole::keyReleaseEvent(QKeyEvent* event) {
    forwardKey(event);
}

bool frmConsole::focusNextPrevChild(bool next) {
    // Tab moves the board's ring from display to display, never the focus among the buttons.
    QKeyEvent tab(QEvent::KeyPress, next ? Qt::Key_Tab : Qt::Key_Backtab,
                  next ? Qt::NoModifier : Qt::ShiftModifier);
    forwardKey(&tab);
    return true;
}

void frmConsole::toggle() {
    if (isVisible())
        hide();
    else
        showOnOperatorScreen();
}

void frmConsole::showOnOperatorScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QScreen* boardScreen = m_board ? m_board->screen() : nullptr;
    // Placed afresh the first time and whenever it would lie on the board's screen beside a free one.
    if (!m_placed || (screens.size() > 1 && screen() == boardScreen)) {
        QStringList names;
        for (const QScreen* s : screens)
            names << s->name();
        const std::optional<int> chosen =
            console::consoleScreenIndex(names, screenIndex(boardScreen), console::rememberedScreen());
        QScreen* target = chosen ? screens.at(*chosen) : (boardScreen ? m_board->screen() : screen());
        if (target) {
            setScreen(target);
            const QRect area = target->availableGeometry();
            resize(area.size() * 0.9);
            move(area.center() - rect().center());
        }
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
}

QWidget* frmConsole::dialogOwner() {
    if (isVisible())
        return this;
    if (m_board && m_board->isFullScreen() && QGuiApplication::screens().size() > 1) {
        showOnOperatorScreen();
        return this;
    }
    return nullptr;
}

void frmConsole::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_watchingScreen)
        return;
    m_watchingScreen = true;
    connect(windowHandle(), &QWindow::screenChanged, this, &frmConsole::rememberPlace);
    if (m_board && m_board->windowHandle())
        connect(m_board->windowHandle(), &QWindow::screenChanged, this, &frmConsole::boardScreenChanged);
}

void frmConsole::rememberPlace() {
    // The operator's choice: a screen of its own beside the board's.
    if (isVisible() && m_board && screen() && screen() != m_board->screen())
        console::rememberScreen(screen()->name());
}

void frmConsole::boardScreenChanged() {
    // The board went to the console's screen: the console makes way.
    if (isVisible() && m_board && screen() == m_board->screen() && QGuiApplication::screens().size() > 1) {
        m_placed = false;
        showOnOperatorScreen();
    }
}

void frmConsole::closeEvent(QCloseEvent* event) {
    // Closing the console hides it while the board lives; with the board it goes for good.
    if (m_board) {
        rememberPlace();
        hide();
        event->ignore();
        return;
    }
    event->accept();
}
