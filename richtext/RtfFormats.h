#pragma once

#include "richtext/RtfKeywords.h"
#include "richtext/RtfLexer.h"

#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextOption>

#include <array>
#include <vector>

// The character and paragraph properties that the text's control words set, and the Qt formats
// made of them.
namespace Rtf {

class FontTable;

inline constexpr int DefaultHalfPoints = 24;
// Font sizes and paragraph measures are kept to what a word processor can produce (1638 pt, 22 in).
inline constexpr int MaxHalfPoints = 3276;
inline constexpr int MaxTwips = 31680;
// Tables nest this deep at most; a deeper paragraph joins the deepest table. Word processors stop
// far earlier.
inline constexpr int MaxTableDepth = 8;
inline constexpr int MaxListLevels = 9;
inline constexpr size_t MaxTabStops = 16;

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
    int link = -1; // the target of the link that the text belongs to, an index into the document's links

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

// On unless the word's parameter is 0, as in \b0.
bool switchedOn(const RtfLexer::Token& token);

// Apply a control word of character or paragraph formatting; false when it is of another kind.
bool setCharacterProperty(CharacterProperties& c, const Keyword& keyword, const RtfLexer::Token& token);
bool setParagraphProperty(ParagraphProperties& p, const Keyword& keyword, const RtfLexer::Token& token);

QTextCharFormat charFormat(const CharacterProperties& c, const FontTable& fonts,
                           const std::vector<QString>& links);
QTextBlockFormat blockFormat(const ParagraphProperties& p, bool listed);

} // namespace Rtf
