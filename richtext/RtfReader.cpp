#include "RtfReader.h"

#include "RtfLexer.h"
#include "Twips.h"

#include <QColor>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Groups nested deeper than this share their parent's state, so hostile nesting costs no memory.
constexpr size_t MaxStateDepth = 256;
constexpr int DefaultHalfPoints = 24;
// Font sizes and paragraph measures are kept to what a word processor can produce (1638 pt, 22 in).
constexpr int MaxHalfPoints = 3276;
constexpr int MaxTwips = 31680;
constexpr int DefaultCodePage = 1252;
// Windows' number for the symbol character set, whose fonts draw bytes as pictures.
constexpr int SymbolCodePage = 42;
// Longer font names are cut here: no real family name comes near it.
constexpr qsizetype MaxFontNameBytes = 256;
// Every family costs a font lookup when the text is laid out; a real document names a few, and the
// entries beyond this many are left out, their text shown in the default font.
constexpr size_t MaxFonts = 64;

enum class Kw {
    Par,
    Character, // value: the character
    Unicode,
    UnicodeSkip,
    AnsiCodePage,
    CodePage, // value: the code page
    DefaultFont,
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    VerticalAlignment, // value: a QTextCharFormat::VerticalAlignment
    FontSize,
    Font,
    Foreground,
    Background,
    Pard,
    Alignment, // value: a Qt::Alignment
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    FontCharset,
    FontCodePage,
    Red,
    Green,
    Blue,
    Bin,
    FontTable,
    ColourTable,
    SkipGroup, // a destination whose content is never shown
    TextGroup, // a destination whose text is shown, even when marked with \*
};

struct Keyword {
    std::string_view name;
    Kw kind;
    int value = 0;
};

constexpr bool byName(const Keyword& a, const Keyword& b) {
    return a.name < b.name;
}

// Grouped by meaning here and sorted by name at compile time, for binary search.
// clang-format off
constexpr auto Keywords = [] {
    auto table = std::to_array<Keyword>({
        // Paragraph ends; tables come out as one paragraph per row with tabs between the cells.
        {"par", Kw::Par}, {"sect", Kw::Par}, {"page", Kw::Par}, {"column", Kw::Par}, {"row", Kw::Par},
        {"nestrow", Kw::Par},
        // Characters.
        {"tab", Kw::Character, '\t'}, {"cell", Kw::Character, '\t'}, {"nestcell", Kw::Character, '\t'},
        {"line", Kw::Character, QChar::LineSeparator}, {"emdash", Kw::Character, 0x2014},
        {"endash", Kw::Character, 0x2013}, {"bullet", Kw::Character, 0x2022}, {"lquote", Kw::Character, 0x2018},
        {"rquote", Kw::Character, 0x2019}, {"ldblquote", Kw::Character, 0x201C},
        {"rdblquote", Kw::Character, 0x201D}, {"emspace", Kw::Character, 0x2003},
        {"enspace", Kw::Character, 0x2002}, {"qmspace", Kw::Character, 0x2005}, {"zwj", Kw::Character, 0x200D},
        {"zwnj", Kw::Character, 0x200C}, {"ltrmark", Kw::Character, 0x200E}, {"rtlmark", Kw::Character, 0x200F},
        {"u", Kw::Unicode}, {"uc", Kw::UnicodeSkip},
        // Code pages.
        {"ansi", Kw::CodePage, DefaultCodePage}, {"mac", Kw::CodePage, 10000}, {"pc", Kw::CodePage, 437},
        {"pca", Kw::CodePage, 850}, {"ansicpg", Kw::AnsiCodePage},
        // Character formatting.
        {"plain", Kw::Plain}, {"b", Kw::Bold}, {"i", Kw::Italic}, {"strike", Kw::Strike}, {"striked", Kw::Strike},
        {"ul", Kw::Underline}, {"uld", Kw::Underline}, {"uldash", Kw::Underline}, {"uldb", Kw::Underline},
        {"ulth", Kw::Underline}, {"ulw", Kw::Underline}, {"ulwave", Kw::Underline},
        {"ulnone", Kw::UnderlineNone}, {"super", Kw::VerticalAlignment, QTextCharFormat::AlignSuperScript},
        {"sub", Kw::VerticalAlignment, QTextCharFormat::AlignSubScript},
        {"nosupersub", Kw::VerticalAlignment, QTextCharFormat::AlignNormal}, {"fs", Kw::FontSize},
        {"f", Kw::Font}, {"deff", Kw::DefaultFont}, {"cf", Kw::Foreground}, {"cb", Kw::Background},
        {"highlight", Kw::Background},
        // Paragraph formatting.
        {"pard", Kw::Pard}, {"ql", Kw::Alignment, Qt::AlignLeft}, {"qc", Kw::Alignment, Qt::AlignHCenter},
        {"qr", Kw::Alignment, Qt::AlignRight}, {"qj", Kw::Alignment, Qt::AlignJustify},
        {"li", Kw::LeftIndent}, {"ri", Kw::RightIndent}, {"fi", Kw::FirstIndent}, {"sb", Kw::SpaceBefore},
        {"sa", Kw::SpaceAfter},
        // Font and colour tables.
        {"fonttbl", Kw::FontTable}, {"fcharset", Kw::FontCharset}, {"cpg", Kw::FontCodePage},
        {"colortbl", Kw::ColourTable}, {"red", Kw::Red}, {"green", Kw::Green}, {"blue", Kw::Blue},
        {"bin", Kw::Bin},
        // Groups whose text is shown: field results and the numbers or bullets of list paragraphs.
        {"field", Kw::TextGroup}, {"fldrslt", Kw::TextGroup}, {"pntext", Kw::TextGroup},
        {"listtext", Kw::TextGroup},
        // Groups that hold no text of the document's body.
        {"info", Kw::SkipGroup}, {"stylesheet", Kw::SkipGroup}, {"pict", Kw::SkipGroup},
        {"header", Kw::SkipGroup}, {"headerl", Kw::SkipGroup}, {"headerr", Kw::SkipGroup},
        {"headerf", Kw::SkipGroup}, {"footer", Kw::SkipGroup}, {"footerl", Kw::SkipGroup},
        {"footerr", Kw::SkipGroup}, {"footerf", Kw::SkipGroup}, {"footnote", Kw::SkipGroup},
        {"annotation", Kw::SkipGroup}, {"atnid", Kw::SkipGroup}, {"fldinst", Kw::SkipGroup},
        {"listtable", Kw::SkipGroup}, {"listoverridetable", Kw::SkipGroup}, {"pn", Kw::SkipGroup},
        {"generator", Kw::SkipGroup}, {"themedata", Kw::SkipGroup}, {"colorschememapping", Kw::SkipGroup},
        {"latentstyles", Kw::SkipGroup}, {"datastore", Kw::SkipGroup}, {"xmlnsdecl", Kw::SkipGroup},
        {"revtbl", Kw::SkipGroup}, {"rsidtbl", Kw::SkipGroup}, {"template", Kw::SkipGroup},
        {"tc", Kw::SkipGroup}, {"txe", Kw::SkipGroup}, {"xe", Kw::SkipGroup},
    });
    std::sort(table.begin(), table.end(), byName);
    return table;
}();
// clang-format on
// Each word is listed once, so the binary search finds the only entry.
static_assert(std::adjacent_find(Keywords.begin(), Keywords.end(), [](const Keyword& a, const Keyword& b) {
                  return a.name == b.name;
              }) == Keywords.end());

const Keyword* findKeyword(std::string_view name) {
    const auto it = std::lower_bound(Keywords.begin(), Keywords.end(), Keyword{name, Kw::Par}, byName);
    return it != Keywords.end() && it->name == name ? &*it : nullptr;
}

enum class Destination : quint8 { Text, Skip, FontTable, ColourTable };

struct CharacterProperties {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int verticalAlignment = QTextCharFormat::AlignNormal;
    int halfPoints = DefaultHalfPoints;
    int font = -1; // -1: the document's default font
    int foreground = -1;
    int background = -1;

    bool operator==(const CharacterProperties&) const = default;
};

struct ParagraphProperties {
    int alignment = Qt::AlignLeft;
    int leftTwips = 0;
    int rightTwips = 0;
    int firstLineTwips = 0;
    int beforeTwips = 0;
    int afterTwips = 0;

    bool operator==(const ParagraphProperties&) const = default;
};

// Everything that a group scopes: its closing brace brings all of it back.
struct State {
    Destination destination = Destination::Text;
    int unicodeSkip = 1;
    CharacterProperties character;
    ParagraphProperties paragraph;
};

struct Font {
    QString family;
    int codePage = 0; // 0: the document's code page
};

// The code page of each font character set that is not simply the document's own.
int codePageOfCharset(int charset) {
    constexpr std::pair<int, int> CodePages[] = {
        {2, SymbolCodePage}, {77, 10000}, {128, 932},  {129, 949},  {130, 1361}, {134, 936},
        {136, 950},          {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256},
        {186, 1257},         {204, 1251}, {222, 874},  {238, 1250}, {254, 437},  {255, 850}};
    for (const auto& [set, codePage] : CodePages) {
        if (set == charset)
            return codePage;
    }
    return 0;
}

QStringDecoder makeDecoder(int codePage) {
    constexpr auto flags = QStringConverter::Flag::Stateless;
    if (codePage == 65001)
        return QStringDecoder(QStringConverter::Utf8, flags);
    if (codePage == 20866)
        return QStringDecoder("KOI8-R", flags);
    if (codePage > 28590 && codePage < 28600)
        return QStringDecoder(QByteArray("ISO-8859-" + QByteArray::number(codePage - 28590)).constData(),
                              flags);
    for (const char* prefix : {"windows-", "cp", "ibm-"}) {
        QStringDecoder decoder((prefix + QByteArray::number(codePage)).constData(), flags);
        if (decoder.isValid())
            return decoder;
    }
    return {};
}

bool switchedOn(const RtfLexer::Token& token) {
    return !token.hasParameter || token.parameter != 0;
}

class Parser {
public:
    explicit Parser(QTextDocument* document) : m_cursor(document) {}

    void run(QByteArrayView source) {
        RtfLexer lexer(source);
        using Kind = RtfLexer::Token::Kind;
        // One edit block for the whole file: outside one, the document reworks its fragments after
        // every insertion, which makes many short runs take quadratic time.
        m_cursor.beginEditBlock();
        for (RtfLexer::Token token = lexer.next(); token.kind != Kind::End; token = lexer.next()) {
            if (token.kind != Kind::Text && token.kind != Kind::Byte)
                flushBytes();
            const bool starred = std::exchange(m_starred, false);
            if (token.kind == Kind::OpenGroup) {
                openGroup();
                continue;
            }
            if (token.kind == Kind::CloseGroup) {
                closeGroup();
                continue;
            }
            // The characters that stand in for a \u character in older readers.
            if (m_fallbackLeft > 0 && token.kind != Kind::Nothing) {
                --m_fallbackLeft;
                if (token.kind == Kind::Word && token.word == "bin")
                    lexer.skipBytes(token.parameter);
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
        finish();
        m_cursor.endEditBlock();
    }

private:
    State& state() { return m_states.back(); }

    void openGroup() {
        m_fallbackLeft = 0;
        if (m_states.size() < MaxStateDepth)
            m_states.push_back(m_states.back());
        else
            ++m_unpushedGroups;
    }

    void closeGroup() {
        m_fallbackLeft = 0;
        if (state().destination == Destination::FontTable)
            commitFontName();
        if (m_unpushedGroups > 0) {
            --m_unpushedGroups;
        } else if (m_states.size() > 1) {
            m_states.pop_back();
        }
    }

    void controlWord(const RtfLexer::Token& token, bool starred, RtfLexer& lexer) {
        const Keyword* keyword = findKeyword(token.word);
        if (keyword && keyword->kind == Kw::Bin) {
            lexer.skipBytes(token.parameter);
            return;
        }
        State& s = state();
        if (s.destination == Destination::Skip)
            return;
        // A starred group may be left out by any reader that does not know it; we show none of them.
        if (starred && (!keyword || keyword->kind != Kw::TextGroup)) {
            s.destination = Destination::Skip;
            return;
        }
        if (!keyword)
            return;
        switch (keyword->kind) {
        case Kw::SkipGroup:
            s.destination = Destination::Skip;
            return;
        case Kw::FontTable:
            s.destination = Destination::FontTable;
            m_tableFont.reset();
            return;
        case Kw::ColourTable:
            s.destination = Destination::ColourTable;
            m_colours.clear();
            m_tableColour = {};
            return;
        default:
            break;
        }
        if (s.destination == Destination::FontTable)
            fontTableWord(keyword->kind, token);
        else if (s.destination == Destination::ColourTable)
            colourTableWord(keyword->kind, token);
        else
            textWord(*keyword, token);
    }

    void fontTableWord(Kw kind, const RtfLexer::Token& token) {
        switch (kind) {
        case Kw::Font:
            commitFontName();
            if (m_fonts.size() < MaxFonts || m_fonts.contains(token.parameter)) {
                m_tableFont = token.parameter;
                m_fonts.try_emplace(token.parameter);
            } else {
                m_tableFont.reset();
            }
            break;
        case Kw::FontCharset:
            if (m_tableFont)
                m_fonts[*m_tableFont].codePage = codePageOfCharset(token.parameter);
            break;
        case Kw::FontCodePage:
            if (m_tableFont)
                m_fonts[*m_tableFont].codePage = token.parameter;
            break;
        default:
            break;
        }
        m_runProperties.reset();
    }

    void colourTableWord(Kw kind, const RtfLexer::Token& token) {
        const int value = std::clamp(token.parameter, 0, 255);
        switch (kind) {
        case Kw::Red:
            m_tableColour.red = value;
            break;
        case Kw::Green:
            m_tableColour.green = value;
            break;
        case Kw::Blue:
            m_tableColour.blue = value;
            break;
        default:
            return;
        }
        m_tableColour.given = true;
    }

    void textWord(const Keyword& keyword, const RtfLexer::Token& token) {
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
            m_defaultFont = token.parameter;
            m_runProperties.reset();
            break;
        default:
            if (!setCharacterProperty(s.character, keyword, token))
                setParagraphProperty(s.paragraph, keyword, token);
            break;
        }
    }

    static bool setCharacterProperty(CharacterProperties& c, const Keyword& keyword,
                                     const RtfLexer::Token& token) {
        const int parameter = token.parameter;
        switch (keyword.kind) {
        case Kw::Plain:
            c = {};
            return true;
        case Kw::Bold:
            c.bold = switchedOn(token);
            return true;
        case Kw::Italic:
            c.italic = switchedOn(token);
            return true;
        case Kw::Underline:
            c.underline = switchedOn(token);
            return true;
        case Kw::UnderlineNone:
            c.underline = false;
            return true;
        case Kw::Strike:
            c.strike = switchedOn(token);
            return true;
        case Kw::VerticalAlignment:
            c.verticalAlignment = keyword.value;
            return true;
        case Kw::FontSize:
            c.halfPoints = parameter > 0 ? std::min(parameter, MaxHalfPoints) : DefaultHalfPoints;
            return true;
        case Kw::Font:
            c.font = parameter;
            return true;
        case Kw::Foreground:
            c.foreground = parameter;
            return true;
        case Kw::Background:
            // Index 0 means "no background" here, whatever the colour table holds there.
            c.background = parameter > 0 ? parameter : -1;
            return true;
        default:
            return false;
        }
    }

    static bool setParagraphProperty(ParagraphProperties& p, const Keyword& keyword,
                                     const RtfLexer::Token& token) {
        const int twips = std::clamp(token.parameter, -MaxTwips, MaxTwips);
        switch (keyword.kind) {
        case Kw::Pard:
            p = {};
            return true;
        case Kw::Alignment:
            p.alignment = keyword.value;
            return true;
        case Kw::LeftIndent:
            p.leftTwips = twips;
            return true;
        case Kw::RightIndent:
            p.rightTwips = twips;
            return true;
        case Kw::FirstIndent:
            p.firstLineTwips = twips;
            return true;
        case Kw::SpaceBefore:
            p.beforeTwips = std::max(0, twips);
            return true;
        case Kw::SpaceAfter:
            p.afterTwips = std::max(0, twips);
            return true;
        default:
            return false;
        }
    }

    void controlSymbol(char symbol) {
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
    bool tableEntryEnds() {
        switch (state().destination) {
        case Destination::FontTable:
            commitFontName();
            return true;
        case Destination::ColourTable:
            // An entry without any component is "automatic", kept as an invalid colour.
            m_colours.push_back(m_tableColour.given
                                    ? QColor(m_tableColour.red, m_tableColour.green, m_tableColour.blue)
                                    : QColor());
            m_tableColour = {};
            m_runProperties.reset();
            return true;
        default:
            return false;
        }
    }

    void addByte(char byte) {
        switch (state().destination) {
        case Destination::Text:
            if (byte != 0)
                m_bytes.append(byte);
            break;
        case Destination::FontTable:
            if (m_tableFont && m_fontName.size() < MaxFontNameBytes)
                m_fontName.append(byte);
            break;
        default:
            break;
        }
    }

    void commitFontName() {
        if (m_fontName.isEmpty())
            return;
        if (m_tableFont) {
            Font& font = m_fonts[*m_tableFont];
            font.family = decode(m_fontName, font.codePage ? font.codePage : m_codePage).trimmed();
            m_runProperties.reset();
        }
        m_fontName.clear();
    }

    void addUnicode(int value) {
        const auto unit = static_cast<char16_t>(std::clamp(value, -0x8000, 0xFFFF) & 0xFFFF);
        m_fallbackLeft = state().unicodeSkip;
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

    const Font* fontOf(const CharacterProperties& c) const {
        auto it = m_fonts.find(c.font >= 0 ? c.font : m_defaultFont);
        if (it == m_fonts.end())
            it = m_fonts.find(m_defaultFont);
        return it != m_fonts.end() ? &it->second : nullptr;
    }

    QColor colour(int index) const {
        return index >= 0 && size_t(index) < m_colours.size() ? m_colours[size_t(index)] : QColor();
    }

    QString decode(QByteArrayView bytes, int codePage) {
        if (codePage == SymbolCodePage) {
            QString text = QString::fromLatin1(bytes);
            text.replace(QChar(0xB7), QChar(0x2022));
            return text;
        }
        if (codePage <= 0 || codePage > 0xFFFF)
            return QString::fromLatin1(bytes);
        auto it = m_decoders.find(codePage);
        if (it == m_decoders.end())
            it = m_decoders.emplace(codePage, makeDecoder(codePage)).first;
        if (!it->second.isValid())
            return QString::fromLatin1(bytes);
        return it->second.decode(bytes);
    }

    // Bytes of text are gathered first, because a character of a multi-byte code page may be written
    // as two \'hh escapes.
    void flushBytes() {
        if (m_bytes.isEmpty())
            return;
        const Font* font = fontOf(state().character);
        const QString text = decode(m_bytes, font && font->codePage ? font->codePage : m_codePage);
        m_bytes.clear();
        addText(text);
    }

    // Half of a surrogate pair that no other half follows stands for a character that is lost.
    void settleSurrogate() {
        if (m_highSurrogate) {
            m_highSurrogate = 0;
            addText(QChar(QChar::ReplacementCharacter));
        }
    }

    void addText(QChar character) { addText(QStringView(&character, 1)); }

    void addText(QStringView text) {
        if (state().destination != Destination::Text)
            return;
        settleSurrogate();
        if (text.isEmpty())
            return;
        // Most group ends bring back the properties already in force; formats are built only when the
        // properties really change, which spares an allocation-heavy build for most runs of text.
        if (m_runProperties != state().character) {
            m_runProperties = state().character;
            const QTextCharFormat format = charFormat(state().character);
            if (format != m_runFormat) {
                flushRun();
                m_runFormat = format;
            }
        }
        paragraphFormat();
        if (m_breakPending) {
            flushRun();
            m_cursor.insertBlock();
            m_breakPending = false;
        }
        m_run.append(text);
        m_blockFormatPending = true;
    }

    void flushRun() {
        if (m_blockFormatPending) {
            m_cursor.setBlockFormat(m_blockFormat);
            m_blockFormatPending = false;
        }
        if (m_run.isEmpty())
            return;
        m_cursor.insertText(m_run, m_runFormat);
        m_run.clear();
    }

    // A paragraph takes the properties in force at its end mark. The block for the next paragraph is
    // made only once it has content, so the end mark of the last paragraph adds no empty line.
    void breakParagraph() {
        if (state().destination != Destination::Text)
            return;
        settleSurrogate();
        flushRun();
        if (m_breakPending)
            m_cursor.insertBlock();
        m_cursor.setBlockFormat(paragraphFormat());
        m_breakPending = true;
    }

    const QTextBlockFormat& paragraphFormat() {
        if (m_blockProperties != state().paragraph) {
            m_blockProperties = state().paragraph;
            m_blockFormat = blockFormat(state().paragraph);
        }
        return m_blockFormat;
    }

    void finish() {
        flushBytes();
        settleSurrogate();
        flushRun();
    }

    QTextCharFormat charFormat(const CharacterProperties& c) const {
        QTextCharFormat format;
        format.setFontWeight(c.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(c.italic);
        format.setFontUnderline(c.underline);
        format.setFontStrikeOut(c.strike);
        format.setVerticalAlignment(QTextCharFormat::VerticalAlignment(c.verticalAlignment));
        format.setFontPointSize(c.halfPoints / 2.0);
        if (const Font* font = fontOf(c); font && !font->family.isEmpty())
            format.setFontFamilies({font->family});
        if (const QColor foreground = colour(c.foreground); foreground.isValid())
            format.setForeground(foreground);
        if (const QColor background = colour(c.background); background.isValid())
            format.setBackground(background);
        return format;
    }

    static QTextBlockFormat blockFormat(const ParagraphProperties& p) {
        QTextBlockFormat format;
        format.setAlignment(Qt::Alignment(p.alignment));
        format.setLeftMargin(p.leftTwips / Twips::PerPixel);
        format.setRightMargin(p.rightTwips / Twips::PerPixel);
        format.setTextIndent(p.firstLineTwips / Twips::PerPixel);
        format.setTopMargin(p.beforeTwips / Twips::PerPixel);
        format.setBottomMargin(p.afterTwips / Twips::PerPixel);
        // Under a hanging first line, as in a bulleted list, a tab goes to the left indent, so that the
        // text after a bullet lines up with the lines below it. Qt measures tabs from the line start.
        if (p.firstLineTwips < 0)
            format.setTabPositions(
                {QTextOption::Tab(-p.firstLineTwips / Twips::PerPixel, QTextOption::LeftTab)});
        return format;
    }

    QTextCursor m_cursor;
    std::vector<State> m_states{State{}};
    int m_unpushedGroups = 0;
    bool m_starred = false;
    int m_fallbackLeft = 0;
    char16_t m_highSurrogate = 0;

    int m_codePage = DefaultCodePage;
    std::map<int, QStringDecoder> m_decoders;
    QByteArray m_bytes;

    int m_defaultFont = 0;
    std::map<int, Font> m_fonts;
    std::optional<int> m_tableFont;
    QByteArray m_fontName;
    std::vector<QColor> m_colours;
    struct TableColour {
        int red = 0;
        int green = 0;
        int blue = 0;
        bool given = false;
    };
    TableColour m_tableColour;

    QString m_run;
    QTextCharFormat m_runFormat;
    // The properties m_runFormat was built from; reset when a table changes what they stand for.
    std::optional<CharacterProperties> m_runProperties;
    QTextBlockFormat m_blockFormat;
    std::optional<ParagraphProperties> m_blockProperties;
    bool m_blockFormatPending = false;
    bool m_breakPending = false;
};

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
        Parser(document).run(start);
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
