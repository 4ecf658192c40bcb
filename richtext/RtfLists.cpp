#include "richtext/RtfLists.h"

#include "richtext/RtfOutput.h"

#include <QTextList>

#include <algorithm>

namespace Rtf {

namespace {

// Adding an item to a list costs time in proportion to the items already in it; a longer list goes
// on as a list of its own, numbered from 1 again.
constexpr int MaxListItems = 256;
// Lists made beyond this many are left out, their items plain paragraphs.
constexpr int MaxTextLists = 1024;
// Lists of the list table beyond this many are shown as plain text.
constexpr size_t MaxLists = 256;
constexpr qsizetype MaxLevelTextLength = 16;

} // namespace

void ListBuilder::listTableWord(Kw kind, int parameter) {
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
        if (Level* level = currentLevel())
            level->numberFormat = parameter;
        break;
    case Kw::ListId:
        if (m_listOpen)
            m_lists.back().id = parameter;
        break;
    default:
        break;
    }
}

void ListBuilder::listOverrideWord(Kw kind, int parameter) {
    switch (kind) {
    case Kw::ListOverrideEntry:
        m_overrideListId = 0;
        break;
    case Kw::ListId:
        m_overrideListId = parameter;
        break;
    case Kw::ListOverride:
        if (m_overrides.size() < MaxLists)
            m_overrides[parameter] = m_overrideListId;
        break;
    default:
        break;
    }
}

void ListBuilder::addLevelText(QStringView text) {
    if (m_levelText.size() + text.size() <= MaxLevelTextLength)
        m_levelText.append(text);
}

void ListBuilder::endLevelText() {
    if (Level* level = currentLevel(); level && !m_levelText.isEmpty())
        level->bullet = m_levelText.back().unicode();
}

void ListBuilder::numberingWord(const Keyword& keyword, const RtfLexer::Token& token) {
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

void ListBuilder::endNumbering(ParagraphProperties& outer) const {
    outer.numberingStyle = m_numbering.continues ? 0
                           : m_numbering.level < 0
                               ? QTextListFormat::ListDisc
                               : (m_numbering.style ? m_numbering.style : int(QTextListFormat::ListDecimal));
    outer.listLevel = std::max(0, m_numbering.level - 1);
}

int ListBuilder::styleOf(const ParagraphProperties& p) const {
    return p.listOverride > 0 ? overrideStyle(p.listOverride, p.listLevel) : p.numberingStyle;
}

// Items of one list (\ls) and level are numbered together through the document, as long as they
// stand in the same cell; a higher level's item starts its lower levels anew. Items numbered the
// older way (\pn) form a list as long as they follow each other.
void ListBuilder::addToList(const ParagraphProperties& p) {
    constexpr int OlderNumbering = -1;
    auto& open = m_out.openLists;
    if (!p.listed()) {
        std::erase_if(open, [](const auto& item) { return item.first.first == OlderNumbering; });
        return;
    }
    const int key = p.listOverride > 0 ? p.listOverride : OlderNumbering;
    const int style = styleOf(p);
    if (style == 0)
        return;
    std::erase_if(open, [key, &p](const auto& item) {
        return item.first.first == key && item.first.second > p.listLevel;
    });
    QPointer<QTextList>& list = open[{key, p.listLevel}];
    if (list && list->format().style() == style && list->count() < MaxListItems) {
        list->add(m_out.cursor.block());
        return;
    }
    if (m_textListCount >= MaxTextLists)
        return;
    ++m_textListCount;
    QTextListFormat format;
    format.setStyle(QTextListFormat::Style(style));
    // The paragraph's own indents place the item; the number stands in front of its text.
    format.setIndent(0);
    list = m_out.cursor.createList(format);
}

ListBuilder::Level* ListBuilder::currentLevel() {
    if (!m_listOpen || m_lists.empty() || m_lists.back().levels.empty())
        return nullptr;
    return &m_lists.back().levels.back();
}

// Qt's list style for a level of the list table; 0 where the level has no number or bullet.
int ListBuilder::levelStyle(const Level& level) {
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

int ListBuilder::overrideStyle(int override, int level) const {
    const auto entry = m_overrides.find(override);
    if (entry != m_overrides.end()) {
        for (const List& list : m_lists) {
            if (list.id == entry->second && size_t(level) < list.levels.size())
                return levelStyle(list.levels[size_t(level)]);
        }
    }
    // A list that its table does not describe is still a list.
    return QTextListFormat::ListDisc;
}

} // namespace Rtf
