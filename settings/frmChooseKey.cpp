#include "settings/frmChooseKey.h"

#include "platform/TwipsLayout.h"
#include "settings/OptionsRules.h"
#include "settings/frmOptions.h"
#include "state/modBasketball.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr double ClientWidth = 4680;
constexpr double ClientHeight = 2625;
constexpr Colour Red = 255;

} // namespace

using TwipsLayout::place;

frmChooseKey::frmChooseKey(frmOptions* options)
    : QDialog(options, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      lblChoose(place<QLabel>(this, QStringLiteral("lblChoose"), 120, 120, 4335, 855,
                              QStringLiteral("Press the key you would like to  ."))),
      lblUsed(place<QLabel>(this, QStringLiteral("lblUsed"), 53, 1080, 4575, 855,
                            QStringLiteral("This key is already in use, please choose another."))),
      cmdCancel(place<QPushButton>(this, QStringLiteral("cmdCancel"), 1733, 2160, 1215, 375,
                                   QStringLiteral("&Cancel"))),
      m_options(options) {
    setWindowTitle(QStringLiteral("Choose Key"));
    setFont(TwipsLayout::designFont(QStringLiteral("Arial"), 8.25));
    setFixedSize(Twips::toPixels(ClientWidth), Twips::toPixels(ClientHeight));

    lblChoose->setFont(TwipsLayout::designFont(QStringLiteral("Times New Roman"), 18));
    lblChoose->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblChoose->setWordWrap(true);
    lblUsed->setFont(TwipsLayout::designFont(QStringLiteral("Arial"), 18));
    lblUsed->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblUsed->setWordWrap(true);
    QPalette red = lblUsed->palette();
    red.setColor(QPalette::WindowText, toQColor(Red));
    lblUsed->setPalette(red);
    lblUsed->hide();

    // Cancel is the one control that takes the focus, so every typed key arrives there; Enter
    // (default button) and Esc (cancel button) close the dialog through it.
    cmdCancel->setDefault(true);
    cmdCancel->installEventFilter(this);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    Form_Load();
}

void frmChooseKey::Form_Load() {
    lblChoose->setText(chooseKeyPrompt(modBasketball::KeyAction));
    modBasketball::ChosenKey = QStringLiteral("0");
}

bool frmChooseKey::eventFilter(QObject* watched, QEvent* event) {
    if (watched != cmdCancel || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // Button actions and focus moves, not keys to choose.
        return QDialog::eventFilter(watched, event);
    default:
        break;
    }
    if (key->text().isEmpty())
        return QDialog::eventFilter(watched, event);
    // Every other character goes to the key check only: the space bar does not press Cancel.
    Form_KeyPress(KeyCode(key->text().at(0).unicode()));
    return true;
}

void frmChooseKey::Form_KeyPress(KeyCode KeyAscii) {
    if (keyRefused(KeyAscii, modBasketball::CurrentKey, m_options->keysInUse())) {
        lblUsed->show();
        QApplication::beep();
        return;
    }
    lblUsed->hide();
    modBasketball::ChosenKey = QString::number(KeyAscii);
    accept();
}
