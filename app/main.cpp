#include "app/frmSplash.h"
#include "scoreboard/BoardAccessibility.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    // The board repaints a digit or two at a time. Through X's shared memory each such paint waits
    // for the server's completion event, which woke the program twice more per tenth of a second;
    // a plain image request costs no more at that size. An operator's own setting is kept.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
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
