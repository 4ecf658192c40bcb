#include "app/frmSplash.h"
#include "scoreboard/BoardAccessibility.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    BoardAccessibility::install();
    QApplication::setApplicationName(QStringLiteral("Courtvane Standard"));
    QApplication::setApplicationVersion(QStringLiteral(COURTVANE_VERSION));
    // Names the desktop entry, whose icon a Wayland desktop shows for the windows.
    QApplication::setDesktopFileName(QStringLiteral("courtvane"));
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/courtvane-%1.png").arg(size));
    QApplication::setWindowIcon(icon);

    // The program starts on the splash, which loads the settings and hands over to the board; it
    // deletes itself when it closes, and the program ends when its last window has closed.
    auto* splash = new frmSplash;
    splash->show();
    return QApplication::exec();
}
