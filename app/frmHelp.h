#pragma once

#include <QWidget>

class QTextBrowser;

// The help viewer: a resizable, modeless window showing the help file that lies beside the
// program. There is one at most; frmHelp::showHelp() creates it on first use.
class frmHelp : public QWidget {
    Q_OBJECT

public:
    // Shows the one help window, creating (and loading) it if none is open.
    static frmHelp* showHelp();
    // The open help window, or nullptr.
    static frmHelp* instance();

    QTextBrowser* rtbHelp() const { return m_rtbHelp; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    explicit frmHelp(QWidget* parent = nullptr);
    void Form_Load();
    void Form_Resize();

    QTextBrowser* m_rtbHelp;
};
