#include "game/GameSettings.h"

#include "state/DataFolder.h"

#include <QDir>

namespace game {

namespace {

const QString LayoutKey = QStringLiteral("Layout");
const QString RulesKey = QStringLiteral("Rules");
const QString HornFileKey = QStringLiteral("HornFile");
const QString ServeKey = QStringLiteral("Serve");
const QString ServeNetworkKey = QStringLiteral("ServeNetwork");
const QString ServePortKey = QStringLiteral("ServePort");

QString switchText(bool on) {
    return on ? QStringLiteral("true") : QStringLiteral("false");
}
const QString JournalKey = QStringLiteral("Journal");

QString presetText(RulesPreset preset) {
    switch (preset) {
    case RulesPreset::Fiba:
        return QStringLiteral("FIBA");
    case RulesPreset::Nfhs:
        return QStringLiteral("NFHS");
    case RulesPreset::Custom:
        return QStringLiteral("Custom");
    }
    return {};
}

} // namespace

QString defaultHornFile() {
    return QDir::toNativeSeparators(dataFolder() + QStringLiteral("/horn.wav"));
}

GameSettings readGameSettings(const StoreLookup& lookup) {
    GameSettings s;
    if (lookup(LayoutKey) == u"Game"_qs)
        s.layout = Layout::Game;
    const QString rules = lookup(RulesKey).value_or(QString());
    for (RulesPreset p : {RulesPreset::Fiba, RulesPreset::Nfhs, RulesPreset::Custom})
        if (rules == presetText(p))
            s.preset = p;
    s.rules = presetRules(s.preset);
    if (const std::optional<QString> horn = lookup(HornFileKey))
        s.hornFile = *horn;
    s.serve = lookup(ServeKey) == switchText(true);
    s.serveNetwork = lookup(ServeNetworkKey) == switchText(true);
    bool isNumber = false;
    const int port = lookup(ServePortKey).value_or(QString()).toInt(&isNumber);
    if (isNumber && port >= 1 && port <= 65535)
        s.servePort = port;
    s.journal = lookup(JournalKey) == switchText(true);
    if (s.preset != RulesPreset::Custom)
        return s;
    // Read in order, each checked against those before it; a figure that only fits the preset's value
    // of a later one is checked again once all are read.
    for (int pass = 0; pass < 2; ++pass)
        for (Figure f : allFigures())
            if (const std::optional<QString> text = lookup(figureName(f)))
                setFigure(s.rules, f, *text);
    return s;
}

GameSettings readGameSettings(const QHash<QString, QString>& stored) {
    return readGameSettings([&stored](const QString& key) -> std::optional<QString> {
        const auto it = stored.constFind(key);
        return it == stored.cend() ? std::nullopt : std::optional<QString>(*it);
    });
}

QList<QPair<QString, QString>> writeGameSettings(const GameSettings& settings) {
    QList<QPair<QString, QString>> keys;
    keys.append({LayoutKey, settings.layout == Layout::Game ? u"Game"_qs : u"Standard"_qs});
    keys.append({RulesKey, presetText(settings.preset)});
    for (Figure f : allFigures())
        keys.append({figureName(f), figureText(settings.rules, f)});
    keys.append({HornFileKey, settings.hornFile});
    keys.append({ServeKey, switchText(settings.serve)});
    keys.append({ServeNetworkKey, switchText(settings.serveNetwork)});
    keys.append({ServePortKey, QString::number(settings.servePort)});
    keys.append({JournalKey, switchText(settings.journal)});
    return keys;
}

} // namespace game
