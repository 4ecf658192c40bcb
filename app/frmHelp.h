#pragma once

#include "HelpFile.h"

#include <QFutureWatcher>
#include <QTextBlock>
#include <QWidget>

#include <memory>

class QTextBrowser;
class QTextDocument;
class QTimer;

// The help viewer: a resizable, modeless window showing the help file that lies beside the
// program. There is one at most; frmHelp::showHelp() creates it on first use.
//
// The window opens at once, empty; the file is read and parsed on a worker thread and then put
// into the window a few paragraphs at a time, so that no help file, however large or strange,
// holds up the board's clock.
class frmHelp : public QWidget {
    Q_OBJECT

public:
    // Shows the one help window, creating (and loading) it if none is open.
    static frmHelp* showHelp();
    // The open help window, or nullptr.
    static frmHelp* instance();

    QTextBrowser* rtbHelp() const { return m_rtbHelp; }
    // True until the whole help text (or the line shown in its place) is in the window.
    bool loading() const { return m_loading; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    explicit frmHelp(QWidget* parent = nullptr);
    void Form_Load();
    void Form_Resize();
    void helpRead();
    void showNextPart();

    QTextBrowser* m_rtbHelp;
    QFutureWatcher<HelpFile::HelpText>* m_reading;
    QTimer* m_nextPart;
    // The help as read, while it is being put into the window (and for good when it is long), and
    // the next paragraph to put there.
    std::shared_ptr<QTextDocument> m_read;
    QTextBlock m_nextBlock;
    bool m_loading = true;
};
