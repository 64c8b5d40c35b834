// Feeds arbitrary bytes to the layout reader. A layout it accepts is written out, read again and
// written again: the two writings must be the same bytes. Nothing may crash, hang or leak.
#include "report/layout/LayoutReader.h"
#include "report/layout/LayoutWriter.h"
#include "report/layout/ReportForm.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

// The system font library keeps its configuration and font patterns for the life of the process and
// never frees them; that memory is not ours to find.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<quorvel::TReportForm> form;
    try {
        form = quorvel::ReadLayoutForm(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const quorvel::Exception&) {
        return 0;
    }
    const QByteArray first = quorvel::WriteLayout(*form);
    std::unique_ptr<quorvel::TReportForm> again = quorvel::ReadLayoutForm(first);
    if (quorvel::WriteLayout(*again) != first) std::abort();
    return 0;
}
