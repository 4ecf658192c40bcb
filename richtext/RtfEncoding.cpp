#include "richtext/RtfEncoding.h"

#include <utility>

namespace Rtf {

namespace {

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

} // namespace

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

bool isSymbolCodePage(int codePage) {
    return codePage == SymbolCodePage || codePage == WingdingsCodePage;
}

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

QString Decoder::decode(QByteArrayView bytes, int codePage) {
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

} // namespace Rtf
