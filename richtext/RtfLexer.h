#pragma once

#include <QByteArrayView>

#include <algorithm>
#include <limits>
#include <string_view>

// Splits RTF source into tokens. Every call consumes at least one byte or reports the end, and no
// token is longer than its source, so a whole file is tokenized in linear time whatever it holds.
class RtfLexer {
public:
    struct Token {
        enum class Kind {
            End,
            OpenGroup,
            CloseGroup,
            Word,   // \letters with an optional numeric parameter
            Symbol, // \ and one character that is not a letter
            Text,   // a plain character of the source
            Byte,   // an escaped byte (\'hh, \\, \{, \}): text that is never a delimiter
            Nothing // a malformed escape that stands for nothing
        };
        Kind kind = Kind::End;
        std::string_view word;
        int parameter = 0;
        bool hasParameter = false;
        char byte = 0;
    };

    static Token token(Token::Kind kind, char byte = 0) {
        Token result;
        result.kind = kind;
        result.byte = byte;
        return result;
    }

    explicit RtfLexer(QByteArrayView source) : m_source(source) {}

    Token next() {
        while (m_pos < m_source.size()) {
            const char c = m_source[m_pos++];
            switch (c) {
            case '{':
                return token(Token::Kind::OpenGroup);
            case '}':
                return token(Token::Kind::CloseGroup);
            case '\\':
                return escape();
            case '\t':
                return token(Token::Kind::Text, c);
            default:
                // Line ends and other control bytes are layout of the source, not text.
                if (static_cast<unsigned char>(c) < 0x20)
                    continue;
                return token(Token::Kind::Text, c);
            }
        }
        return {};
    }

    // Takes the data of \binN, which may hold any byte, braces included.
    QByteArrayView takeBytes(qint64 count) {
        const qint64 left = m_source.size() - m_pos;
        const QByteArrayView bytes = m_source.sliced(m_pos, std::clamp<qint64>(count, 0, left));
        m_pos += bytes.size();
        return bytes;
    }

    // How far into the source the tokens so far reach.
    qsizetype position() const { return m_pos; }

    // The value of a hexadecimal digit, or -1 for any other character.
    static int hexValue(char c) {
        if (isDigit(c))
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

private:
    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    bool at(qsizetype pos, bool (*test)(char)) const { return pos < m_source.size() && test(m_source[pos]); }

    Token escape() {
        if (m_pos >= m_source.size())
            return {};
        if (isLetter(m_source[m_pos]))
            return controlWord();
        const char c = m_source[m_pos++];
        switch (c) {
        case '\'':
            return hexByte();
        case '\\':
        case '{':
        case '}':
            return token(Token::Kind::Byte, c);
        case '\r':
        case '\n':
            // A backslash before a line end is an old way of writing \par.
            {
                Token par = token(Token::Kind::Word);
                par.word = "par";
                return par;
            }
        default:
            return token(Token::Kind::Symbol, c);
        }
    }

    Token controlWord() {
        Token word = token(Token::Kind::Word);
        const qsizetype start = m_pos;
        while (at(m_pos, isLetter))
            ++m_pos;
        word.word = std::string_view(m_source.data() + start, static_cast<size_t>(m_pos - start));

        const bool negative =
            m_pos + 1 < m_source.size() && m_source[m_pos] == '-' && isDigit(m_source[m_pos + 1]);
        if (negative)
            ++m_pos;
        if (at(m_pos, isDigit)) {
            // Every digit is consumed, but the value stops growing once it is out of 32-bit range.
            constexpr qint64 Ceiling = qint64(std::numeric_limits<int>::max()) + 1;
            qint64 value = 0;
            while (at(m_pos, isDigit)) {
                if (value <= Ceiling)
                    value = value * 10 + (m_source[m_pos] - '0');
                ++m_pos;
            }
            value = negative ? -value : value;
            word.parameter = static_cast<int>(
                std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
            word.hasParameter = true;
        }
        if (m_pos < m_source.size() && m_source[m_pos] == ' ')
            ++m_pos;
        return word;
    }

    // \'hh needs both digits; a cut-off escape stands for nothing rather than for a stray byte.
    Token hexByte() {
        int value = 0;
        int digits = 0;
        while (digits < 2 && m_pos < m_source.size() && hexValue(m_source[m_pos]) >= 0) {
            value = value * 16 + hexValue(m_source[m_pos++]);
            ++digits;
        }
        if (digits < 2)
            return token(Token::Kind::Nothing);
        return token(Token::Kind::Byte, static_cast<char>(value));
    }

    QByteArrayView m_source;
    qsizetype m_pos = 0;
};
