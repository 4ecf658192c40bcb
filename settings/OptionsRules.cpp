#include "settings/OptionsRules.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr qsizetype LongestWholePath = 50;
constexpr qsizetype ShortenedHead = 10;

} // namespace

QString existingFileName(const QString& path) {
    const QFileInfo file(path);
    return file.isFile() ? file.fileName() : QString();
}

QString BuzzerFileCaption(const QString& path) {
    if (path.size() > LongestWholePath)
        return path.left(ShortenedHead) + QStringLiteral(" ...") + QDir::separator() + existingFileName(path);
    if (path.isEmpty())
        return QStringLiteral("[No File Selected]");
    return path;
}

QString keyLabelText(KeyCode key) {
    if (key >= 0 && key <= 255) {
        const QChar character(key);
        if (character.isPrint() && !character.isSpace())
            return QString(character);
    }
    return QStringLiteral("[%1]").arg(key);
}

bool keyRefused(KeyCode key, KeyCode currentKey, const KeysInUse& keysInUse) {
    if (key == currentKey)
        return false;
    const auto is = [key](KeyCode other) { return other == key; };
    return std::any_of(keysInUse.begin(), keysInUse.end(), is) ||
           std::any_of(ReservedKeys.begin(), ReservedKeys.end(), is);
}

QString chooseKeyPrompt(const QString& action) {
    return QStringLiteral("Press the key you would like to ") + action + QLatin1Char('.');
}
