#include "richtext/RtfKeywords.h"

#include "richtext/RtfEncoding.h"
#include "richtext/RtfPicture.h"

#include <QChar>
#include <QTextCharFormat>
#include <QTextListFormat>
#include <QTextOption>

#include <algorithm>
#include <array>

namespace Rtf {

namespace {

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

} // namespace

const Keyword* findKeyword(std::string_view name) {
    const auto it = std::lower_bound(Keywords.begin(), Keywords.end(), Keyword{name, Kw::Par}, byName);
    return it != Keywords.end() && it->name == name ? &*it : nullptr;
}

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

} // namespace Rtf
