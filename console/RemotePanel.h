#pragma once

#include <QGroupBox>
#include <QTimer>

class QLabel;
class QPushButton;

namespace remote {
class BoardLink;
}

// The console's part for browsers and phones: where the board is served, or why not, and while it
// is, the pairing code and the QR code a phone scans to become the remote. Only the operator sees
// them.
class RemotePanel : public QGroupBox {
    Q_OBJECT

public:
    RemotePanel(remote::BoardLink* link, QWidget* parent);

    QLabel* const lblServing;
    QLabel* const lblCode;
    QLabel* const picQr;
    QPushButton* const cmdNewCode;

private:
    void refresh();

    remote::BoardLink* const m_link;
    // Says when the code has run out.
    QTimer m_expiry;
};
