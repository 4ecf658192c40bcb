#include "app/frmSplash.h"

#include "app/BoardJournal.h"
#include "app/frmHelp.h"
#include "console/RemotePanel.h"
#include "console/frmConsole.h"
#include "platform/Label.h"
#include "platform/TwipsLayout.h"
#include "remote/BoardLink.h"
#include "scoreboard/frmScoreboard.h"
#include "settings/BuzzerFileCheck.h"
#include "settings/SettingsStore.h"
#include "settings/frmOptions.h"
#include "state/modBasketball.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

namespace {

QPointer<frmScoreboard> board;
QPointer<frmConsole> desk;
std::optional<quint16> commandLinePort;
QPointer<remote::BoardLink> served;
QPointer<BoardJournal> boardJournal;

constexpr double DesignWidth = 6240;
constexpr double OuterHeight = 3240;
constexpr double FrameHeight = 3120;
// The two hints are 3255 twips wide by design; Arial's stand-in on Linux sets them a little wider,
// so they reach on to the frame's inner edge.
constexpr double HintWidth = 3360;
// The splash is placed as if it were this high, which lifts it above the centre of the screen.
constexpr double PlacingHeight = 5880;
// Dark red.
constexpr Colour BuzzerProblemColour = 0x0000B0;

using TwipsLayout::place;

Label* label(QWidget* parent, const QString& name, double left, double top, double width, double height,
             const QString& caption, Qt::Alignment alignment = Qt::AlignLeft,
             const QString& family = QStringLiteral("Arial"), double points = 8.25) {
    auto* control = new Label(parent, name);
    control->setBoundsTwips(left, top, width, height);
    control->setCaption(caption);
    control->setAlignment(alignment | Qt::AlignTop);
    control->setFontFamily(family);
    control->setFontSize(points);
    return control;
}

// Command keys typed in the help window run on the board, once there is one.
void linkHelp(frmHelp* help) {
    if (help && board)
        QObject::connect(help, &frmHelp::commandKeyTyped, board.data(), &frmScoreboard::AllKeyPress,
                         Qt::UniqueConnection);
}

QLabel* logo(QWidget* parent) {
    auto* picture = place<QLabel>(parent, QStringLiteral("picLogo"), 360, 960, 1890, 1890);
    picture->setPixmap(QPixmap(QStringLiteral(":/courtvane/logo.png")));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return picture;
}

} // namespace

QString versionCaption(int major, int minor, int revision) {
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

double splashTop(double screenHeightTwips) {
    return (screenHeightTwips - PlacingHeight) / 2;
}

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      frameSplash(place<QGroupBox>(this, QStringLiteral("frameSplash"), 120, 0, 6000, 3105)),
      lblName(label(frameSplash, QStringLiteral("lblName"), 240, 240, 5415, 615,
                    QStringLiteral("Courtvane Standard"), Qt::AlignHCenter, QStringLiteral("Times New Roman"),
                    26.25)),
      lblMadeBy(label(frameSplash, QStringLiteral("lblMadeBy"), 3000, 840, 2655, 255,
                      QStringLiteral("Made by the Courtvane developers"), Qt::AlignRight)),
      lblVersion(label(frameSplash, QStringLiteral("lblVersion"), 3480, 1080, 2175, 375,
                       QStringLiteral("Version 1.0.0"), Qt::AlignRight, QStringLiteral("Times New Roman"),
                       15.75)),
      lblClick(label(frameSplash, QStringLiteral("lblClick"), 2400, 1080, 1335, 255,
                     QStringLiteral("Click to continue."))),
      Label1(label(frameSplash, QStringLiteral("Label1"), 2520, 1680, HintWidth, 255,
                   QStringLiteral("Press ' H ' to view Help from the scoreboard."))),
      Label2(label(frameSplash, QStringLiteral("Label2"), 2520, 1920, HintWidth, 375,
                   QStringLiteral("Press ' O ' to set Options from the scoreboard."))),
      cmdHelp(place<QPushButton>(frameSplash, QStringLiteral("cmdHelp"), 3120, 2640, 1215, 375,
                                 QStringLiteral("&Help"))),
      picLogo(logo(this)), cmdOptions(place<QPushButton>(this, QStringLiteral("cmdOptions"), 4680, 2640, 1215,
                                                         375, QStringLiteral("&Options"))),
      lblBuzzerProblem(label(frameSplash, QStringLiteral("lblBuzzerProblem"), 2160, 1440, 3495, 240,
                             QString(), Qt::AlignRight)),
      m_buzzerCheck(new BuzzerFileCheck(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Courtvane Standard"));
    setFont(TwipsLayout::designFont(QStringLiteral("Arial"), 8.25));
    resize(Twips::toPixels(DesignWidth), Twips::toPixels(OuterHeight));

    lblBuzzerProblem->setForeColor(BuzzerProblemColour);
    connect(m_buzzerCheck, &BuzzerFileCheck::checked, this, [this](const QString& problem) {
        lblBuzzerProblem->setCaption(problem.isEmpty() ? QString() : QStringLiteral("Buzzer: ") + problem);
    });

    for (Label* caption : {lblName, lblMadeBy, lblVersion, lblClick, Label1, Label2, lblBuzzerProblem})
        connect(caption, &Label::clicked, this, &frmSplash::GoScore);
    connect(cmdHelp, &QPushButton::clicked, this, [] { linkHelp(frmHelp::showHelp()); });
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, cmdHelp,
            &QPushButton::click);
    connect(cmdOptions, &QPushButton::clicked, this, [this] { frmOptions::showModal(this); });

    Form_Load();
}

void frmSplash::Form_Load() {
    resize(width(), Twips::toPixels(OuterHeight));
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        const double top = splashTop(Twips::fromPixels(area.height()));
        const double left = (Twips::fromPixels(area.width()) - Twips::fromPixels(width())) / 2;
        move(area.left() + Twips::toPixels(left), area.top() + Twips::toPixels(top));
    }
    frameSplash->setGeometry(Twips::toPixelRect(120, 0, 6000, FrameHeight));
    lblVersion->setCaption(
        versionCaption(COURTVANE_VERSION_MAJOR, COURTVANE_VERSION_MINOR, COURTVANE_VERSION_PATCH));
    modSettings::LoadSettings();
    // The operator learns of a buzzer that will not sound here, before the game, rather than at
    // the end of a period.
    m_buzzerCheck->check(modBasketball::BuzzerFile);
}

frmScoreboard* frmSplash::GoScore() {
    // The board is shown before the splash closes, so that the program never has no window open
    // (it ends when its last window closes).
    if (!board) {
        board = new frmScoreboard;
        board->setAttribute(Qt::WA_DeleteOnClose);
        connect(board, &frmScoreboard::helpRequested, board,
                [] { linkHelp(frmHelp::showHelp(board ? board->operatorWindow() : nullptr)); });
        // The help may have been opened from the splash.
        linkHelp(frmHelp::instance());
        served = new remote::BoardLink(board);
        if (commandLinePort)
            served->serveOnPort(*commandLinePort);
    }
    board->show();
    if (!desk)
        openConsole();
    if (!boardJournal)
        keepJournal();
    close();
    return board;
}

frmScoreboard* frmSplash::scoreboard() {
    return board;
}

frmConsole* frmSplash::console() {
    return desk;
}

void frmSplash::setServePort(std::optional<quint16> port) {
    commandLinePort = port;
}

void frmSplash::openConsole() {
    // The console lives as long as the board does; it opens by itself only where it has a screen
    // of its own, and F2 shows it anywhere.
    desk = new frmConsole(board);
    connect(board, &frmScoreboard::consoleRequested, desk, &frmConsole::toggle);
    board->setOperatorDesk([] { return desk ? desk->dialogOwner() : nullptr; });
    if (served)
        desk->addOperatorPanel(new RemotePanel(served, desk));
    if (QGuiApplication::screens().size() > 1)
        desk->showOnOperatorScreen();
}

void frmSplash::keepJournal() {
    // After the console, so that the question to take a game up again opens over it.
    boardJournal = new BoardJournal(board, journal::journalFolder());
    const auto showState = [](const QString& state) {
        if (desk)
            desk->lblJournal->setText(state);
    };
    showState(boardJournal->state());
    connect(boardJournal, &BoardJournal::stateChanged, desk, showState);
    connect(desk->cmdExport, &QPushButton::clicked, boardJournal, [] { boardJournal->exportGame(desk); });
}

void frmSplash::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        GoScore();
}
