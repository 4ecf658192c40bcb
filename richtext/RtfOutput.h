#pragma once

#include <QPointer>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <map>
#include <utility>

// What the builders of a document being read share: the cursor that writes it, and the run of text
// that waits to be written in one format.
namespace Rtf {

struct Output {
    explicit Output(QTextDocument* target) : document(target), cursor(target) {}

    // Writes the waiting run, and gives its paragraph the format it has so far.
    void flushRun() {
        if (blockFormatPending) {
            cursor.setBlockFormat(blockFormat);
            blockFormatPending = false;
        }
        if (run.isEmpty())
            return;
        cursor.insertText(run, runFormat);
        run.clear();
    }

    // The cursor has gone into another cell or out of a table: the next paragraph starts there, in
    // the block the cell already has, and no list goes on across the move.
    void movedToCell() {
        breakPending = false;
        openLists.clear();
    }

    QTextDocument* document;
    QTextCursor cursor;
    QString run;
    QTextCharFormat runFormat;
    QTextBlockFormat blockFormat;
    bool blockFormatPending = false;
    // The paragraph before has ended; the next content opens a block of its own.
    bool breakPending = false;
    // The lists that the next item of a list (\ls or the older numbering) and level joins.
    std::map<std::pair<int, int>, QPointer<QTextList>> openLists;
};

} // namespace Rtf
