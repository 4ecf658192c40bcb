#include "SettingsStore.h"
#include "frmHelp.h"
#include "frmScoreboard.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Courtvane Standard"));
    QApplication::setApplicationVersion(QStringLiteral(COURTVANE_VERSION));

    // The settings are read once, before the board exists; only the options dialog writes them.
    modSettings::LoadSettings();

    frmScoreboard board;
    QObject::connect(&board, &frmScoreboard::helpRequested, &board, [] { frmHelp::showHelp(); });
    board.show();
    return QApplication::exec();
}
