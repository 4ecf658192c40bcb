#include "app/CommandLine.h"

#include "game/GameSettings.h"

ServeRequest serveRequest(const QStringList& arguments) {
    const QString option = QStringLiteral("--serve");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        QString value;
        if (argument.startsWith(option + u'='))
            value = argument.mid(option.size() + 1);
        else if (argument != option)
            continue;
        // The port may be left out, also before another option.
        else if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(u'-'))
            value = arguments.at(i + 1);
        else
            return {quint16(game::DefaultServePort), {}};
        bool isNumber = false;
        const int port = value.toInt(&isNumber);
        if (!isNumber || port < 1 || port > 65535)
            return {std::nullopt,
                    QStringLiteral("--serve takes a port from 1 to 65535, not \"%1\"").arg(value)};
        return {quint16(port), {}};
    }
    return {};
}
