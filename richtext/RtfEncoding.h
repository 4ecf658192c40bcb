#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringDecoder>

#include <map>

// Code pages, and the symbol fonts that draw bytes as pictures rather than as letters.
namespace Rtf {

inline constexpr int DefaultCodePage = 1252;
// Windows' number for the symbol character set, whose fonts draw bytes as pictures.
inline constexpr int SymbolCodePage = 42;
// Our own number for the Wingdings fonts, which draw other pictures for the same bytes.
inline constexpr int WingdingsCodePage = 0x10042;

// The code page of a font's character set (\fcharset), or 0 where it is simply the document's own.
int codePageOfCharset(int charset);

bool isSymbolCodePage(int codePage);

// The Unicode character for a byte of a symbol font, for the bytes that bulleted text uses; other
// bytes are left as they are.
QChar symbolCharacter(uchar byte, int codePage);

// Turns bytes of any code page into text; each code page's decoder is made once, when first needed.
class Decoder {
public:
    QString decode(QByteArrayView bytes, int codePage);

private:
    std::map<int, QStringDecoder> m_decoders;
};

} // namespace Rtf
