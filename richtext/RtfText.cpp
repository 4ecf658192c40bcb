#include "richtext/RtfText.h"

#include "richtext/RtfFields.h"
#include "richtext/RtfFonts.h"
#include "richtext/RtfLists.h"
#include "richtext/RtfOutput.h"
#include "richtext/RtfTables.h"

namespace Rtf {

void TextWriter::addText(QStringView text, const CharacterProperties& c, const ParagraphProperties& p) {
    // Most group ends bring back the properties already in force; formats are built only when the
    // properties really change, which spares an allocation-heavy build for most runs of text.
    if (m_runProperties != c) {
        m_runProperties = c;
        const QTextCharFormat format = charFormat(c, m_fonts, m_fields.links());
        if (format != m_out.runFormat) {
            m_out.flushRun();
            m_out.runFormat = format;
        }
    }
    enterParagraph(p);
    if (m_fields.bookmarksPending()) {
        // A bookmark is the name of the character that follows it.
        m_out.flushRun();
        QTextCharFormat named = m_out.runFormat;
        named.setAnchor(true);
        named.setAnchorNames(m_fields.takeBookmarks());
        const qsizetype first = text.size() > 1 && text.front().isHighSurrogate() ? 2 : 1;
        m_out.cursor.insertText(text.first(first).toString(), named);
        text = text.sliced(first);
    }
    m_out.run.append(text);
    m_out.blockFormatPending = true;
}

void TextWriter::addImage(const QTextImageFormat& format, const ParagraphProperties& p) {
    enterParagraph(p);
    m_out.flushRun();
    m_out.cursor.insertImage(format);
    m_out.blockFormatPending = true;
}

// A paragraph takes the properties in force at its end mark. The block for the next paragraph is
// made only once it has content, so the end mark of the last paragraph adds no empty line.
void TextWriter::breakParagraph(const ParagraphProperties& p) {
    enterParagraph(p);
    endBlock(p);
    m_out.breakPending = true;
}

void TextWriter::endCell(size_t depth, const ParagraphProperties& p) {
    m_tables.cellInParagraph(p);
    m_tables.sync(depth);
    if (!m_out.breakPending)
        endBlock(p);
    m_out.breakPending = !m_tables.nextCell(depth);
}

void TextWriter::finish() {
    m_out.flushRun();
    // The text's last group may have closed since its last paragraph began, so that paragraph's
    // properties are those its content was given.
    if (!m_out.breakPending && m_out.cursor.block().length() > 1 && m_blockProperties)
        m_lists.addToList(*m_blockProperties);
}

void TextWriter::startNotes() {
    m_tables.sync(0);
    m_out.flushRun();
    if (m_out.breakPending || !m_out.cursor.block().text().isEmpty())
        m_out.cursor.insertBlock();
    QTextBlockFormat rule;
    rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                     QTextLength(QTextLength::PercentageLength, 30));
    rule.setTopMargin(12);
    m_out.cursor.setBlockFormat(rule);
    m_out.breakPending = true;
}

bool TextWriter::breakPending() const {
    return m_out.breakPending;
}

// Puts the cursor where the current paragraph's content goes: in its table cell, in a block of its
// own once the paragraph before it has ended.
void TextWriter::enterParagraph(const ParagraphProperties& p) {
    m_tables.sync(m_tables.depthOf(p));
    paragraphFormat(p);
    if (m_out.breakPending) {
        m_out.flushRun();
        // The block's own character format is the one its list marker is drawn in: that of the
        // text it opens with, not of the paragraph before.
        m_out.cursor.insertBlock(m_out.cursor.blockFormat(), m_out.runFormat);
        m_out.breakPending = false;
    }
}

// Gives the block its paragraph's format and puts it in its list, if it has one.
void TextWriter::endBlock(const ParagraphProperties& p) {
    m_out.flushRun();
    m_out.cursor.setBlockFormat(paragraphFormat(p));
    m_lists.addToList(p);
}

const QTextBlockFormat& TextWriter::paragraphFormat(const ParagraphProperties& p) {
    if (m_blockProperties != p) {
        m_blockProperties = p;
        m_out.blockFormat = blockFormat(p, m_lists.styleOf(p) != 0);
    }
    return m_out.blockFormat;
}

} // namespace Rtf
