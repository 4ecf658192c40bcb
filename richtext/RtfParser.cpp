#include "richtext/RtfParser.h"

#include <QTextDocument>

#include <algorithm>
#include <utility>

namespace Rtf {

namespace {

// Groups nested deeper than this share their parent's state, so hostile nesting costs no memory.
constexpr size_t MaxStateDepth = 256;

} // namespace

Parser::Parser(QTextDocument* document) : m_out(document) {}

void Parser::run(QByteArrayView source) {
    m_source = source;
    // One edit block for the whole file: outside one, the document reworks its fragments after every
    // insertion, which makes many short runs take quadratic time.
    m_out.cursor.beginEditBlock();
    RtfLexer lexer(source);
    parse(lexer);
    finishText();
    appendFootnotes();
    m_out.cursor.endEditBlock();
}

void Parser::parse(RtfLexer& lexer) {
    using Kind = RtfLexer::Token::Kind;
    for (RtfLexer::Token token = lexer.next(); token.kind != Kind::End; token = lexer.next()) {
        if (token.kind != Kind::Text && token.kind != Kind::Byte)
            flushBytes();
        const bool starred = std::exchange(m_starred, false);
        if (token.kind == Kind::OpenGroup) {
            openGroup();
            continue;
        }
        if (token.kind == Kind::CloseGroup) {
            closeGroup(lexer.position() - 1);
            continue;
        }
        // The characters that stand in for a \u character in older readers.
        if (m_fallbackLeft > 0 && token.kind != Kind::Nothing) {
            --m_fallbackLeft;
            if (token.kind == Kind::Word && token.word == "bin")
                lexer.takeBytes(token.parameter);
            continue;
        }
        switch (token.kind) {
        case Kind::Word:
            controlWord(token, starred, lexer);
            break;
        case Kind::Symbol:
            controlSymbol(token.byte);
            break;
        case Kind::Text:
            if (token.byte == ';' && tableEntryEnds())
                break;
            addByte(token.byte);
            break;
        case Kind::Byte:
            addByte(token.byte);
            break;
        default:
            break;
        }
    }
}

void Parser::openGroup() {
    m_fallbackLeft = 0;
    if (m_states.size() < MaxStateDepth)
        m_states.push_back(m_states.back());
    else
        ++m_unpushedGroups;
}

// end is where the closing brace stands in the source.
void Parser::closeGroup(qsizetype end) {
    m_fallbackLeft = 0;
    if (state().destination == Destination::FontTable) {
        m_fonts.commitName(m_decoder, m_codePage);
        m_text.formatsChanged();
    }
    if (m_unpushedGroups > 0) {
        --m_unpushedGroups;
        return;
    }
    if (m_states.size() <= 1)
        return;
    // A destination's content is put to use where its group ends.
    const Destination inner = state().destination;
    State& outer = m_states[m_states.size() - 2];
    const bool leaving = inner != outer.destination;
    if (leaving)
        leaveDestination(inner, outer, end);
    m_states.pop_back();
    if (leaving && inner == Destination::Picture)
        insertPicture();
}

void Parser::leaveDestination(Destination inner, State& outer, qsizetype end) {
    switch (inner) {
    case Destination::Numbering:
        m_lists.endNumbering(outer.paragraph);
        break;
    case Destination::FieldInstruction:
        if (const int link = m_fields.endInstruction(m_decoder, m_codePage); link >= 0)
            outer.character.link = link;
        break;
    case Destination::Bookmark:
        m_fields.endBookmark(m_decoder, m_codePage);
        break;
    case Destination::Footnote:
        m_fields.endFootnote(end);
        break;
    case Destination::LevelText:
        m_lists.endLevelText();
        break;
    default:
        break;
    }
}

void Parser::controlWord(const RtfLexer::Token& token, bool starred, RtfLexer& lexer) {
    const Keyword* keyword = findKeyword(token.word);
    State& s = state();
    if (keyword && keyword->kind == Kw::Bin) {
        const QByteArrayView data = lexer.takeBytes(token.parameter);
        if (s.destination == Destination::Picture)
            m_pictures.addData(data);
        return;
    }
    if (s.destination == Destination::Skip || s.destination == Destination::Footnote)
        return;
    // A starred group may be left out by any reader that does not know it; we show none of them.
    if (starred && (!keyword || !shownUnderStar(keyword->kind))) {
        s.destination = Destination::Skip;
        return;
    }
    if (!keyword) {
        if (s.destination == Destination::FieldInstruction)
            m_fields.addInstructionWord(token.word);
        return;
    }
    if (enterDestination(s, keyword->kind, lexer.position()))
        return;
    switch (s.destination) {
    case Destination::FontTable:
        m_fonts.fontWord(keyword->kind, token.parameter, m_decoder, m_codePage);
        m_text.formatsChanged();
        break;
    case Destination::ColourTable:
        m_fonts.colourWord(keyword->kind, token.parameter);
        break;
    case Destination::ListTable:
        m_lists.listTableWord(keyword->kind, token.parameter);
        break;
    case Destination::ListOverrideTable:
        m_lists.listOverrideWord(keyword->kind, token.parameter);
        break;
    case Destination::Numbering:
        m_lists.numberingWord(*keyword, token);
        break;
    case Destination::Picture:
        m_pictures.word(*keyword, token.parameter);
        break;
    case Destination::LevelText:
        if (keyword->kind == Kw::Unicode || keyword->kind == Kw::UnicodeSkip)
            textWord(*keyword, token);
        break;
    case Destination::Text:
        textWord(*keyword, token);
        break;
    default:
        break;
    }
}

// Starts the destination that kind opens, if it opens one. position is where its content starts.
bool Parser::enterDestination(State& s, Kw kind, qsizetype position) {
    switch (kind) {
    case Kw::SkipGroup:
        s.destination = Destination::Skip;
        return true;
    case Kw::FontTable:
        s.destination = Destination::FontTable;
        m_fonts.startFonts();
        return true;
    case Kw::ColourTable:
        s.destination = Destination::ColourTable;
        m_fonts.startColours();
        return true;
    case Kw::ListTable:
        s.destination = Destination::ListTable;
        return true;
    case Kw::ListOverrideTable:
        s.destination = Destination::ListOverrideTable;
        return true;
    case Kw::LevelText:
        if (s.destination != Destination::ListTable)
            return false;
        s.destination = Destination::LevelText;
        m_lists.startLevelText();
        return true;
    case Kw::Numbering:
        s.destination = Destination::Numbering;
        m_lists.startNumbering();
        return true;
    case Kw::FieldInstruction:
        s.destination = Destination::FieldInstruction;
        m_fields.startInstruction();
        return true;
    case Kw::BookmarkStart:
        s.destination = Destination::Bookmark;
        m_fields.startBookmark();
        return true;
    case Kw::Footnote:
        // A note inside a note is not kept: notes are read once each, after the body.
        s.destination = m_fields.inNote() ? Destination::Skip : Destination::Footnote;
        m_fields.startFootnote(position);
        return true;
    case Kw::Picture:
        s.destination = Destination::Picture;
        m_pictures.start();
        return true;
    default:
        return false;
    }
}

void Parser::textWord(const Keyword& keyword, const RtfLexer::Token& token) {
    State& s = state();
    switch (keyword.kind) {
    case Kw::Par:
        breakParagraph();
        break;
    case Kw::Character:
        addText(QChar(keyword.value));
        break;
    case Kw::Unicode:
        addUnicode(token.parameter);
        break;
    case Kw::UnicodeSkip:
        s.unicodeSkip = std::clamp(token.hasParameter ? token.parameter : 1, 0, 0xFFFF);
        break;
    case Kw::AnsiCodePage:
        m_codePage = token.parameter;
        break;
    case Kw::CodePage:
        m_codePage = keyword.value;
        break;
    case Kw::DefaultFont:
        m_fonts.setDefaultFont(token.parameter);
        m_text.formatsChanged();
        break;
    case Kw::Cell:
        endCell(1);
        break;
    case Kw::NestedCell:
        endCell(std::max<size_t>(2, m_tables.depthOf(s.paragraph)));
        break;
    case Kw::Row:
        endRow(1);
        break;
    case Kw::NestedRow:
        endRow(std::max<size_t>(2, m_tables.depthOf(s.paragraph)));
        break;
    case Kw::RowDefaults:
        m_tables.defineRow(m_tables.depthOf(s.paragraph));
        break;
    case Kw::CellEdge:
        m_tables.addCellEdge(m_tables.depthOf(s.paragraph), token.parameter);
        break;
    case Kw::FootnoteMark:
        addFootnoteMark();
        break;
    case Kw::Pard:
        m_tables.endImplicitRow();
        s.paragraph = {};
        break;
    default:
        if (!setCharacterProperty(s.character, keyword, token))
            setParagraphProperty(s.paragraph, keyword, token);
        break;
    }
}

void Parser::controlSymbol(char symbol) {
    switch (symbol) {
    case '*':
        m_starred = true;
        break;
    case '~':
        addText(QChar(QChar::Nbsp));
        break;
    case '-':
        addText(QChar(QChar::SoftHyphen));
        break;
    case '_':
        addText(QChar(0x2011));
        break;
    default:
        break;
    }
}

// A ';' closes an entry of the font and colour tables; elsewhere it is text.
bool Parser::tableEntryEnds() {
    switch (state().destination) {
    case Destination::FontTable:
        m_fonts.commitName(m_decoder, m_codePage);
        m_text.formatsChanged();
        return true;
    case Destination::ColourTable:
        m_fonts.endColour();
        m_text.formatsChanged();
        return true;
    case Destination::LevelText:
        return true;
    default:
        return false;
    }
}

void Parser::addByte(char byte) {
    switch (state().destination) {
    case Destination::Text:
        if (byte != 0)
            m_bytes.append(byte);
        break;
    case Destination::FontTable:
        m_fonts.addNameByte(byte);
        break;
    case Destination::FieldInstruction:
        m_fields.addInstructionByte(byte);
        break;
    case Destination::Bookmark:
        m_fields.addBookmarkByte(byte);
        break;
    case Destination::LevelText:
        addText(QChar(uchar(byte)));
        break;
    case Destination::Picture:
        m_pictures.addHexDigit(byte);
        break;
    default:
        break;
    }
}

void Parser::addUnicode(int value) {
    auto unit = static_cast<char16_t>(std::clamp(value, -0x8000, 0xFFFF) & 0xFFFF);
    m_fallbackLeft = state().unicodeSkip;
    // Symbol fonts' characters written at 0xF000 + byte are the bytes' pictures.
    if (unit >= 0xF020 && unit <= 0xF0FF) {
        if (const Font* font = m_fonts.fontOf(state().character.font);
            font && isSymbolCodePage(font->codePage))
            unit = symbolCharacter(uchar(unit & 0xFF), font->codePage).unicode();
    }
    if (QChar::isHighSurrogate(unit)) {
        settleSurrogate();
        m_highSurrogate = unit;
    } else if (QChar::isLowSurrogate(unit) && m_highSurrogate) {
        const char16_t pair[] = {std::exchange(m_highSurrogate, char16_t(0)), unit};
        addText(QStringView(pair, 2));
    } else if (QChar::isLowSurrogate(unit)) {
        addText(QChar(QChar::ReplacementCharacter));
    } else if (unit != 0) {
        addText(QChar(unit));
    }
}

void Parser::flushBytes() {
    if (m_bytes.isEmpty())
        return;
    const Font* font = m_fonts.fontOf(state().character.font);
    const QString text = m_decoder.decode(m_bytes, font && font->codePage ? font->codePage : m_codePage);
    m_bytes.clear();
    addText(text);
}

// Half of a surrogate pair that no other half follows stands for a character that is lost.
void Parser::settleSurrogate() {
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        addText(QChar(QChar::ReplacementCharacter));
    }
}

void Parser::addText(QStringView text) {
    if (state().destination == Destination::LevelText) {
        m_lists.addLevelText(text);
        return;
    }
    if (state().destination != Destination::Text)
        return;
    settleSurrogate();
    if (text.isEmpty() || !shown())
        return;
    m_text.addText(text, state().character, state().paragraph);
}

void Parser::breakParagraph() {
    if (state().destination != Destination::Text)
        return;
    settleSurrogate();
    if (shown())
        m_text.breakParagraph(state().paragraph);
}

void Parser::addFootnoteMark() {
    if (state().destination != Destination::Text)
        return;
    CharacterProperties& c = state().character;
    const int alignment = std::exchange(c.verticalAlignment, int(QTextCharFormat::AlignSuperScript));
    addText(QString::number(m_fields.markNumber()));
    c.verticalAlignment = alignment;
}

void Parser::insertPicture() {
    if (state().destination != Destination::Text || !shown()) {
        m_pictures.discard();
        return;
    }
    m_text.addImage(m_pictures.finish(m_out.document), state().paragraph);
}

void Parser::endCell(size_t depth) {
    if (state().destination == Destination::Text)
        m_text.endCell(depth, state().paragraph);
}

void Parser::endRow(size_t depth) {
    if (state().destination == Destination::Text)
        m_tables.endRow(depth);
}

// Notes, read after the body with the document's fonts and colours, each in a paragraph of its own
// under a rule.
void Parser::appendFootnotes() {
    const std::vector<SourceSpan> notes = m_fields.footnotes();
    for (size_t note = 0; note < notes.size(); ++note) {
        m_states.assign(1, State{});
        m_unpushedGroups = 0;
        m_tables.endImplicitRow();
        m_fallbackLeft = 0;
        m_starred = false;
        if (note == 0)
            m_text.startNotes();
        m_fields.readingNote(int(note) + 1);
        RtfLexer lexer(m_source.sliced(notes[note].start, notes[note].size));
        parse(lexer);
        finishText();
        if (!m_text.breakPending())
            breakParagraph();
    }
}

void Parser::finishText() {
    flushBytes();
    settleSurrogate();
    m_text.finish();
}

} // namespace Rtf
