#pragma once

#include "state/Types.h"

#include <QKeySequence>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class BoardMirror;
class BuzzerFileCheck;
class QAction;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;
class frmScoreboard;

// The operator's console: a window for the operator's own screen with a live copy of the board,
// what the audience must not see (the digits typed before Enter, Caps Lock, the buzzer file's
// state, the game settings, the game's last refusal) and a button for every command, each naming
// its key. Keys typed here work exactly as on the board. It lives as long as the board does.
class frmConsole : public QWidget {
    Q_OBJECT

public:
    explicit frmConsole(frmScoreboard* board);

    BoardMirror* mirror() const { return m_mirror; }
    // The command button of that object name ("cmdStartStop", "cmdHomeFoul", ...), or nullptr.
    QPushButton* button(const QString& name) const;

    QLabel* const lblEntry;
    QLabel* const lblCapsLock;
    QLabel* const lblBuzzer;
    QLabel* const lblGameSettings;
    QLabel* const lblRefusal;
    // Where the game's journal is kept, or why it is off; and the record's export.
    QLabel* const lblJournal;
    QPushButton* const cmdExport;

    // Whether Caps Lock was on at the latest letter typed on the board or here; nothing before one.
    std::optional<bool> capsLock() const { return m_capsLock; }

    // Shows the console on a screen other than the board's when there is one (the remembered one
    // first), else over the board; hides it when it is shown.
    void toggle();
    void showOnOperatorScreen();
    // The window the operator's dialogs open over: this console while shown, or, when the board
    // fills its screen and another screen is free, this console shown there. Nothing when the
    // dialogs belong on the board.
    QWidget* dialogOwner();
    // Another part only the operator sees, below the facts beside the board's copy.
    void addOperatorPanel(QWidget* panel);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createButtons(QHBoxLayout* row);
    QGridLayout* addGroup(QHBoxLayout* row, const QString& title);
    QPushButton* addButton(QGridLayout* grid, int row, int column, const QString& name,
                           const QString& caption, const std::function<void()>& run);
    QPushButton* addKeyButton(QGridLayout* grid, int row, int column, const QString& name,
                              const QString& caption, QKeySequence key, const std::function<void()>& run,
                              bool gameOnly);
    void forwardKey(QKeyEvent* event);
    void noteKey(const QString& text, bool shift);
    void refresh();
    void rememberPlace();
    void boardScreenChanged();

    QPointer<frmScoreboard> m_board;
    BoardMirror* const m_mirror;
    BuzzerFileCheck* const m_buzzerCheck;
    // The column beside the board's copy.
    QVBoxLayout* const m_side;
    // The letter commands, whose keys the options may change: button, command name and key.
    struct LetterButton {
        QPushButton* button;
        QString caption;
        const KeyCode* key;
    };
    QList<LetterButton> m_letterButtons;
    QList<QAction*> m_gameActions;
    QList<QPushButton*> m_gameButtons;
    std::optional<bool> m_capsLock;
    QString m_checkedBuzzer;
    bool m_buzzerChecked = false;
    bool m_placed = false;
    bool m_watchingScreen = false;
};
