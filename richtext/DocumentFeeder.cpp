#include "richtext/DocumentFeeder.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {

// The paragraph that Qt keeps between two tables takes no room.
QTextBlockFormat jointFormat() {
    QTextBlockFormat joint;
    joint.setLineHeight(0, QTextBlockFormat::FixedHeight);
    return joint;
}

// True when no cell reaches into the row from the row above.
bool rowStartsClear(const QTextTable* table, int row) {
    for (int column = 0; column < table->columns(); ++column) {
        if (table->cellAt(row, column).row() != row)
            return false;
    }
    return true;
}

} // namespace

DocumentFeeder::DocumentFeeder(const QTextDocument& source, QTextDocument* target, int partSize)
    : m_source(source), m_target(target), m_partSize(std::max(partSize, 1)),
      m_next(source.rootFrame()->begin()) {}

void DocumentFeeder::feedNext() {
    if (atEnd())
        return;
    const bool first = !std::exchange(m_started, true);
    QTextCursor cursor(m_target);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // The pictures are resources of the document they were read into, not part of its text.
    if (first)
        copyPictures();
    if (m_tableRow >= 0 || isLongTable(m_next.currentFrame()))
        feedRows(cursor);
    else
        feedParagraphs(cursor, first);
    cursor.endEditBlock();
    if (atEnd())
        m_lists.clear();
}

// Qt lays out a table as a whole each time it grows, so a long table goes in a few rows at a time.
bool DocumentFeeder::isLongTable(const QTextFrame* frame) const {
    const auto* table = qobject_cast<const QTextTable*>(frame);
    return table && table->rows() > 1 && table->lastPosition() - table->firstPosition() > m_partSize;
}

// A part ends only between two paragraphs outside any table, so that no table is cut in two, or
// before a long table.
void DocumentFeeder::feedParagraphs(QTextCursor& cursor, bool first) {
    QTextFrame::iterator item = m_next;
    bool afterParagraph = false;
    for (int taken = 0; !item.atEnd(); ++item) {
        const QTextFrame* table = item.currentFrame();
        if (table ? isLongTable(table) : taken >= m_partSize && afterParagraph)
            break;
        taken += table ? table->lastPosition() - table->firstPosition() + 2 : item.currentBlock().length();
        afterParagraph = !table;
    }
    // A part runs from the end of the paragraph before it, so that it opens that paragraph's
    // successor with its own format, up to the end of its own last paragraph. After a long table it
    // goes on in the paragraph that Qt keeps below the table.
    const bool afterTable = std::exchange(m_afterTable, false);
    const int start = first ? 0 : m_next.currentBlock().position() - (afterTable ? 0 : 1);
    int end = m_source.characterCount() - 1;
    if (!item.atEnd())
        end = item.currentFrame() ? item.currentFrame()->firstPosition() - 1
                                  : item.currentBlock().position() - 1;
    const QTextBlock read = m_next.currentBlock();
    m_next = item;

    QTextCursor part(m_source.begin());
    part.setPosition(start);
    part.setPosition(end, QTextCursor::KeepAnchor);
    const int at = cursor.position();
    cursor.insertFragment(QTextDocumentFragment(part));
    // The part's paragraphs follow the one the copy ended with, or open in it, as Qt chooses; one
    // left empty below a long table takes no room.
    QTextBlock shown = m_target->findBlock(at);
    const int partBlocks = m_source.findBlock(end).blockNumber() - read.blockNumber() + 1;
    if (m_target->blockCount() - shown.blockNumber() > partBlocks) {
        if (afterTable)
            QTextCursor(shown).setBlockFormat(jointFormat());
        shown = shown.next();
    }
    keepLists(read, shown, {});
}

// Each piece of a long table is a table of its own right under the one before.
void DocumentFeeder::feedRows(QTextCursor& cursor) {
    const auto* table = qobject_cast<const QTextTable*>(m_next.currentFrame());
    const int rows = table->rows();
    const int columns = table->columns();
    const int from = std::max(m_tableRow, 0);
    const int fromPosition = table->cellAt(from, 0).firstPosition();
    // Pieces begin where no cell reaches down from the row above, and hold two cells at least, so
    // that each is copied as a table.
    int row = from + 1;
    while (row < rows && !(rowStartsClear(table, row) &&
                           table->cellAt(row, 0).firstPosition() - fromPosition >= m_partSize &&
                           (columns > 1 || (row - from > 1 && rows - row > 1))))
        ++row;

    QTextCursor part(m_source.begin());
    part.setPosition(fromPosition);
    part.setPosition(table->cellAt(row - 1, columns - 1).lastPosition(), QTextCursor::KeepAnchor);
    if (from > 0)
        cursor.setBlockFormat(jointFormat());
    const int at = cursor.position();
    cursor.insertFragment(QTextDocumentFragment(part));
    keepLists(table->cellAt(from, 0).firstCursorPosition().block(), m_target->findBlock(at).next(),
              m_target->lastBlock());
    if (row < rows) {
        m_tableRow = row;
        return;
    }
    m_tableRow = -1;
    m_afterTable = true;
    ++m_next;
}

// Each part brings its own copy of the lists it touches; a list that runs on from an earlier part
// takes its paragraphs back, so that it keeps counting.
void DocumentFeeder::keepLists(QTextBlock read, QTextBlock shown, const QTextBlock& stop) {
    for (; read.isValid() && shown.isValid() && shown != stop; read = read.next(), shown = shown.next()) {
        const QTextList* list = read.textList();
        if (!list || !shown.textList())
            continue;
        const auto known = m_lists.constFind(list);
        if (known == m_lists.cend())
            m_lists.insert(list, shown.textList());
        else if (*known != shown.textList())
            (*known)->add(shown);
    }
}

void DocumentFeeder::copyPictures() {
    for (QTextBlock block = m_source.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (const QTextCharFormat format = it.fragment().charFormat(); format.isImageFormat()) {
                const QUrl name(format.toImageFormat().name());
                m_target->addResource(QTextDocument::ImageResource, name,
                                      m_source.resource(QTextDocument::ImageResource, name));
            }
        }
    }
}
