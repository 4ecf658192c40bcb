#include "SettingsStore.h"
#include "frmHelp.h"
#include "frmScoreboard.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Courtvane Standard"));
    QApplication::setApplicationVersion(QStringLiteral(COURTVANE_VERSION));
    // Names the desktop entry, whose icon a Wayland desktop shows for the windows.
    QApplication::setDesktopFileName(QStringLiteral("courtvane"));
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/courtvane-%1.png").arg(size));
    QApplication::setWindowIcon(icon);

    // The settings are read once, before the board exists; only the options dialog writes them.
    modSettings::LoadSettings();

    frmScoreboard board;
    QObject::connect(&board, &frmScoreboard::helpRequested, &board, [] { frmHelp::showHelp(); });
    board.show();
    return QApplication::exec();
}
