#pragma once

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Runs a test class on the offscreen platform with the screens a JSON text describes, as the
// platform's configuration file wants them.
template <typename Test> int execOnScreens(const char* screens, int argc, char** argv) {
    QTemporaryDir folder;
    QFile config(folder.filePath(QStringLiteral("screens.json")));
    if (!config.open(QIODevice::WriteOnly) || config.write(screens) < 0)
        return 1;
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}
