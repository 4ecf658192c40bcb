#include "frmSplash.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Courtvane Standard"));
    QApplication::setApplicationVersion(QStringLiteral(COURTVANE_VERSION));

    // The program starts on the splash, which loads the settings and hands over to the board; it
    // deletes itself when it closes, and the program ends when its last window has closed.
    auto* splash = new frmSplash;
    splash->show();
    return QApplication::exec();
}
