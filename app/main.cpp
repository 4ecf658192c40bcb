#include "app/CommandLine.h"
#include "app/frmSplash.h"
#include "journal/Journal.h"
#include "platform/ScreenFit.h"
#include "scoreboard/BoardAccessibility.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>
#include <cstdlib>

namespace {

void nameProgram() {
    QCoreApplication::setApplicationName(QStringLiteral("Courtvane Standard"));
    QCoreApplication::setApplicationVersion(QStringLiteral(COURTVANE_VERSION));
}

// --help and --version answer on the terminal and end the program, also where there is no
// display to open. Anything else, Qt's own options among them, is left to the application.
void answerCommandLine(int argc, char* argv[]) {
    const QCoreApplication terminal(argc, argv);
    nameProgram();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Basketball scoreboard for a big screen.\n"
        "Keys on the board: s start/stop the clock, r reset it, c time of day, b buzzer, o options,\n"
        "h or F1 help, Ctrl+G game settings, F11 full screen, Ctrl+Q close."));
    // Shown here; the port itself is read by serveRequest, as it may be left out.
    parser.addOption(QCommandLineOption(
        QStringLiteral("serve"),
        QStringLiteral("Serves the board to browsers and phones on <port> (8780 when left out), on "
                       "this machine alone unless the game settings let the network in."),
        QStringLiteral("port")));
    // Qt's own help option would also offer --help-all, which only a parser that rejects Qt's
    // own options answers.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption exportRecord(
        QStringLiteral("export"),
        QStringLiteral(
            "Writes the record of the latest game to FILE (CSV for a .csv name, else JSON) and exits."),
        QStringLiteral("FILE"));
    parser.addOption(exportRecord);
    static_cast<void>(parser.parse(QCoreApplication::arguments()));
    if (parser.isSet(help))
        parser.showHelp();
    if (parser.isSet(version))
        parser.showVersion();
    const ServeRequest serve = serveRequest(QCoreApplication::arguments());
    if (!serve.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                     qPrintable(serve.error));
        std::exit(2);
    }
    if (parser.isSet(exportRecord)) {
        const QString problem = journal::exportRecord(journal::latestJournal(journal::journalFolder()),
                                                      parser.value(exportRecord));
        if (!problem.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(problem));
        std::exit(problem.isEmpty() ? EXIT_SUCCESS : EXIT_FAILURE);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1)
        answerCommandLine(argc, argv);
    // The board repaints a digit or two at a time. Through X's shared memory each such paint waits
    // for the server's completion event, which woke the program twice more per tenth of a second;
    // a plain image request costs no more at that size. An operator's own setting is kept.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    BoardAccessibility::install();
    // Every window the program opens fits its screen, dialogs and help included.
    app.installEventFilter(new ScreenFit::WindowFitter(&app));
    nameProgram();
    // Names the desktop entry, whose icon a Wayland desktop shows for the windows.
    QApplication::setDesktopFileName(QStringLiteral("courtvane"));
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/courtvane-%1.png").arg(size));
    QApplication::setWindowIcon(icon);

    // The program starts on the splash, which loads the settings and hands over to the board; it
    // deletes itself when it closes, and the program ends when its last window has closed.
    frmSplash::setServePort(serveRequest(QCoreApplication::arguments()).port);
    auto* splash = new frmSplash;
    splash->show();
    return QApplication::exec();
}
