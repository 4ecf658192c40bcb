#pragma once

#include <QWidget>

#include <optional>

class BuzzerFileCheck;
class Label;
class QGroupBox;
class QLabel;
class QPushButton;
class frmConsole;
class frmScoreboard;

// The start-up window: borderless, it loads the settings, shows the program's name and version
// and waits. A click almost anywhere on it hands over to the board; its two buttons open the help
// viewer and the options dialog before the game starts. It deletes itself when it closes.
class frmSplash : public QWidget {
    Q_OBJECT

public:
    explicit frmSplash(QWidget* parent = nullptr);

    // Closes the splash and shows the board, creating it on first use (it deletes itself when
    // closed, too). Returns the board.
    frmScoreboard* GoScore();
    // The board once GoScore has created it, while it lives.
    static frmScoreboard* scoreboard();
    // The operator's console beside the board, once the board exists.
    static frmConsole* console();
    // The port the command line asked the board to be served on for this run, if any.
    static void setServePort(std::optional<quint16> port);

    QGroupBox* const frameSplash;
    Label* const lblName;
    Label* const lblMadeBy;
    Label* const lblVersion;
    Label* const lblClick;
    Label* const Label1;
    Label* const Label2;
    QPushButton* const cmdHelp;
    QLabel* const picLogo;
    QPushButton* const cmdOptions;
    // Below the version, why the buzzer file cannot be played; empty when it can.
    Label* const lblBuzzerProblem;

protected:
    // A click on the window, on the empty frame or on the logo (neither takes it) reaches here.
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Form_Load();
    void openConsole();
    void keepJournal();

    BuzzerFileCheck* const m_buzzerCheck;
};

// "Version 1.1.4" for major 1, minor 1, revision 4: plain decimals, no leading zeros.
QString versionCaption(int major, int minor, int revision);
// The splash's top in twips: it sits above the vertical centre by a fixed allowance.
double splashTop(double screenHeightTwips);
