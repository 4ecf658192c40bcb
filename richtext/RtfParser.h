#pragma once

#include "richtext/RtfEncoding.h"
#include "richtext/RtfFields.h"
#include "richtext/RtfFonts.h"
#include "richtext/RtfFormats.h"
#include "richtext/RtfLexer.h"
#include "richtext/RtfLists.h"
#include "richtext/RtfOutput.h"
#include "richtext/RtfPicture.h"
#include "richtext/RtfTables.h"
#include "richtext/RtfText.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

class QTextDocument;

// The reader's group and destination state machine: it follows the groups of the source, knows which
// destination each is in, and hands every word and character to the builder of that destination.
namespace Rtf {

enum class Destination : quint8 {
    Text,
    Skip,
    FontTable,
    ColourTable,
    ListTable,
    ListOverrideTable,
    LevelText,
    Numbering,
    FieldInstruction,
    Bookmark,
    Footnote, // read at the end of the document, after the body
    Picture,
};

// Everything that a group scopes: its closing brace brings all of it back.
struct State {
    Destination destination = Destination::Text;
    int unicodeSkip = 1;
    CharacterProperties character;
    ParagraphProperties paragraph;
};

class Parser {
public:
    explicit Parser(QTextDocument* document);

    // Reads the whole of source, which starts with {\rtf, into the document.
    void run(QByteArrayView source);

private:
    void parse(RtfLexer& lexer);
    State& state() { return m_states.back(); }
    const State& state() const { return m_states.back(); }
    bool shown() const { return !state().character.hidden && !state().character.deleted; }

    void openGroup();
    void closeGroup(qsizetype end);
    void leaveDestination(Destination inner, State& outer, qsizetype end);
    bool enterDestination(State& s, Kw kind, qsizetype position);

    void controlWord(const RtfLexer::Token& token, bool starred, RtfLexer& lexer);
    void textWord(const Keyword& keyword, const RtfLexer::Token& token);
    void controlSymbol(char symbol);
    bool tableEntryEnds();
    void addByte(char byte);

    void addUnicode(int value);
    void flushBytes();
    void settleSurrogate();
    void addText(QChar character) { addText(QStringView(&character, 1)); }
    void addText(QStringView text);
    void breakParagraph();
    void addFootnoteMark();
    void insertPicture();
    void endCell(size_t depth);
    void endRow(size_t depth);
    void appendFootnotes();
    void finishText();

    QByteArrayView m_source;
    std::vector<State> m_states{State{}};
    int m_unpushedGroups = 0;
    bool m_starred = false;
    int m_fallbackLeft = 0;
    char16_t m_highSurrogate = 0;

    int m_codePage = DefaultCodePage;
    Decoder m_decoder;
    // Bytes of text are gathered first, because a character of a multi-byte code page may be written
    // as two \'hh escapes.
    QByteArray m_bytes;

    Output m_out;
    FontTable m_fonts;
    FieldBuilder m_fields;
    TableBuilder m_tables{m_out};
    ListBuilder m_lists{m_out};
    RtfPicture::Builder m_pictures;
    TextWriter m_text{m_out, m_fonts, m_fields, m_tables, m_lists};
};

} // namespace Rtf
