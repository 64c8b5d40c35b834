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
#include <span>
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

// The file each input is written to, removed when the run ends.
struct InputFile {
    QString path = QStringLiteral("/tmp/fuzz_packet_row_file.%1.xml").arg(::getpid());
    ~InputFile() { QFile::remove(path); }
};

const QString& InputPath() {
    static const InputFile file;
    return file.path;
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
    // Visited versions are compared as they come, so that no second copy of the rows is held.
    std::uint32_t visits = 0;
    const auto visit = [&](std::uint32_t version, const PacketRow& row) {
        Check(version == visits++, "versions are visited in storage order");
        if (wholeRead.code != -1) return;
        Check(version < whole.rows.size(), "no more versions than the whole read holds");
        const PacketRow& expected = whole.rows[version];
        Check(row.rowState == expected.rowState, "a visited version has its row state");
        for (std::size_t i = 0; i < whole.fields.size(); ++i) {
            const FieldView got = row.values[i];
            if (IsNull(got) && !IsNull(expected.values[i]))
                Check(IsBlobKind(KindOf(whole.fields[i])) && (expected.rowState & kRowModified) != 0,
                      "only a modified version's left-out value is NULL when visited");
            else
                Check(ValueOf(got) == expected.values.Value(i), "a visited value is the whole read's");
        }
    };
    std::unique_ptr<PacketRowFile> rows;
    const Outcome scan = OutcomeOf([&] { rows = std::make_unique<PacketRowFile>(InputPath(), visit); });
    const bool overAllowance = wholeRead.code == static_cast<int>(StoreErrorCode::TooLarge);
    if (scan.code != -1 || !overAllowance) {
        Check(scan.code == wholeRead.code, "the opening fails as the whole read does");
        Check(scan.offset == wholeRead.offset, "the opening fails at the whole read's offset");
    }
    if (scan.code != -1 || overAllowance) return 0;
    Check(rows->VersionCount() == whole.rows.size() && visits == whole.rows.size(),
          "every version is visited");
    const Datapacket& header = rows->Header();
    Check(header.rows.empty() && header.fields == whole.fields && header.params == whole.params &&
              header.changeLog == whole.changeLog && header.hasAutoIncValue == whole.hasAutoIncValue &&
              header.autoIncValue == whole.autoIncValue,
          "the same header");
    // Read again in a shuffled order, a window at a time.
    std::vector<std::uint32_t> all(whole.rows.size());
    std::iota(all.begin(), all.end(), 0u);
    std::mt19937 random(static_cast<std::uint32_t>(size));
    std::shuffle(all.begin(), all.end(), random);
    constexpr std::size_t kWindow = 300;
    for (std::size_t first = 0; first < all.size(); first += kWindow) {
        const std::span<const std::uint32_t> window =
            std::span<const std::uint32_t>(all).subspan(first, std::min(kWindow, all.size() - first));
        const std::vector<PacketRow> read = rows->ReadVersions(window);
        Check(read.size() == window.size(), "one row per version asked");
        for (std::size_t k = 0; k < window.size(); ++k)
            Check(read[k] == whole.rows[window[k]], "a version read again is the whole read's");
    }
    return 0;
}
