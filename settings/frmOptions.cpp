#include "settings/frmOptions.h"

#include "platform/TwipsLayout.h"
#include "settings/BuzzerFileCheck.h"
#include "settings/SettingsStore.h"
#include "settings/frmChooseKey.h"
#include "state/modBasketball.h"

#include <QColorDialog>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr double ClientWidth = 5745;
constexpr double ClientHeight = 4770;
constexpr double TabWidth = 5535;
constexpr double TabHeight = 4095;

constexpr qsizetype TitleLimit = 24;
constexpr qsizetype TeamNameLimit = 10;

using TwipsLayout::place;

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, double left, double top,
                    double width = 1695, double height = 375) {
    return place<QPushButton>(parent, name, left, top, width, height, caption);
}

QLabel* keyLabel(QWidget* sheet, const QString& name, double left, double top) {
    auto* label = place<QLabel>(sheet, name, left, top, 1695, 255);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QGroupBox* frame(QWidget* parent, const QString& name, const QString& caption, double left, double top,
                 double width = 1695, double height = 735) {
    return place<QGroupBox>(parent, name, left, top, width, height, caption);
}

ColourSwatch* swatch(QGroupBox* frame, const QString& name) {
    return place<ColourSwatch>(frame, name, 120, 240, 615, 375);
}

QPushButton* changeButton(QGroupBox* frame, const QString& name) {
    return button(frame, name, QStringLiteral("Change"), 840, 240, 735, 375);
}

QGroupBox* textFrame(QWidget* sheet, const QString& name, const QString& caption, double top) {
    QGroupBox* box = frame(sheet, name, caption, 360, top, 4815, 975);
    box->setFont(TwipsLayout::designFont(QStringLiteral("Arial"), 14.25));
    return box;
}

LimitedTextBox* textBox(QGroupBox* frame, const QString& name, qsizetype limit) {
    auto* box = place<LimitedTextBox>(frame, name, 120, 360, 4575, 495, limit);
    box->setFont(TwipsLayout::designFont(QStringLiteral("Arial"), 15.75));
    return box;
}

QWidget* sheet(QTabWidget* tabs, const QString& caption) {
    auto* page = new QWidget;
    tabs->addTab(page, caption);
    auto* sheet = new QWidget(page);
    sheet->resize(tabs->size());
    return sheet;
}

} // namespace

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
}

void ColourSwatch::setColour(Colour colour) {
    if (colour == m_colour)
        return;
    m_colour = colour;
    update();
}

void ColourSwatch::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(contentsRect(), toQColor(m_colour));
    painter.end();
    QFrame::paintEvent(event);
}

LimitedTextBox::LimitedTextBox(qsizetype limit, QWidget* parent) : QLineEdit(parent), m_limit(limit) {
    connect(this, &QLineEdit::textEdited, this, &LimitedTextBox::onTextEdited);
}

void LimitedTextBox::setInitialText(const QString& text) {
    m_accepted = text;
    setText(text);
}

void LimitedTextBox::onTextEdited(const QString& text) {
    // An edit may make the text longer only up to the limit; what it inserts beyond that (typed or
    // pasted) is dropped, just before the cursor where it went in.
    const qsizetype allowed = qMax(m_limit, m_accepted.size());
    if (text.size() > allowed && text.size() > m_accepted.size()) {
        const qsizetype excess = text.size() - allowed;
        const qsizetype cursor = cursorPosition();
        QString kept = text;
        kept.remove(cursor - excess, excess);
        m_accepted = kept;
        setText(kept);
        setCursorPosition(int(cursor - excess));
        return;
    }
    m_accepted = text;
}

void frmOptions::showModal(QWidget* opener) {
    frmOptions dialog(opener);
    dialog.exec();
}

frmOptions::frmOptions(QWidget* opener)
    : QDialog(opener, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      SSTab1(place<QTabWidget>(this, QStringLiteral("SSTab1"), 120, 120, TabWidth, TabHeight)),
      m_keySheet(sheet(SSTab1, QStringLiteral("Keyboard Controls"))),
      m_colourSheet(sheet(SSTab1, QStringLiteral("Color Controls"))),
      m_textSheet(sheet(SSTab1, QStringLiteral("Text Controls"))),
      cmdOk(button(this, QStringLiteral("cmdOk"), QStringLiteral("&Ok"), 1680, 4320, 1080, 375)),
      cmdCancel(button(this, QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"), 2880, 4320, 1080, 375)),

      cmdStartStopClock(button(m_keySheet, QStringLiteral("cmdStartStopClock"),
                               QStringLiteral("Start / Stop  Clock"), 720, 600)),
      lblStartStopClock(keyLabel(m_keySheet, QStringLiteral("lblStartStopClock"), 720, 960)),
      cmdResetClock(
          button(m_keySheet, QStringLiteral("cmdResetClock"), QStringLiteral("Reset Clock"), 3000, 600)),
      lblResetClock(keyLabel(m_keySheet, QStringLiteral("lblResetClock"), 3000, 960)),
      cmdClockSwitch(button(m_keySheet, QStringLiteral("cmdClockSwitch"),
                            QStringLiteral("Game / Clock Switch"), 720, 1440)),
      lblClockSwitch(keyLabel(m_keySheet, QStringLiteral("lblClockSwitch"), 720, 1800)),
      cmdBuzzer(button(m_keySheet, QStringLiteral("cmdBuzzer"), QStringLiteral("Buzzer"), 3000, 1440)),
      lblBuzzer(keyLabel(m_keySheet, QStringLiteral("lblBuzzer"), 3000, 1800)),
      cmdBuzzerSound(button(m_keySheet, QStringLiteral("cmdBuzzerSound"),
                            QStringLiteral("Change Buzzer Sound..."), 1560, 2280, 2295, 375)),
      lblBFile(place<QLabel>(m_keySheet, QStringLiteral("lblBFile"), 120, 2640, 5175, 375,
                             QStringLiteral("buzzer.wav"))),
      lblBuzzerProblem(place<QLabel>(m_keySheet, QStringLiteral("lblBuzzerProblem"), 120, 3015, 5175, 255)),
      cmdResetKeys(button(m_keySheet, QStringLiteral("cmdResetKeys"), QStringLiteral("Reset Keys"), 4080,
                          3600, 1215, 375)),

      fraTimeFore(
          frame(m_colourSheet, QStringLiteral("fraTimeFore"), QStringLiteral("Time Color:"), 120, 600)),
      picTimeC(swatch(fraTimeFore, QStringLiteral("picTimeC"))),
      cmdTimeC(changeButton(fraTimeFore, QStringLiteral("cmdTimeC"))),
      frmHomeColor(
          frame(m_colourSheet, QStringLiteral("frmHomeColor"), QStringLiteral("Home Color:"), 1920, 600)),
      picHomeC(swatch(frmHomeColor, QStringLiteral("picHomeC"))),
      cmdHomeC(changeButton(frmHomeColor, QStringLiteral("cmdHomeC"))),
      frmVisitorColor(frame(m_colourSheet, QStringLiteral("frmVisitorColor"),
                            QStringLiteral("Visitor Color:"), 3720, 600)),
      picVisitorC(swatch(frmVisitorColor, QStringLiteral("picVisitorC"))),
      cmdVisitorC(changeButton(frmVisitorColor, QStringLiteral("cmdVisitorC"))),
      frmScoreColor(
          frame(m_colourSheet, QStringLiteral("frmScoreColor"), QStringLiteral("Score Color:"), 120, 1560)),
      picScoreC(swatch(frmScoreColor, QStringLiteral("picScoreC"))),
      cmdScoreC(changeButton(frmScoreColor, QStringLiteral("cmdScoreC"))),
      frmPeriodColor(frame(m_colourSheet, QStringLiteral("frmPeriodColor"), QStringLiteral("Period Color:"),
                           1920, 1560)),
      picPeriodC(swatch(frmPeriodColor, QStringLiteral("picPeriodC"))),
      cmdPeriodC(changeButton(frmPeriodColor, QStringLiteral("cmdPeriodC"))),
      fraLedBack(
          frame(m_colourSheet, QStringLiteral("fraLedBack"), QStringLiteral("LED Background:"), 3720, 1560)),
      picLEDB(swatch(fraLedBack, QStringLiteral("picLEDB"))),
      cmdLEDB(changeButton(fraLedBack, QStringLiteral("cmdLEDB"))),
      frmBackColor(
          frame(m_colourSheet, QStringLiteral("frmBackColor"), QStringLiteral("Back Color:"), 1125, 2520)),
      picBackC(swatch(frmBackColor, QStringLiteral("picBackC"))),
      cmdBackC(changeButton(frmBackColor, QStringLiteral("cmdBackC"))),
      frmBorderColor(frame(m_colourSheet, QStringLiteral("frmBorderColor"), QStringLiteral("Border Color:"),
                           2925, 2520)),
      picBorderC(swatch(frmBorderColor, QStringLiteral("picBorderC"))),
      cmdBorderC(changeButton(frmBorderColor, QStringLiteral("cmdBorderC"))),
      cmdResetColors(button(m_colourSheet, QStringLiteral("cmdResetColors"), QStringLiteral("Reset Colors"),
                            4080, 3600, 1215, 375)),

      fraTitle(textFrame(m_textSheet, QStringLiteral("fraTitle"), QStringLiteral("Title:"), 480)),
      txtTitle(textBox(fraTitle, QStringLiteral("txtTitle"), TitleLimit)),
      Frame1(textFrame(m_textSheet, QStringLiteral("Frame1"), QStringLiteral("Home Name:"), 1560)),
      txtHomeText(textBox(Frame1, QStringLiteral("txtHomeText"), TeamNameLimit)),
      Frame2(textFrame(m_textSheet, QStringLiteral("Frame2"), QStringLiteral("Visitor Name:"), 2640)),
      txtVisitorText(textBox(Frame2, QStringLiteral("txtVisitorText"), TeamNameLimit)),
      m_buzzerCheck(new BuzzerFileCheck(this)) {
    using namespace modBasketball;
    setWindowTitle(QStringLiteral("Options"));
    // The design font of the dialog's buttons and captions; the frames of the text tab have their own.
    setFont(TwipsLayout::designFont(QStringLiteral("Arial"), 8.25));
    setFixedSize(Twips::toPixels(ClientWidth), Twips::toPixels(ClientHeight));
    lblBFile->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblBFile->setFont(TwipsLayout::designFont(QStringLiteral("Arial"), 9.75));
    // Not the board: only the operator sees this dialog, before the game.
    lblBuzzerProblem->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblBuzzerProblem->setStyleSheet(QStringLiteral("color: #b00000"));
    cmdOk->setDefault(true);

    m_keys = {
        {{cmdStartStopClock, lblStartStopClock, &StartStopClockKey, QStringLiteral("start / stop the clock")},
         {cmdResetClock, lblResetClock, &ResetClockKey, QStringLiteral("reset the clock")},
         {cmdClockSwitch, lblClockSwitch, &ClockSwitchKey,
          QStringLiteral("switch between clock and game time")},
         {cmdBuzzer, lblBuzzer, &BuzzerKey, QStringLiteral("sound the buzzer")}}};
    m_colours = {{{cmdTimeC, picTimeC, &TimeColor},
                  {cmdLEDB, picLEDB, &LEDBack},
                  {cmdScoreC, picScoreC, &ScoreColor},
                  {cmdPeriodC, picPeriodC, &PeriodColor},
                  {cmdBackC, picBackC, &FormBack},
                  {cmdBorderC, picBorderC, &BorderColor},
                  {cmdHomeC, picHomeC, &HomeColor},
                  {cmdVisitorC, picVisitorC, &VisitorColor}}};

    setTabOrder();
    connectControls();
    Form_Load();
}

void frmOptions::setTabOrder() {
    const QList<QWidget*> order{cmdStartStopClock, cmdResetClock, cmdClockSwitch, cmdBuzzer,   cmdBuzzerSound,
                                cmdResetKeys,      cmdTimeC,      cmdHomeC,       cmdVisitorC, cmdScoreC,
                                cmdPeriodC,        cmdLEDB,       cmdBackC,       cmdBorderC,  cmdResetColors,
                                txtTitle,          txtHomeText,   txtVisitorText, cmdOk,       cmdCancel};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void frmOptions::connectControls() {
    for (KeySlot& slot : m_keys)
        connect(slot.button, &QPushButton::clicked, this, [this, &slot] { keyButton_Click(slot); });
    for (const ColourSlot& slot : m_colours) {
        ColourSwatch* target = slot.swatch;
        connect(slot.button, &QPushButton::clicked, this, [this, target] { colourButton_Click(target); });
    }
    connect(cmdBuzzerSound, &QPushButton::clicked, this, &frmOptions::cmdBuzzerSound_Click);
    connect(m_buzzerCheck, &BuzzerFileCheck::checked, lblBuzzerProblem, &QLabel::setText);
    connect(cmdResetColors, &QPushButton::clicked, this, &frmOptions::cmdResetColors_Click);
    connect(cmdResetKeys, &QPushButton::clicked, this, &frmOptions::cmdResetKeys_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmOptions::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmOptions::Form_Load() {
    using namespace modBasketball;
    SSTab1->setCurrentIndex(0);
    for (const ColourSlot& slot : m_colours)
        slot.swatch->setColour(*slot.setting);
    for (KeySlot& slot : m_keys)
        setKeyLabel(slot, *slot.setting);
    m_buzzTemp = BuzzerFile;
    txtHomeText->setInitialText(HomeText);
    txtVisitorText->setInitialText(VisitorText);
    txtTitle->setInitialText(TitleText);
    lblBFile->setText(BuzzerFileCaption(BuzzerFile));
    m_buzzerCheck->check(BuzzerFile);
}

KeysInUse frmOptions::keysInUse() const {
    KeysInUse keys{};
    for (std::size_t i = 0; i < m_keys.size(); ++i)
        keys.at(i) = m_keys.at(i).held;
    return keys;
}

void frmOptions::setKeyLabel(KeySlot& slot, KeyCode key) {
    slot.held = key;
    slot.label->setText(keyLabelText(key));
    // A screen reader speaks a focused button's name alone, not the label beside it.
    slot.button->setAccessibleName(tr("%1, %2").arg(slot.button->text().simplified(), slot.label->text()));
}

void frmOptions::keyButton_Click(KeySlot& slot) {
    modBasketball::KeyAction = slot.action;
    // The key as last committed, not the one the label shows now.
    modBasketball::CurrentKey = *slot.setting;
    frmChooseKey chooser(this);
    chooser.exec();
    const int chosen = modBasketball::ChosenKey.toInt();
    if (chosen != 0)
        setKeyLabel(slot, KeyCode(chosen));
}

void frmOptions::colourButton_Click(ColourSwatch* target) {
    const QColor chosen = QColorDialog::getColor(toQColor(target->colour()), this, QString(),
                                                 QColorDialog::DontUseNativeDialog);
    // A cancelled chooser returns no colour and leaves the swatch as it was.
    if (chosen.isValid())
        target->setColour(fromQColor(chosen));
}

void frmOptions::cmdBuzzerSound_Click() {
    const QString folder = QFileInfo(m_buzzTemp).absolutePath();
    const QString path =
        QFileDialog::getOpenFileName(this, QString(), folder, QStringLiteral("Sounds *.wav (*.wav)"), nullptr,
                                     QFileDialog::DontUseNativeDialog);
    if (path.isEmpty() || existingFileName(path).isEmpty())
        return;
    m_buzzTemp = QDir::toNativeSeparators(path);
    lblBFile->setText(BuzzerFileCaption(m_buzzTemp));
    lblBuzzerProblem->clear();
    m_buzzerCheck->check(m_buzzTemp);
}

void frmOptions::cmdResetColors_Click() {
    if (QMessageBox::question(this, QStringLiteral("Reset Colors"),
                              QStringLiteral("Are you sure you want to reset the colors?")) !=
        QMessageBox::Yes)
        return;
    for (const ColourSlot& slot : m_colours)
        slot.swatch->setColour(modSettings::defaultOf(slot.setting));
}

void frmOptions::cmdResetKeys_Click() {
    if (QMessageBox::question(this, QStringLiteral("Reset Keys"),
                              QStringLiteral("Are you sure you want to reset the keys?")) != QMessageBox::Yes)
        return;
    for (KeySlot& slot : m_keys)
        setKeyLabel(slot, modSettings::defaultOf(slot.setting));
}

void frmOptions::cmdOk_Click() {
    using namespace modBasketball;
    for (const KeySlot& slot : m_keys)
        *slot.setting = slot.held;
    BuzzerFile = m_buzzTemp;
    for (const ColourSlot& slot : m_colours)
        *slot.setting = slot.swatch->colour();
    TitleText = txtTitle->text();
    HomeText = txtHomeText->text();
    VisitorText = txtVisitorText->text();
    // The settings are in force for this run either way; a store that cannot be used or written
    // would lose them at the next start, so the operator is told which file it is and why.
    const modSettings::SaveResult saved = modSettings::SaveSettings();
    if (saved != modSettings::SaveResult::Saved)
        QMessageBox::warning(this, QStringLiteral("Settings Not Saved"), modSettings::saveProblemText(saved));
    accept();
}

bool frmOptions::event(QEvent* event) {
    // Each time the dialog becomes the active window (when it opens, and again when the key
    // capture dialog has closed) the focus goes to OK.
    if (event->type() == QEvent::WindowActivate)
        cmdOk->setFocus(Qt::ActiveWindowFocusReason);
    return QDialog::event(event);
}

void frmOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The tab control has laid out its pages by now; each sheet moves back by its page's offset so
    // that its origin is the tab control's own corner.
    for (QWidget* tabSheet : {m_keySheet, m_colourSheet, m_textSheet})
        tabSheet->move(-tabSheet->parentWidget()->mapTo(SSTab1, QPoint()));
}
