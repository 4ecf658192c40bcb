#include "DocumentFeeder.h"
#include "RtfReader.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

namespace {

QByteArray pictureRtf(int width) {
    QImage image(width, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return "{\\pict\\pngblip " + png.toHex() + "}";
}

QByteArray repeated(const QByteArray& unit, int count) {
    QByteArray all;
    for (int i = 0; i < count; ++i)
        all += QByteArray(unit).replace('#', QByteArray::number(i));
    return all;
}

// What a copy must keep, a line a paragraph: its cell's column, its list and number, its text and
// its pictures. The paragraphs that join two pieces of a long table take no room and are left out.
QStringList content(const QTextDocument& document) {
    QStringList lines;
    QHash<const QTextList*, qsizetype> lists;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().lineHeightType() == QTextBlockFormat::FixedHeight)
            continue;
        const QTextCursor at(block);
        QString line = block.text();
        if (const QTextTable* table = at.currentTable())
            line.prepend(QStringLiteral("column %1: ").arg(table->cellAt(at).column()));
        if (const QTextList* list = block.textList())
            line.prepend(QStringLiteral("list %1 %2 ")
                             .arg(*lists.insert(list, lists.value(list, lists.size())))
                             .arg(list->itemText(block)));
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (const QTextImageFormat image = it.fragment().charFormat().toImageFormat(); image.isValid())
                line += QStringLiteral(" picture of %1 pixels")
                            .arg(document.resource(QTextDocument::ImageResource, image.name())
                                     .value<QImage>()
                                     .width());
        }
        lines.append(line);
    }
    return lines;
}

} // namespace

class DocumentFeederTest : public QObject {
    Q_OBJECT

private slots:
    void copiesInPartsWhatTheWholeHolds_data() {
        QFile writerPage(QFINDTESTDATA("data/writer-page.rtf"));
        QVERIFY(writerPage.open(QIODevice::ReadOnly));
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<int>("partSize");
        QTest::addColumn<int>("fewestParts");
        const QByteArray row = "\\intbl cell #a\\cell cell #b\\cell\\row ";
        const QByteArray item = "\\pard\\ls1 item #\\par\\pard " + QByteArray(40, 'x') + "\\par ";
        QTest::newRow("word processor's page") << writerPage.readAll() << 10 << 8;
        QTest::newRow("long table") << "{\\rtf1 before\\par " + repeated(row, 300) + "\\pard after}" << 64
                                    << 40;
        QTest::newRow("list across parts") << "{\\rtf1 " + repeated(item, 20) + "}" << 32 << 15;
        QTest::newRow("list around a long table")
            << "{\\rtf1\\ls1 one\\par\\pard " + repeated(row, 40) + "\\pard\\ls1 two\\par}" << 64 << 5;
        QTest::newRow("nested table")
            << QByteArray("{\\rtf1 a\\cell\\itap2 b\\nestcell c\\nestcell\\nestrow\\itap1\\cell\\row "
                          "\\intbl d\\cell e\\cell\\row\\pard after}")
            << 1 << 2;
        QTest::newRow("pictures") << "{\\rtf1 " + pictureRtf(8) + "\\par " + QByteArray(60, 'y') + "\\par " +
                                         pictureRtf(12) + "}"
                                  << 16 << 2;
    }

    void copiesInPartsWhatTheWholeHolds() {
        QFETCH(QByteArray, rtf);
        QFETCH(int, partSize);
        QFETCH(int, fewestParts);
        QTextDocument source;
        RtfReader::read(rtf, &source);
        QTextDocument copy;
        DocumentFeeder feeder(source, &copy, partSize);
        int parts = 0;
        for (; !feeder.atEnd() && parts <= source.characterCount(); ++parts)
            feeder.feedNext();
        QVERIFY(feeder.atEnd());
        QCOMPARE_GE(parts, fewestParts);
        QCOMPARE(content(copy), content(source));
    }
};

QTEST_MAIN(DocumentFeederTest)
#include "tst_documentfeeder.moc"
