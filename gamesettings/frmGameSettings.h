#pragma once

#include "gamesettings/GameSettingsDraft.h"

#include <QDialog>

#include <array>

class BuzzerFileCheck;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class SoundDevice;

// The game's settings: which board the audience sees, the rules' preset or custom figures, and the
// shot clock's horn, and whether browsers and phones may follow the board. It edits a working copy loaded
// from the store at every opening; OK saves it, Cancel and the close control discard it. A typed figure that
// cannot be is refused where it is typed, with a line saying why, and OK waits until none is.
class frmGameSettings : public QDialog {
    Q_OBJECT

public:
    // Shows the window modally over opener and returns once it has closed: true when the operator
    // confirmed the settings, saved or not (a store that cannot be written has been reported).
    static bool showModal(QWidget* opener);
    // The same, handing back what was confirmed, so that it holds for this run even unsaved.
    static bool showModal(QWidget* opener, game::GameSettings& chosen);

    explicit frmGameSettings(QWidget* opener);

    const game::GameSettings& settings() const { return m_draft.settings(); }
    // Where every setting shows without scrolling, with every refusal now shown.
    QSize sizeHint() const override;

    // The figure's field: a QLineEdit for a typed figure, a QCheckBox for a switch, a QComboBox
    // for the foul reset.
    QWidget* figureField(game::Figure figure) const;
    // The line under a typed figure's field saying why what is typed is refused; nullptr for the
    // figures that are picked.
    QLabel* refusalLine(game::Figure figure) const;

    QRadioButton* const optStandard;
    QRadioButton* const optGame;
    QComboBox* const cboRules;
    QLineEdit* const txtHornFile;
    QPushButton* const cmdBrowse;
    QPushButton* const cmdTest;
    // Under the horn's path, why it cannot be played; empty when it can.
    QLabel* const lblHornProblem;
    // The server for browsers and phones.
    QCheckBox* const chkServe;
    QSpinBox* const txtServePort;
    QCheckBox* const chkServeNetwork;
    QPushButton* const cmdOk;
    QPushButton* const cmdCancel;

private:
    struct Row {
        QWidget* field = nullptr;
        QLabel* refusal = nullptr;
    };

    QWidget* buildFigures(int first, int count, const QString& title);
    void setTabOrder();
    void connectControls();
    void showFigures();
    void showRefusals();
    void figureTyped(game::Figure figure, const QString& text);
    void hornFileChanged(const QString& path);
    void cmdBrowse_Click();
    void cmdOk_Click();

    gamesettings::GameSettingsDraft m_draft;
    std::array<Row, game::FigureCount> m_rows;
    BuzzerFileCheck* const m_hornCheck;
    SoundDevice* const m_horn;
    QScrollArea* const m_scroller;
    // The settings inside the scroll area.
    QWidget* const m_pane;
    QDialogButtonBox* const m_buttons;
};
