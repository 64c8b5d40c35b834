#pragma once

#include "store/Packet.h"

#include <QString>

#include <functional>
#include <future>

namespace quorvel {

// Writes a copy of the item table's content to the proposal file on a thread of its own, so that
// "Salvar Dados" gives the window back while the file is built and written. One write at a time:
// the next one is started only after the last one was finished (Finish), so writes reach the file in
// the order they were asked for, each one atomic as the table store writes it. The outcome stays
// with the writer until Finish collects it; a write still running when the writer goes is waited
// for, so nothing handed over is lost when the program ends.
class ProposalFileWriter {
public:
    ProposalFileWriter() = default;
    ~ProposalFileWriter();
    ProposalFileWriter(const ProposalFileWriter&) = delete;
    ProposalFileWriter& operator=(const ProposalFileWriter&) = delete;

    // Starts writing `content` to `fileName` (XML for ".xml", binary otherwise). `ended` runs on the
    // writing thread as soon as the file is written or the write failed; it must not call back into
    // the writer. A write must not be pending (Finish it first).
    void Start(QString fileName, Datapacket content, std::function<void()> ended);
    // A write was started and its outcome not yet collected.
    bool Pending() const noexcept { return escrita_.valid(); }
    // Waits for the pending write, if any, and collects its outcome: the store's error of a failed
    // write is thrown here. Afterwards nothing is pending.
    void Finish();
    // Waits for the pending write, if any, and drops its outcome: for the end of an owner that can no
    // longer report a failure. Afterwards nothing is pending.
    void Abandon() noexcept;

private:
    std::future<void> escrita_;
};

} // namespace quorvel
