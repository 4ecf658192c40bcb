#include "app/HelpFile.h"
#include "app/frmHelp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <sys/stat.h>

// Opening the help window must never hold up the board: for the real help file and for hostile
// ones, how long the board's 50 ms timer waits at most while the window opens and fills, and how
// long until the whole text is in. Run by hand; it puts the files in the help file's place in the
// program's folder and brings the real one back at the end, and fails when a tick waited longer
// than the ceiling.
namespace {

// A freeze shows as a long wait between two ticks; a tick may be late by a layout turn or so.
constexpr qint64 CeilingMs = 200;
bool overCeiling = false;

const char* verdict(qint64 longest) {
    if (longest < CeilingMs)
        return "";
    overCeiling = true;
    return " OVER THE CEILING";
}

struct Case {
    const char* name;
    QByteArray contents; // empty: a pipe
    qint64 sparseSize = 0;
};

// The board's 50 ms timer, and the longest it has waited between two ticks since it started.
class TickGaps {
public:
    TickGaps() {
        m_tick.setInterval(50);
        QObject::connect(&m_tick, &QTimer::timeout, &m_tick, [this] {
            longest = std::max(longest, m_clock.elapsed() - m_last);
            m_last = m_clock.elapsed();
        });
        m_clock.start();
        m_tick.start();
    }
    qint64 elapsed() const { return m_clock.elapsed(); }

    qint64 longest = 0;

private:
    QElapsedTimer m_clock;
    QTimer m_tick;
    qint64 m_last = 0;
};

bool make(const Case& c, const QString& path) {
    if (c.contents.isEmpty())
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(c.contents) == c.contents.size() &&
           (c.sparseSize == 0 || file.resize(c.sparseSize));
}

void measure(const char* name) {
    TickGaps ticks;
    frmHelp* help = frmHelp::showHelp();
    const bool loaded = QTest::qWaitFor([help] { return !help->loading(); }, 120000);
    const qint64 filled = ticks.elapsed();
    QTest::qWait(200);
    const qint64 opening = ticks.longest;
    // A new width lays the whole text out again, a step at a time, on the event loop.
    ticks.longest = 0;
    help->resize(help->width() - 100, help->height());
    QTest::qWait(5000);
    std::printf(
        "%-28s longest wait between ticks %4lld ms opening, %4lld ms on a resize; text in after %6lld ms, "
        "%9lld characters%s%s\n",
        name, static_cast<long long>(opening), static_cast<long long>(ticks.longest),
        static_cast<long long>(filled), static_cast<long long>(help->rtbHelp()->document()->characterCount()),
        loaded ? "" : " (unfinished)", verdict(std::max(opening, ticks.longest)));
    frmHelp::instance()->close();
    QTest::qWait(50);
}

// A help holding one long table, as a reader makes it of a table that runs over many pages: how
// long the board's timer waits at most while the window takes it in.
void measureTable(int rows) {
    frmHelp* help = frmHelp::showHelp();
    static_cast<void>(QTest::qWaitFor([help] { return !help->loading(); }, 120000));
    auto document = std::make_shared<QTextDocument>();
    QTextCursor cursor(document.get());
    QTextTable* table = cursor.insertTable(rows, 3);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < 3; ++column)
            table->cellAt(row, column)
                .firstCursorPosition()
                .insertText(QStringLiteral("Press the start key"));
    }
    TickGaps ticks;
    help->showHelpText({document, {}});
    const bool loaded = QTest::qWaitFor([help] { return !help->loading(); }, 120000);
    const qint64 filled = ticks.elapsed();
    QTest::qWait(200);
    std::printf(
        "a table of %6d rows        longest wait between ticks %4lld ms; text in after %6lld ms%s%s\n", rows,
        static_cast<long long>(ticks.longest), static_cast<long long>(filled), loaded ? "" : " (unfinished)",
        verdict(ticks.longest));
    help->close();
    QTest::qWait(50);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString path = HelpFile::helpFilePath();
    const QString aside = path + QStringLiteral(".bench");
    measure("the help file");
    if (!QFile::rename(path, aside))
        return 1;

    QByteArray lines;
    while (lines.size() < 2000000)
        lines += "Press the start key to start the game clock, and again to stop it.\n";
    const Case cases[] = {
        {"2 MB of text lines", lines},
        {"2 MB of text, one paragraph", QByteArray(lines).replace('\n', ' ')},
        {"1,000,000 { alone", QByteArray(1000000, '{')},
        {"1,000,000 nested groups",
         "{\\rtf1 a" + QByteArray(1000000, '{') + "b" + QByteArray(1000000, '}') + "}"},
        {"a pipe", {}},
        {"200 MB of text", "Courtvane notes\n", 200 * 1024 * 1024},
    };
    for (const Case& c : cases) {
        if (make(c, path))
            measure(c.name);
        QFile::remove(path);
    }
    QFile::rename(aside, path);
    for (const int rows : {1000, 10000})
        measureTable(rows);
    std::printf("ceiling: every wait under %lld ms%s\n", static_cast<long long>(CeilingMs),
                overCeiling ? ": FAILED" : "");
    return overCeiling ? 1 : 0;
}
