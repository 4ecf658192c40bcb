#pragma once

#include <QByteArray>
#include <QString>

// Reading a file named from outside the program (the help file, a chosen buzzer sound) must never
// hold the user-interface thread: a named pipe would wait for a writer for good, a device could
// act or stream endlessly, a huge file would take minutes.
enum class FileRead { Read, Missing, NotAFile, TooLarge, Unreadable };

struct RegularFileContents {
    FileRead status = FileRead::Unreadable;
    // The file's bytes when status is Read; empty otherwise.
    QByteArray bytes;
};

// Reads the whole file at path when it is a regular file of at most maxBytes, without ever waiting
// on a pipe or a device; otherwise says why.
RegularFileContents readRegularFile(const QString& path, qint64 maxBytes);

// Whether path could be read now, without reading it: Read when it is a regular file of at most
// maxBytes that opens for reading, otherwise why not. For files that another reader then opens by
// name (the settings store); the file can still change in between.
FileRead checkRegularFile(const QString& path, qint64 maxBytes);
