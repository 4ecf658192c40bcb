#include "richtext/RtfReader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>

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

// A table's cells as "a|b/c|d": rows split by '/', cells by '|', paragraphs of a cell by '+', nested
// tables in brackets; empty paragraphs are left out.
QString cellTexts(const QTextTable* table) {
    QStringList rows;
    for (int row = 0; row < table->rows(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columns(); ++column) {
            QStringList parts;
            const QTextTableCell cell = table->cellAt(row, column);
            for (auto it = cell.begin(); !it.atEnd(); ++it) {
                if (const auto* nested = qobject_cast<const QTextTable*>(it.currentFrame()))
                    parts.append('[' + cellTexts(nested) + ']');
                else if (!it.currentBlock().text().isEmpty())
                    parts.append(it.currentBlock().text());
            }
            cells.append(parts.join(u'+'));
        }
        rows.append(cells.join(u'|'));
    }
    return rows.join(u'/');
}

// One view of the document's structure, named by what it shows.
QString structure(const QTextDocument& document, const QString& view) {
    QStringList parts;
    if (view == "text")
        return document.toPlainText();
    if (view == "tables" || view == "widths") {
        for (QTextFrame* frame : document.rootFrame()->childFrames()) {
            const auto* table = qobject_cast<const QTextTable*>(frame);
            if (table && view == "tables") {
                parts.append(cellTexts(table));
            } else if (table) {
                for (const QTextLength& width : table->format().columnWidthConstraints())
                    parts.append(QString::number(width.rawValue()));
            }
        }
        return parts.join(u' ');
    }
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (view == "list" && block.textList()) {
            const QTextList* list = block.textList();
            const QString marker = list->format().style() == QTextListFormat::ListDisc     ? "disc"
                                   : list->format().style() == QTextListFormat::ListCircle ? "circle"
                                   : list->format().style() == QTextListFormat::ListSquare
                                       ? "square"
                                       : list->itemText(block);
            parts.append(marker + ' ' + block.text());
        }
        // A list's marker is drawn in its block's own character format.
        if (view == "marker size" && block.textList())
            parts.append(QString::number(block.charFormat().fontPointSize()));
        if (view == "tabs") {
            for (const QTextOption::Tab& tab : block.blockFormat().tabPositions())
                parts.append(QString::number(tab.position) + (tab.type == QTextOption::RightTab ? "R" : "L"));
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (view == "anchors" && format.isAnchor())
                parts.append(format.anchorHref() + '#' + format.anchorNames().join(u',') + '=' +
                             fragment.text());
            if (view == "marks" && format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
                parts.append(fragment.text());
            if (view == "capitals" && format.fontCapitalization() != QFont::MixedCase)
                parts.append(QString::number(format.fontCapitalization()) + ':' + fragment.text());
            if (view == "pictures" && format.isImageFormat()) {
                const QTextImageFormat image = format.toImageFormat();
                const QImage picture =
                    document.resource(QTextDocument::ImageResource, image.name()).value<QImage>();
                parts.append(QStringLiteral("%1x%2 of %3x%4")
                                 .arg(image.width())
                                 .arg(image.height())
                                 .arg(picture.width())
                                 .arg(picture.height()));
            }
        }
    }
    return parts.join(u' ');
}

// A PNG picture of the given size as the hex digits that a word processor writes.
QByteArray pngHex(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png.toHex();
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
    void structure_data();
    void structure();
    void writerDocument();

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
    // Each cell of a table starts with a frame mark of Qt's text engine, and the table ends with one.
    QTest::newRow("table") << QByteArray(R"({\rtf1 \trowd\cellx1000\cellx2000 A\cell B\cell\row C})")
                           << "\uFDD0A\uFDD0B\uFDD1C";
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
    // A picture's data is no text; the picture itself, here a placeholder, is one object character.
    QTest::newRow("picture") << QByteArray(R"({\rtf1 A{\pict\pngblip\picw10 89504e470d0a1a0a}B})")
                             << "A\uFFFCB";
    QTest::newRow("binary picture data") << QByteArray(R"({\rtf1 A{\pict\bin4 }}}}}B})") << "A\uFFFCB";
    QTest::newRow("header and footer") << QByteArray(R"({\rtf1{\header Page}{\footerr Foot}Text})") << "Text";
    QTest::newRow("unknown starred") << QByteArray(R"({\rtf1{\*\mynewthing {nested} text}Text})") << "Text";
    QTest::newRow("field") << QByteArray(R"({\rtf1 See {\field{\*\fldinst HYPERLINK "x"}{\fldrslt site}}.})")
                           << "See site.";
    QTest::newRow("list tables") << QByteArray(
                                        R"({\rtf1{\*\listtable{\list{\listlevel{\leveltext\'01\'b7;}}}})"
                                        R"({\*\listoverridetable{\listoverride\ls1}}Text})")
                                 << "Text";
    QTest::newRow("numbering text left to the list")
        << QByteArray(R"({\rtf1{\pntext 1.\tab}{\*\pn\pnlvlbody{\pntxta .}}Item})") << "Item";
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
    // The bullets are the list's own, not text.
    QCOMPARE(document.toPlainText(),
             "Courtvane Help\nKeys you can press:\nStart\nStop\nSee the site for more.");

    const std::optional<QTextCharFormat> title = formatOf(document, "Courtvane Help");
    QVERIFY(title);
    QCOMPARE(title->fontWeight(), QFont::Bold);
    QCOMPARE(title->fontPointSize(), 16.0);
    QCOMPARE(title->fontFamilies().toStringList().value(0), "Calibri");
    QCOMPARE(blockFormatOf(document, "Courtvane Help").alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);

    const QTextBlockFormat bullet = blockFormatOf(document, "Stop");
    QCOMPARE(bullet.leftMargin(), 48.0);
    // Both items are in one bulleted list, whose bullets stand before the left indent.
    const QTextBlock item = document.find("Stop").block();
    QVERIFY(item.textList());
    QCOMPARE(item.textList()->format().style(), QTextListFormat::ListDisc);
    QCOMPARE(item.textList(), document.find("Start").block().textList());
    QCOMPARE(item.textList()->format().indent(), 0);
    document.setTextWidth(400);
    document.size();
    QCOMPARE(item.layout()->lineAt(0).cursorToX(0), bullet.leftMargin());

    const std::optional<QTextCharFormat> link = formatOf(document, "the site");
    QVERIFY(link);
    QVERIFY(link->fontUnderline());
    QCOMPARE(foregroundOf(*link), QColor(0, 77, 187));
    const std::optional<QTextCharFormat> after = formatOf(document, "for more");
    QVERIFY(after);
    QVERIFY(!after->fontUnderline());
}

void RtfReaderTest::structure_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("expected");
    const QByteArray row = R"(\trowd\cellx1500\cellx4500 )";
    QTest::newRow("table of 2 x 2 cells") << R"({\rtf1 )" + row + R"(\intbl A\cell B\cell\row )" + row +
                                                 R"(\intbl C\cell D\cell\row\pard After})"
                                          << "tables"
                                          << "A|B/C|D";
    QTest::newRow("cell widths") << R"({\rtf1 )" + row + R"(\intbl A\cell B\cell\row})"
                                 << "widths"
                                 << "100 200";
    QTest::newRow("paragraphs in a cell")
        << QByteArray(R"({\rtf1\trowd\cellx900\pard\intbl one\par two\cell\row})") << "tables"
        << "one+two";
    QTest::newRow("nested table, its fallback skipped")
        << QByteArray(
               R"({\rtf1\trowd\cellx3000\cellx6000\pard\intbl A\cell\pard\intbl\itap2 x\nestcell y\nestcell)"
               R"({\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow}{\nonesttables x\tab y\par})"
               R"(\pard\intbl\cell\row})")
        << "tables"
        << "A|[x|y]";
    const QByteArray lists = R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}})"
                             R"({\listlevel\levelnfc23{\leveltext\'01\u-3913 ?;}}\listid7}})"
                             R"({\*\listoverridetable{\listoverride\listid7\ls1}})";
    QTest::newRow("numbered list") << lists +
                                          R"({\listtext 1.\tab}\ls1 One\par Two\par Three\par\pard After})"
                                   << "list"
                                   << "1. One 2. Two 3. Three";
    QTest::newRow("bulleted sublevel") << lists + R"(\ls1 One\par\ilvl1 Sub\par\ilvl0 Two\par})"
                                       << "list"
                                       << "1. One disc Sub 2. Two";
    QTest::newRow("older numbering") << QByteArray(
                                            R"({\rtf1{\*\pn\pnlvlbody\pnucrm}A\par{\*\pn\pnlvlbody\pnucrm}B)"
                                            R"(\par\pard C\par{\*\pn\pnlvlblt}D})")
                                     << "list"
                                     << "I. A II. B disc D";
    QTest::newRow("marker in its item's size, not the heading's")
        << QByteArray(R"({\rtf1\fs40 Heading\par\pard\fs20{\*\pn\pnlvlblt}Item\par})") << "marker size"
        << "10";
    QTest::newRow("link") << QByteArray(R"({\rtf1 See {\field{\*\fldinst{HYPERLINK "https://example.org/" }})"
                                        R"({\fldrslt{\ul site}}} now})")
                          << "anchors"
                          << "https://example.org/#=site";
    QTest::newRow("internal link and bookmark")
        << QByteArray(
               R"({\rtf1{\field{\*\fldinst HYPERLINK \\l "keys"}{\fldrslt Keys}}\par{\*\bkmkstart keys})"
               R"({\*\bkmkend keys}Key table})")
        << "anchors"
        << "#keys#=Keys #keys=K";
    QTest::newRow("footnote at the end")
        << QByteArray(
               R"({\rtf1 Clock{\super\chftn}{\footnote\pard{\super\chftn} Stops at zero.} runs.\par Next})")
        << "text"
        << "Clock1 runs.\nNext\n\n1 Stops at zero.";
    QTest::newRow("footnote marks") << QByteArray(
                                           R"({\rtf1 A\chftn{\footnote\chftn x} B\chftn{\footnote\chftn y}})")
                                    << "marks"
                                    << "1 2 1 2";
    QTest::newRow("hidden and deleted text")
        << QByteArray(R"({\rtf1 shown {\v hidden\par} {\deleted gone}\v0 kept})") << "text"
        << "shown  kept";
    QTest::newRow("capitals") << QByteArray(R"({\rtf1 {\caps big} {\scaps small} none})") << "capitals"
                              << "1:big 3:small";
    QTest::newRow("symbol bullet by name") << QByteArray(R"({\rtf1{\fonttbl{\f1 Symbol;}{\f2 Wingdings;}})"
                                                         R"({\f1\'b7 a} {\f2\'a7 b} {\f2\u-3844 ?c}})")
                                           << "text"
                                           << "• a ▪ b ✓c";
    QTest::newRow("tab stops") << QByteArray(R"({\rtf1\pard\tx1440\tqr\tx4320 a\tab b\tab c})") << "tabs"
                               << "96L 288R";
    QTest::newRow("tab stops from the indent") << QByteArray(R"({\rtf1\pard\li720\tx1440 a\tab b})") << "tabs"
                                               << "48L";
    QTest::newRow("tab stops from a hanging first line")
        << QByteArray(R"({\rtf1\pard\li720\fi-360\tx1440 a\tab b})") << "tabs"
        << "72L";
    QTest::newRow("PNG picture at its goal size")
        << R"({\rtf1{\pict\pngblip\picw8\pich4\picwgoal1440\pichgoal720 )" + pngHex(8, 4) + "}}"
        << "pictures"
        << "96x48 of 8x4";
    QTest::newRow("picture scaled")
        << R"({\rtf1{\pict\pngblip\picwgoal120\pichgoal60\picscalex1200\picscaley600 )" + pngHex(8, 4) + "}}"
        << "pictures"
        << "96x24 of 8x4";
    QTest::newRow("picture of another kind")
        << QByteArray(R"({\rtf1{\pict\wmetafile8\picwgoal1440 0100}})") << "pictures"
        << "24x24 of 24x24";
    QTest::newRow("picture too large to decode") << R"({\rtf1{\pict\pngblip )" + pngHex(4097, 1) + "}}"
                                                 << "pictures"
                                                 << "24x24 of 24x24";
}

void RtfReaderTest::structure() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, view);
    QTextDocument document;
    RtfReader::read(rtf, &document);
    QTEST(::structure(document, view), "expected");
}

void RtfReaderTest::writerDocument() {
    // Saved by a word processor: a heading, a numbered list, a 3 x 3 table, a link, a footnote and a
    // picture, each where the page has it.
    QFile file(QFINDTESTDATA("richtext/data/writer-page.rtf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument document;
    RtfReader::read(file.readAll(), &document);
    const QString text = ::structure(document, "text");
    QVERIFY2(text.startsWith("Game clock\nSteps to start:\n"), qPrintable(text));
    QCOMPARE(formatOf(document, "Game clock")->fontWeight(), QFont::Bold);
    // The heading is in a list without numbers, so it is no list item and not indented as one.
    QCOMPARE(blockFormatOf(document, "Game clock").leftMargin(), 0.0);
    QCOMPARE(::structure(document, "list"), "1. Set the period 2. Press start 3. Watch the buzzer");
    QCOMPARE(::structure(document, "tables"), "Key|Action|Default/S|Start|Space/H|Horn|F2");
    QCOMPARE(::structure(document, "anchors"), "https://example.org/rules#=the rules");
    QCOMPARE(::structure(document, "marks"), "1 1");
    QVERIFY2(text.endsWith("details1.\nLogo: \uFFFC\n\n1\tRules of the league."), qPrintable(text));
    QCOMPARE(::structure(document, "pictures"), "96x48 of 8x4");
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
