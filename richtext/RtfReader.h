#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

// Reads a rich-text (RTF) file into a QTextDocument. Safe on any input: malformed, truncated,
// deeply nested or binary data gives a readable result or plain text, never a crash or a hang.
namespace RtfReader {

// Replaces the contents of document with the document described by rtf.
void read(const QByteArray& rtf, QTextDocument* document);

// Reads the file at path into document; false (and the document untouched) when it cannot be read.
bool readFile(const QString& path, QTextDocument* document);

} // namespace RtfReader
