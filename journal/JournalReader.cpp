#include "journal/JournalReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace journal {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("journal", text);
}

QString lines(qsizetype n) {
    return n == 1 ? tr("1 line") : tr("%1 lines").arg(n);
}

} // namespace

ReadResult readJournal(const QByteArray& bytes) {
    ReadResult result;
    if (bytes.isEmpty()) {
        result.dropped = tr("The journal is empty.");
        return result;
    }
    QList<QByteArray> all = bytes.split('\n');
    // The text ends with a newline, which leaves an empty piece after it.
    if (all.last().isEmpty())
        all.removeLast();
    const auto dropFrom = [&](qsizetype at, const QString& why) {
        const qsizetype n = all.size() - at;
        const QString when =
            result.events.isEmpty()
                ? QString()
                : tr(" after %1")
                      .arg(result.events.last().wall.toLocalTime().toString(QStringLiteral("HH:mm:ss")));
        result.dropped = tr("%1%2 %3.").arg(lines(n), when, why);
    };
    const QByteArray& first = all.first();
    const std::optional<int> version = first.size() <= MaxLineBytes ? headerVersion(first) : std::nullopt;
    if (!version) {
        dropFrom(0, tr("could not be read"));
        return result;
    }
    if (*version > Version) {
        result.dropped = tr("The journal was written by a newer version of the program: %1 dropped.")
                             .arg(lines(all.size()));
        return result;
    }
    for (qsizetype i = 1; i < all.size(); ++i) {
        bool newer = false;
        const std::optional<Event> event =
            all[i].size() <= MaxLineBytes ? parseEvent(all[i], &newer) : std::nullopt;
        if (!event) {
            dropFrom(i, newer ? tr("written by a newer version were dropped") : tr("could not be read"));
            return result;
        }
        result.events.append(*event);
    }
    return result;
}

ReadResult readJournalFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ReadResult result;
        result.readable = false;
        result.dropped = tr("The journal %1 could not be read: %2.")
                             .arg(QDir::toNativeSeparators(path), file.errorString());
        return result;
    }
    return readJournal(file.readAll());
}

} // namespace journal
