#include "state/RegularFile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Opens path for reading when it is a regular file of at most maxBytes; Read when file is open.
FileRead openRegularFile(const QString& path, qint64 maxBytes, QFile& file) {
    const QFileInfo info(path);
    if (!info.exists())
        return FileRead::Missing;
    if (!info.isFile())
        return FileRead::NotAFile;
#ifdef Q_OS_UNIX
    // Without blocking, in case the file was swapped for a pipe since the look above; what was
    // really opened is checked once more.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return FileRead::Unreadable;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return FileRead::NotAFile;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return FileRead::Unreadable;
    }
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileRead::Unreadable;
#endif
    if (file.isSequential())
        return FileRead::NotAFile;
    if (file.size() > maxBytes)
        return FileRead::TooLarge;
    return FileRead::Read;
}

} // namespace

RegularFileContents readRegularFile(const QString& path, qint64 maxBytes) {
    QFile file;
    const FileRead opened = openRegularFile(path, maxBytes, file);
    if (opened != FileRead::Read)
        return {opened, {}};
    // The file may have grown since its size was read; one that shrank is taken as far as it went.
    QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes)
        return {FileRead::TooLarge, {}};
    if (file.error() != QFileDevice::NoError)
        return {FileRead::Unreadable, {}};
    return {FileRead::Read, std::move(bytes)};
}

FileRead checkRegularFile(const QString& path, qint64 maxBytes) {
    QFile file;
    return openRegularFile(path, maxBytes, file);
}
