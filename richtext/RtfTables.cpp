#include "richtext/RtfTables.h"

#include "richtext/RtfOutput.h"
#include "state/Twips.h"

#include <QTextTable>

#include <algorithm>

namespace Rtf {

namespace {

// Cells beyond this many in a row share the last column.
constexpr int MaxColumns = 64;
// A table grows by whole rows, each costing time in proportion to the cells already there; longer
// tables go on in a table of their own.
constexpr int MaxRows = 512;
// Every table makes finding a position in the document slower; beyond this many, paragraphs that
// would open another stay in the table they are in.
constexpr int MaxTables = 1024;

} // namespace

size_t TableBuilder::depthOf(const ParagraphProperties& p) const {
    return size_t(std::max(p.tableDepth, p.inTable || m_implicitRow ? 1 : 0));
}

void TableBuilder::sync(size_t depth) {
    while (m_tables.size() > depth)
        closeTable();
    for (size_t level = 0; level < depth; ++level) {
        if (level == m_tables.size()) {
            if (m_tableCount >= MaxTables)
                return;
            openTable();
        } else if (!m_tables[level].cellPlaced) {
            while (m_tables.size() > level + 1)
                closeTable();
            placeCell(m_tables[level]);
        }
    }
}

void TableBuilder::defineRow(size_t depth) {
    m_rowEdges[std::max<size_t>(1, depth) - 1].clear();
    m_implicitRow = true;
}

void TableBuilder::addCellEdge(size_t depth, int twips) {
    if (auto& edges = m_rowEdges[std::max<size_t>(1, depth) - 1]; edges.size() < size_t(MaxColumns))
        edges.push_back(std::clamp(twips, 0, MaxTwips));
}

void TableBuilder::cellInParagraph(const ParagraphProperties& p) {
    if (depthOf(p) == 0)
        m_implicitRow = true;
}

bool TableBuilder::nextCell(size_t depth) {
    // Past the last table the document may hold, a cell is a paragraph.
    if (m_tables.size() < depth)
        return false;
    OpenTable& t = m_tables[depth - 1];
    ++t.column;
    t.cellPlaced = false;
    return true;
}

void TableBuilder::endRow(size_t depth) {
    if (m_tables.size() < depth)
        return;
    while (m_tables.size() > depth)
        closeTable();
    OpenTable& t = m_tables[depth - 1];
    setColumnWidths(t.table, m_rowEdges[depth - 1]);
    t.rowDone = true;
    t.cellPlaced = false;
    if (depth == 1)
        m_implicitRow = false;
}

void TableBuilder::openTable() {
    m_out.flushRun();
    const std::vector<int>& edges = m_rowEdges[m_tables.size()];
    const int columns = std::clamp(int(edges.size()), 1, MaxColumns);
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(3);
    m_tables.push_back({m_out.cursor.insertTable(1, columns, format)});
    ++m_tableCount;
    m_out.movedToCell();
}

void TableBuilder::closeTable() {
    m_out.flushRun();
    const QTextTable* table = m_tables.back().table;
    m_tables.pop_back();
    m_out.cursor.setPosition(table->lastPosition() + 1);
    m_out.movedToCell();
}

void TableBuilder::placeCell(OpenTable& t) {
    m_out.flushRun();
    if (t.rowDone) {
        if (t.row + 1 >= MaxRows && m_tableCount < MaxTables) {
            // Goes on in a new table of its own at the same depth, after this one.
            closeTable();
            openTable();
            return;
        }
        // Past the last table the document may hold, a long table's last row takes the rest.
        if (t.row + 1 < MaxRows) {
            t.table->appendRows(1);
            ++t.row;
        }
        t.column = 0;
        t.rowDone = false;
    }
    if (t.column >= t.table->columns()) {
        if (t.table->columns() < MaxColumns)
            t.table->appendColumns(1);
        t.column = t.table->columns() - 1;
    }
    m_out.cursor.setPosition(t.table->cellAt(t.row, t.column).lastCursorPosition().position());
    t.cellPlaced = true;
    m_out.movedToCell();
}

// The widths of the columns, from the right edges of the cells of the row.
void TableBuilder::setColumnWidths(QTextTable* table, const std::vector<int>& edges) {
    if (edges.empty())
        return;
    QList<QTextLength> widths;
    int left = 0;
    for (const int edge : edges) {
        if (widths.size() == table->columns())
            break;
        widths.append(QTextLength(QTextLength::FixedLength, std::max(edge - left, 15) / Twips::PerPixel));
        left = std::max(left, edge);
    }
    while (widths.size() < table->columns())
        widths.append(QTextLength());
    QTextTableFormat format = table->format();
    if (format.columnWidthConstraints() != widths) {
        format.setColumnWidthConstraints(widths);
        table->setFormat(format);
    }
}

} // namespace Rtf
