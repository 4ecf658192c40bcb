#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// --serve [PORT]: the board served to browsers and phones for this run, on the port given or the
// default one.
struct ServeRequest {
    std::optional<quint16> port;
    // Why the port given cannot be used; empty when it can or none was asked for.
    QString error;
};
ServeRequest serveRequest(const QStringList& arguments);
