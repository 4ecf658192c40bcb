#include "richtext/DocumentFeeder.h"
#include "richtext/RtfReader.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

namespace {

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
                line += QStringLiteral(" picture %1 pixels wide")
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
        QFile page(QFINDTESTDATA("richtext/data/writer-page.rtf"));
        QVERIFY(page.open(QIODevice::ReadOnly));
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<int>("partSize");
        QTest::addColumn<int>("fewestParts");
        const QByteArray rows = QByteArray("\\intbl a\\cell b\\cell\\row ").repeated(300);
        QTest::newRow("page: list, table, link, note, picture") << page.readAll() << 10 << 8;
        QTest::newRow("long table") << "{\\rtf1 before\\par " + rows + "\\pard after}" << 64 << 15;
        QTest::newRow("list across parts")
            << "{\\rtf1 " + QByteArray("\\pard\\ls1 item\\par\\pard filler words\\par ").repeated(20) + "}"
            << 20 << 10;
        QTest::newRow("nested table")
            << QByteArray("{\\rtf1 a\\cell\\itap2 b\\nestcell c\\nestcell\\nestrow\\itap1"
                          "\\cell\\row\\intbl d\\cell e\\cell\\row\\pard after}")
            << 1 << 2;
    }

    // Fed in parts, the copy holds what the whole document holds.
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
