#include "app/proposal/ProposalFileWriter.h"

#include "platform/ScopeExit.h"
#include "store/StoreTable.h"

#include <utility>

namespace quorvel {

ProposalFileWriter::~ProposalFileWriter() {
    Abandon();
}

void ProposalFileWriter::Start(QString fileName, Datapacket content, std::function<void()> ended) {
    Finish();
    escrita_ = std::async(std::launch::async, [fileName = std::move(fileName), content = std::move(content),
                                               ended = std::move(ended)]() mutable {
        const ScopeExit avisa([&ended] {
            if (ended) ended();
        });
        // The copy is released here, on the writing thread, before the end is announced.
        const Datapacket copia = std::move(content);
        TStoreTable::WriteContentToFile(fileName, copia);
    });
}

void ProposalFileWriter::Finish() {
    if (!escrita_.valid()) return;
    std::future<void> escrita = std::move(escrita_);
    escrita.get();
}

void ProposalFileWriter::Abandon() noexcept {
    // The failure of a write nobody collected cannot be reported from here; the write itself still
    // ends before its owner does.
    if (!escrita_.valid()) return;
    escrita_.wait();
    escrita_ = {};
}

} // namespace quorvel
