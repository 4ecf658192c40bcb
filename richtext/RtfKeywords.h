#pragma once

#include <string_view>

// The control words the reader knows, each with what it does.
namespace Rtf {

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

// The keyword of that name, or nullptr for a word the reader does not know.
const Keyword* findKeyword(std::string_view name);

// The destinations that a \* in front of them does not hide: we know what they hold.
bool shownUnderStar(Kw kind);

} // namespace Rtf
