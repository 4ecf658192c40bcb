#include "richtext/RtfReader.h"

#include "richtext/RtfParser.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QByteArrayView rtfStart(QByteArrayView data) {
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    while (!data.isEmpty() &&
           (data.front() == ' ' || data.front() == '\t' || data.front() == '\r' || data.front() == '\n'))
        data = data.sliced(1);
    return data.startsWith("{\\rtf") ? data : QByteArrayView();
}

} // namespace

namespace RtfReader {

void read(const QByteArray& rtf, QTextDocument* document) {
    if (!document)
        return;
    const bool undoRedo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    if (const QByteArrayView start = rtfStart(rtf); !start.isEmpty()) {
        Rtf::Parser(document).run(start);
    } else {
        // Anything else is shown as the text it most likely is.
        QString text = QString::fromUtf8(rtf);
        text.remove(QChar(0));
        document->setPlainText(text);
    }
    document->setUndoRedoEnabled(undoRedo);
}

void splitLongParagraphs(QTextDocument* document, int maxLength) {
    if (!document || maxLength < 2)
        return;
    const bool undoRedo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        QList<qsizetype> cuts;
        for (qsizetype start = 0; text.size() - start > maxLength;) {
            qsizetype cut = start + maxLength;
            // A blank nearer the start would leave a short paragraph.
            const qsizetype from = start + maxLength / 2 + 1;
            if (const qsizetype blank = QStringView(text).sliced(from, cut - from).lastIndexOf(u' ');
                blank >= 0)
                cut = from + blank + 1;
            else if (text[cut].isLowSurrogate())
                --cut;
            cuts.append(cut);
            start = cut;
        }
        // From the last cut back, so that the earlier positions still hold.
        for (auto cut = cuts.crbegin(); cut != cuts.crend(); ++cut) {
            cursor.setPosition(block.position() + int(*cut));
            cursor.insertBlock();
        }
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(undoRedo);
}

FileStatus readFile(const QString& path, QTextDocument* document) {
    const RegularFileContents file = readRegularFile(path, MaxFileSize);
    if (file.status == FileRead::Read)
        read(file.bytes, document);
    return file.status;
}

} // namespace RtfReader
