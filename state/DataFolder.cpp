#include "state/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString dataFolder() {
    return dataFolderFor(QCoreApplication::applicationDirPath());
}

QString dataFolderFor(const QString& programFolder) {
    const QDir beside(programFolder);
    for (const QString& file : {QStringLiteral("buzzer.wav"), QStringLiteral("courtvanehelpfile.rtf")}) {
        if (QFileInfo::exists(beside.filePath(file)))
            return beside.path();
    }
    return QDir::cleanPath(beside.filePath(QStringLiteral("../share/courtvane")));
}
