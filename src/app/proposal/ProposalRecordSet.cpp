#include "app/proposal/ProposalRecordSet.h"

#include "app/proposal/ProposalFileWriter.h"
#include "app/proposal/ProposalReportRows.h"
#include "app/proposal/TableAccess.h"

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "store/StoreErrors.h"
#include "store/StoreTable.h"

#include <QDir>
#include <QFileInfo>

#include <future>

namespace quorvel {

namespace {

// A device or a FIFO is no proposal: reading it would never end, or wait for ever.
void RefuseIrregularFile(const QString& arquivo) {
    if (KindOfPath(arquivo) == PathKind::Other)
        throw EDatabaseError(QStringLiteral("O arquivo \"%1\" não pôde ser lido: não é um arquivo comum")
                                 .arg(QDir::toNativeSeparators(arquivo)));
}

} // namespace

ProposalRecordSet::ProposalRecordSet(QString executableFolder)
    : CDSDigitacao(std::make_unique<TStoreTable>())
    , CDSLotes(std::make_unique<TStoreTable>())
    , executableFolder(std::move(executableFolder))
    , gravador(std::make_unique<ProposalFileWriter>()) {
    DeclareItemFields();
    DeclareLotFields();
}

ProposalRecordSet::~ProposalRecordSet() {
    // A write still running ends first; its failure cannot be reported from here (owners that must
    // see it finish the write themselves).
    gravador->Abandon();
    // The item table, destroyed open, still writes a changed proposal back (the store closes it); the
    // lot selection and the roll-up must not reach into a half-destroyed record set meanwhile. Owners
    // that must see a failed write call CloseItemTable first.
    CDSLotes->BeforeScroll = nullptr;
    CDSLotes->AfterScroll = nullptr;
    CDSDigitacao->AfterPost = nullptr;
    CDSDigitacao.reset();
}

bool ProposalRecordSet::IsLotMode() const {
    return CDSDigitacao->Active() && HoldsText(*campos.tipoprega, "L");
}

void ProposalRecordSet::OrdenaPorNumItem() {
    CDSDigitacao->SetIndexFieldNames(QStringLiteral("numitem"));
    CDSDigitacao->SetIndexName(QStringLiteral("CDSDigitacaoIndex2"));
}

void ProposalRecordSet::CDSDigitacaoBeforeOpen(TStoreTable&) {
    OrdenaPorNumItem();
}

void ProposalRecordSet::PostPending() {
    if (CDSDigitacao->Active() && IsEditing(*CDSDigitacao)) CDSDigitacao->Post();
}

void ProposalRecordSet::OpenItemTable() {
    FinishProposalFileWrite();
    RefuseIrregularFile(CDSDigitacao->FileName());
    try {
        CDSDigitacao->Open();
    } catch (const EStoreError& e) {
        // The store's bare code tells the user nothing: say which file could not be read, what is
        // wrong with it and where the reader stopped.
        throw EDatabaseError(
            QStringLiteral("O arquivo \"%1\" não pôde ser lido: %2")
                .arg(QDir::toNativeSeparators(CDSDigitacao->FileName()), DescribeStoreError(e)));
    }
    alteracoesGravadas = CDSDigitacao->Data().changeLog.size();
}

void ProposalRecordSet::CloseItemTable() {
    FinishProposalFileWrite();
    CDSDigitacao->Close();
}

void ProposalRecordSet::DiscardChanges() {
    FinishProposalFileWrite();
    // Without a file name the table keeps its rows in memory when it closes.
    CDSDigitacao->SetFileName(QString());
    CDSDigitacao->Close();
}

void ProposalRecordSet::CloseBeforeOpening() {
    // A price still being typed is posted, and in lot mode every row receives its lot's current
    // total, before the table closes and writes the file: nothing typed is lost by opening another.
    // Rows shown for a report a window at a time are no proposal to write: they only go.
    FinishProposalFileWrite();
    if (reportRows) {
        CDSDigitacao->Close();
        CDSLotes->Close();
        reportRows.reset();
        reportWalksWindows = false;
    }
    if (CDSDigitacao->Active()) {
        PostPending();
        PropagaValorLotes();
    }

    CDSDigitacao->SetFilter(QString());
    CDSDigitacao->SetFiltered(false);
    CDSDigitacao->Close();
    proposalLock.reset();
}

std::optional<LockHolder> ProposalRecordSet::OpenFile(const QString& escolhido) {
    RefuseIrregularFile(escolhido);
    // Another window or tool editing the same file would lose one of the two edits: refuse it.
    // Taking the lock waits for its file to reach the disk, milliseconds in which the proposal is
    // read: the lock is taken on a thread of its own meanwhile (the future, declared after the lock,
    // is waited for before the lock goes), and an opening it refuses is undone before anything of it
    // is shown or written.
    auto lock = std::make_unique<FileLock>(escolhido);
    std::future<FileLock::Result> tomada =
        std::async(std::launch::async, [&lock] { return lock->TryLock(); });

    const QString arquivoAnterior = arquivo;
    const std::size_t gravadasAntes = alteracoesGravadas;
    arquivo = escolhido;
    CDSDigitacao->SetFileName(arquivo);
    OpenItemTable();
    if (tomada.get() == FileLock::Result::InUse) {
        // Just read and unchanged, the table closes without writing its file; should the holder have
        // removed the file meanwhile, the table closes without a name, which writes nothing either.
        if (!QFileInfo::exists(arquivo)) CDSDigitacao->SetFileName(QString());
        CDSDigitacao->Close();
        arquivo = arquivoAnterior;
        CDSDigitacao->SetFileName(arquivo);
        alteracoesGravadas = gravadasAntes;
        return lock->Holder();
    }
    proposalLock = std::move(lock);
    return std::nullopt;
}

void ProposalRecordSet::OpenForReport(const QString& arquivoLido, ReportReading leitura) {
    FinishProposalFileWrite();
    CDSDigitacao->SetFilter(QString());
    CDSDigitacao->SetFiltered(false);
    CDSDigitacao->Close();
    reportRows.reset();
    reportWalksWindows = false;
    arquivo = arquivoLido;
    // Without a file name the table never writes its rows anywhere.
    CDSDigitacao->SetFileName(QString());
    if (!leitura.whole) {
        reportRows = ProposalReportRows::Scan(arquivoLido, *CDSDigitacao, leitura.windowRows);
        if (reportRows) {
            reportRows->ShowFirstByNumber();
            if (!IsLotMode()) {
                reportRows->ForgetLots();
                reportWalksWindows = true;
                return;
            }
            if (!reportRows->SomeRowWithoutLot()) {
                BuildReportLots();
                return;
            }
            // A row without a lot is selected by no lot's filter in the whole table: that table
            // is read instead.
            CDSDigitacao->Close();
            reportRows.reset();
        }
    }
    CDSDigitacao->SetFileName(arquivoLido);
    // The store's own errors reach the caller, which words them for its reader.
    CDSDigitacao->Open();
    // Without a file name the table keeps its rows in memory when it closes.
    CDSDigitacao->SetFileName(QString());
    if (IsLotMode()) {
        BuildLots();
        PropagaValorLotes();
    }
}

TRecordWindows* ProposalRecordSet::ReportWindows() const {
    return reportWalksWindows ? reportRows.get() : nullptr;
}

bool ProposalRecordSet::StartProposalFileWrite(std::function<void()> ended) {
    TStoreTable& itens = *CDSDigitacao;
    if (!itens.Active() || itens.FileName().isEmpty()) return false;
    FinishProposalFileWrite();
    const std::size_t alteracoes = itens.Data().changeLog.size();
    if (alteracoes == alteracoesGravadas && FileExists(itens.FileName())) return false;
    // The copy shares the rows' values with the table (they are never changed in place), so it
    // costs little, and the table goes on changing while the copy is written.
    gravador->Start(itens.FileName(), itens.Data(), std::move(ended));
    alteracoesEmGravacao = alteracoes;
    return true;
}

bool ProposalRecordSet::ProposalFileWritePending() const noexcept {
    return gravador->Pending();
}

void ProposalRecordSet::FinishProposalFileWrite() {
    if (!gravador->Pending()) return;
    gravador->Finish();
    alteracoesGravadas = alteracoesEmGravacao;
}

} // namespace quorvel
