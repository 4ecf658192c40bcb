#pragma once

#include "richtext/RtfFormats.h"

#include <QStringView>
#include <QTextImageFormat>

#include <optional>

// Writes the text of the document being read: runs of characters in their formats, paragraphs in
// theirs, each put in its table cell and its list.
namespace Rtf {

class FieldBuilder;
class FontTable;
class ListBuilder;
class TableBuilder;
struct Output;

class TextWriter {
public:
    TextWriter(Output& out, const FontTable& fonts, FieldBuilder& fields, TableBuilder& tables,
               ListBuilder& lists)
        : m_out(out), m_fonts(fonts), m_fields(fields), m_tables(tables), m_lists(lists) {}

    // Text in the format of c, in a paragraph of the properties p.
    void addText(QStringView text, const CharacterProperties& c, const ParagraphProperties& p);
    void addImage(const QTextImageFormat& format, const ParagraphProperties& p);
    // The end of a paragraph of the properties p.
    void breakParagraph(const ParagraphProperties& p);
    // The end of a cell at depth, in a paragraph of the properties p.
    void endCell(size_t depth, const ParagraphProperties& p);
    // The fonts or colours that character properties stand for have changed.
    void formatsChanged() { m_runProperties.reset(); }
    // Everything read so far is in the document.
    void finish();
    // The notes go below the body, after a short rule.
    void startNotes();
    bool breakPending() const;

private:
    void enterParagraph(const ParagraphProperties& p);
    void endBlock(const ParagraphProperties& p);
    const QTextBlockFormat& paragraphFormat(const ParagraphProperties& p);

    Output& m_out;
    const FontTable& m_fonts;
    FieldBuilder& m_fields;
    TableBuilder& m_tables;
    ListBuilder& m_lists;
    // The properties that the run's format and the paragraph's format were built from.
    std::optional<CharacterProperties> m_runProperties;
    std::optional<ParagraphProperties> m_blockProperties;
};

} // namespace Rtf
