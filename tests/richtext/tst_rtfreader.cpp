#include "RtfReader.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <optional>

#include <sys/stat.h>

namespace {

// The text as the reader built it, paragraphs joined by '\n' and every other character kept as is.
QString shownText(const QByteArray& rtf) {
    QTextDocument document;
    RtfReader::read(rtf, &document);
    return document.toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

// The format of the first run whose text contains word.
std::optional<QTextCharFormat> formatOf(const QTextDocument& document, const QString& word) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text().contains(word))
                return it.fragment().charFormat();
        }
    }
    return std::nullopt;
}

QTextBlockFormat blockFormatOf(const QTextDocument& document, const QString& word) {
    return document.find(word).block().blockFormat();
}

QColor foregroundOf(const QTextCharFormat& format) {
    return format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : QColor();
}

QColor backgroundOf(const QTextCharFormat& format) {
    return format.hasProperty(QTextFormat::BackgroundBrush) ? format.background().color() : QColor();
}

QByteArray randomBytes(int size, quint32 seed) {
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = static_cast<char>(generator.bounded(256));
    return bytes;
}

} // namespace

class RtfReaderTest : public QObject {
    Q_OBJECT

private slots:
    // Well-formed documents.
    void plainText_data();
    void plainText();
    void skippedGroups_data();
    void skippedGroups();
    void encoding_data();
    void encoding();
    void characterFormat_data();
    void characterFormat();
    void fontSize_data();
    void fontSize();
    void fontsAndColours_data();
    void fontsAndColours();
    void paragraphFormat_data();
    void paragraphFormat();
    void wordProcessorDocument();

    // Damaged and hostile input.
    void damagedInput_data();
    void damagedInput();
    void deepNesting_data();
    void deepNesting();
    void hugeParameters();
    void notRtf_data();
    void notRtf();
    void randomBytes_data();
    void randomBytes();

    void splitLongParagraphs_data();
    void splitLongParagraphs();

    void readFile_data();
    void readFile();
};

void RtfReaderTest::plainText_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one paragraph") << QByteArray(R"({\rtf1\ansi Hello world})") << "Hello world";
    QTest::newRow("paragraphs") << QByteArray(R"({\rtf1 One\par Two\par Three\par})") << "One\nTwo\nThree";
    QTest::newRow("empty paragraph") << QByteArray(R"({\rtf1 A\par\par B})") << "A\n\nB";
    QTest::newRow("delimiting space") << QByteArray(R"({\rtf1 \b bold\b0  plain})") << "bold plain";
    QTest::newRow("line and tab") << QByteArray(R"({\rtf1 A\line B\tab C})") << "A\u2028B\tC";
    QTest::newRow("source line ends") << QByteArray("{\\rtf1 Hel\r\nlo\\\r\nWorld}") << "Hello\nWorld";
    QTest::newRow("section and page") << QByteArray(R"({\rtf1 A\sect B\page C})") << "A\nB\nC";
    QTest::newRow("table") << QByteArray(R"({\rtf1 \trowd\cellx1000\cellx2000 A\cell B\cell\row C})")
                           << "A\tB\t\nC";
    QTest::newRow("escaped characters") << QByteArray(R"({\rtf1 \{a\}\\})") << "{a}\\";
    QTest::newRow("non-breaking space, optional and non-breaking hyphens")
        << QByteArray(R"({\rtf1 a\~b\-c\_d})") << "a\u00A0b\u00ADc\u2011d";
    QTest::newRow("named punctuation")
        << QByteArray(R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})") << "—–•‘’“”";
}

void RtfReaderTest::plainText() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(shownText(rtf), expected);
}

void RtfReaderTest::skippedGroups_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::newRow("generator") << QByteArray(R"({\rtf1{\*\generator Writer 1.0;}Text})") << "Text";
    QTest::newRow("info") << QByteArray(R"({\rtf1{\info{\title T}{\author Me}}Text})") << "Text";
    QTest::newRow("stylesheet") << QByteArray(R"({\rtf1{\stylesheet{\s0 Normal;}{\s1 Heading 1;}}Text})")
                                << "Text";
    QTest::newRow("picture") << QByteArray(R"({\rtf1 A{\pict\pngblip\picw10 89504e470d0a1a0a}B})") << "AB";
    QTest::newRow("binary picture data") << QByteArray(R"({\rtf1 A{\pict\bin4 }}}}}B})") << "AB";
    QTest::newRow("header and footer") << QByteArray(R"({\rtf1{\header Page}{\footerr Foot}Text})") << "Text";
    QTest::newRow("unknown starred") << QByteArray(R"({\rtf1{\*\mynewthing {nested} text}Text})") << "Text";
    QTest::newRow("field") << QByteArray(R"({\rtf1 See {\field{\*\fldinst HYPERLINK "x"}{\fldrslt site}}.})")
                           << "See site.";
    QTest::newRow("list tables") << QByteArray(
                                        R"({\rtf1{\*\listtable{\list{\listlevel{\leveltext\'01\'b7;}}}})"
                                        R"({\*\listoverridetable{\listoverride\ls1}}Text})")
                                 << "Text";
    QTest::newRow("numbering text kept")
        << QByteArray(R"({\rtf1{\pntext 1.\tab}{\*\pn\pnlvlbody{\pntxta .}}Item})") << "1.\tItem";
    QTest::newRow("numbering definition") << QByteArray(R"({\rtf1{\pn\pnlvlblt{\pntxtb x}}Item})") << "Item";
    QTest::newRow("document store")
        << QByteArray(R"({\rtf1{\*\themedata 0123}{\*\colorschememapping 3c3f}{\*\latentstyles\lsdstimax376)"
                      R"({\lsdlockedexcept Normal;}}{\*\datastore 0105}{\*\xmlnsdecl x}Text})")
        << "Text";
}

void RtfReaderTest::skippedGroups() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(shownText(rtf), expected);
}

void RtfReaderTest::encoding_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::newRow("windows-1252 letter") << QByteArray(R"({\rtf1\ansi caf\'e9})") << "café";
    QTest::newRow("windows-1252 euro") << QByteArray(R"({\rtf1\ansi\ansicpg1252 \'80})") << "€";
    QTest::newRow("8-bit source text") << QByteArray("{\\rtf1 caf\xe9}") << "café";
    QTest::newRow("windows-1251") << QByteArray(R"({\rtf1\ansi\ansicpg1251 \'e4})") << "д";
    QTest::newRow("font character set")
        << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset204 Arial Cyr;}}\f0 \'e4})") << "д";
    QTest::newRow("double-byte code page") << QByteArray(R"({\rtf1\ansi\ansicpg932 \'82\'a0})") << "あ";
    QTest::newRow("unknown code page") << QByteArray(R"({\rtf1\ansicpg12345 \'e9\'80})") << "é\u0080";
    QTest::newRow("symbol font bullet")
        << QByteArray(R"({\rtf1{\fonttbl{\f1\fcharset2 Symbol;}}{\f1\'b7}x})") << "•x";
    QTest::newRow("unicode with fallback") << QByteArray(R"({\rtf1\u8364?})") << "€";
    QTest::newRow("no fallback") << QByteArray(R"({\rtf1\uc0\u8364?})") << "€?";
    QTest::newRow("two fallback characters") << QByteArray(R"({\rtf1\uc2\u8364 ab c})") << "€ c";
    QTest::newRow("hex fallback") << QByteArray(R"({\rtf1\u8364\'80x})") << "€x";
    QTest::newRow("fallback count scoped") << QByteArray(R"({\rtf1{\uc2\u8364 ab}\u8364 ?c})") << "€€c";
    QTest::newRow("negative value") << QByteArray(R"({\rtf1\u-21504?})") << "가";
    QTest::newRow("surrogate pair") << QByteArray(R"({\rtf1\u-10179?\u-8704?})") << "😀";
    QTest::newRow("lone surrogate") << QByteArray(R"({\rtf1\u-10179?x})") << "\uFFFDx";
}

void RtfReaderTest::encoding() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(shownText(rtf), expected);
}

void RtfReaderTest::characterFormat_data() {
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<bool>("strike");
    QTest::addColumn<int>("vertical");
    constexpr int Normal = QTextCharFormat::AlignNormal;
    constexpr int Super = QTextCharFormat::AlignSuperScript;
    constexpr int Sub = QTextCharFormat::AlignSubScript;
    QTest::newRow("plain") << "alpha" << false << false << false << false << Normal;
    QTest::newRow("bold group") << "bravo" << true << false << false << false << Normal;
    QTest::newRow("nested italic") << "charlie" << true << true << false << false << Normal;
    QTest::newRow("italic group closed") << "delta" << true << false << false << false << Normal;
    QTest::newRow("underline group") << "echo" << false << false << true << false << Normal;
    QTest::newRow("strike group") << "foxtrot" << false << false << false << true << Normal;
    QTest::newRow("bold on") << "golf" << true << false << false << false << Normal;
    QTest::newRow("bold off") << "hotel" << false << false << false << false << Normal;
    QTest::newRow("underline on") << "india" << false << false << true << false << Normal;
    QTest::newRow("underline none") << "juliet" << false << false << false << false << Normal;
    QTest::newRow("underline again") << "kilo" << false << false << true << false << Normal;
    QTest::newRow("underline zero") << "lima" << false << false << false << false << Normal;
    QTest::newRow("all on") << "mike" << true << true << true << false << Normal;
    QTest::newRow("plain resets") << "november" << false << false << false << false << Normal;
    QTest::newRow("superscript") << "oscar" << false << false << false << false << Super;
    QTest::newRow("back to the line") << "papa" << false << false << false << false << Normal;
    QTest::newRow("subscript") << "quebec" << false << false << false << false << Sub;
}

void RtfReaderTest::characterFormat() {
    QFETCH(QString, word);
    QTextDocument document;
    RtfReader::read(
        R"({\rtf1\ansi alpha {\b bravo {\i charlie} delta} {\ul echo} {\strike foxtrot} )"
        R"(\b golf\b0  hotel \ul india\ulnone  juliet \ul kilo\ul0  lima {\b\i\ul mike\plain  november} )"
        R"({\super oscar\nosupersub  papa}{\sub quebec}})",
        &document);
    const std::optional<QTextCharFormat> format = formatOf(document, word);
    QVERIFY(format);
    QTEST(format->fontWeight() == QFont::Bold, "bold");
    QTEST(format->fontItalic(), "italic");
    QTEST(format->fontUnderline(), "underline");
    QTEST(format->fontStrikeOut(), "strike");
    QTEST(int(format->verticalAlignment()), "vertical");
}

void RtfReaderTest::fontSize_data() {
    QTest::addColumn<QString>("word");
    QTest::addColumn<double>("points");
    // Sizes are written in half-points; a document without any is in 12 points.
    QTest::newRow("default") << "normal" << 12.0;
    QTest::newRow("fs48") << "big" << 24.0;
    QTest::newRow("odd half-points") << "small" << 8.5;
    QTest::newRow("after group") << "after" << 12.0;
}

void RtfReaderTest::fontSize() {
    QFETCH(QString, word);
    QFETCH(double, points);
    QTextDocument document;
    RtfReader::read(R"({\rtf1 normal {\fs48 big} {\fs17 small} after})", &document);
    const std::optional<QTextCharFormat> format = formatOf(document, word);
    QVERIFY(format);
    QCOMPARE(format->fontPointSize(), points);
}

void RtfReaderTest::fontsAndColours_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("family");
    QTest::addColumn<QColor>("foreground");
    QTest::addColumn<QColor>("background");
    const QByteArray document(
        R"({\rtf1\deff1{\fonttbl{\f0\froman Times New Roman;}{\f1\fswiss Arial;}})"
        R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
        R"(plain {\f0 serif} {\cf1 red} {\cf2 blue} {\cf0 auto} {\cb2 shaded} {\highlight1 marked} )"
        R"({\f99 nofont} {\cf99 nocolour}})");
    const QColor none;
    QTest::newRow("default font") << document << "plain"
                                  << "Arial" << none << none;
    QTest::newRow("chosen font") << document << "serif"
                                 << "Times New Roman" << none << none;
    QTest::newRow("red") << document << "red"
                         << "Arial" << QColor(Qt::red) << none;
    QTest::newRow("blue") << document << "blue"
                          << "Arial" << QColor(Qt::blue) << none;
    QTest::newRow("automatic colour") << document << "auto"
                                      << "Arial" << none << none;
    QTest::newRow("background") << document << "shaded"
                                << "Arial" << none << QColor(Qt::blue);
    QTest::newRow("highlight") << document << "marked"
                               << "Arial" << none << QColor(Qt::red);
    QTest::newRow("font out of range") << document << "nofont"
                                       << "Arial" << none << none;
    QTest::newRow("colour out of range") << document << "nocolour"
                                         << "Arial" << none << none;
    QByteArray manyFonts = R"({\rtf1\deff0{\fonttbl{\f0\fswiss Arial;})";
    for (int font = 1; font < 70; ++font)
        manyFonts +=
            QByteArray(R"({\f)") + QByteArray::number(font) + R"( Family )" + QByteArray::number(font) + ";}";
    QTest::newRow("font beyond the first 64") << manyFonts + R"(}\f69 late})"
                                              << "late"
                                              << "Arial" << none << none;
    QTest::newRow("table without groups")
        << QByteArray(R"({\rtf1{\fonttbl\f0\fswiss Arial;\f1\froman Courier New;}\f1 mono})") << "mono"
        << "Courier New" << none << none;
}

void RtfReaderTest::fontsAndColours() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, word);
    QTextDocument document;
    RtfReader::read(rtf, &document);
    const std::optional<QTextCharFormat> format = formatOf(document, word);
    QVERIFY(format);
    QTEST(format->fontFamilies().toStringList().value(0), "family");
    QTEST(foregroundOf(*format), "foreground");
    QTEST(backgroundOf(*format), "background");
}

void RtfReaderTest::paragraphFormat_data() {
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("right");
    QTest::addColumn<double>("indent");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("bottom");
    // Measures are in twips, 15 to the pixel.
    QTest::newRow("centred") << "centre" << int(Qt::AlignHCenter) << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("right") << "right" << int(Qt::AlignRight) << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("justified") << "justified" << int(Qt::AlignJustify) << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("reset") << "left" << int(Qt::AlignLeft) << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("indents") << "indented" << int(Qt::AlignLeft) << 20.0 << 10.0 << -10.0 << 0.0 << 0.0;
    QTest::newRow("spacing") << "spaced" << int(Qt::AlignLeft) << 0.0 << 0.0 << 0.0 << 8.0 << 16.0;
    QTest::newRow("last paragraph") << "last" << int(Qt::AlignRight) << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
}

void RtfReaderTest::paragraphFormat() {
    QFETCH(QString, word);
    QTextDocument document;
    RtfReader::read(R"({\rtf1 \pard\qc centre\par \pard\qr right\par \pard\qj justified\par \pard left\par )"
                    R"(\pard\li300\ri150\fi-150 indented\par \pard\sb120\sa240 spaced\par \pard\qr last})",
                    &document);
    const QTextBlockFormat format = blockFormatOf(document, word);
    QTEST(int(format.alignment() & Qt::AlignHorizontal_Mask), "alignment");
    QTEST(format.leftMargin(), "left");
    QTEST(format.rightMargin(), "right");
    QTEST(format.textIndent(), "indent");
    QTEST(format.topMargin(), "top");
    QTEST(format.bottomMargin(), "bottom");
}

void RtfReaderTest::wordProcessorDocument() {
    // Shaped like the output of a common word processor: font and colour tables, metadata, bullets
    // and a link.
    const QByteArray rtf =
        R"({\rtf1\ansi\ansicpg1252\deff0\nouicompat\deflang1033{\fonttbl{\f0\fnil\fcharset0 Calibri;})"
        R"({\f1\fnil\fcharset2 Symbol;}}
{\colortbl ;\red0\green77\blue187;}
{\*\generator Riched20 10.0.19041}{\info{\title Help}{\author Someone}}\viewkind4\uc1
\pard\sa200\sl276\slmult1\qc\b\f0\fs32\lang9 Courtvane Help\b0\fs22\par
\pard\sa200\sl276\slmult1 Keys you can press:\par
\pard{\pntext\f1\'B7\tab}{\*\pn\pnlvlblt\pnf1\pnindent0{\pntxtb\'B7}}\fi-360\li720\sa200\sl276\slmult1 Start\par
{\pntext\f1\'B7\tab}Stop\par
\pard\sa200\sl276\slmult1 See {\field{\*\fldinst{HYPERLINK "http://example.org/"}}{\fldrslt{\ul\cf1 the site}}})"
        R"(\f0\fs22  for more.\par
}
)";
    QTextDocument document;
    RtfReader::read(rtf, &document);
    QCOMPARE(document.toPlainText(),
             "Courtvane Help\nKeys you can press:\n•\tStart\n•\tStop\nSee the site for more.");

    const std::optional<QTextCharFormat> title = formatOf(document, "Courtvane Help");
    QVERIFY(title);
    QCOMPARE(title->fontWeight(), QFont::Bold);
    QCOMPARE(title->fontPointSize(), 16.0);
    QCOMPARE(title->fontFamilies().toStringList().value(0), "Calibri");
    QCOMPARE(blockFormatOf(document, "Courtvane Help").alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);

    const QTextBlockFormat bullet = blockFormatOf(document, "Stop");
    QCOMPARE(bullet.leftMargin(), 48.0);
    QCOMPARE(bullet.textIndent(), -24.0);
    // The tab after the bullet reaches the left indent, where the item's further lines start.
    document.setTextWidth(400);
    document.size();
    const QTextBlock item = document.find("Stop").block();
    QCOMPARE(item.layout()->lineAt(0).cursorToX(item.text().indexOf("Stop")), bullet.leftMargin());

    const std::optional<QTextCharFormat> link = formatOf(document, "the site");
    QVERIFY(link);
    QVERIFY(link->fontUnderline());
    QCOMPARE(foregroundOf(*link), QColor(0, 77, 187));
    const std::optional<QTextCharFormat> after = formatOf(document, "for more");
    QVERIFY(after);
    QVERIFY(!after->fontUnderline());
}

void RtfReaderTest::damagedInput_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("cut in a word") << QByteArray(R"({\rtf1 Hello\pa)") << "Hello";
    QTest::newRow("cut in a hex escape") << QByteArray(R"({\rtf1 Hello\'e)") << "Hello";
    QTest::newRow("cut after a backslash") << QByteArray(R"({\rtf1 Hello\)") << "Hello";
    QTest::newRow("cut in a parameter") << QByteArray(R"({\rtf1 Hello\u83)") << "HelloS";
    QTest::newRow("open groups at end") << QByteArray(R"({\rtf1 Hello{\b{\i)") << "Hello";
    QTest::newRow("binary length past the end") << QByteArray(R"({\rtf1 Hello\bin999999999 xyz)") << "Hello";
    QTest::newRow("braces inside binary data") << QByteArray(R"({\rtf1 A\bin3 }{\B})") << "AB";
    QTest::newRow("stray closing braces") << QByteArray(R"({\rtf1 {\b A}}} B}})") << "A B";
    QTest::newRow("bad hex digits") << QByteArray(R"({\rtf1 \'zz ok})") << "zz ok";
    QTest::newRow("NUL bytes") << QByteArray("{\\rtf1 a\0b\\'00c}", 16) << "abc";
}

void RtfReaderTest::damagedInput() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(shownText(rtf), expected);
}

void RtfReaderTest::deepNesting_data() {
    QTest::addColumn<bool>("closed");
    QTest::newRow("closed") << true;
    QTest::newRow("never closed") << false;
}

void RtfReaderTest::deepNesting() {
    QFETCH(bool, closed);
    constexpr int Depth = 100000;
    QByteArray rtf = R"({\rtf1\ansi before {\b )" + QByteArray(Depth, '{') + "deep";
    if (closed)
        rtf += QByteArray(Depth + 1, '}') + " after}";
    QTextDocument document;
    RtfReader::read(rtf, &document);
    QCOMPARE(document.toPlainText(), closed ? "before deep after" : "before deep");
    const std::optional<QTextCharFormat> deep = formatOf(document, "deep");
    QVERIFY(deep);
    QCOMPARE(deep->fontWeight(), QFont::Bold);
    if (closed) {
        const std::optional<QTextCharFormat> after = formatOf(document, "after");
        QVERIFY(after);
        QCOMPARE(after->fontWeight(), QFont::Normal);
    }
}

void RtfReaderTest::hugeParameters() {
    QTextDocument document;
    RtfReader::read(R"({\rtf1{\colortbl;\red999999999999\green-5\blue0;}{\fs99999999999999999999 big} )"
                    R"({\li99999999999999 wide\par} A\u-99999999999?B {\uc99999999\u8364 eaten}kept )"
                    R"({\cf1 tinted}{\cf99999999999 plain}})",
                    &document);
    const QString text = document.toPlainText();
    QVERIFY2(text.startsWith("big wide\n A"), qPrintable(text));
    // The oversized \u still gives one character in place of its fallback.
    QVERIFY2(QRegularExpression(" A[^?]B ").match(text).hasMatch(), qPrintable(text));
    QVERIFY(text.contains("€kept"));
    QVERIFY(!text.contains("eaten"));

    const std::optional<QTextCharFormat> big = formatOf(document, "big");
    QVERIFY(big);
    QVERIFY(big->fontPointSize() > 12.0);
    QVERIFY(big->fontPointSize() <= 1638.0); // the largest size a word processor offers
    const double wide = blockFormatOf(document, "wide").leftMargin();
    QVERIFY(wide > 0.0);
    QVERIFY(wide <= 22 * 96.0); // 22 inches, the widest page a word processor offers
    const std::optional<QTextCharFormat> tinted = formatOf(document, "tinted");
    QVERIFY(tinted);
    QCOMPARE(foregroundOf(*tinted), QColor(255, 0, 0));
    const std::optional<QTextCharFormat> plain = formatOf(document, "plain");
    QVERIFY(plain);
    QVERIFY(!foregroundOf(*plain).isValid());
}

void RtfReaderTest::notRtf_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("text file") << QByteArray("Notes\nline two\n") << "Notes\nline two\n";
    QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9") << "café";
    QTest::newRow("invalid UTF-8") << QByteArray("a\xff"
                                                 "b")
                                   << "a\uFFFDb";
    QTest::newRow("NUL bytes") << QByteArray("a\0b", 3) << "ab";
    QTest::newRow("stray brace before header") << QByteArray(R"(}{\rtf1 x})") << R"(}{\rtf1 x})";
}

void RtfReaderTest::notRtf() {
    QFETCH(QByteArray, bytes);
    QTextDocument document;
    RtfReader::read(bytes, &document);
    QTEST(document.toPlainText(), "expected");
}

void RtfReaderTest::randomBytes_data() {
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<int>("size");
    QTest::addColumn<quint32>("seed");
    for (const int size : {16, 4096, 1 << 20}) {
        QTest::addRow("raw %d", size) << QByteArray() << size << quint32(size);
        QTest::addRow("after header %d", size) << QByteArray(R"({\rtf1 )") << size << quint32(size + 1);
    }
}

void RtfReaderTest::randomBytes() {
    QFETCH(QByteArray, prefix);
    QFETCH(int, size);
    QFETCH(quint32, seed);
    const QByteArray bytes = prefix + ::randomBytes(size, seed);
    QTextDocument document;
    RtfReader::read(bytes, &document);
    const QString text = document.toPlainText();
    QVERIFY(!text.contains(QChar(0)));
    if (prefix.isEmpty()) {
        // Random bytes are shown as the text they are not, with their invalid sequences marked.
        QVERIFY(text.contains(QChar::ReplacementCharacter));
    } else {
        // No source byte stands for more than one character.
        QVERIFY(document.characterCount() <= bytes.size() + 1);
    }
}

void RtfReaderTest::splitLongParagraphs_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("lengths");
    constexpr int Max = RtfReader::MaxParagraphLength;
    QTest::newRow("short") << QString(Max, u'x') << QList<int>{Max};
    QTest::newRow("no blanks") << QString(2 * Max + 5, u'x') << QList<int>{Max, Max, 5};
    QTest::newRow("after the last blank")
        << QString(Max - 10, u'x') + u' ' + QString(20, u'y') << QList<int>{Max - 9, 20};
    QTest::newRow("blank too early") << QString(10, u'x') + u' ' + QString(Max, u'y') << QList<int>{Max, 11};
    QTest::newRow("pair kept whole") << QString(Max - 1, u'x') + QStringLiteral("\U0001F3C0 end")
                                     << QList<int>{Max - 1, 6};
    QTest::newRow("second paragraph")
        << QStringLiteral("first\n") + QString(Max + 1, u'x') << QList<int>{5, Max, 1};
}

void RtfReaderTest::splitLongParagraphs() {
    QFETCH(QString, text);
    QTextDocument document;
    document.setPlainText(text);
    RtfReader::splitLongParagraphs(&document);

    QList<int> lengths;
    QString joined;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        lengths.append(int(block.text().size()));
        joined += block.text();
    }
    QTEST(lengths, "lengths");
    // Nothing is lost or added, only paragraph ends.
    QCOMPARE(joined, QString(text).remove(u'\n'));
}

void RtfReaderTest::readFile_data() {
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<RtfReader::FileStatus>("status");
    using enum RtfReader::FileStatus;
    QTest::newRow("rich text") << QByteArray("rtf") << Read;
    QTest::newRow("largest") << QByteArray("largest") << Read;
    QTest::newRow("one byte too large") << QByteArray("too large") << TooLarge;
    QTest::newRow("missing") << QByteArray("missing") << Missing;
    QTest::newRow("folder") << QByteArray("folder") << NotAFile;
    QTest::newRow("pipe without a writer") << QByteArray("pipe") << NotAFile;
}

void RtfReaderTest::readFile() {
    QFETCH(QByteArray, kind);
    QFETCH(RtfReader::FileStatus, status);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath("help.rtf");
    const QByteArray rtf = R"({\rtf1\ansi From a {\b file}\par})";
    if (kind == "folder") {
        QVERIFY(QDir(folder.path()).mkdir("help.rtf"));
    } else if (kind == "pipe") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind != "missing") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(rtf);
        if (kind != "rtf")
            QVERIFY(file.resize(RtfReader::MaxFileSize + (kind == "too large" ? 1 : 0)));
    }

    QTextDocument document;
    document.setPlainText("kept");
    QCOMPARE(RtfReader::readFile(path, &document), status);
    QCOMPARE(document.toPlainText().startsWith("From a file"), status == RtfReader::FileStatus::Read);
    if (status != RtfReader::FileStatus::Read)
        QCOMPARE(document.toPlainText(), "kept");
}

Q_DECLARE_METATYPE(RtfReader::FileStatus)

QTEST_MAIN(RtfReaderTest)
#include "tst_rtfreader.moc"
