// Feeds arbitrary bytes, as a file, to the reader that keeps only where each row lies. Opening it must
// end as the whole read of the same file does (the same error at the same offset, or the same header
// and row versions), and every version read again, in a shuffled order, must equal the whole read's.
// The one difference allowed: a file refused by the whole read for the memory its rows would take
// may open, since its rows are not kept.
#include "platform/Exceptions.h"
#include "store/Packet.h"
#include "store/PacketFile.h"
#include "store/PacketRowFile.h"
#include "store/StoreErrors.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// How an opening ended: -1 when it succeeded, else the store error's code (0 for another database
// error) and offset.
struct Outcome {
    int code = -1;
    long long offset = -1;
};

template <class Open> Outcome OutcomeOf(Open&& open) {
    Outcome outcome;
    try {
        open();
    } catch (const quorvel::EStoreError& e) {
        outcome.code = e.ErrorCode();
        outcome.offset = e.Offset();
    } catch (const quorvel::EDatabaseError&) {
        outcome.code = 0;
    }
    return outcome;
}

const QString& InputPath() {
    static const QString path = QStringLiteral("/tmp/fuzz_packet_row_file.%1.xml").arg(::getpid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quorvel;
    {
        QFile file(InputPath());
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the input is written");
        Check(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
                  static_cast<qint64>(size),
              "the input is written whole");
    }
    Datapacket whole;
    const Outcome wholeRead = OutcomeOf([&] { whole = ReadDatapacketFile(InputPath()); });
    std::vector<PacketRow> visited;
    std::vector<std::uint32_t> order;
    std::unique_ptr<PacketRowFile> rows;
    const Outcome scan = OutcomeOf([&] {
        rows = std::make_unique<PacketRowFile>(InputPath(), [&](std::uint32_t version, const PacketRow& row) {
            order.push_back(version);
            visited.push_back(row);
        });
    });
    const bool overAllowance = wholeRead.code == static_cast<int>(StoreErrorCode::TooLarge);
    if (scan.code != -1 || !overAllowance) {
        Check(scan.code == wholeRead.code, "the opening fails as the whole read does");
        Check(scan.offset == wholeRead.offset, "the opening fails at the whole read's offset");
    }
    if (scan.code != -1 || overAllowance) return 0;
    Check(rows->VersionCount() == whole.rows.size(), "the same number of versions");
    Check(visited.size() == whole.rows.size(), "every version is visited");
    std::vector<std::uint32_t> all(whole.rows.size());
    std::iota(all.begin(), all.end(), 0u);
    Check(order == all, "versions are visited in storage order");
    Datapacket header = whole;
    header.rows.clear();
    Check(rows->Header() == header, "the same header");
    for (std::size_t v = 0; v < visited.size(); ++v) {
        Check(visited[v].rowState == whole.rows[v].rowState, "a visited version has its row state");
        for (std::size_t i = 0; i < whole.fields.size(); ++i) {
            const FieldView got = visited[v].values[i];
            if (IsNull(got) && !IsNull(whole.rows[v].values[i]))
                Check(IsBlobKind(KindOf(whole.fields[i])) && (whole.rows[v].rowState & kRowModified) != 0,
                      "only a modified version's left-out value is NULL when visited");
            else
                Check(ValueOf(got) == whole.rows[v].values.Value(i), "a visited value is the whole read's");
        }
    }
    std::mt19937 random(static_cast<std::uint32_t>(size));
    std::shuffle(all.begin(), all.end(), random);
    const std::vector<PacketRow> read = rows->ReadVersions(all);
    Check(read.size() == all.size(), "one row per version asked");
    for (std::size_t k = 0; k < all.size(); ++k)
        Check(read[k] == whole.rows[all[k]], "a version read again is the whole read's");
    return 0;
}
