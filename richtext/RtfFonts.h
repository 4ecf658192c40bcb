#pragma once

#include "richtext/RtfEncoding.h"
#include "richtext/RtfKeywords.h"

#include <QByteArray>
#include <QColor>
#include <QString>

#include <map>
#include <optional>
#include <vector>

// The document's font table and colour table, and what the text's \f and \cf numbers stand for.
namespace Rtf {

struct Font {
    QString family;
    int codePage = 0; // 0: the document's code page
};

class FontTable {
public:
    // The tables are read anew each time they appear.
    void startFonts() { m_entry.reset(); }
    void startColours();

    // A control word of the font table, with its parameter.
    void fontWord(Kw kind, int parameter, Decoder& decoder, int codePage);
    void addNameByte(char byte);
    // An entry's name ends at its ';' or at the end of its group.
    void commitName(Decoder& decoder, int codePage);

    void colourWord(Kw kind, int parameter);
    void endColour();

    void setDefaultFont(int font) { m_defaultFont = font; }
    // The font of that number, else the document's default font, else nullptr.
    const Font* fontOf(int font) const;
    // The colour of that number; an invalid colour for "automatic" or a number out of the table.
    QColor colour(int index) const;

private:
    int m_defaultFont = 0;
    std::map<int, Font> m_fonts;
    std::optional<int> m_entry;
    QByteArray m_name;

    std::vector<QColor> m_colours;
    struct Colour {
        int red = 0;
        int green = 0;
        int blue = 0;
        bool given = false;
    };
    Colour m_colour;
};

} // namespace Rtf
