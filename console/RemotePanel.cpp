#include "console/RemotePanel.h"

#include "remote/BoardLink.h"
#include "server/Pairing.h"
#include "server/QrCode.h"
#include "server/StateServer.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Large enough for a phone to read off a laptop's screen from arm's length.
constexpr int QrModulePixels = 4;

QLabel* line(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

RemotePanel::RemotePanel(remote::BoardLink* link, QWidget* parent)
    : QGroupBox(tr("Browsers and phones"), parent), lblServing(line(this, QStringLiteral("lblServing"))),
      lblCode(line(this, QStringLiteral("lblCode"))), picQr(new QLabel(this)),
      cmdNewCode(new QPushButton(tr("New pairing code"), this)), m_link(link) {
    setObjectName(QStringLiteral("remotePanel"));
    picQr->setObjectName(QStringLiteral("picQr"));
    picQr->setAccessibleName(tr("QR code of the remote's address"));
    cmdNewCode->setObjectName(QStringLiteral("cmdNewCode"));
    cmdNewCode->setToolTip(tr("A new code and QR code; the phone paired before can no longer write"));
    cmdNewCode->setFocusPolicy(Qt::NoFocus);
    auto* column = new QVBoxLayout(this);
    column->addWidget(lblServing);
    column->addWidget(picQr, 0, Qt::AlignHCenter);
    column->addWidget(lblCode);
    column->addWidget(cmdNewCode, 0, Qt::AlignLeft);

    m_expiry.setSingleShot(true);
    connect(&m_expiry, &QTimer::timeout, this, &RemotePanel::refresh);
    connect(link, &remote::BoardLink::servingChanged, this, &RemotePanel::refresh);
    connect(cmdNewCode, &QPushButton::clicked, this, [this] {
        if (server::StateServer* server = m_link->server())
            server->pairing().start();
    });
    refresh();
}

void RemotePanel::refresh() {
    server::StateServer* const server = m_link->server();
    if (!server) {
        lblServing->setText(m_link->problem().isEmpty() ? tr("Off. The game settings (Ctrl+G) switch it on.")
                                                        : m_link->problem());
        for (QWidget* part : {static_cast<QWidget*>(picQr), static_cast<QWidget*>(lblCode),
                              static_cast<QWidget*>(cmdNewCode)})
            part->hide();
        return;
    }
    // The panel follows the codes of the server it shows, however many servers came before.
    connect(server, &server::StateServer::pairingChanged, this, &RemotePanel::refresh, Qt::UniqueConnection);
    const QString base = QStringLiteral("http://%1:%2").arg(m_link->host()).arg(m_link->port());
    lblServing->setText(tr("%1/overlay for streaming, %1/board for screens%2")
                            .arg(base, m_link->network() ? QString()
                                                         : tr(". This machine only: the game settings "
                                                              "let the network in for a phone.")));
    const QString code = server->pairing().code();
    lblCode->setText(code.isEmpty() ? tr("The pairing code has run out: ask for a new one.")
                                    : tr("Remote: scan the code, or open %1/remote and type %2 (for 5 "
                                         "minutes).")
                                          .arg(base, code));
    const QImage qr = server::qrImage(server->remoteUrl(m_link->host()).toUtf8(), QrModulePixels);
    picQr->setPixmap(QPixmap::fromImage(qr));
    picQr->setVisible(!code.isEmpty() && !qr.isNull());
    lblCode->show();
    cmdNewCode->show();
    if (!code.isEmpty())
        m_expiry.start(int(server::Pairing::CodeLifetimeMs) + 100);
}
