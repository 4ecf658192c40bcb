#pragma once

#include "richtext/RtfFormats.h"

#include <QString>

#include <map>
#include <vector>

// Lists: the list table and its overrides, the older numbering of single paragraphs (\pn), and
// the QTextLists that the document's items join.
namespace Rtf {

struct Output;

class ListBuilder {
public:
    explicit ListBuilder(Output& out) : m_out(out) {}

    void listTableWord(Kw kind, int parameter);
    void listOverrideWord(Kw kind, int parameter);

    // \leveltext: the text of a level, whose last character is a bulleted level's bullet.
    void startLevelText() { m_levelText.clear(); }
    void addLevelText(QStringView text);
    void endLevelText();

    // \pn: numbering given to the paragraph it stands in, outer.
    void startNumbering() { m_numbering = {}; }
    void numberingWord(const Keyword& keyword, const RtfLexer::Token& token);
    void endNumbering(ParagraphProperties& outer) const;

    // The style of the list that a paragraph is an item of, 0 for none.
    int styleOf(const ParagraphProperties& p) const;
    // Makes the block at the cursor an item of its list, if the paragraph p is an item of one.
    void addToList(const ParagraphProperties& p);

private:
    // A level of a list in the list table: how its items are numbered.
    struct Level {
        int numberFormat = 0; // \levelnfc
        char16_t bullet = 0;  // the character of a bulleted level
    };
    struct List {
        int id = 0;
        std::vector<Level> levels;
    };
    // What a \pn group says about its paragraph.
    struct Numbering {
        int level = 0; // -1: bulleted
        int style = 0;
        bool continues = false;
    };

    Level* currentLevel();
    static int levelStyle(const Level& level);
    int overrideStyle(int override, int level) const;

    Output& m_out;
    std::vector<List> m_lists;
    bool m_listOpen = false;
    QString m_levelText;
    std::map<int, int> m_overrides; // \ls number: \listid
    int m_overrideListId = 0;
    int m_textListCount = 0;
    Numbering m_numbering;
};

} // namespace Rtf
