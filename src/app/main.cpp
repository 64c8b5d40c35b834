#include "app/UFormSelRelatorio.h"
#include "app/UQuorvel.h"
#include "app/URelatorio.h"
#include "platform/ErrorDisplay.h"
#include "platform/Files.h"
#include "platform/HugePageHeap.h"
#include "platform/InterruptCleanup.h"
#include "report/output/QrprevInterface.h"
#include "ui/Application.h"

#include <memory>

int main(int argc, char** argv) {
    using namespace quorvel;
    UseHugePagesForTheHeap();
    // Ctrl-C, a terminal hang-up or a TERM while a save runs leave no temporary file behind.
    RemoveTemporariesOnInterrupt();
    TApplication application(argc, argv);
    // Reports open the standard preview window and progress form.
    RegisterStandardPreview();
    try {
        // Every top-level window has a task-bar button of its own. The first form created is the main
        // window; the report form and the report-selection dialog wait hidden.
        TFormQuorvel formQuorvel(ExecutableFolder());
        const auto formRelatorio = std::make_unique<TFormRelatorio>(formQuorvel);
        const auto formSelRelatorio = std::make_unique<TFormSelRelatorio>(formQuorvel);
        formQuorvel.show();
        TApplication::exec();
    } catch (...) {
        ShowCurrentException();
        return 1;
    }
    return 0;
}
