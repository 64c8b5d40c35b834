#include "app/ProgramArguments.h"
#include "app/UFormSelRelatorio.h"
#include "app/UQuorvel.h"
#include "app/proposal/URelatorio.h"
#include "platform/ErrorDisplay.h"
#include "platform/Files.h"
#include "platform/HugePageHeap.h"
#include "platform/InterruptCleanup.h"
#include "platform/StandardOptions.h"
#include "platform/qtprint/QueuePrinter.h"
#include "report/preview/QrprevInterface.h"
#include "ui/Application.h"

#include <QMetaObject>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    using namespace quorvel;
    if (PrintVersionWhenAsked(argc, argv, "quorvel")) return 0;
    if (PrintUsageWhenAsked(argc, argv, kProgramUsage)) return 0;
    UseHugePagesForTheHeap();
    // Ctrl-C, a terminal hang-up or a TERM while a save runs leave no temporary file behind.
    RemoveTemporariesOnInterrupt();
    TApplication application(argc, argv);
    // The desktop entry the window belongs to, for the task bar's icon and name.
    TApplication::setDesktopFileName(QStringLiteral("org.quorvel.Quorvel"));
    QString arquivo;
    try {
        arquivo = ProposalFileArgument(TApplication::arguments());
    } catch (const Exception& e) {
        std::fprintf(stderr, "quorvel: %s\n%.*s", qUtf8Printable(e.Message()),
                     static_cast<int>(kProgramUsage.size()), kProgramUsage.data());
        return 2;
    }
    // Reports print through Qt's printing, whose print dialogs work on the same queues, and open the
    // standard preview window and progress form.
    UsePrinters<TQueuePrinter>();
    RegisterStandardPreview();
    try {
        // Every top-level window has a task-bar button of its own. The first form created is the main
        // window; the report form and the report-selection dialog wait hidden.
        TFormQuorvel formQuorvel(ExecutableFolder());
        const auto formRelatorio = std::make_unique<TFormRelatorio>(formQuorvel.RecordSet());
        const auto formSelRelatorio = std::make_unique<TFormSelRelatorio>(formQuorvel.RecordSet());
        formQuorvel.show();
        // A file named on the command line opens once the window is up, through the event dispatch
        // as a click of "Abrir" would: the registration dialog stands over the window, and a file
        // that cannot be opened is reported while the window stays usable.
        if (!arquivo.isEmpty())
            QMetaObject::invokeMethod(
                &formQuorvel, GuardedSlot([&formQuorvel, arquivo] { formQuorvel.OpenGivenFile(arquivo); }),
                Qt::QueuedConnection);
        TApplication::exec();
    } catch (...) {
        ShowCurrentException();
        return 1;
    }
    return 0;
}
