#include "settings/WindowPlace.h"

#include "settings/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace modSettings {

namespace {

const QString ScreenKey = QStringLiteral("Board/Screen");
const QString FullScreenKey = QStringLiteral("Board/FullScreen");

} // namespace

QString windowPlaceFileName() {
    // Beside the store's file; where the store is a registry key (Windows) there is no such
    // folder, and the user's configuration folder takes the file.
    const QFileInfo store(settingsFileName());
    const QString folder = QFileInfo(store.absolutePath()).isDir()
                               ? store.absolutePath()
                               : QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return QDir(folder).filePath(QStringLiteral("Courtvane-window.ini"));
}

std::optional<WindowPlace> readWindowPlace() {
    // Like the store, the file is handed to QSettings only when it cannot block or flood it.
    if (!storeFileUsable(windowPlaceFileName()))
        return std::nullopt;
    const QSettings file(windowPlaceFileName(), QSettings::IniFormat);
    const QString screen = file.value(ScreenKey).toString();
    if (file.status() != QSettings::NoError || screen.isEmpty())
        return std::nullopt;
    return WindowPlace{screen, file.value(FullScreenKey).toBool()};
}

void writeWindowPlace(const WindowPlace& place) {
    // A file that is there but cannot be used is left as it is, and so is one whose lock could
    // hold the write for good; the board opens on its default screen next time.
    if (!storeFileUsable(windowPlaceFileName()) || !lockFileUsable(windowPlaceFileName()))
        return;
    QSettings file(windowPlaceFileName(), QSettings::IniFormat);
    file.setValue(ScreenKey, place.screen);
    file.setValue(FullScreenKey, place.fullScreen);
}

} // namespace modSettings
