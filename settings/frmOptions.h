#pragma once

#include "settings/OptionsRules.h"
#include "state/Types.h"

#include <QDialog>
#include <QFrame>
#include <QLineEdit>

#include <array>

class BuzzerFileCheck;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;

// A colour swatch of the options dialog: it shows, and holds, one colour of the working copy.
class ColourSwatch : public QFrame {
    Q_OBJECT

public:
    ColourSwatch(QWidget* parent);

    Colour colour() const { return m_colour; }
    void setColour(Colour colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Colour m_colour = 0;
};

// A text box that stops typing at its limit, yet shows a longer text that it is given whole (the
// operator can still shorten it).
class LimitedTextBox : public QLineEdit {
    Q_OBJECT

public:
    LimitedTextBox(qsizetype limit, QWidget* parent);

    // Shows text as given, whatever its length.
    void setInitialText(const QString& text);

private:
    void onTextEdited(const QString& text);

    qsizetype m_limit;
    QString m_accepted;
};

// The options dialog: the four command keys and the buzzer sound, the eight colours, the title and
// the team names. It edits a working copy held in its own controls, refilled from the scoreboard
// state at every opening; OK commits all of it to the state and the settings store, Cancel and the
// close control discard it. It changes nothing on the board itself: its opener re-applies.
class frmOptions : public QDialog {
    Q_OBJECT

public:
    // Shows the options dialog modally over opener and returns once it has closed, whichever way;
    // the dialog is destroyed on closing.
    static void showModal(QWidget* opener);

    explicit frmOptions(QWidget* opener);

    // The keys held now by the four key labels, in the order start / stop, reset, clock switch,
    // buzzer. Each label keeps its key's code beside its text, so a code without a character of its
    // own keeps its value.
    KeysInUse keysInUse() const;
    QTabWidget* const SSTab1;

private:
    // Each tab's controls sit on a sheet the size of the tab control, tab strip included, so that
    // they keep their design positions relative to the tab control.
    QWidget* const m_keySheet;
    QWidget* const m_colourSheet;
    QWidget* const m_textSheet;

public:
    QPushButton* const cmdOk;
    QPushButton* const cmdCancel;

    QPushButton* const cmdStartStopClock;
    QLabel* const lblStartStopClock;
    QPushButton* const cmdResetClock;
    QLabel* const lblResetClock;
    QPushButton* const cmdClockSwitch;
    QLabel* const lblClockSwitch;
    QPushButton* const cmdBuzzer;
    QLabel* const lblBuzzer;
    QPushButton* const cmdBuzzerSound;
    QLabel* const lblBFile;
    // Below the path, why the buzzer file cannot be played; empty when it can.
    QLabel* const lblBuzzerProblem;
    QPushButton* const cmdResetKeys;

    QGroupBox* const fraTimeFore;
    ColourSwatch* const picTimeC;
    QPushButton* const cmdTimeC;
    QGroupBox* const frmHomeColor;
    ColourSwatch* const picHomeC;
    QPushButton* const cmdHomeC;
    QGroupBox* const frmVisitorColor;
    ColourSwatch* const picVisitorC;
    QPushButton* const cmdVisitorC;
    QGroupBox* const frmScoreColor;
    ColourSwatch* const picScoreC;
    QPushButton* const cmdScoreC;
    QGroupBox* const frmPeriodColor;
    ColourSwatch* const picPeriodC;
    QPushButton* const cmdPeriodC;
    QGroupBox* const fraLedBack;
    ColourSwatch* const picLEDB;
    QPushButton* const cmdLEDB;
    QGroupBox* const frmBackColor;
    ColourSwatch* const picBackC;
    QPushButton* const cmdBackC;
    QGroupBox* const frmBorderColor;
    ColourSwatch* const picBorderC;
    QPushButton* const cmdBorderC;
    QPushButton* const cmdResetColors;

    QGroupBox* const fraTitle;
    LimitedTextBox* const txtTitle;
    QGroupBox* const Frame1;
    LimitedTextBox* const txtHomeText;
    QGroupBox* const Frame2;
    LimitedTextBox* const txtVisitorText;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct KeySlot {
        QPushButton* button;
        QLabel* label;
        KeyCode* setting;
        // The phrase naming the command in the key capture dialog.
        QString action;
        KeyCode held = 0;
    };
    struct ColourSlot {
        QPushButton* button;
        ColourSwatch* swatch;
        Colour* setting;
    };

    void setTabOrder();
    void connectControls();
    void Form_Load();
    void setKeyLabel(KeySlot& slot, KeyCode key);
    void keyButton_Click(KeySlot& slot);
    void colourButton_Click(ColourSwatch* swatch);
    void cmdBuzzerSound_Click();
    void cmdResetColors_Click();
    void cmdResetKeys_Click();
    void cmdOk_Click();

    std::array<KeySlot, 4> m_keys;
    // In the order in which OK commits them.
    std::array<ColourSlot, 8> m_colours;
    // The buzzer file of the working copy, shown through lblBFile.
    QString m_buzzTemp;
    BuzzerFileCheck* const m_buzzerCheck;
};
