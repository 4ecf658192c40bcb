#pragma once

#include "state/RegularFile.h"

#include <QByteArray>
#include <QString>

class QTextDocument;

// Reads a rich-text (RTF) file into a QTextDocument, with the tables, lists, links, bookmarks, notes
// and pictures that word processors write. Safe on any input: malformed, truncated, deeply nested
// or binary data gives a readable result or plain text, never a crash or a hang.
namespace RtfReader {

// Replaces the contents of document with the document described by rtf.
void read(const QByteArray& rtf, QTextDocument* document);

// Laying out a paragraph of this many characters takes a few milliseconds.
inline constexpr int MaxParagraphLength = 4096;

// Breaks every paragraph longer than maxLength characters (at least 2) into paragraphs of at most
// that length, after a blank where one is near the end, so that laying out any one is quick.
void splitLongParagraphs(QTextDocument* document, int maxLength = MaxParagraphLength);

// A help text is far smaller than this; a larger file is not read at all.
inline constexpr qint64 MaxFileSize = 2 * 1024 * 1024;

using FileStatus = FileRead;

// Reads the file at path into document when it is a regular file of at most MaxFileSize bytes,
// without ever waiting on a pipe or a device; otherwise says why and leaves the document untouched.
FileStatus readFile(const QString& path, QTextDocument* document);

} // namespace RtfReader
