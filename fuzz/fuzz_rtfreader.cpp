#include "richtext/RtfReader.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

// Text documents measure their fonts when laid out, which takes a GUI application; the offscreen
// platform needs no display. Qt gets an argument list of its own so that it never sees or edits
// the fuzzer's options.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static char name[] = "fuzz_rtfreader";
    static int qtArgc = 1;
    static char* qtArgv[] = {name, nullptr};
    static QGuiApplication application(qtArgc, qtArgv);
    // Damaged pictures are the rule here; Qt's warnings about each would slow the run.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

// AddressSanitizer keeps the stack of every allocation and deallocation for its reports, each
// distinct stack for the rest of the run. Qt and the system libraries are built without frame
// pointers, so past their first frame the fast unwinder reads stale words of the stack, and nearly
// every stack is a new one: the store grew by a gigabyte in twenty minutes of laying out. The
// allocating function alone keeps it small; run a found input again by itself with
// ASAN_OPTIONS=malloc_context_size=30:fast_unwind_on_malloc=0 for whole stacks.
extern "C" const char* __asan_default_options() {
    return "malloc_context_size=1";
}

// Fontconfig keeps its font cache until the process ends; that is not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QTextDocument document;
    // The input is read in place, without a copy.
    const QByteArray rtf =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    RtfReader::read(rtf, &document);
    // As the help window does before it shows the text, but with paragraphs short enough that the
    // small inputs the fuzzer works with are split too.
    RtfReader::splitLongParagraphs(&document, 64);
#ifdef COURTVANE_FUZZ_LAYOUT
    // Laying the result out shows that whatever the reader produced is also safe to display. That
    // takes longer than the reading itself, so it is a target of its own, fuzz_rtflayout.
    document.setTextWidth(600);
    document.size();
#endif
    return 0;
}
