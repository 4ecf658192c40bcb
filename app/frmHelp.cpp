#include "app/frmHelp.h"

#include "platform/ScreenFit.h"
#include "richtext/DocumentFeeder.h"
#include "state/Twips.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>
#include <QtConcurrentRun>

#include <utility>

namespace {

// The one help window; a QPointer so that a closed (and deleted) window is forgotten.
QPointer<frmHelp> helpWindow;

constexpr double DesignClientWidth = 11055;
constexpr double DesignClientHeight = 9270;

// The window is never smaller than this, measured outside its frame.
constexpr double MinimumOuterWidth = 2700;
constexpr double MinimumOuterHeight = 1700;

// The text area keeps 120 twips free on either side and room for the title bar below it.
constexpr double TextLeft = 120;
constexpr double TextTop = 0;
constexpr double TextWidthAllowance = 240;
constexpr double TextHeightAllowance = 420;
// Lines wrap this far inside the text area's right edge, clear of the scroll bar.
constexpr double WrapAllowance = 450;

// The help file's lists hang their text a quarter inch after the bullet and its tab. Qt counts
// tab stops from the start of each line, so stops this far apart put the first line's text
// under the wrapped lines.
constexpr double TabStop = 360;

// Design-time size of the text area, before the first resize fits it to the window.
constexpr double DesignTextWidth = 10935;
constexpr double DesignTextHeight = 495;

// Laid out again in the window's own steps, a text this long takes at most a few tens of
// milliseconds a step.
constexpr int LongText = 4 * DocumentFeeder::DefaultPartSize;

} // namespace

frmHelp::frmHelp(QWidget* parent)
    : QWidget(parent), m_rtbHelp(new QTextBrowser(this)),
      m_reading(new QFutureWatcher<HelpFile::HelpText>(this)), m_nextPart(new QTimer(this)) {
    m_nextPart->setSingleShot(true);
    m_nextPart->setInterval(0);
    connect(m_nextPart, &QTimer::timeout, this, &frmHelp::showNextPart);
    setAttribute(Qt::WA_DeleteOnClose);
    // The operator reads the help and goes on typing commands on the board.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Courtvane Standard Help"));

    m_rtbHelp->setObjectName(QStringLiteral("rtbHelp"));
    installEventFilter(this);
    m_rtbHelp->installEventFilter(this);
    m_rtbHelp->setOpenLinks(false);
    connect(m_rtbHelp, &QTextBrowser::anchorClicked, this, &frmHelp::followLink);
    // The right margin is a wrap width that follows the window (see Form_Resize).
    m_rtbHelp->setLineWrapMode(QTextEdit::FixedPixelWidth);
    m_rtbHelp->setTabStopDistance(Twips::toPixels(TabStop));
    m_rtbHelp->setGeometry(Twips::toPixels(TextLeft), Twips::toPixels(TextTop),
                           Twips::toPixels(DesignTextWidth), Twips::toPixels(DesignTextHeight));
    resize(Twips::toPixels(DesignClientWidth), Twips::toPixels(DesignClientHeight));

    Form_Load();
}

frmHelp::~frmHelp() = default;

frmHelp* frmHelp::showHelp(QWidget* owner) {
    if (helpWindow) {
        helpWindow->placeBy(owner);
        // Asking again brings the open window back rather than opening a second one; the
        // keyboard stays where it was.
        helpWindow->setWindowState(helpWindow->windowState() & ~Qt::WindowMinimized);
        helpWindow->show();
        helpWindow->raise();
        helpWindow->fitScreen();
        return helpWindow;
    }
    // Owned by itself: it deletes itself when closed (WA_DeleteOnClose).
    helpWindow = new frmHelp;
    helpWindow->placeBy(owner);
    helpWindow->fitScreen();
    helpWindow->show();
    // Shown, the window knows its frame and its place.
    helpWindow->fitScreen();
    return helpWindow;
}

frmHelp* frmHelp::instance() {
    return helpWindow;
}

void frmHelp::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmHelp::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Restoring from the task bar may bring no resize, yet the text area must fit the window.
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmHelp::keyPressEvent(QKeyEvent* event) {
    // Keys the text area leaves alone arrive here; scrolling and copying keys stay with it.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty()) {
        const KeyCode key = KeyCode(text.at(0).unicode());
        if (commandForKey(key) != KeyCommand::None) {
            Q_EMIT commandKeyTyped(key);
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

bool frmHelp::eventFilter(QObject* watched, QEvent* event) {
    // A held command key runs on the board once, as typed there.
    if (m_keyRepeat.isRepeatedCommand(*event))
        return true;
    return QWidget::eventFilter(watched, event);
}

void frmHelp::placeBy(QWidget* owner) {
    QWidget* const above = owner ? owner->window() : nullptr;
    if (!above || !above->windowHandle())
        return;
    // A board filling its screen would otherwise cover a help window opened behind it.
    create();
    windowHandle()->setTransientParent(above->windowHandle());
    QScreen* const target = above->screen();
    if (target && screen() != target) {
        setScreen(target);
        move(target->availableGeometry().center() - rect().center());
    }
}

// At its design size the window may be taller than a small or highly scaled screen.
void frmHelp::fitScreen() {
    ScreenFit::fitWindow(this);
}

void frmHelp::Form_Load() {
    connect(m_reading, &QFutureWatcherBase::finished, this, &frmHelp::helpRead);
    m_reading->setFuture(QtConcurrent::run(HelpFile::readHelp, HelpFile::helpFilePath(), thread()));
}

void frmHelp::helpRead() {
    showHelpText(m_reading->result());
}

void frmHelp::showHelpText(HelpFile::HelpText help) {
    disconnect(m_reading, nullptr, this, nullptr);
    m_nextPart->stop();
    m_feeder.reset();
    m_pendingAnchor.clear();
    m_read = std::move(help.document);
    if (!m_read) {
        m_rtbHelp->setPlainText(help.message);
        m_loading = false;
        return;
    }
    m_rtbHelp->document()->clear();
    startFeeding();
}

void frmHelp::startFeeding() {
    m_feeder = std::make_unique<DocumentFeeder>(*m_read, m_rtbHelp->document());
    m_loading = true;
    showNextPart();
}

// The window lays out what it takes in at once, so taking in all of a large help at once would hold
// up the event loop; it takes in a part at each turn.
void frmHelp::showNextPart() {
    const bool first = !m_feeder->started();
    m_feeder->feedNext();
    if (first) {
        // Filling the document carries the view's cursor, and with it the view, to the end.
        m_rtbHelp->moveCursor(QTextCursor::Start);
        m_rtbHelp->verticalScrollBar()->setValue(0);
    }
    if (!m_feeder->atEnd()) {
        m_nextPart->start();
        return;
    }
    m_feeder.reset();
    // A short text is laid out again quickly enough on a resize; a long one is kept to be taken in
    // again then.
    if (m_read->characterCount() <= LongText)
        m_read.reset();
    m_loading = false;
    if (!m_pendingAnchor.isEmpty())
        m_rtbHelp->scrollToAnchor(std::exchange(m_pendingAnchor, {}));
}

void frmHelp::followLink(const QUrl& link) {
    switch (HelpFile::linkKind(link)) {
    case HelpFile::LinkKind::Anchor: {
        const QString anchor = link.fragment(QUrl::FullyDecoded);
        m_rtbHelp->scrollToAnchor(anchor);
        // The place may come in a later part; the window goes there once it has it all.
        if (m_loading)
            m_pendingAnchor = anchor;
        break;
    }
    case HelpFile::LinkKind::External:
        QDesktopServices::openUrl(link);
        break;
    case HelpFile::LinkKind::Ignored:
        break;
    }
}

void frmHelp::Form_Resize() {
    if (isMinimized())
        return;

    // The limits apply to the outer size, title bar and frame included.
    const QSize frameExtra = frameGeometry().size() - size();
    double width = Twips::fromPixels(frameGeometry().width());
    double height = Twips::fromPixels(frameGeometry().height());
    const bool tooSmall = height < MinimumOuterHeight || width < MinimumOuterWidth;
    height = qMax(height, MinimumOuterHeight);
    width = qMax(width, MinimumOuterWidth);
    if (tooSmall)
        resize(Twips::toPixels(width) - frameExtra.width(), Twips::toPixels(height) - frameExtra.height());

    const double textWidth = width - TextWidthAllowance;
    const double textHeight = height - TextHeightAllowance;
    m_rtbHelp->resize(Twips::toPixels(textWidth), Twips::toPixels(textHeight));
    const int wrapWidth = Twips::toPixels(textWidth - WrapAllowance);
    if (wrapWidth != m_rtbHelp->lineWrapColumnOrWidth()) {
        // A new width lays the text out again, in steps that for a long text grow to a fifth of a
        // second each; a long text is rather taken in again from the top, a part at a time.
        const bool again = m_read != nullptr;
        if (again)
            m_rtbHelp->document()->clear();
        m_rtbHelp->setLineWrapColumnOrWidth(wrapWidth);
        if (again)
            startFeeding();
    }
    m_rtbHelp->repaint();
}
