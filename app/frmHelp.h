#pragma once

#include "app/HelpFile.h"
#include "scoreboard/KeyCommands.h"
#include "state/Types.h"

#include <QFutureWatcher>
#include <QWidget>

#include <memory>

class DocumentFeeder;
class QTextBrowser;
class QTextDocument;
class QTimer;
class QUrl;

// The help viewer: a resizable, modeless window showing the help file that lies beside the
// program. There is one at most; frmHelp::showHelp() creates it on first use.
//
// The window opens at once, empty, without taking the keyboard from the board, and no larger than
// the screen; the file is read and parsed on a worker thread and then put into the window a few
// paragraphs (or table rows) at a time, so that no help file, however large or strange, holds up
// the board's clock. The board's command keys typed in the window go on to the board.
class frmHelp : public QWidget {
    Q_OBJECT

public:
    // Shows the one help window, creating (and loading) it if none is open. Given the window the
    // operator works in, the help opens on that window's screen and stays above it.
    static frmHelp* showHelp(QWidget* owner = nullptr);
    // The open help window, or nullptr.
    static frmHelp* instance();

    QTextBrowser* rtbHelp() const { return m_rtbHelp; }
    // True until the whole help text (or the line shown in its place) is in the window.
    bool loading() const { return m_loading; }
    // Shows the given help in place of the file's, which is then no longer awaited.
    void showHelpText(HelpFile::HelpText help);

Q_SIGNALS:
    // A character typed in the window that is one of the board's commands.
    void commandKeyTyped(KeyCode key);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit frmHelp(QWidget* parent = nullptr);
    ~frmHelp() override;
    void Form_Load();
    void Form_Resize();
    void fitScreen();
    void placeBy(QWidget* owner);
    void helpRead();
    void startFeeding();
    void showNextPart();
    void followLink(const QUrl& link);

    QTextBrowser* m_rtbHelp;
    QFutureWatcher<HelpFile::HelpText>* m_reading;
    QTimer* m_nextPart;
    // The help as read, while it is being put into the window (and for good when it is long), and
    // what puts it there.
    std::shared_ptr<QTextDocument> m_read;
    std::unique_ptr<DocumentFeeder> m_feeder;
    // A place in the help that was asked for before it had been put into the window.
    QString m_pendingAnchor;
    bool m_loading = true;
    KeyRepeat m_keyRepeat;
};
