#pragma once

#include "state/Types.h"

#include <QDialog>

class QLabel;
class QPushButton;
class frmOptions;

// Asks for the key that shall trigger one command from now on. The options dialog sets KeyAction
// and CurrentKey before opening it modally and reads ChosenKey ("0" for none) after it closed.
// Keys held by the options dialog's four key labels and the board's reserved keys are refused
// with a red line and the system beep; Enter and Esc close it through Cancel without a choice.
class frmChooseKey : public QDialog {
    Q_OBJECT

public:
    explicit frmChooseKey(frmOptions* options);

    // The key check for one typed character.
    void Form_KeyPress(KeyCode KeyAscii);

    QLabel* const lblChoose;
    QLabel* const lblUsed;
    QPushButton* const cmdCancel;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();

    const frmOptions* const m_options;
};
