#include "gamesettings/frmGameSettings.h"

#include "platform/ScreenFit.h"

#include "settings/BuzzerFileCheck.h"
#include "settings/GameSettingsStore.h"
#include "settings/OptionsRules.h"
#include "sound/SoundDevice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

using game::Figure;
using gamesettings::FigureInput;

namespace {

// Wide enough for "99:59" and for the longest reason to wrap onto two lines at most.
constexpr int TypedFieldWidth = 70;
constexpr int ColumnWidth = 340;

const QString RefusalStyle = QStringLiteral("color: #b00000");

QLabel* refusalLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setStyleSheet(RefusalStyle);
    label->setWordWrap(true);
    label->hide();
    return label;
}

template <typename T> T* named(T* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

// The figures each box of the window holds, as runs of allFigures() in order, and its column.
struct FigureBox {
    const char* title;
    int first;
    int count;
    std::size_t column;
};
constexpr std::array<FigureBox, 4> Boxes{{
    {"Periods", 0, 5, 0},
    {"Shot clock", 5, 4, 1},
    {"Team fouls", 9, 3, 1},
    {"Timeouts", 12, 8, 2},
}};

} // namespace

bool frmGameSettings::showModal(QWidget* opener) {
    game::GameSettings chosen;
    return showModal(opener, chosen);
}

bool frmGameSettings::showModal(QWidget* opener, game::GameSettings& chosen) {
    frmGameSettings dialog(opener);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    chosen = dialog.settings();
    return true;
}

frmGameSettings::frmGameSettings(QWidget* opener)
    : QDialog(opener, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      optStandard(
          named(new QRadioButton(QStringLiteral("&Standard board"), this), QStringLiteral("optStandard"))),
      optGame(named(new QRadioButton(QStringLiteral("&Game board"), this), QStringLiteral("optGame"))),
      cboRules(named(new QComboBox(this), QStringLiteral("cboRules"))),
      txtHornFile(named(new QLineEdit(this), QStringLiteral("txtHornFile"))),
      cmdBrowse(named(new QPushButton(QStringLiteral("&Browse..."), this), QStringLiteral("cmdBrowse"))),
      cmdTest(named(new QPushButton(QStringLiteral("&Test"), this), QStringLiteral("cmdTest"))),
      lblHornProblem(named(refusalLabel(this), QStringLiteral("lblHornProblem"))),
      chkServe(named(new QCheckBox(QStringLiteral("Serve the board to b&rowsers and phones"), this),
                     QStringLiteral("chkServe"))),
      txtServePort(named(new QSpinBox(this), QStringLiteral("txtServePort"))),
      chkServeNetwork(named(new QCheckBox(QStringLiteral("Let other &devices on this network connect"), this),
                            QStringLiteral("chkServeNetwork"))),
      cmdOk(named(new QPushButton(QStringLiteral("&OK"), this), QStringLiteral("cmdOk"))),
      cmdCancel(named(new QPushButton(QStringLiteral("&Cancel"), this), QStringLiteral("cmdCancel"))),
      m_draft(modSettings::LoadGameSettings()), m_hornCheck(new BuzzerFileCheck(this)),
      m_horn(new SoundDevice(this)), m_scroller(new QScrollArea(this)), m_pane(new QWidget(this)),
      m_buttons(new QDialogButtonBox(this)) {
    setWindowTitle(QStringLiteral("Game Settings"));

    auto* board = new QGroupBox(QStringLiteral("Board"), this);
    auto* boardRow = new QHBoxLayout(board);
    boardRow->addWidget(optStandard);
    boardRow->addWidget(optGame);
    auto* chkJournal = named(new QCheckBox(QStringLiteral("&Journal of the Standard board"), board),
                             QStringLiteral("chkJournal"));
    chkJournal->setChecked(m_draft.settings().journal);
    connect(chkJournal, &QCheckBox::toggled, this, [this](bool on) { m_draft.setJournal(on); });
    boardRow->addWidget(chkJournal);
    boardRow->addStretch();

    auto* rules = new QGroupBox(QStringLiteral("Rules"), this);
    auto* rulesRow = new QHBoxLayout(rules);
    auto* rulesLabel = new QLabel(QStringLiteral("&Preset"), rules);
    rulesLabel->setBuddy(cboRules);
    cboRules->setAccessibleName(QStringLiteral("Preset"));
    cboRules->addItem(QStringLiteral("FIBA"), int(game::RulesPreset::Fiba));
    cboRules->addItem(QStringLiteral("NFHS"), int(game::RulesPreset::Nfhs));
    cboRules->addItem(QStringLiteral("Custom"), int(game::RulesPreset::Custom));
    rulesRow->addWidget(rulesLabel);
    rulesRow->addWidget(cboRules);
    rulesRow->addStretch();

    // Three columns keep the window within a small laptop's screen even with every refusal shown.
    std::array<QVBoxLayout*, 3> column{new QVBoxLayout, new QVBoxLayout, new QVBoxLayout};
    column[0]->addWidget(board);
    column[0]->addWidget(rules);
    for (const FigureBox& box : Boxes)
        column[box.column]->addWidget(buildFigures(box.first, box.count, QString::fromUtf8(box.title)));
    auto* columns = new QHBoxLayout;
    for (QVBoxLayout* side : column) {
        side->addStretch();
        columns->addLayout(side);
    }

    auto* horn = new QGroupBox(QStringLiteral("Shot clock horn"), this);
    auto* hornGrid = new QGridLayout(horn);
    auto* hornLabel = new QLabel(QStringLiteral("&Horn file"), horn);
    hornLabel->setBuddy(txtHornFile);
    txtHornFile->setAccessibleName(QStringLiteral("Horn file"));
    cmdBrowse->setAccessibleName(QStringLiteral("Browse for the horn file"));
    cmdTest->setAccessibleName(QStringLiteral("Test the horn"));
    hornGrid->addWidget(hornLabel, 0, 0);
    hornGrid->addWidget(txtHornFile, 0, 1);
    hornGrid->addWidget(cmdBrowse, 0, 2);
    hornGrid->addWidget(cmdTest, 0, 3);
    hornGrid->addWidget(lblHornProblem, 1, 1, 1, 3);
    hornGrid->setColumnStretch(1, 1);

    // Off, nothing listens; on, this machine alone unless the network is let in as well.
    auto* serve = new QGroupBox(QStringLiteral("Browsers and phones"), this);
    auto* serveRow = new QHBoxLayout(serve);
    auto* portLabel = new QLabel(QStringLiteral("&Port"), serve);
    portLabel->setBuddy(txtServePort);
    txtServePort->setRange(1, 65535);
    txtServePort->setAccessibleName(QStringLiteral("Port"));
    serveRow->addWidget(chkServe);
    serveRow->addWidget(portLabel);
    serveRow->addWidget(txtServePort);
    serveRow->addWidget(chkServeNetwork);
    serveRow->addStretch();

    m_buttons->addButton(cmdOk, QDialogButtonBox::AcceptRole);
    m_buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);
    cmdOk->setDefault(true);

    // On a screen too small for every setting (a laptop at a large scale) they scroll, and the
    // buttons stay in sight.
    auto* paneLayout = new QVBoxLayout(m_pane);
    paneLayout->setContentsMargins(QMargins());
    paneLayout->addLayout(columns);
    paneLayout->addWidget(horn);
    paneLayout->addWidget(serve);
    m_scroller->setObjectName(QStringLiteral("scrSettings"));
    m_scroller->setFrameShape(QFrame::NoFrame);
    m_scroller->setWidgetResizable(true);
    m_scroller->setWidget(m_pane);

    auto* top = new QVBoxLayout(this);
    top->addWidget(m_scroller);
    top->addWidget(m_buttons);

    const game::GameSettings& start = m_draft.settings();
    (start.layout == game::Layout::Game ? optGame : optStandard)->setChecked(true);
    cboRules->setCurrentIndex(cboRules->findData(int(start.preset)));
    txtHornFile->setText(start.hornFile);
    hornFileChanged(start.hornFile);
    chkServe->setChecked(start.serve);
    txtServePort->setValue(start.servePort);
    chkServeNetwork->setChecked(start.serveNetwork);
    showFigures();
    setTabOrder();
    connectControls();
    // A scroll area asks for little room: the window opens where nothing scrolls, and the window
    // fitter shrinks it to a smaller screen.
    resize(sizeHint());
}

QSize frmGameSettings::sizeHint() const {
    const QMargins margins = layout()->contentsMargins();
    const int width = m_pane->sizeHint().width();
    const int paneHeight =
        m_pane->hasHeightForWidth() ? m_pane->heightForWidth(width) : m_pane->sizeHint().height();
    return {width + margins.left() + margins.right(), paneHeight + layout()->spacing() +
                                                          m_buttons->sizeHint().height() + margins.top() +
                                                          margins.bottom()};
}

QWidget* frmGameSettings::buildFigures(int first, int count, const QString& title) {
    auto* box = new QGroupBox(title, this);
    box->setMinimumWidth(ColumnWidth);
    auto* grid = new QGridLayout(box);
    grid->setColumnStretch(0, 1);
    int line = 0;
    for (int i = first; i < first + count; ++i) {
        const Figure figure = game::allFigures()[static_cast<std::size_t>(i)];
        const QString label = gamesettings::figureLabel(figure);
        const QString name = game::figureName(figure);
        const FigureInput input = gamesettings::figureInput(figure);
        Row& row = m_rows[static_cast<std::size_t>(figure)];
        if (input == FigureInput::Switch) {
            row.field = named(new QCheckBox(label, box), QStringLiteral("chk") + name);
            row.field->setAccessibleName(label);
            grid->addWidget(row.field, line++, 0, 1, 2);
            continue;
        }
        if (input == FigureInput::FoulReset) {
            auto* choice = named(new QComboBox(box), QStringLiteral("cbo") + name);
            choice->addItem(QStringLiteral("Each period"), QStringLiteral("Period"));
            choice->addItem(QStringLiteral("Each half"), QStringLiteral("Half"));
            row.field = choice;
        } else {
            auto* text = named(new QLineEdit(box), QStringLiteral("txt") + name);
            text->setFixedWidth(TypedFieldWidth);
            if (input == FigureInput::Duration)
                text->setToolTip(QStringLiteral("Seconds (90) or minutes and seconds (1:30)"));
            row.field = text;
            row.refusal = named(refusalLabel(box), QStringLiteral("lbl") + name + QStringLiteral("Refused"));
        }
        row.field->setAccessibleName(label);
        auto* caption = new QLabel(label, box);
        caption->setBuddy(row.field);
        grid->addWidget(caption, line, 0);
        grid->addWidget(row.field, line++, 1);
        if (row.refusal)
            grid->addWidget(row.refusal, line++, 0, 1, 2);
    }
    return box;
}

void frmGameSettings::setTabOrder() {
    // The fields were made after the controls named at the top; the keyboard goes as the eye does.
    QList<QWidget*> order{optStandard, optGame, cboRules};
    for (const Row& row : m_rows)
        order << row.field;
    order << txtHornFile << cmdBrowse << cmdTest << chkServe << txtServePort << chkServeNetwork << cmdOk
          << cmdCancel;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void frmGameSettings::connectControls() {
    connect(optGame, &QRadioButton::toggled, this,
            [this](bool game) { m_draft.setLayout(game ? game::Layout::Game : game::Layout::Standard); });
    connect(cboRules, &QComboBox::currentIndexChanged, this, [this] {
        m_draft.choosePreset(game::RulesPreset(cboRules->currentData().toInt()));
        showFigures();
    });
    for (const Figure figure : game::allFigures()) {
        QWidget* field = m_rows[static_cast<std::size_t>(figure)].field;
        // Only what the operator does is typed into the draft, never what showFigures puts there.
        if (auto* text = qobject_cast<QLineEdit*>(field)) {
            connect(text, &QLineEdit::textEdited, this,
                    [this, figure](const QString& typed) { figureTyped(figure, typed); });
        } else if (auto* check = qobject_cast<QCheckBox*>(field)) {
            connect(check, &QCheckBox::clicked, this, [this, figure](bool on) {
                figureTyped(figure, on ? QStringLiteral("true") : QStringLiteral("false"));
            });
        } else if (auto* choice = qobject_cast<QComboBox*>(field)) {
            connect(choice, &QComboBox::activated, this,
                    [this, figure, choice] { figureTyped(figure, choice->currentData().toString()); });
        }
    }
    connect(txtHornFile, &QLineEdit::textChanged, this, &frmGameSettings::hornFileChanged);
    connect(m_hornCheck, &BuzzerFileCheck::checked, lblHornProblem, [this](const QString& problem) {
        lblHornProblem->setText(problem);
        lblHornProblem->setVisible(!problem.isEmpty());
    });
    connect(chkServe, &QCheckBox::toggled, this, [this](bool on) { m_draft.setServe(on); });
    connect(txtServePort, &QSpinBox::valueChanged, this, [this](int port) { m_draft.setServePort(port); });
    connect(chkServeNetwork, &QCheckBox::toggled, this, [this](bool on) { m_draft.setServeNetwork(on); });
    connect(cmdBrowse, &QPushButton::clicked, this, &frmGameSettings::cmdBrowse_Click);
    connect(cmdTest, &QPushButton::clicked, m_horn, [this] { m_horn->setCommand(QStringLiteral("Play")); });
    connect(cmdOk, &QPushButton::clicked, this, &frmGameSettings::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* frmGameSettings::figureField(Figure figure) const {
    return m_rows[static_cast<std::size_t>(figure)].field;
}

QLabel* frmGameSettings::refusalLine(Figure figure) const {
    return m_rows[static_cast<std::size_t>(figure)].refusal;
}

void frmGameSettings::showFigures() {
    const bool editable = m_draft.figuresEditable();
    for (const Figure figure : game::allFigures()) {
        QWidget* field = figureField(figure);
        const QString shown = m_draft.shown(figure);
        if (auto* text = qobject_cast<QLineEdit*>(field))
            text->setText(shown);
        else if (auto* check = qobject_cast<QCheckBox*>(field))
            check->setChecked(shown == u"true");
        else if (auto* choice = qobject_cast<QComboBox*>(field))
            choice->setCurrentIndex(choice->findData(shown));
        field->setEnabled(editable);
    }
    showRefusals();
}

void frmGameSettings::showRefusals() {
    bool changed = false;
    for (const Figure figure : game::allFigures()) {
        const Row& row = m_rows[static_cast<std::size_t>(figure)];
        const QString refusal = m_draft.refusal(figure);
        if (!row.refusal || row.refusal->text() == refusal)
            continue;
        changed = true;
        row.refusal->setText(refusal);
        row.refusal->setVisible(!refusal.isEmpty());
        // A screen reader tells why together with the field.
        row.field->setAccessibleDescription(refusal);
    }
    cmdOk->setEnabled(m_draft.acceptable());
    // A reason may wrap onto a second line, which only the height for the window's width allows
    // for: the minimum size the layout sets would squeeze it.
    if (changed && isVisible()) {
        m_pane->layout()->activate();
        resize(width(), sizeHint().height());
        // Grown downwards, it moves up as far as it takes to stay on its screen, and scrolls
        // beyond that.
        ScreenFit::fitWindow(this);
    }
}

void frmGameSettings::figureTyped(Figure figure, const QString& text) {
    m_draft.type(figure, text);
    showRefusals();
}

void frmGameSettings::hornFileChanged(const QString& path) {
    m_draft.setHornFile(path);
    lblHornProblem->clear();
    lblHornProblem->hide();
    m_hornCheck->check(path);
    cmdTest->setEnabled(!path.isEmpty());
    m_horn->setCommand(QStringLiteral("Close"));
    m_horn->setFileName(path);
    if (!path.isEmpty())
        m_horn->setCommand(QStringLiteral("Open"));
}

void frmGameSettings::cmdBrowse_Click() {
    const QString current = txtHornFile->text();
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Shot Clock Horn"), folder,
                                                      QStringLiteral("Wave files (*.wav)"), nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (path.isEmpty() || existingFileName(path).isEmpty())
        return;
    txtHornFile->setText(QDir::toNativeSeparators(path));
}

void frmGameSettings::cmdOk_Click() {
    if (!m_draft.acceptable())
        return;
    // The settings hold for this run either way; one that could not be saved is lost at the next
    // start, so the operator is told which file it is and why.
    const modSettings::SaveResult saved = modSettings::SaveGameSettings(m_draft.settings());
    if (saved != modSettings::SaveResult::Saved)
        QMessageBox::warning(this, QStringLiteral("Settings Not Saved"), modSettings::saveProblemText(saved));
    accept();
}
