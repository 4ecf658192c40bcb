#pragma once

#include "richtext/RtfFormats.h"

#include <array>
#include <vector>

class QTextTable;

// Tables: rows of cells, and tables nested in cells. A paragraph's depth says in how many tables it
// stands; the tables open at any time are those of the paragraph being read, outermost first.
namespace Rtf {

struct Output;

class TableBuilder {
public:
    explicit TableBuilder(Output& out) : m_out(out) {}

    // How many tables a paragraph with these properties stands in.
    size_t depthOf(const ParagraphProperties& p) const;
    // Opens and closes tables, and moves to the next cell, so that the cursor is where the content
    // of a paragraph at that depth goes.
    void sync(size_t depth);

    // \trowd and \cellx: the cells of the rows that follow, at the depth of the paragraph.
    void defineRow(size_t depth);
    void addCellEdge(size_t depth, int twips);
    // \pard: the paragraphs that follow stand in the tables they say they stand in.
    void endImplicitRow() { m_implicitRow = false; }
    // A cell ends in a paragraph that claims no table; it still makes one.
    void cellInParagraph(const ParagraphProperties& p);
    // Goes on to the next cell at depth; false when there is no table there to go on in.
    bool nextCell(size_t depth);
    void endRow(size_t depth);

private:
    struct OpenTable {
        QTextTable* table = nullptr;
        int row = 0;
        int column = 0;
        bool rowDone = false;   // the row has ended; the next content starts another
        bool cellPlaced = true; // the cursor is in the cell at row and column
    };

    void openTable();
    void closeTable();
    void placeCell(OpenTable& t);
    static void setColumnWidths(QTextTable* table, const std::vector<int>& edges);

    Output& m_out;
    std::vector<OpenTable> m_tables;
    int m_tableCount = 0;
    // The right edges of the cells of the row defined last, at each depth.
    std::array<std::vector<int>, MaxTableDepth> m_rowEdges;
    // A row definition makes its cells a table even when their paragraphs do not say so.
    bool m_implicitRow = false;
};

} // namespace Rtf
