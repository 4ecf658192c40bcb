#include "richtext/RtfReader.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>

// How long the reader takes, on the help window's worker thread, for the largest file it reads
// (2 MB) made of one structure over and over: each shape costs the text engine more per repeat than
// plain text does, and the reader's limits keep every one of them linear. Run by hand, e.g.
// build/release/bin/bench_rtfreader 2>/dev/null (libpng reports each damaged picture on stderr);
// each should read in well under 5 s, no more than about twice as long as plain paragraphs.
namespace {

QByteArray repeated(const QByteArray& unit) {
    QByteArray rtf = "{\\rtf1 ";
    while (rtf.size() < RtfReader::MaxFileSize - unit.size() - 1)
        rtf += unit;
    return rtf + '}';
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    // Damaged pictures are part of the load; Qt's warnings about each are not.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const struct {
        const char* name;
        QByteArray unit;
    } shapes[] = {
        {"plain paragraphs", "Clock runs.\\par "},
        {"one-cell rows", "\\intbl x\\cell\\row "},
        {"cells in one row", "\\cell"},
        {"tables nested 8 deep", "\\intbl\\itap8 x\\par\\pard y\\par"},
        {"nested cells and rows", "\\itap8\\nestcell\\itap3\\nestrow"},
        {"ragged rows", "\\trowd\\cellx100 \\cell\\trowd\\cellx5\\cellx10\\cellx15 \\cell\\cell\\row"},
        {"list items, two levels", "\\ls1\\ilvl3 a\\par\\ilvl0 b\\par "},
        {"footnotes", "{\\footnote x\\chftn}"},
        {"links and bookmarks", "{\\*\\bkmkstart a}x{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt y}}"},
        {"pictures claiming 4096 x 4096",
         "{\\pict\\pngblip 89504e470d0a1a0a0000000d4948445200001000000010000802000000}"},
    };
    for (const auto& shape : shapes) {
        const QByteArray rtf = repeated(shape.unit);
        QTextDocument document;
        QElapsedTimer clock;
        clock.start();
        RtfReader::read(rtf, &document);
        std::printf("%-32s %7lld ms, %8d characters\n", shape.name, clock.elapsed(),
                    document.characterCount());
    }
    return 0;
}
