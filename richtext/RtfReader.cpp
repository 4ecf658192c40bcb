#include "RtfReader.h"

#include "RtfLexer.h"
#include "RtfPicture.h"
#include "Twips.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

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
// Our own number for the Wingdings fonts, which draw other pictures for the same bytes.
constexpr int WingdingsCodePage = 0x10042;
// Longer font names are cut here: no real family name comes near it.
constexpr qsizetype MaxFontNameBytes = 256;
// Every family costs a font lookup when the text is laid out; a real document names a few, and the
// entries beyond this many are left out, their text shown in the default font.
constexpr size_t MaxFonts = 64;
// Tables nest this deep at most; a deeper paragraph joins the deepest table. Word processors stop
// far earlier.
constexpr int MaxTableDepth = 8;
// Cells beyond this many in a row share the last column.
constexpr int MaxColumns = 64;
// A table grows by whole rows, each costing time in proportion to the cells already there; longer
// tables go on in a table of their own.
constexpr int MaxRows = 512;
// Every table makes finding a position in the document slower; beyond this many, paragraphs that
// would open another stay in the table they are in.
constexpr int MaxTables = 1024;
// Adding an item to a list costs time in proportion to the items already in it; a longer list goes
// on as a list of its own, numbered from 1 again.
constexpr int MaxListItems = 256;
// Lists made beyond this many are left out, their items plain paragraphs.
constexpr int MaxTextLists = 1024;
constexpr size_t MaxTabStops = 16;
// Lists, links, bookmarks and footnotes beyond these many are shown as plain text.
constexpr size_t MaxLists = 256;
constexpr int MaxListLevels = 9;
constexpr size_t MaxLinks = 4096;
constexpr qsizetype MaxPendingBookmarks = 16;
constexpr size_t MaxFootnotes = 1024;
constexpr qsizetype MaxFieldInstructionBytes = 2048;
constexpr qsizetype MaxLevelTextLength = 16;
// Decoded pictures together hold at most this many pixels (128 MB); later ones are placeholders.
constexpr qint64 MaxPicturePixels = 2 * qint64(RtfPicture::MaxSide) * RtfPicture::MaxSide;

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
    Hidden,
    Deleted,
    Capitals,
    SmallCapitals,
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
    TabKind, // value: a QTextOption::TabType
    TabStop,
    FontCharset,
    FontCodePage,
    Red,
    Green,
    Blue,
    Bin,
    // Tables.
    Cell,
    NestedCell,
    Row,
    NestedRow,
    RowDefaults,
    CellEdge,
    InTable,
    TableDepth,
    // Lists.
    ListTable,
    List,
    ListLevel,
    LevelFormat,
    LevelText,
    ListId,
    ListOverrideTable,
    ListOverrideEntry,
    ListOverride, // \ls: in a paragraph, its list; in the override table, the entry's number
    ListLevelOfParagraph,
    Numbering,      // \pn
    NumberingLevel, // value: the level, or -1 for a bullet, 0 for the body level
    NumberingStyle, // value: a QTextListFormat::Style
    NumberingContinues,
    // Fields, bookmarks, footnotes, pictures.
    FieldInstruction,
    BookmarkStart,
    Footnote,
    FootnoteMark,
    Picture,
    PictureKind, // value: an RtfPicture::Kind
    PictureWidth,
    PictureHeight,
    PictureScaleX,
    PictureScaleY,
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
        // Paragraph ends.
        {"par", Kw::Par}, {"sect", Kw::Par}, {"page", Kw::Par}, {"column", Kw::Par},
        // Characters.
        {"tab", Kw::Character, '\t'},
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
        {"highlight", Kw::Background}, {"v", Kw::Hidden}, {"deleted", Kw::Deleted}, {"caps", Kw::Capitals},
        {"scaps", Kw::SmallCapitals},
        // Paragraph formatting.
        {"pard", Kw::Pard}, {"ql", Kw::Alignment, Qt::AlignLeft}, {"qc", Kw::Alignment, Qt::AlignHCenter},
        {"qr", Kw::Alignment, Qt::AlignRight}, {"qj", Kw::Alignment, Qt::AlignJustify},
        {"li", Kw::LeftIndent}, {"ri", Kw::RightIndent}, {"fi", Kw::FirstIndent}, {"sb", Kw::SpaceBefore},
        {"sa", Kw::SpaceAfter}, {"tx", Kw::TabStop}, {"tqr", Kw::TabKind, QTextOption::RightTab},
        {"tqc", Kw::TabKind, QTextOption::CenterTab}, {"tqdec", Kw::TabKind, QTextOption::DelimiterTab},
        // Tables: rows of cells, and tables nested in cells.
        {"cell", Kw::Cell}, {"nestcell", Kw::NestedCell}, {"row", Kw::Row}, {"nestrow", Kw::NestedRow},
        {"trowd", Kw::RowDefaults}, {"cellx", Kw::CellEdge}, {"intbl", Kw::InTable}, {"itap", Kw::TableDepth},
        {"nesttableprops", Kw::TextGroup}, {"nonesttables", Kw::SkipGroup},
        // Lists: the list table, its overrides, and the older numbering of single paragraphs.
        {"listtable", Kw::ListTable}, {"list", Kw::List}, {"listlevel", Kw::ListLevel},
        {"levelnfc", Kw::LevelFormat}, {"levelnfcn", Kw::LevelFormat}, {"leveltext", Kw::LevelText},
        {"listid", Kw::ListId}, {"listoverridetable", Kw::ListOverrideTable},
        {"listoverride", Kw::ListOverrideEntry}, {"ls", Kw::ListOverride}, {"ilvl", Kw::ListLevelOfParagraph},
        {"pn", Kw::Numbering}, {"pnlvl", Kw::NumberingLevel}, {"pnlvlbody", Kw::NumberingLevel, 0},
        {"pnlvlblt", Kw::NumberingLevel, -1}, {"pnlvlcont", Kw::NumberingContinues},
        {"pndec", Kw::NumberingStyle, QTextListFormat::ListDecimal},
        {"pnucltr", Kw::NumberingStyle, QTextListFormat::ListUpperAlpha},
        {"pnlcltr", Kw::NumberingStyle, QTextListFormat::ListLowerAlpha},
        {"pnucrm", Kw::NumberingStyle, QTextListFormat::ListUpperRoman},
        {"pnlcrm", Kw::NumberingStyle, QTextListFormat::ListLowerRoman},
        // Fields, bookmarks and notes.
        {"fldinst", Kw::FieldInstruction}, {"bkmkstart", Kw::BookmarkStart}, {"footnote", Kw::Footnote},
        {"chftn", Kw::FootnoteMark},
        // Pictures; of the other kinds of data only the size is used.
        {"pict", Kw::Picture}, {"pngblip", Kw::PictureKind, int(RtfPicture::Kind::Png)},
        {"jpegblip", Kw::PictureKind, int(RtfPicture::Kind::Jpeg)}, {"picwgoal", Kw::PictureWidth},
        {"pichgoal", Kw::PictureHeight}, {"picscalex", Kw::PictureScaleX}, {"picscaley", Kw::PictureScaleY},
        // Font and colour tables.
        {"fonttbl", Kw::FontTable}, {"fcharset", Kw::FontCharset}, {"cpg", Kw::FontCodePage},
        {"colortbl", Kw::ColourTable}, {"red", Kw::Red}, {"green", Kw::Green}, {"blue", Kw::Blue},
        {"bin", Kw::Bin},
        // Groups whose text is shown: field results, and the pictures that word processors offer
        // beside an older form of the same picture.
        {"field", Kw::TextGroup}, {"fldrslt", Kw::TextGroup}, {"shppict", Kw::TextGroup},
        // Groups that hold no text of the document's body. Lists number their paragraphs themselves,
        // so the numbers written out for older readers are left out.
        {"info", Kw::SkipGroup}, {"stylesheet", Kw::SkipGroup}, {"nonshppict", Kw::SkipGroup},
        {"header", Kw::SkipGroup}, {"headerl", Kw::SkipGroup}, {"headerr", Kw::SkipGroup},
        {"headerf", Kw::SkipGroup}, {"footer", Kw::SkipGroup}, {"footerl", Kw::SkipGroup},
        {"footerr", Kw::SkipGroup}, {"footerf", Kw::SkipGroup}, {"pntext", Kw::SkipGroup},
        {"listtext", Kw::SkipGroup}, {"listname", Kw::SkipGroup}, {"levelnumbers", Kw::SkipGroup},
        {"pntxta", Kw::SkipGroup}, {"pntxtb", Kw::SkipGroup}, {"bkmkend", Kw::SkipGroup},
        {"annotation", Kw::SkipGroup}, {"atnid", Kw::SkipGroup},
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

// The destinations that a \* in front of them does not hide: we know what they hold.
bool shownUnderStar(Kw kind) {
    switch (kind) {
    case Kw::TextGroup:
    case Kw::ListTable:
    case Kw::ListOverrideTable:
    case Kw::Numbering:
    case Kw::FieldInstruction:
    case Kw::BookmarkStart:
    case Kw::Footnote:
        return true;
    default:
        return false;
    }
}

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

struct CharacterProperties {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    bool deleted = false;
    bool capitals = false;
    bool smallCapitals = false;
    int verticalAlignment = QTextCharFormat::AlignNormal;
    int halfPoints = DefaultHalfPoints;
    int font = -1; // -1: the document's default font
    int foreground = -1;
    int background = -1;
    int link = -1; // the target of the link that the text belongs to, an index into the parser's links

    bool operator==(const CharacterProperties&) const = default;
};

struct TabStop {
    int twips = 0;
    int type = QTextOption::LeftTab;

    bool operator==(const TabStop&) const = default;
};

struct ParagraphProperties {
    int alignment = Qt::AlignLeft;
    int leftTwips = 0;
    int rightTwips = 0;
    int firstLineTwips = 0;
    int beforeTwips = 0;
    int afterTwips = 0;
    bool inTable = false;
    int tableDepth = 0;
    int listOverride = 0;   // \ls: 0 for none
    int listLevel = 0;      // \ilvl, or the level of \pn numbering
    int numberingStyle = 0; // \pn: a QTextListFormat::Style, 0 for none
    int nextTabType = QTextOption::LeftTab;
    size_t tabCount = 0;
    // A fixed array rather than a vector, so that copying the state at every group costs nothing.
    std::array<TabStop, MaxTabStops> tabs{};

    bool operator==(const ParagraphProperties&) const = default;
    bool listed() const { return listOverride > 0 || numberingStyle != 0; }
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

// A level of a list in the list table: how its items are numbered.
struct ListLevelDefinition {
    int numberFormat = 0; // \levelnfc
    char16_t bullet = 0;  // the character of a bulleted level
};

struct ListDefinition {
    int id = 0;
    std::vector<ListLevelDefinition> levels;
};

// What a \pn group says about its paragraph.
struct Numbering {
    int level = 0; // -1: bulleted
    int style = 0;
    bool continues = false;
};

struct Picture {
    RtfPicture::Kind kind = RtfPicture::Kind::Other;
    int widthTwips = 0;
    int heightTwips = 0;
    int scaleX = 100;
    int scaleY = 100;
    QByteArray data;
    int highNibble = -1;
    bool tooLarge = false;
};

struct OpenTable {
    QTextTable* table = nullptr;
    int row = 0;
    int column = 0;
    bool rowDone = false;   // the row has ended; the next content starts another
    bool cellPlaced = true; // the cursor is in the cell at row and column
};

struct SourceSpan {
    qsizetype start = 0;
    qsizetype size = 0;
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

bool isSymbolCodePage(int codePage) {
    return codePage == SymbolCodePage || codePage == WingdingsCodePage;
}

// The Unicode character for a byte of a symbol font, for the bytes that bulleted text uses; other
// bytes are left as they are.
QChar symbolCharacter(uchar byte, int codePage) {
    constexpr std::pair<uchar, char16_t> Symbol[] = {
        {0xB7, 0x2022}, {0xA8, 0x2666}, {0xAE, 0x2192}, {0xDE, 0x21D2}, {0xD7, 0x22C5}};
    constexpr std::pair<uchar, char16_t> Wingdings[] = {
        {0x6C, 0x25CF}, {0x6E, 0x25A0}, {0x71, 0x2751}, {0x75, 0x25C6}, {0x76, 0x2756}, {0x9F, 0x2022},
        {0xA7, 0x25AA}, {0xA8, 0x25FB}, {0xD8, 0x27A2}, {0xE8, 0x2794}, {0xFB, 0x2717}, {0xFC, 0x2713}};
    const auto find = [byte](const auto& table) -> QChar {
        for (const auto& [from, to] : table) {
            if (from == byte)
                return QChar(to);
        }
        return QChar(byte);
    };
    return codePage == WingdingsCodePage ? find(Wingdings) : find(Symbol);
}

// Qt's list style for a level of the list table; 0 where the level has no number or bullet.
int listStyle(const ListLevelDefinition& level) {
    switch (level.numberFormat) {
    case 0:
        return QTextListFormat::ListDecimal;
    case 1:
        return QTextListFormat::ListUpperRoman;
    case 2:
        return QTextListFormat::ListLowerRoman;
    case 3:
        return QTextListFormat::ListUpperAlpha;
    case 4:
        return QTextListFormat::ListLowerAlpha;
    case 23: {
        // Symbol fonts' characters are often written in the private range, at 0xF000 + byte.
        const char16_t bullet =
            level.bullet >= 0xF000 && level.bullet <= 0xF0FF ? level.bullet - 0xF000 : level.bullet;
        switch (bullet) {
        case u'o':
        case 0x25E6:
        case 0x25CB:
            return QTextListFormat::ListCircle;
        case 0xA7:
        case 0x6E:
        case 0x25AA:
        case 0x25A0:
            return QTextListFormat::ListSquare;
        default:
            return QTextListFormat::ListDisc;
        }
    }
    case 255:
        return 0;
    default:
        return QTextListFormat::ListDecimal;
    }
}

// The target of a HYPERLINK field: its address, or "#name" for a bookmark of the document (\l).
QString linkTarget(const QString& instruction) {
    QStringView rest = QStringView(instruction).trimmed();
    if (!rest.startsWith(u"HYPERLINK", Qt::CaseInsensitive))
        return {};
    rest = rest.sliced(9);
    QString address;
    QString bookmark;
    bool nextIsBookmark = false;
    bool nextIsArgument = false;
    while (!(rest = rest.trimmed()).isEmpty()) {
        QStringView word;
        if (rest.front() == u'"') {
            const qsizetype end = rest.indexOf(u'"', 1);
            word = rest.sliced(1, (end < 0 ? rest.size() : end) - 1);
            rest = end < 0 ? QStringView() : rest.sliced(end + 1);
        } else {
            qsizetype end = rest.indexOf(u' ');
            end = end < 0 ? rest.size() : end;
            word = rest.first(end);
            rest = rest.sliced(end);
        }
        if (word.startsWith(u'\\') && word.size() == 2) {
            // \l names a bookmark; \o, \t take a tooltip and a frame; \m and \n take nothing.
            nextIsBookmark = word[1] == u'l';
            nextIsArgument = word[1] == u'o' || word[1] == u't';
        } else if (std::exchange(nextIsBookmark, false)) {
            bookmark = word.toString();
        } else if (!std::exchange(nextIsArgument, false) && address.isEmpty()) {
            address = word.toString();
        }
    }
    if (!bookmark.isEmpty())
        return address + u'#' + bookmark;
    return address;
}

class Parser {
public:
    explicit Parser(QTextDocument* document) : m_document(document), m_cursor(document) {}

    void run(QByteArrayView source) {
        m_source = source;
        // One edit block for the whole file: outside one, the document reworks its fragments after
        // every insertion, which makes many short runs take quadratic time.
        m_cursor.beginEditBlock();
        RtfLexer lexer(source);
        parse(lexer);
        finishText();
        appendFootnotes();
        m_cursor.endEditBlock();
    }

private:
    void parse(RtfLexer& lexer) {
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

    State& state() { return m_states.back(); }
    const State& state() const { return m_states.back(); }

    void openGroup() {
        m_fallbackLeft = 0;
        if (m_states.size() < MaxStateDepth)
            m_states.push_back(m_states.back());
        else
            ++m_unpushedGroups;
    }

    // end is where the closing brace stands in the source.
    void closeGroup(qsizetype end) {
        m_fallbackLeft = 0;
        if (state().destination == Destination::FontTable)
            commitFontName();
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

    void leaveDestination(Destination inner, State& outer, qsizetype end) {
        switch (inner) {
        case Destination::Numbering:
            outer.paragraph.numberingStyle =
                m_numbering.continues ? 0
                : m_numbering.level < 0
                    ? QTextListFormat::ListDisc
                    : (m_numbering.style ? m_numbering.style : int(QTextListFormat::ListDecimal));
            outer.paragraph.listLevel = std::max(0, m_numbering.level - 1);
            break;
        case Destination::FieldInstruction:
            if (const QString target = linkTarget(decode(m_fieldInstruction, m_codePage));
                !target.isEmpty() && m_links.size() < MaxLinks) {
                outer.character.link = int(m_links.size());
                m_links.push_back(target);
            }
            break;
        case Destination::Bookmark:
            if (const QString name = decode(m_bookmarkName, m_codePage).trimmed();
                !name.isEmpty() && m_pendingBookmarks.size() < MaxPendingBookmarks)
                m_pendingBookmarks.append(name);
            break;
        case Destination::Footnote:
            if (m_footnotes.size() < MaxFootnotes && end >= m_footnoteStart)
                m_footnotes.push_back({m_footnoteStart, end - m_footnoteStart});
            break;
        case Destination::LevelText:
            if (ListLevelDefinition* level = currentListLevel(); level && !m_levelText.isEmpty())
                level->bullet = m_levelText.back().unicode();
            break;
        default:
            break;
        }
    }

    void controlWord(const RtfLexer::Token& token, bool starred, RtfLexer& lexer) {
        const Keyword* keyword = findKeyword(token.word);
        State& s = state();
        if (keyword && keyword->kind == Kw::Bin) {
            const QByteArrayView data = lexer.takeBytes(token.parameter);
            if (s.destination == Destination::Picture)
                addPictureData(data);
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
            // A field's switches may be written as control words, \l as well as \\l.
            if (s.destination == Destination::FieldInstruction &&
                m_fieldInstruction.size() < MaxFieldInstructionBytes)
                m_fieldInstruction.append(" \\")
                    .append(token.word.data(), qsizetype(token.word.size()))
                    .append(' ');
            return;
        }
        if (enterDestination(s, keyword->kind, lexer.position()))
            return;
        switch (s.destination) {
        case Destination::FontTable:
            fontTableWord(keyword->kind, token);
            break;
        case Destination::ColourTable:
            colourTableWord(keyword->kind, token);
            break;
        case Destination::ListTable:
            listTableWord(keyword->kind, token);
            break;
        case Destination::ListOverrideTable:
            listOverrideWord(keyword->kind, token);
            break;
        case Destination::Numbering:
            numberingWord(*keyword, token);
            break;
        case Destination::Picture:
            pictureWord(*keyword, token);
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
    bool enterDestination(State& s, Kw kind, qsizetype position) {
        switch (kind) {
        case Kw::SkipGroup:
            s.destination = Destination::Skip;
            return true;
        case Kw::FontTable:
            s.destination = Destination::FontTable;
            m_tableFont.reset();
            return true;
        case Kw::ColourTable:
            s.destination = Destination::ColourTable;
            m_colours.clear();
            m_tableColour = {};
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
            m_levelText.clear();
            return true;
        case Kw::Numbering:
            s.destination = Destination::Numbering;
            m_numbering = {};
            return true;
        case Kw::FieldInstruction:
            s.destination = Destination::FieldInstruction;
            m_fieldInstruction.clear();
            return true;
        case Kw::BookmarkStart:
            s.destination = Destination::Bookmark;
            m_bookmarkName.clear();
            return true;
        case Kw::Footnote:
            // A note inside a note is not kept: notes are read once each, after the body.
            s.destination = m_footnoteNumber > 0 ? Destination::Skip : Destination::Footnote;
            m_footnoteStart = position;
            return true;
        case Kw::Picture:
            s.destination = Destination::Picture;
            m_picture = {};
            return true;
        default:
            return false;
        }
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

    ListLevelDefinition* currentListLevel() {
        if (!m_listOpen || m_lists.empty() || m_lists.back().levels.empty())
            return nullptr;
        return &m_lists.back().levels.back();
    }

    void listTableWord(Kw kind, const RtfLexer::Token& token) {
        switch (kind) {
        case Kw::List:
            m_listOpen = m_lists.size() < MaxLists;
            if (m_listOpen)
                m_lists.emplace_back();
            break;
        case Kw::ListLevel:
            if (m_listOpen && m_lists.back().levels.size() < size_t(MaxListLevels))
                m_lists.back().levels.emplace_back();
            break;
        case Kw::LevelFormat:
            if (ListLevelDefinition* level = currentListLevel())
                level->numberFormat = token.parameter;
            break;
        case Kw::ListId:
            if (m_listOpen)
                m_lists.back().id = token.parameter;
            break;
        default:
            break;
        }
    }

    void listOverrideWord(Kw kind, const RtfLexer::Token& token) {
        switch (kind) {
        case Kw::ListOverrideEntry:
            m_overrideListId = 0;
            break;
        case Kw::ListId:
            m_overrideListId = token.parameter;
            break;
        case Kw::ListOverride:
            if (m_listOverrides.size() < MaxLists)
                m_listOverrides[token.parameter] = m_overrideListId;
            break;
        default:
            break;
        }
    }

    void numberingWord(const Keyword& keyword, const RtfLexer::Token& token) {
        switch (keyword.kind) {
        case Kw::NumberingLevel:
            // \pnlvlN numbers outline levels 1 to 9; \pnlvlbody and \pnlvlblt have their own values.
            m_numbering.level =
                token.hasParameter ? std::clamp(token.parameter, 1, MaxListLevels) : keyword.value;
            break;
        case Kw::NumberingStyle:
            m_numbering.style = keyword.value;
            break;
        case Kw::NumberingContinues:
            m_numbering.continues = true;
            break;
        default:
            break;
        }
    }

    void pictureWord(const Keyword& keyword, const RtfLexer::Token& token) {
        const int twips = std::clamp(token.parameter, 0, MaxTwips);
        const int scale = std::clamp(token.parameter, 1, 10000);
        switch (keyword.kind) {
        case Kw::PictureKind:
            m_picture.kind = RtfPicture::Kind(keyword.value);
            break;
        case Kw::PictureWidth:
            m_picture.widthTwips = twips;
            break;
        case Kw::PictureHeight:
            m_picture.heightTwips = twips;
            break;
        case Kw::PictureScaleX:
            m_picture.scaleX = scale;
            break;
        case Kw::PictureScaleY:
            m_picture.scaleY = scale;
            break;
        default:
            break;
        }
    }

    void addPictureData(QByteArrayView data) {
        if (m_picture.data.size() + data.size() > RtfPicture::MaxDataSize)
            m_picture.tooLarge = true;
        else
            m_picture.data.append(data);
    }

    void addPictureHex(char digit) {
        const int value = RtfLexer::hexValue(digit);
        if (value < 0 || m_picture.tooLarge)
            return;
        if (m_picture.highNibble < 0) {
            m_picture.highNibble = value;
            return;
        }
        const char byte = char(m_picture.highNibble * 16 + value);
        m_picture.highNibble = -1;
        addPictureData(QByteArrayView(&byte, 1));
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
        case Kw::Cell:
            endCell(1);
            break;
        case Kw::NestedCell:
            endCell(std::max<size_t>(2, paragraphDepth()));
            break;
        case Kw::Row:
            endRow(1);
            break;
        case Kw::NestedRow:
            endRow(std::max<size_t>(2, paragraphDepth()));
            break;
        case Kw::RowDefaults:
            m_rowEdges[std::max<size_t>(1, paragraphDepth()) - 1].clear();
            m_implicitRow = true;
            break;
        case Kw::CellEdge:
            if (auto& edges = m_rowEdges[std::max<size_t>(1, paragraphDepth()) - 1];
                edges.size() < size_t(MaxColumns))
                edges.push_back(std::clamp(token.parameter, 0, MaxTwips));
            break;
        case Kw::FootnoteMark:
            addFootnoteMark();
            break;
        case Kw::Pard:
            m_implicitRow = false;
            s.paragraph = {};
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
            // Plain character formatting keeps the link that the text is in.
            {
                const int link = c.link;
                c = {};
                c.link = link;
            }
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
        case Kw::Hidden:
            c.hidden = switchedOn(token);
            return true;
        case Kw::Deleted:
            c.deleted = switchedOn(token);
            return true;
        case Kw::Capitals:
            c.capitals = switchedOn(token);
            return true;
        case Kw::SmallCapitals:
            c.smallCapitals = switchedOn(token);
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
        case Kw::TabKind:
            p.nextTabType = keyword.value;
            return true;
        case Kw::TabStop:
            if (p.tabCount < MaxTabStops)
                p.tabs[p.tabCount++] = {std::max(0, twips), p.nextTabType};
            p.nextTabType = QTextOption::LeftTab;
            return true;
        case Kw::InTable:
            p.inTable = true;
            return true;
        case Kw::TableDepth:
            p.tableDepth = std::clamp(token.parameter, 0, MaxTableDepth);
            return true;
        case Kw::ListOverride:
            p.listOverride = std::max(0, token.parameter);
            return true;
        case Kw::ListLevelOfParagraph:
            p.listLevel = std::clamp(token.parameter, 0, MaxListLevels - 1);
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
        case Destination::LevelText:
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
        case Destination::FieldInstruction:
            if (m_fieldInstruction.size() < MaxFieldInstructionBytes)
                m_fieldInstruction.append(byte);
            break;
        case Destination::Bookmark:
            if (m_bookmarkName.size() < MaxFontNameBytes)
                m_bookmarkName.append(byte);
            break;
        case Destination::LevelText:
            addText(QChar(uchar(byte)));
            break;
        case Destination::Picture:
            addPictureHex(byte);
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
            // Symbol fonts are known by name too: not every writer gives them their character set.
            if (font.family.compare(u"Symbol", Qt::CaseInsensitive) == 0)
                font.codePage = SymbolCodePage;
            else if (font.family.startsWith(u"Wingdings", Qt::CaseInsensitive))
                font.codePage = WingdingsCodePage;
            m_runProperties.reset();
        }
        m_fontName.clear();
    }

    void addUnicode(int value) {
        auto unit = static_cast<char16_t>(std::clamp(value, -0x8000, 0xFFFF) & 0xFFFF);
        m_fallbackLeft = state().unicodeSkip;
        // Symbol fonts' characters written at 0xF000 + byte are the bytes' pictures.
        if (unit >= 0xF020 && unit <= 0xF0FF) {
            if (const Font* font = fontOf(state().character); font && isSymbolCodePage(font->codePage))
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
        if (isSymbolCodePage(codePage)) {
            QString text;
            text.reserve(bytes.size());
            for (const char byte : bytes)
                text.append(symbolCharacter(uchar(byte), codePage));
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
        if (state().destination == Destination::LevelText) {
            if (m_levelText.size() + text.size() <= MaxLevelTextLength)
                m_levelText.append(text);
            return;
        }
        if (state().destination != Destination::Text)
            return;
        settleSurrogate();
        if (text.isEmpty() || !shown())
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
        enterParagraph();
        if (!m_pendingBookmarks.isEmpty()) {
            // A bookmark is the name of the character that follows it.
            flushRun();
            QTextCharFormat named = m_runFormat;
            named.setAnchor(true);
            named.setAnchorNames(std::exchange(m_pendingBookmarks, {}));
            const qsizetype first = text.size() > 1 && text.front().isHighSurrogate() ? 2 : 1;
            m_cursor.insertText(text.first(first).toString(), named);
            text = text.sliced(first);
        }
        m_run.append(text);
        m_blockFormatPending = true;
    }

    bool shown() const { return !state().character.hidden && !state().character.deleted; }

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

    // Puts the cursor where the current paragraph's content goes: in its table cell, in a block of
    // its own once the paragraph before it has ended.
    void enterParagraph() {
        syncTables(paragraphDepth());
        paragraphFormat();
        if (m_breakPending) {
            flushRun();
            // The block's own character format is the one its list marker is drawn in: that of the
            // text it opens with, not of the paragraph before.
            m_cursor.insertBlock(m_cursor.blockFormat(), m_runFormat);
            m_breakPending = false;
        }
    }

    // A paragraph takes the properties in force at its end mark. The block for the next paragraph is
    // made only once it has content, so the end mark of the last paragraph adds no empty line.
    void breakParagraph() {
        if (state().destination != Destination::Text)
            return;
        settleSurrogate();
        if (!shown())
            return;
        enterParagraph();
        endBlock();
        m_breakPending = true;
    }

    // Gives the block its paragraph's format and puts it in its list, if it has one.
    void endBlock() {
        flushRun();
        m_cursor.setBlockFormat(paragraphFormat());
        addToList(state().paragraph);
    }

    const QTextBlockFormat& paragraphFormat() {
        if (m_blockProperties != state().paragraph) {
            m_blockProperties = state().paragraph;
            m_blockFormat = blockFormat(state().paragraph, listStyleOf(state().paragraph) != 0);
        }
        return m_blockFormat;
    }

    void addFootnoteMark() {
        if (state().destination != Destination::Text)
            return;
        // In a note, the mark is the note's own number.
        const int number = m_footnoteNumber > 0 ? m_footnoteNumber : ++m_footnoteMarks;
        CharacterProperties& c = state().character;
        const int alignment = std::exchange(c.verticalAlignment, int(QTextCharFormat::AlignSuperScript));
        addText(QString::number(number));
        c.verticalAlignment = alignment;
    }

    void insertPicture() {
        const Picture picture = std::exchange(m_picture, {});
        if (state().destination != Destination::Text || !shown())
            return;
        QImage image;
        if (!picture.tooLarge && m_picturePixels < MaxPicturePixels)
            image = RtfPicture::decode(picture.data, picture.kind);
        QTextImageFormat format;
        if (image.isNull()) {
            const QString name = QStringLiteral("rtfpicture:placeholder");
            if (!m_placeholderAdded) {
                m_document->addResource(QTextDocument::ImageResource, QUrl(name), RtfPicture::placeholder());
                m_placeholderAdded = true;
            }
            const QImage placeholder = RtfPicture::placeholder();
            format.setName(name);
            format.setWidth(placeholder.width());
            format.setHeight(placeholder.height());
        } else {
            m_picturePixels += qint64(image.width()) * image.height();
            const QString name = QStringLiteral("rtfpicture:%1").arg(++m_pictureCount);
            m_document->addResource(QTextDocument::ImageResource, QUrl(name), image);
            // Shown at the size the document asks for, in twips, else at the picture's own.
            const double width =
                picture.widthTwips > 0 ? picture.widthTwips / Twips::PerPixel : image.width();
            const double height =
                picture.heightTwips > 0 ? picture.heightTwips / Twips::PerPixel : image.height();
            constexpr double MaxPixels = MaxTwips / Twips::PerPixel;
            format.setName(name);
            format.setWidth(std::clamp(width * picture.scaleX / 100.0, 1.0, MaxPixels));
            format.setHeight(std::clamp(height * picture.scaleY / 100.0, 1.0, MaxPixels));
        }
        enterParagraph();
        flushRun();
        m_cursor.insertImage(format);
        m_blockFormatPending = true;
    }

    // Tables. A paragraph's depth says in how many tables it stands; the tables open at any time are
    // those of the paragraph being read, outermost first.
    size_t paragraphDepth() const {
        const ParagraphProperties& p = state().paragraph;
        const int depth = std::max(p.tableDepth, p.inTable || m_implicitRow ? 1 : 0);
        return size_t(depth);
    }

    void syncTables(size_t depth) {
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

    void openTable() {
        flushRun();
        const std::vector<int>& edges = m_rowEdges[m_tables.size()];
        const int columns = std::clamp(int(edges.size()), 1, MaxColumns);
        QTextTableFormat format;
        format.setBorder(1);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setCellPadding(3);
        m_tables.push_back({m_cursor.insertTable(1, columns, format)});
        ++m_tableCount;
        m_breakPending = false;
        m_listItems.clear();
    }

    void closeTable() {
        flushRun();
        const QTextTable* table = m_tables.back().table;
        m_tables.pop_back();
        m_cursor.setPosition(table->lastPosition() + 1);
        m_breakPending = false;
        m_listItems.clear();
    }

    void placeCell(OpenTable& t) {
        flushRun();
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
        m_cursor.setPosition(t.table->cellAt(t.row, t.column).lastCursorPosition().position());
        t.cellPlaced = true;
        m_breakPending = false;
        m_listItems.clear();
    }

    void endCell(size_t depth) {
        if (state().destination != Destination::Text)
            return;
        // A cell in a paragraph that claims no table still makes one.
        if (paragraphDepth() == 0)
            m_implicitRow = true;
        syncTables(depth);
        if (!m_breakPending)
            endBlock();
        if (m_tables.size() < depth) {
            // Past the last table the document may hold, a cell is a paragraph.
            m_breakPending = true;
            return;
        }
        OpenTable& t = m_tables[depth - 1];
        ++t.column;
        t.cellPlaced = false;
        m_breakPending = false;
    }

    void endRow(size_t depth) {
        if (state().destination != Destination::Text || m_tables.size() < depth)
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

    // The widths of the columns, from the right edges of the cells of the row.
    static void setColumnWidths(QTextTable* table, const std::vector<int>& edges) {
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

    // Lists. Items of one list (\ls) and level are numbered together through the document, as long as
    // they stand in the same cell; a higher level's item starts its lower levels anew. Items
    // numbered the older way (\pn) form a list as long as they follow each other.
    void addToList(const ParagraphProperties& p) {
        constexpr int OlderNumbering = -1;
        if (!p.listed()) {
            std::erase_if(m_listItems, [](const auto& item) { return item.first.first == OlderNumbering; });
            return;
        }
        const int key = p.listOverride > 0 ? p.listOverride : OlderNumbering;
        const int style = listStyleOf(p);
        if (style == 0)
            return;
        std::erase_if(m_listItems, [key, &p](const auto& item) {
            return item.first.first == key && item.first.second > p.listLevel;
        });
        QPointer<QTextList>& list = m_listItems[{key, p.listLevel}];
        if (list && list->format().style() == style && list->count() < MaxListItems) {
            list->add(m_cursor.block());
            return;
        }
        if (m_textListCount >= MaxTextLists)
            return;
        ++m_textListCount;
        QTextListFormat format;
        format.setStyle(QTextListFormat::Style(style));
        // The paragraph's own indents place the item; the number stands in front of its text.
        format.setIndent(0);
        list = m_cursor.createList(format);
    }

    // The style of the list that a paragraph is an item of, 0 for none.
    int listStyleOf(const ParagraphProperties& p) const {
        return p.listOverride > 0 ? overrideStyle(p.listOverride, p.listLevel) : p.numberingStyle;
    }

    int overrideStyle(int override, int level) const {
        const auto entry = m_listOverrides.find(override);
        if (entry != m_listOverrides.end()) {
            for (const ListDefinition& list : m_lists) {
                if (list.id == entry->second && size_t(level) < list.levels.size())
                    return listStyle(list.levels[size_t(level)]);
            }
        }
        // A list that its table does not describe is still a list.
        return QTextListFormat::ListDisc;
    }

    // Notes, read after the body with the document's fonts and colours, each in a paragraph of its
    // own under a rule.
    void appendFootnotes() {
        for (size_t note = 0; note < m_footnotes.size(); ++note) {
            m_states.assign(1, State{});
            m_unpushedGroups = 0;
            m_implicitRow = false;
            m_fallbackLeft = 0;
            m_starred = false;
            if (note == 0) {
                syncTables(0);
                flushRun();
                if (m_breakPending || !m_cursor.block().text().isEmpty())
                    m_cursor.insertBlock();
                QTextBlockFormat rule;
                rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                                 QTextLength(QTextLength::PercentageLength, 30));
                rule.setTopMargin(12);
                m_cursor.setBlockFormat(rule);
                m_breakPending = true;
            }
            m_footnoteNumber = int(note) + 1;
            RtfLexer lexer(m_source.sliced(m_footnotes[note].start, m_footnotes[note].size));
            parse(lexer);
            finishText();
            if (!m_breakPending)
                breakParagraph();
        }
    }

    void finishText() {
        flushBytes();
        settleSurrogate();
        flushRun();
        // The text's last group may have closed since its last paragraph began, so that paragraph's
        // properties are those its content was given.
        if (!m_breakPending && m_cursor.block().length() > 1 && m_blockProperties)
            addToList(*m_blockProperties);
    }

    QTextCharFormat charFormat(const CharacterProperties& c) const {
        QTextCharFormat format;
        format.setFontWeight(c.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(c.italic);
        format.setFontUnderline(c.underline);
        format.setFontStrikeOut(c.strike);
        format.setVerticalAlignment(QTextCharFormat::VerticalAlignment(c.verticalAlignment));
        format.setFontPointSize(c.halfPoints / 2.0);
        if (c.capitals)
            format.setFontCapitalization(QFont::AllUppercase);
        else if (c.smallCapitals)
            format.setFontCapitalization(QFont::SmallCaps);
        if (const Font* font = fontOf(c); font && !font->family.isEmpty())
            format.setFontFamilies({font->family});
        if (const QColor foreground = colour(c.foreground); foreground.isValid())
            format.setForeground(foreground);
        if (const QColor background = colour(c.background); background.isValid())
            format.setBackground(background);
        if (c.link >= 0) {
            format.setAnchor(true);
            format.setAnchorHref(m_links[size_t(c.link)]);
        }
        return format;
    }

    static QTextBlockFormat blockFormat(const ParagraphProperties& p, bool listed) {
        QTextBlockFormat format;
        format.setAlignment(Qt::Alignment(p.alignment));
        format.setRightMargin(p.rightTwips / Twips::PerPixel);
        format.setTopMargin(p.beforeTwips / Twips::PerPixel);
        format.setBottomMargin(p.afterTwips / Twips::PerPixel);
        // The list's number or bullet stands in the space before the text, where the hanging first line
        // would put it; without an indent, the item is indented by a level's width.
        const int left = listed && p.leftTwips <= 0 ? 360 * (p.listLevel + 1) : p.leftTwips;
        const int firstLine = listed ? 0 : p.firstLineTwips;
        format.setLeftMargin(left / Twips::PerPixel);
        format.setTextIndent(firstLine / Twips::PerPixel);
        QList<QTextOption::Tab> tabs;
        // Tab stops are measured from the page's margin; Qt measures them from the start of the line,
        // here of the first line, where the tabs after a number or a term are.
        for (size_t i = 0; i < p.tabCount; ++i) {
            if (const int position = p.tabs[i].twips - left - firstLine; position > 0)
                tabs.append(
                    QTextOption::Tab(position / Twips::PerPixel, QTextOption::TabType(p.tabs[i].type),
                                     p.tabs[i].type == QTextOption::DelimiterTab ? QChar(u'.') : QChar()));
        }
        // Under a hanging first line, as in a bulleted list, a tab goes to the left indent, so that the
        // text after a bullet lines up with the lines below it. Qt measures tabs from the line start.
        if (tabs.isEmpty() && p.firstLineTwips < 0 && !listed)
            tabs.append(QTextOption::Tab(-p.firstLineTwips / Twips::PerPixel, QTextOption::LeftTab));
        if (!tabs.isEmpty())
            format.setTabPositions(tabs);
        return format;
    }

    QTextDocument* m_document;
    QTextCursor m_cursor;
    QByteArrayView m_source;
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

    std::vector<OpenTable> m_tables;
    int m_tableCount = 0;
    // The right edges of the cells of the row defined last, at each depth.
    std::array<std::vector<int>, MaxTableDepth> m_rowEdges;
    // A row definition makes its cells a table even when their paragraphs do not say so.
    bool m_implicitRow = false;

    std::vector<ListDefinition> m_lists;
    bool m_listOpen = false;
    QString m_levelText;
    std::map<int, int> m_listOverrides; // \ls number: \listid
    int m_overrideListId = 0;
    int m_textListCount = 0;
    Numbering m_numbering;
    std::map<std::pair<int, int>, QPointer<QTextList>> m_listItems; // (list, level): its QTextList

    QByteArray m_fieldInstruction;
    std::vector<QString> m_links;
    QByteArray m_bookmarkName;
    QStringList m_pendingBookmarks;

    std::vector<SourceSpan> m_footnotes;
    qsizetype m_footnoteStart = 0;
    int m_footnoteMarks = 0;
    int m_footnoteNumber = 0; // the note being read, after the body

    Picture m_picture;
    int m_pictureCount = 0;
    qint64 m_picturePixels = 0;
    bool m_placeholderAdded = false;

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

int partEnd(const QTextDocument& document, int position, int characters) {
    const int last = document.characterCount() - 1;
    int end = position;
    const QTextList* list = nullptr;
    for (auto it = document.rootFrame()->begin(); !it.atEnd(); ++it) {
        int stop = 0;
        const QTextList* itemList = nullptr;
        if (const QTextFrame* frame = it.currentFrame()) {
            // A table goes whole, with the tables nested in it, up to the paragraph after it.
            stop = frame->lastPosition() + 1;
        } else {
            const QTextBlock block = it.currentBlock();
            // A paragraph's end mark goes with the next part, which thus starts a paragraph of its own
            // with its own format; before a table, that mark is where the table begins.
            stop = block.position() + block.length() - 1;
            itemList = block.textList();
        }
        if (stop <= position)
            continue;
        if (end - position >= characters && !(itemList && itemList == list))
            break;
        end = std::min(stop, last);
        list = itemList;
    }
    return end;
}

void copyPictures(const QTextDocument& from, QTextDocument* to) {
    if (!to)
        return;
    for (QTextBlock block = from.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (const QTextCharFormat format = it.fragment().charFormat(); format.isImageFormat()) {
                const QUrl name(format.toImageFormat().name());
                to->addResource(QTextDocument::ImageResource, name,
                                from.resource(QTextDocument::ImageResource, name));
            }
        }
    }
}

FileStatus readFile(const QString& path, QTextDocument* document) {
    const RegularFileContents file = readRegularFile(path, MaxFileSize);
    if (file.status == FileRead::Read)
        read(file.bytes, document);
    return file.status;
}

} // namespace RtfReader
