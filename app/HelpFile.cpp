#include "app/HelpFile.h"

#include "richtext/RtfReader.h"
#include "state/DataFolder.h"

#include <QTextDocument>
#include <QThread>
#include <QUrl>

namespace HelpFile {

QString helpFilePath() {
    return dataFolder() + QStringLiteral("/courtvanehelpfile.rtf");
}

HelpText readHelp(const QString& path, QThread* owner) {
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    switch (RtfReader::readFile(path, document.get())) {
    case RtfReader::FileStatus::Read:
        break;
    case RtfReader::FileStatus::Missing:
        return {nullptr, MissingText};
    case RtfReader::FileStatus::NotAFile:
        return {nullptr, NotAFileText};
    case RtfReader::FileStatus::TooLarge:
        return {nullptr, TooLargeText};
    case RtfReader::FileStatus::Unreadable:
        return {nullptr, UnreadableText};
    }
    RtfReader::splitLongParagraphs(document.get());
    document->moveToThread(owner);
    // Whichever thread lets go of it last, the document is deleted in its own thread.
    return {std::shared_ptr<QTextDocument>(document.release(), [](QTextDocument* d) { d->deleteLater(); }),
            {}};
}

LinkKind linkKind(const QUrl& link) {
    if (link.isRelative() && link.path().isEmpty() && link.hasFragment())
        return LinkKind::Anchor;
    const QString scheme = link.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
        scheme == QLatin1String("mailto"))
        return LinkKind::External;
    return LinkKind::Ignored;
}

} // namespace HelpFile
