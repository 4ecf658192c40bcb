#include "RtfReader.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

// Text documents measure their fonts, which takes a GUI application; the offscreen platform needs no
// display. Qt gets an argument list of its own so that it never sees or edits the fuzzer's options.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static char name[] = "fuzz_rtfreader";
    static int qtArgc = 1;
    static char* qtArgv[] = {name, nullptr};
    static QGuiApplication application(qtArgc, qtArgv);
    return 0;
}

// Fontconfig keeps its font cache until the process ends; that is not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QTextDocument document;
    RtfReader::read(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), &document);
    // Laying the result out shows that whatever the reader produced is also safe to display.
    document.setTextWidth(600);
    document.size();
    return 0;
}
