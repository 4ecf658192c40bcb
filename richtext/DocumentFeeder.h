#pragma once

#include <QHash>
#include <QTextBlock>
#include <QTextFrame>

class QTextCursor;
class QTextDocument;
class QTextList;

// Copies a document into another a part at a time, so that a window showing the copy lays out a
// little text at each turn of the event loop and never holds it up for long.
//
// A part is whole top-level paragraphs and tables of at least partSize characters, or a piece of a
// long table: some of its rows, as a table of their own right under the piece before. A list that
// runs on across parts stays one list. Once all parts are in, the copy holds the same text, tables,
// lists and pictures as the source. The source must not change, and must outlive the feeder.
class DocumentFeeder {
public:
    // Laying out this many characters takes some ten milliseconds.
    static constexpr int DefaultPartSize = 8192;

    // target is expected empty; the parts go on at its end.
    DocumentFeeder(const QTextDocument& source, QTextDocument* target, int partSize = DefaultPartSize);

    // Copies the next part, if any is left; the first also brings the source's pictures.
    void feedNext();
    bool started() const { return m_started; }
    bool atEnd() const { return m_next.atEnd(); }

private:
    bool isLongTable(const QTextFrame* frame) const;
    void feedParagraphs(QTextCursor& cursor, bool first);
    void feedRows(QTextCursor& cursor);
    void keepLists(QTextBlock read, QTextBlock shown, const QTextBlock& stop);
    void copyPictures();

    const QTextDocument& m_source;
    QTextDocument* m_target;
    int m_partSize;
    // The next paragraph or table to copy, and the next row of a long table, or -1.
    QTextFrame::iterator m_next;
    int m_tableRow = -1;
    bool m_started = false;
    // The last part ended a long table.
    bool m_afterTable = false;
    // Which list of the copy continues each list of the source.
    QHash<const QTextList*, QTextList*> m_lists;
};
