// Load and save of a large proposal file (50,000 rows, about 27 MB) against the time a general XML
// tokenizer takes merely to read through the same bytes. After the benchmarks a summary prints the
// best times, the ratios ours ÷ tokenizer, the heap the loaded table takes, and how far a load from
// the file raises the process's resident size when the file is read whole first and when it is read
// in blocks.
#include "support/ProposalGenerator.h"

#include "store/Packet.h"
#include "store/PacketFile.h"
#include "store/PacketRowFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <numeric>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#if __has_include(<expat.h>)
#include <expat.h>
#define QUORVEL_HAVE_EXPAT 1
#endif

namespace {

using namespace quorvel;

constexpr int kRows = 50000;

const std::string& ProposalXml() {
    static const std::string xml = [] {
        bench::ProposalOptions options;
        options.rows = kRows;
        options.lots = kRows / 50;
        return bench::GenerateProposalXml(options);
    }();
    return xml;
}

const Datapacket& LoadedProposal() {
    static const Datapacket packet = ReadDatapacketXml(std::span<const char>(ProposalXml()));
    return packet;
}

// The proposal written once to a file of a folder that lasts as long as the program.
const QString& ProposalFile() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString name = folder.filePath(QStringLiteral("proposal.xml"));
        QFile file(name);
        if (file.open(QIODevice::WriteOnly))
            file.write(ProposalXml().data(), static_cast<qint64>(ProposalXml().size()));
        return name;
    }();
    return path;
}

// Opening as it was done before reading in blocks: the whole file in memory, then decoded.
Datapacket LoadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    return ReadDatapacket(std::span<const char>(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

double StatusMiB(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0) return std::strtod(line.c_str() + std::strlen(key), nullptr) / 1024.0;
    return -1;
}

// How far `run` raises the resident size above where it starts: run in a forked child that first
// gives the heap's free pages back and resets its peak to its size then, so that neither this
// process's history nor memory an earlier run left in the heap counts. -1 when the system cannot
// reset the peak.
double PeakGrowthMiB(const std::function<void()>& run) {
    int channel[2];
    if (pipe(channel) != 0) return -1;
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        close(channel[0]);
        double growth = -1;
        malloc_trim(0);
        std::ofstream reset("/proc/self/clear_refs");
        reset << "5";
        reset.close();
        if (reset) {
            const double start = StatusMiB("VmRSS:");
            run();
            growth = StatusMiB("VmHWM:") - start;
        }
        const bool sent = write(channel[1], &growth, sizeof growth) == static_cast<ssize_t>(sizeof growth);
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    double growth = -1;
    if (read(channel[0], &growth, sizeof growth) != static_cast<ssize_t>(sizeof growth)) growth = -1;
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return growth;
}

const std::string& ProposalBinary() {
    static const std::string binary = WriteDatapacketBinary(LoadedProposal());
    return binary;
}

#ifdef QUORVEL_HAVE_EXPAT
void XMLCALL OnStart(void* userData, const XML_Char*, const XML_Char**) {
    ++*static_cast<long*>(userData);
}

// Tokenizes the whole document; the file declares no encoding and is Windows-1252 text, which the
// tokenizer is told up front (as Latin-1, the same bytes for its purpose).
long ExpatTokenize(const std::string& xml) {
    XML_Parser parser = XML_ParserCreate("ISO-8859-1");
    long elements = 0;
    XML_SetUserData(parser, &elements);
    XML_SetStartElementHandler(parser, OnStart);
    const XML_Status status = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1);
    XML_ParserFree(parser);
    return status == XML_STATUS_OK ? elements : -1;
}
#endif

void BM_LoadXml(benchmark::State& state) {
    const std::string& xml = ProposalXml();
    for (auto _ : state) {
        Datapacket p = ReadDatapacketXml(std::span<const char>(xml));
        benchmark::DoNotOptimize(p.rows.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * xml.size()));
}
BENCHMARK(BM_LoadXml)->Unit(benchmark::kMillisecond);

// The same load from the file: range 0 is 1 for the read in blocks the table store does, 0 for the
// whole file read first. Counter: how far one load raises the resident size.
void BM_LoadXmlFile(benchmark::State& state) {
    const QString& path = ProposalFile();
    const bool inBlocks = state.range(0) != 0;
    const auto load = [&] { return inBlocks ? ReadDatapacketFile(path) : LoadWholeFile(path); };
    for (auto _ : state) {
        Datapacket p = load();
        if (p.rows.size() != static_cast<std::size_t>(kRows)) state.SkipWithError("the file did not load");
        benchmark::DoNotOptimize(p.rows.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ProposalXml().size()));
    state.counters["peak_growth_MiB"] = PeakGrowthMiB([&] { benchmark::DoNotOptimize(load().rows.data()); });
}
BENCHMARK(BM_LoadXmlFile)->ArgName("blocks")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same file opened so that its rows stay in it: a scan that visits every version and keeps only
// where each lies. Counters: how far the opening raises the resident size, and what it keeps a version.
void BM_RowFileScan(benchmark::State& state) {
    const QString& path = ProposalFile();
    std::size_t visited = 0;
    const auto scan = [&] {
        PacketRowFile file(path, [&](std::uint32_t, const PacketRow& row) { visited += row.values.size(); });
        if (file.VersionCount() != static_cast<std::uint32_t>(kRows))
            state.SkipWithError("the file did not scan");
    };
    for (auto _ : state)
        scan();
    benchmark::DoNotOptimize(visited);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ProposalXml().size()));
    state.counters["peak_growth_MiB"] = PeakGrowthMiB(scan);
}
BENCHMARK(BM_RowFileScan)->Unit(benchmark::kMillisecond);

// Windows of `range(0)` consecutive versions read again from an opened row file, across the file.
void BM_RowFileReadWindow(benchmark::State& state) {
    const PacketRowFile file(ProposalFile(), [](std::uint32_t, const PacketRow&) {});
    const auto window = static_cast<std::uint32_t>(state.range(0));
    std::vector<std::uint32_t> versions(window);
    std::uint32_t first = 0;
    for (auto _ : state) {
        if (first + window > file.VersionCount()) first = 0;
        std::iota(versions.begin(), versions.end(), first);
        benchmark::DoNotOptimize(file.ReadVersions(versions).data());
        first += window;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * window));
}
BENCHMARK(BM_RowFileReadWindow)->Arg(300)->Unit(benchmark::kMicrosecond);

void BM_SaveXml(benchmark::State& state) {
    const Datapacket& packet = LoadedProposal();
    for (auto _ : state) {
        std::string xml = WriteDatapacketXml(packet);
        benchmark::DoNotOptimize(xml.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ProposalXml().size()));
}
BENCHMARK(BM_SaveXml)->Unit(benchmark::kMillisecond);

void BM_LoadBinary(benchmark::State& state) {
    const std::string& binary = ProposalBinary();
    for (auto _ : state) {
        Datapacket p = ReadDatapacketBinary(std::span<const char>(binary));
        benchmark::DoNotOptimize(p.rows.data());
    }
}
BENCHMARK(BM_LoadBinary)->Unit(benchmark::kMillisecond);

void BM_SaveBinary(benchmark::State& state) {
    const Datapacket& packet = LoadedProposal();
    for (auto _ : state) {
        std::string binary = WriteDatapacketBinary(packet);
        benchmark::DoNotOptimize(binary.data());
    }
}
BENCHMARK(BM_SaveBinary)->Unit(benchmark::kMillisecond);

// Many fields and rows that set none of them (the shape of an input the fuzzer found slow): the XML
// written costs what the rows carry, the binary form a mask of two bits a field per row. Range 0 is
// the field count, range 1 the row count; the counter is the time of a write of both forms and a
// read of the binary one per field of a row.
void BM_RoundTripManyFieldsEmptyRows(benchmark::State& state) {
    const auto fields = static_cast<int>(state.range(0));
    const auto rows = static_cast<int>(state.range(1));
    std::string xml =
        "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    for (int i = 0; i < fields; ++i)
        xml += "<FIELD attrname=\"f" + std::to_string(i) + "\" fieldtype=\"i4\"/>";
    xml += "</FIELDS><PARAMS/></METADATA><ROWDATA>";
    for (int r = 0; r < rows; ++r)
        xml += "<ROW/>";
    xml += "</ROWDATA></DATAPACKET>";
    const Datapacket packet = ReadDatapacketXml(std::span<const char>(xml));
    for (auto _ : state) {
        const std::string written = WriteDatapacketXml(packet);
        const std::string binary = WriteDatapacketBinary(packet);
        const Datapacket back = ReadDatapacketBinary(std::span<const char>(binary));
        benchmark::DoNotOptimize(written.data());
        benchmark::DoNotOptimize(back.rows.data());
    }
    state.counters["time_per_row_field"] =
        benchmark::Counter(static_cast<double>(fields) * rows,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RoundTripManyFieldsEmptyRows)
    ->Args({2000, 12000})
    ->Args({4000, 12000})
    ->Args({2000, 24000})
    ->Unit(benchmark::kMillisecond);

#ifdef QUORVEL_HAVE_EXPAT
void BM_ExpatTokenize(benchmark::State& state) {
    const std::string& xml = ProposalXml();
    for (auto _ : state)
        benchmark::DoNotOptimize(ExpatTokenize(xml));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * xml.size()));
}
BENCHMARK(BM_ExpatTokenize)->Unit(benchmark::kMillisecond);
#endif

double ThreadCpuMilliseconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// The best of several runs in CPU time of this thread: the machine may be shared, and waiting for
// a core is no part of what is measured.
double BestMilliseconds(const std::function<void()>& run, int times = 7) {
    double best = 1e300;
    for (int i = 0; i < times; ++i) {
        const double start = ThreadCpuMilliseconds();
        run();
        best = std::min(best, ThreadCpuMilliseconds() - start);
    }
    return best;
}

void PrintSummary() {
    const std::string& xml = ProposalXml();
    const double mb = static_cast<double>(xml.size()) / (1024.0 * 1024.0);

    const size_t before = mallinfo2().uordblks;
    size_t heap = 0;
    {
        const Datapacket p = ReadDatapacketXml(std::span<const char>(xml));
        heap = mallinfo2().uordblks - before;
        benchmark::DoNotOptimize(p.rows.data());
    }
    const double load = BestMilliseconds([&] {
        Datapacket p = ReadDatapacketXml(std::span<const char>(xml));
        benchmark::DoNotOptimize(p.rows.data());
    });
    const double save = BestMilliseconds([&] {
        std::string out = WriteDatapacketXml(LoadedProposal());
        benchmark::DoNotOptimize(out.data());
    });
    std::printf("\nProposal file: %d rows, %.1f MB (%zu bytes)\n", kRows, mb, xml.size());
    std::printf("best CPU times of 7 runs:\n");
    std::printf("load %.1f ms, save %.1f ms, save / load %.2f\n", load, save, save / load);
    std::printf("heap after load: %.1f MB = %.2f x file size\n",
                static_cast<double>(heap) / (1024.0 * 1024.0),
                static_cast<double>(heap) / static_cast<double>(xml.size()));
    const double whole =
        BestMilliseconds([&] { benchmark::DoNotOptimize(LoadWholeFile(ProposalFile()).rows.data()); });
    const double blocks =
        BestMilliseconds([&] { benchmark::DoNotOptimize(ReadDatapacketFile(ProposalFile()).rows.data()); });
    std::printf("load from the file: whole %.1f ms, in blocks %.1f ms\n", whole, blocks);
    std::printf(
        "resident size raised by a load from the file: whole %.1f MiB, in blocks %.1f MiB\n",
        PeakGrowthMiB([] { benchmark::DoNotOptimize(LoadWholeFile(ProposalFile()).rows.data()); }),
        PeakGrowthMiB([] { benchmark::DoNotOptimize(ReadDatapacketFile(ProposalFile()).rows.data()); }));
#ifdef QUORVEL_HAVE_EXPAT
    long elements = 0;
    const double expat = BestMilliseconds([&] { elements = ExpatTokenize(xml); });
    std::printf("expat tokenize %.1f ms (%ld elements)\n", expat, elements);
    std::printf("ratio load / expat %.2f, save / expat %.2f\n", load / expat, save / expat);
#else
    std::printf("expat not available: no reference time\n");
#endif
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintSummary();
    return 0;
}
