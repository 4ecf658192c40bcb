#include "richtext/RtfFonts.h"

#include <algorithm>

namespace Rtf {

namespace {

// Longer font names are cut here: no real family name comes near it.
constexpr qsizetype MaxFontNameBytes = 256;
// Every family costs a font lookup when the text is laid out; a real document names a few, and the
// entries beyond this many are left out, their text shown in the default font.
constexpr size_t MaxFonts = 64;

} // namespace

void FontTable::startColours() {
    m_colours.clear();
    m_colour = {};
}

void FontTable::fontWord(Kw kind, int parameter, Decoder& decoder, int codePage) {
    switch (kind) {
    case Kw::Font:
        commitName(decoder, codePage);
        if (m_fonts.size() < MaxFonts || m_fonts.contains(parameter)) {
            m_entry = parameter;
            m_fonts.try_emplace(parameter);
        } else {
            m_entry.reset();
        }
        break;
    case Kw::FontCharset:
        if (m_entry)
            m_fonts[*m_entry].codePage = codePageOfCharset(parameter);
        break;
    case Kw::FontCodePage:
        if (m_entry)
            m_fonts[*m_entry].codePage = parameter;
        break;
    default:
        break;
    }
}

void FontTable::addNameByte(char byte) {
    if (m_entry && m_name.size() < MaxFontNameBytes)
        m_name.append(byte);
}

void FontTable::commitName(Decoder& decoder, int codePage) {
    if (m_name.isEmpty())
        return;
    if (m_entry) {
        Font& font = m_fonts[*m_entry];
        font.family = decoder.decode(m_name, font.codePage ? font.codePage : codePage).trimmed();
        // Symbol fonts are known by name too: not every writer gives them their character set.
        if (font.family.compare(u"Symbol", Qt::CaseInsensitive) == 0)
            font.codePage = SymbolCodePage;
        else if (font.family.startsWith(u"Wingdings", Qt::CaseInsensitive))
            font.codePage = WingdingsCodePage;
    }
    m_name.clear();
}

void FontTable::colourWord(Kw kind, int parameter) {
    const int value = std::clamp(parameter, 0, 255);
    switch (kind) {
    case Kw::Red:
        m_colour.red = value;
        break;
    case Kw::Green:
        m_colour.green = value;
        break;
    case Kw::Blue:
        m_colour.blue = value;
        break;
    default:
        return;
    }
    m_colour.given = true;
}

void FontTable::endColour() {
    // An entry without any component is "automatic", kept as an invalid colour.
    m_colours.push_back(m_colour.given ? QColor(m_colour.red, m_colour.green, m_colour.blue) : QColor());
    m_colour = {};
}

const Font* FontTable::fontOf(int font) const {
    auto it = m_fonts.find(font >= 0 ? font : m_defaultFont);
    if (it == m_fonts.end())
        it = m_fonts.find(m_defaultFont);
    return it != m_fonts.end() ? &it->second : nullptr;
}

QColor FontTable::colour(int index) const {
    return index >= 0 && size_t(index) < m_colours.size() ? m_colours[size_t(index)] : QColor();
}

} // namespace Rtf
