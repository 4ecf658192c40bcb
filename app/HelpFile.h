#pragma once

#include <QString>

#include <memory>

class QTextDocument;
class QThread;
class QUrl;

// Finding and reading the help file, apart from the window that shows it.
namespace HelpFile {

// The help file in the program's folder.
QString helpFilePath();

// The help as read, ready to show, or the one line that the window shows in its place.
struct HelpText {
    std::shared_ptr<QTextDocument> document;
    QString message;
};

// Reads and parses the help file at path; meant for a worker thread. The document it returns
// belongs to the given thread (the one that shows it) and is deleted there.
HelpText readHelp(const QString& path, QThread* owner);

// What following a link in the help does: an anchor is a place in the help itself; only web and
// mail addresses go to the desktop's programs, so that a help file cannot start anything else.
enum class LinkKind { Anchor, External, Ignored };
LinkKind linkKind(const QUrl& link);

// The lines shown instead of the help.
inline const QString MissingText =
    QStringLiteral("Help file has been moved from its normal location.  Please reinstall the program.");
inline const QString NotAFileText =
    QStringLiteral("Help file is not a regular file, so it cannot be shown.  Please reinstall the program.");
inline const QString TooLargeText = QStringLiteral(
    "Help file is larger than 2 MB, too large to be this program's help.  Please reinstall the program.");
inline const QString UnreadableText =
    QStringLiteral("Help file cannot be read.  Please reinstall the program.");

} // namespace HelpFile
