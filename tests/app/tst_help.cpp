#include "app/HelpFile.h"
#include "app/frmHelp.h"
#include "platform/ScreenFit.h"
#include "state/Twips.h"
#include "state/modBasketball.h"
#include "tests/support/HeldKey.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include <sys/stat.h>

namespace {

using HelpFile::helpFilePath;
const QString& MissingFileText = HelpFile::MissingText;

QString asidePath() {
    return helpFilePath() + QStringLiteral(".aside");
}

// Whatever a test left in the help file's place: a file, a pipe or a folder.
void removeReplacement() {
    if (!QFile::remove(helpFilePath()))
        QDir().rmdir(helpFilePath());
}

// Moves the help file out of the program's folder for as long as it lives, and back afterwards,
// also when a check fails half-way; anything a test put in its place is removed.
class HiddenHelpFile {
public:
    HiddenHelpFile() : m_hidden(QFile::rename(helpFilePath(), asidePath())) {}
    ~HiddenHelpFile() {
        removeReplacement();
        if (m_hidden)
            QFile::rename(asidePath(), helpFilePath());
    }
    HiddenHelpFile(const HiddenHelpFile&) = delete;
    HiddenHelpFile& operator=(const HiddenHelpFile&) = delete;

    bool hidden() const { return m_hidden; }

private:
    bool m_hidden;
};

// Files that once froze the board, made in the help file's place.
bool makeHostileFile(const QByteArray& kind) {
    const QString path = helpFilePath();
    if (kind == "pipe")
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (kind == "folder")
        return QDir().mkdir(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (kind == "braces")
        return file.write(QByteArray(1000000, '{')) == 1000000;
    if (kind == "nested")
        return file.write("{\\rtf1 before " + QByteArray(1000000, '{') + "deep" + QByteArray(1000000, '}') +
                          " after}") > 0;
    // 200 MB of text, most of it left sparse so that it takes no time to make.
    return file.write("Courtvane notes\n") > 0 && file.resize(200 * 1024 * 1024);
}

// Ticks every 50 ms like the board's clock. How long a tick may wait is the benchmark's to measure
// (bench_help); here the clock only has to go on ticking.
class BoardTicks {
public:
    BoardTicks() {
        m_timer.setInterval(50);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { ++m_ticks; });
        m_timer.start();
    }

    int ticks() const { return m_ticks; }

private:
    QTimer m_timer;
    int m_ticks = 0;
};

// Opens the help window and waits until it has taken in the whole help.
frmHelp* openHelp() {
    frmHelp* help = frmHelp::showHelp();
    // A help that never finishes shows in the callers' checks of loading() or of the text.
    static_cast<void>(QTest::qWaitFor([help] { return !help->loading(); }, 60000));
    return help;
}

QSize frameExtra(const QWidget* window) {
    return window->frameGeometry().size() - window->size();
}

// Makes the window's outer size (frame included) the given number of pixels.
void resizeOuter(QWidget* window, const QSize& outer) {
    window->resize(outer - frameExtra(window));
}

// Compares a size in pixels with one given in twips, allowing the pixel of rounding.
bool closeToTwips(int pixels, double twips) {
    return qAbs(pixels - Twips::toPixels(twips)) <= 1;
}

// The paragraphs of the document whose whole text is the given heading.
QList<QTextBlock> blocksReading(const QTextDocument* document, const QString& text) {
    QList<QTextBlock> found;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.text().trimmed() == text)
            found.append(block);
    }
    return found;
}

bool wholeBlockBold(const QTextBlock& block) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().text().trimmed().isEmpty())
            continue;
        if (it.fragment().charFormat().fontWeight() < QFont::Bold)
            return false;
    }
    return true;
}

double firstFontSize(const QTextBlock& block) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (!it.fragment().text().trimmed().isEmpty())
            return it.fragment().charFormat().font().pointSizeF();
    }
    return 0;
}

// Every kind of link the tests follow goes to the test, never to the desktop.
constexpr const char* LinkSchemes[] = {"http", "https", "mailto", "file", "javascript"};

// Text enough to make the window take in a help in several parts.
QString filler() {
    return QStringLiteral("Filler words for a long help. ").repeated(400);
}

// Shows a help made in the test, returning while the window is still taking it in.
void showMadeHelp(frmHelp* help, std::unique_ptr<QTextDocument> document) {
    help->showHelpText({std::shared_ptr<QTextDocument>(std::move(document)), {}});
}

// Clicks the middle of the first character of text in the window.
void clickText(QTextBrowser* browser, const QString& text) {
    QTextCursor cursor = browser->document()->find(text);
    cursor.setPosition(cursor.selectionStart());
    const QRect at = browser->cursorRect(cursor);
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at.center() + QPoint(3, 0));
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    // Loading the help file
    void loadsTheHelpFile_data();
    void loadsTheHelpFile();
    void headingsAreBoldAndLarger_data();
    void headingsAreBoldAndLarger();
    void helpFileIsCleanRichText();
    void missingFileShowsTheMessage();
    void hostileFileKeepsTheBoardTicking_data();
    void hostileFileKeepsTheBoardTicking();

    // One window per program
    void opensAsOneModelessWindow();
    void secondRequestShowsTheSameWindow();
    void closingForgetsTheWindowAndReopeningReloads();

    // Sizing
    void resizeFitsTheTextArea_data();
    void resizeFitsTheTextArea();
    void minimisedWindowKeepsTheTextArea();
    void fitsTheScreen_data();
    void fitsTheScreen();

    // Keys, links and structure
    void keysInTheWindow_data();
    void keysInTheWindow();
    void linksGoWhereTheyShould_data();
    void linksGoWhereTheyShould();
    void tablesAndListsSurviveThePartsLoading();

public slots:
    // Stands in for the desktop's browser and mail program.
    void openUrl(const QUrl& url) { m_opened.append(url); }

private:
    QList<QUrl> m_opened;
};

void TestHelp::initTestCase() {
    // A run that was cut short may have left the file moved aside.
    if (QFileInfo::exists(asidePath())) {
        removeReplacement();
        QFile::rename(asidePath(), helpFilePath());
    }
    QVERIFY2(QFileInfo::exists(helpFilePath()),
             "the help file is not beside the test; re-run cmake so that it is copied there");
    modBasketball::StartStopClockKey = 's';
    modBasketball::ResetClockKey = 'r';
    modBasketball::ClockSwitchKey = 'c';
    modBasketball::BuzzerKey = 'b';
    for (const char* scheme : LinkSchemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openUrl");
}

void TestHelp::cleanupTestCase() {
    for (const char* scheme : LinkSchemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void TestHelp::cleanup() {
    if (frmHelp::instance())
        frmHelp::instance()->close();
    QTRY_VERIFY(!frmHelp::instance());
}

void TestHelp::loadsTheHelpFile_data() {
    QTest::addColumn<QString>("phrase");
    QTest::newRow("title") << "Courtvane Standard Help";
    QTest::newRow("start key") << "Start the game clock";
    QTest::newRow("buzzer") << "buzzer";
    QTest::newRow("time of day") << "Time of day";
    QTest::newRow("clock entry") << "sets 5:30";
    QTest::newRow("largest clock value") << "99:59";
    QTest::newRow("possession") << "POSS";
    QTest::newRow("options keys") << "Choose Key";
    QTest::newRow("apostrophe escape") << QStringLiteral("program\u2019s folder");
    QTest::newRow("quote escapes") << QStringLiteral("\u201CChoose Key\u201D");
    QTest::newRow("game settings") << "Game Settings";
    QTest::newRow("game key") << "Turn the possession arrow";
    QTest::newRow("redo key") << "Ctrl+Shift+Z";
}

void TestHelp::loadsTheHelpFile() {
    QFETCH(QString, phrase);
    const frmHelp* help = openHelp();
    QVERIFY(!help->loading());
    QVERIFY(help->rtbHelp()->toPlainText().contains(phrase));
}

void TestHelp::headingsAreBoldAndLarger_data() {
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("bodyText");
    QTest::newRow("keyboard") << "Keyboard commands"
                              << "Open this help window.";
    QTest::newRow("clock entry") << "Setting the game clock"
                                 << "Press the space bar to abandon";
    QTest::newRow("lamps") << "Possession and bonus lamps"
                           << "Resetting the clock, changing the period";
    QTest::newRow("game keys") << "Game keys"
                               << "Shot clock to short";
}

void TestHelp::headingsAreBoldAndLarger() {
    QFETCH(QString, heading);
    QFETCH(QString, bodyText);
    const QTextDocument* document = openHelp()->rtbHelp()->document();

    // The contents list names each heading too, in body text; the heading itself is the bold one.
    const QList<QTextBlock> blocks = blocksReading(document, heading);
    QVERIFY(!blocks.isEmpty());
    const auto bold = std::find_if(blocks.begin(), blocks.end(), wholeBlockBold);
    QVERIFY(bold != blocks.end());

    const QTextBlock body = document->find(bodyText).block();
    QVERIFY(body.isValid());
    QVERIFY(!wholeBlockBold(body));
    QVERIFY(firstFontSize(*bold) > firstFontSize(body));
}

void TestHelp::helpFileIsCleanRichText() {
    const QTextDocument* document = openHelp()->rtbHelp()->document();
    const QString text = document->toPlainText();
    // Nothing of the file's markup may show through to the reader.
    QVERIFY(!text.contains(QLatin1Char('\\')));
    QVERIFY(!text.contains(QLatin1Char('{')));
    QVERIFY(!text.contains(QLatin1Char('}')));
    QVERIFY(!text.contains(QStringLiteral("Arial")));
    // The lists come out as bulleted lists, the keys as a table, and every contents entry leads
    // to a place in the text.
    bool bulleted = false;
    bool table = false;
    QStringList links;
    QStringList targets;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        bulleted |= block.textList() && block.textList()->format().style() == QTextListFormat::ListDisc;
        table |= QTextCursor(block).currentTable() != nullptr;
        for (auto run = block.begin(); !run.atEnd(); ++run) {
            const QTextCharFormat format = run.fragment().charFormat();
            if (format.anchorHref().startsWith(QLatin1Char('#')))
                links.append(format.anchorHref().mid(1));
            targets += format.anchorNames();
        }
    }
    QVERIFY(bulleted);
    QVERIFY(table);
    QVERIFY(!links.isEmpty());
    for (const QString& link : std::as_const(links))
        QVERIFY2(targets.contains(link), qPrintable(link));
}

void TestHelp::missingFileShowsTheMessage() {
    const HiddenHelpFile hidden;
    QVERIFY(hidden.hidden());
    const frmHelp* help = openHelp();
    QCOMPARE(help->rtbHelp()->toPlainText(), MissingFileText);
    QVERIFY(help->isVisible());
}

void TestHelp::hostileFileKeepsTheBoardTicking_data() {
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("shownCharacters");
    QTest::newRow("pipe") << QByteArray("pipe") << HelpFile::NotAFileText << 0;
    QTest::newRow("folder") << QByteArray("folder") << HelpFile::NotAFileText << 0;
    QTest::newRow("200 MB of text") << QByteArray("text") << HelpFile::TooLargeText << 0;
    QTest::newRow("1,000,000 { alone") << QByteArray("braces") << QString() << 1000000;
    QTest::newRow("1,000,000 nested groups")
        << QByteArray("nested") << QString() << int(QStringLiteral("before deep after").size());
}

void TestHelp::hostileFileKeepsTheBoardTicking() {
    QFETCH(QByteArray, kind);
    QFETCH(QString, message);
    QFETCH(int, shownCharacters);
    const HiddenHelpFile hidden;
    QVERIFY(hidden.hidden());
    QVERIFY(makeHostileFile(kind));

    const BoardTicks board;
    frmHelp* help = frmHelp::showHelp();
    QVERIFY(help->isVisible());
    QVERIFY(QTest::qWaitFor([help] { return !help->loading(); }, 60000));
    // A new width lays all of it out again.
    help->resize(help->width() - 100, help->height());
    QVERIFY(QTest::qWaitFor([help] { return !help->loading(); }, 60000));
    const int ticks = board.ticks();
    QTRY_VERIFY(board.ticks() > ticks);
    QString text = help->rtbHelp()->toPlainText();
    if (!message.isEmpty())
        QCOMPARE(text, message);
    else
        QCOMPARE(text.remove(u'\n').size(), shownCharacters);
}

void TestHelp::opensAsOneModelessWindow() {
    const frmHelp* help = openHelp();
    QCOMPARE(help->windowTitle(), QStringLiteral("Courtvane Standard Help"));
    QVERIFY(help->isWindow());
    QVERIFY(!help->parentWidget());
    QVERIFY(help->isVisible());
    QCOMPARE(help->windowModality(), Qt::NonModal);
    QCOMPARE(help->size(), QSize(Twips::toPixels(11055), Twips::toPixels(9270)));

    const QTextBrowser* text = help->findChild<QTextBrowser*>(QStringLiteral("rtbHelp"));
    QCOMPARE(text, help->rtbHelp());
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->pos(), QPoint(Twips::toPixels(120), Twips::toPixels(0)));
    // The operator starts reading at the top of the help.
    QVERIFY(QTest::qWaitForWindowExposed(frmHelp::instance()));
    QCOMPARE(text->textCursor().position(), 0);
    QCOMPARE(text->verticalScrollBar()->value(), 0);
}

void TestHelp::secondRequestShowsTheSameWindow() {
    frmHelp* first = frmHelp::showHelp();
    first->showMinimized();
    frmHelp* second = frmHelp::showHelp();
    QCOMPARE(second, first);
    QCOMPARE(frmHelp::instance(), first);
    QVERIFY(!second->isMinimized());

    const QWidgetList windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.begin(), windows.end(),
                           [](const QWidget* w) { return qobject_cast<const frmHelp*>(w); }),
             1);
}

void TestHelp::closingForgetsTheWindowAndReopeningReloads() {
    QPointer<frmHelp> first = openHelp();
    QVERIFY(!first->loading());
    QVERIFY(first->rtbHelp()->toPlainText() != MissingFileText);
    first->close();
    QTRY_VERIFY(!first);
    QVERIFY(!frmHelp::instance());

    // The new window reads the folder again, so it notices that the file has gone.
    const HiddenHelpFile hidden;
    QVERIFY(hidden.hidden());
    const frmHelp* second = openHelp();
    QCOMPARE(frmHelp::instance(), second);
    QCOMPARE(second->rtbHelp()->toPlainText(), MissingFileText);
}

void TestHelp::resizeFitsTheTextArea_data() {
    QTest::addColumn<QSize>("requestedOuterPixels");
    QTest::addColumn<QSize>("outerTwips");
    QTest::addColumn<QSize>("textTwips");
    QTest::addColumn<int>("wrapTwips");

    QTest::newRow("too small both ways") << QSize(100, 50) << QSize(2700, 1700) << QSize(2460, 1280) << 2010;
    QTest::newRow("too narrow") << QSize(120, 400) << QSize(2700, 6000) << QSize(2460, 5580) << 2010;
    QTest::newRow("too low") << QSize(400, 90) << QSize(6000, 1700) << QSize(5760, 1280) << 5310;
    QTest::newRow("just above the limit")
        << QSize(181, 114) << QSize(2715, 1710) << QSize(2475, 1290) << 2025;
    QTest::newRow("normal") << QSize(800, 600) << QSize(12000, 9000) << QSize(11760, 8580) << 11310;
}

void TestHelp::resizeFitsTheTextArea() {
    QFETCH(QSize, requestedOuterPixels);
    QFETCH(QSize, outerTwips);
    QFETCH(QSize, textTwips);
    QFETCH(int, wrapTwips);

    frmHelp* help = frmHelp::showHelp();
    QVERIFY(QTest::qWaitForWindowExposed(frmHelp::instance()));
    resizeOuter(help, requestedOuterPixels);

    const QSize outer = help->frameGeometry().size();
    QVERIFY2(closeToTwips(outer.width(), outerTwips.width()), qPrintable(QString::number(outer.width())));
    QVERIFY2(closeToTwips(outer.height(), outerTwips.height()), qPrintable(QString::number(outer.height())));

    const QTextBrowser* text = help->rtbHelp();
    QVERIFY(closeToTwips(text->width(), textTwips.width()));
    QVERIFY(closeToTwips(text->height(), textTwips.height()));
    QCOMPARE(text->lineWrapMode(), QTextEdit::FixedPixelWidth);
    QVERIFY(closeToTwips(text->lineWrapColumnOrWidth(), wrapTwips));
}

void TestHelp::minimisedWindowKeepsTheTextArea() {
    frmHelp* help = frmHelp::showHelp();
    QVERIFY(QTest::qWaitForWindowExposed(frmHelp::instance()));
    resizeOuter(help, QSize(800, 600));
    const QSize before = help->rtbHelp()->size();
    const int wrapBefore = help->rtbHelp()->lineWrapColumnOrWidth();

    help->showMinimized();
    QVERIFY(help->isMinimized());
    resizeOuter(help, QSize(400, 300));
    QCOMPARE(help->rtbHelp()->size(), before);
    QCOMPARE(help->rtbHelp()->lineWrapColumnOrWidth(), wrapBefore);

    // Restored, the text area fits the window again.
    help->showNormal();
    QVERIFY(closeToTwips(help->rtbHelp()->width(), Twips::fromPixels(400) - 240));
    QVERIFY(closeToTwips(help->rtbHelp()->height(), Twips::fromPixels(300) - 420));
}

void TestHelp::fitsTheScreen_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("outer");
    QTest::addColumn<QRect>("fitted");
    // The help's design size with a frame, 741 x 650, on screens large and small.
    QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1040) << QRect(100, 80, 741, 650)
                               << QRect(100, 80, 741, 650);
    QTest::newRow("1920x1080 at scale 2")
        << QRect(0, 0, 960, 520) << QRect(100, 80, 741, 650) << QRect(100, 0, 741, 520);
    QTest::newRow("1024x768, low down")
        << QRect(0, 0, 1024, 740) << QRect(400, 300, 741, 650) << QRect(283, 90, 741, 650);
    QTest::newRow("second screen of 3840x1080")
        << QRect(1920, 0, 1920, 1080) << QRect(1800, 20, 741, 650) << QRect(1920, 20, 741, 650);
}

void TestHelp::fitsTheScreen() {
    QFETCH(QRect, available);
    QFETCH(QRect, outer);
    QFETCH(QRect, fitted);
    QCOMPARE(ScreenFit::fitOnScreen(outer, available), fitted);

    // A window dragged larger than its screen comes back within it when asked for again.
    frmHelp* help = frmHelp::showHelp();
    const QRect screen = help->screen()->availableGeometry();
    resizeOuter(help, screen.size() + QSize(200, 300));
    QCOMPARE(frmHelp::showHelp(), help);
    QVERIFY(screen.contains(help->frameGeometry()));
}

void TestHelp::keysInTheWindow_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("toTheBoard");
    QTest::addColumn<bool>("scrolls");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("repeats"); // held down, its repeats unmarked; 0: typed once
    QTest::newRow("start key") << int(Qt::Key_S) << "s" << true << false << false << 0;
    QTest::newRow("start key held") << int(Qt::Key_S) << "s" << true << false << false << 20;
    QTest::newRow("help key") << int(Qt::Key_H) << "h" << true << false << false << 0;
    QTest::newRow("options key") << int(Qt::Key_O) << "o" << true << false << false << 0;
    QTest::newRow("capital S") << int(Qt::Key_S) << "S" << false << false << false << 0;
    QTest::newRow("no command") << int(Qt::Key_X) << "x" << false << false << false << 0;
    QTest::newRow("page down") << int(Qt::Key_PageDown) << "" << false << true << false << 0;
    QTest::newRow("Esc") << int(Qt::Key_Escape) << QString(QChar(27)) << false << false << true << 0;
}

void TestHelp::keysInTheWindow() {
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(bool, toTheBoard);
    QFETCH(bool, scrolls);
    QFETCH(bool, closes);
    QFETCH(int, repeats);
    QPointer<frmHelp> help = openHelp();
    QTextBrowser* browser = help->rtbHelp();
    browser->setFocus();
    const QSignalSpy board(help.data(), &frmHelp::commandKeyTyped);
    if (repeats > 0)
        holdKey(help->windowHandle(), text.at(0), repeats, false);
    else
        QTest::sendKeyEvent(QTest::Click, browser, Qt::Key(key), text, {});

    QCOMPARE(board.count(), toTheBoard ? 1 : 0);
    if (toTheBoard)
        QCOMPARE(board.first().first().value<KeyCode>(), KeyCode(text.at(0).unicode()));
    if (!closes)
        QCOMPARE(browser->verticalScrollBar()->value() > 0, scrolls);
    QTRY_COMPARE(help.isNull(), closes);
}

void TestHelp::linksGoWhereTheyShould_data() {
    QTest::addColumn<QString>("href");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("place in the help") << "#end" << false << true;
    QTest::newRow("web") << "https://example.org/scores" << true << false;
    QTest::newRow("mail") << "mailto:club@example.org" << true << false;
    QTest::newRow("file") << "file:///etc/passwd" << false << false;
    QTest::newRow("script") << "javascript:alert(1)" << false << false;
    QTest::newRow("missing place") << "#nowhere" << false << false;
}

void TestHelp::linksGoWhereTheyShould() {
    QFETCH(QString, href);
    QFETCH(bool, opened);
    QFETCH(bool, scrolls);
    frmHelp* help = openHelp();
    m_opened.clear();
    auto document = std::make_unique<QTextDocument>();
    document->setHtml(QStringLiteral("<p><a href=\"%1\">Follow me</a></p><p>%2</p><p>%2</p><p>%2</p>"
                                     "<p><a name=\"end\">The end</a></p>")
                          .arg(href.toHtmlEscaped(), filler()));
    showMadeHelp(help, std::move(document));
    // Clicked before the place it leads to is in the window.
    QVERIFY(help->loading());
    clickText(help->rtbHelp(), QStringLiteral("Follow me"));
    QTRY_VERIFY(!help->loading());

    QCOMPARE(m_opened, opened ? QList<QUrl>{QUrl(href)} : QList<QUrl>{});
    QCOMPARE(help->rtbHelp()->verticalScrollBar()->value() > 0, scrolls);
    QCOMPARE(help->rtbHelp()->toPlainText().left(9), QStringLiteral("Follow me"));
}

void TestHelp::tablesAndListsSurviveThePartsLoading() {
    frmHelp* help = openHelp();
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    QTextList* list = cursor.insertList(QTextListFormat::ListDecimal);
    cursor.insertText(QStringLiteral("one"));
    // A long paragraph and a long table between the items make the list run on over three parts.
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(filler());
    cursor.insertBlock();
    list->add(cursor.block());
    cursor.insertText(QStringLiteral("two"));
    const int cells = 2000;
    const QTextTable* made = cursor.insertTable(cells / 2, 2);
    for (int cell = 0; cell < cells; ++cell)
        made->cellAt(cell / 2, cell % 2)
            .firstCursorPosition()
            .insertText(QStringLiteral("cell %1").arg(cell));
    cursor.movePosition(QTextCursor::End);
    list->add(cursor.block());
    cursor.insertText(QStringLiteral("three"));
    const QString text = document->toPlainText().remove(u'\n');
    showMadeHelp(help, std::move(document));
    QTRY_VERIFY(!help->loading());

    const QTextDocument* shown = help->rtbHelp()->document();
    QCOMPARE(shown->toPlainText().remove(u'\n'), text);
    const QTextBlock three = shown->find(QStringLiteral("three")).block();
    QVERIFY(three.textList());
    QCOMPARE(three.textList()->count(), 3);
    QCOMPARE(three.textList()->itemNumber(three), 2);
    QCOMPARE(shown->find(QStringLiteral("one")).block().textList(), three.textList());
    // Every cell in its table, in its column, in order.
    int cell = 0;
    for (QTextBlock block = shown->begin(); block.isValid(); block = block.next()) {
        const QTextCursor at(block);
        if (!at.currentTable())
            continue;
        QCOMPARE(block.text(), QStringLiteral("cell %1").arg(cell));
        QCOMPARE(at.currentTable()->columns(), 2);
        QCOMPARE(at.currentTable()->cellAt(at).column(), cell % 2);
        ++cell;
    }
    QCOMPARE(cell, cells);
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
