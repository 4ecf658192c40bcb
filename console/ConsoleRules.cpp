#include "console/ConsoleRules.h"

#include "settings/SettingsStore.h"

#include <QSettings>

#include <algorithm>
#include <vector>

namespace console {

namespace {

// "10:00", "24", "0:45": whole seconds, minutes shown from a minute up.
QString duration(Currency value) {
    const qint64 seconds = value.ticks() / Currency::TicksPerSecond;
    if (seconds < 60)
        return QString::number(seconds);
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString presetName(game::RulesPreset preset) {
    switch (preset) {
    case game::RulesPreset::Fiba:
        return QStringLiteral("FIBA");
    case game::RulesPreset::Nfhs:
        return QStringLiteral("NFHS");
    case game::RulesPreset::Custom:
        break;
    }
    return QStringLiteral("Custom");
}

QString displayName(BoardDisplay display) {
    switch (display) {
    case BoardDisplay::Period:
        return QStringLiteral("Period");
    case BoardDisplay::Clock:
        return QStringLiteral("Game clock");
    case BoardDisplay::HomeScore:
        return QStringLiteral("Home score");
    case BoardDisplay::VisitorScore:
        break;
    }
    return QStringLiteral("Visitor score");
}

} // namespace

std::optional<int> consoleScreenIndex(const QStringList& screens, int boardScreen,
                                      const QString& remembered) {
    if (screens.size() < 2)
        return std::nullopt;
    const int kept = int(screens.indexOf(remembered));
    if (!remembered.isEmpty() && kept >= 0 && kept != boardScreen)
        return kept;
    return boardScreen == 0 ? 1 : 0;
}

std::optional<bool> capsLockFromKey(const QString& text, bool shift) {
    if (text.size() != 1)
        return std::nullopt;
    const QChar c = text.at(0);
    if (!c.isLetter() || c.toUpper() == c.toLower())
        return std::nullopt;
    return c.isUpper() != shift;
}

QString keyText(KeyCode key) {
    switch (key) {
    case 8:
        return QStringLiteral("Backspace");
    case 9:
        return QStringLiteral("Tab");
    case 13:
        return QStringLiteral("Enter");
    case 27:
        return QStringLiteral("Esc");
    case 32:
        return QStringLiteral("Space");
    default:
        break;
    }
    if (key > 32 && QChar(key).isPrint())
        return QString(QChar(key));
    return QStringLiteral("[%1]").arg(key);
}

QString gameSettingsText(const game::GameSettings& settings) {
    if (settings.layout == game::Layout::Standard)
        return QStringLiteral("Standard board");
    const game::GameRules& r = settings.rules;
    QStringList parts{QStringLiteral("Game board, %1 rules").arg(presetName(settings.preset)),
                      QStringLiteral("%1 × %2 periods").arg(r.periods).arg(duration(r.periodLength)),
                      QStringLiteral("overtime %1").arg(duration(r.overtimeLength))};
    parts << (r.shotClockOn ? QStringLiteral("shot clock %1/%2")
                                  .arg(duration(r.shotClockFull), duration(r.shotClockShort))
                            : QStringLiteral("no shot clock"));
    parts << QStringLiteral("foul limit %1").arg(r.foulLimit);
    parts << QStringLiteral("timeouts %1+%2").arg(r.timeoutsFirstHalf).arg(r.timeoutsSecondHalf);
    parts << (settings.hornFile.isEmpty() ? QStringLiteral("no horn") : QStringLiteral("horn on"));
    return parts.join(QStringLiteral(", "));
}

QString entryText(std::optional<BoardDisplay> display, const QString& typed) {
    if (typed.isEmpty())
        return {};
    const QString shown = display ? displayName(*display) : QStringLiteral("No display");
    return QStringLiteral("%1: %2_  (Enter sets it)").arg(shown, typed);
}

QString rememberedScreen() {
    return modSettings::ReadStoreSection(ConsoleSection).value(ScreenKey);
}

void rememberScreen(const QString& name) {
    modSettings::WriteStore(
        [&name](QSettings& store) { store.setValue(ConsoleSection + u'/' + ScreenKey, name); });
}

bool canTakePixels(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return true;
    default:
        return false;
    }
}

void takeNearest(const QImage& board, QImage& copy, const QRect& part) {
    const QRect fill = part & copy.rect();
    if (fill.isEmpty() || board.isNull())
        return;
    const double across = double(board.width()) / copy.width();
    const double down = double(board.height()) / copy.height();
    std::vector<int> columns(size_t(fill.width()));
    for (int x = 0; x < fill.width(); ++x)
        columns[size_t(x)] = std::min(board.width() - 1, int((fill.left() + x + 0.5) * across));
    for (int y = fill.top(); y <= fill.bottom(); ++y) {
        const int fromY = std::min(board.height() - 1, int((y + 0.5) * down));
        const auto* from = reinterpret_cast<const QRgb*>(board.constScanLine(fromY));
        auto* to = reinterpret_cast<QRgb*>(copy.scanLine(y)) + fill.left();
        for (const int column : columns)
            *to++ = from[column];
    }
}

} // namespace console
