#include "richtext/RtfFormats.h"

#include "richtext/RtfFonts.h"
#include "state/Twips.h"

#include <QList>

#include <algorithm>

namespace Rtf {

bool switchedOn(const RtfLexer::Token& token) {
    return !token.hasParameter || token.parameter != 0;
}

bool setCharacterProperty(CharacterProperties& c, const Keyword& keyword, const RtfLexer::Token& token) {
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

bool setParagraphProperty(ParagraphProperties& p, const Keyword& keyword, const RtfLexer::Token& token) {
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

QTextCharFormat charFormat(const CharacterProperties& c, const FontTable& fonts,
                           const std::vector<QString>& links) {
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
    if (const Font* font = fonts.fontOf(c.font); font && !font->family.isEmpty())
        format.setFontFamilies({font->family});
    if (const QColor foreground = fonts.colour(c.foreground); foreground.isValid())
        format.setForeground(foreground);
    if (const QColor background = fonts.colour(c.background); background.isValid())
        format.setBackground(background);
    if (c.link >= 0) {
        format.setAnchor(true);
        format.setAnchorHref(links[size_t(c.link)]);
    }
    return format;
}

QTextBlockFormat blockFormat(const ParagraphProperties& p, bool listed) {
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

} // namespace Rtf
