// quorvel-packet: inspect and convert proposal files from the command line.
//
//   quorvel-packet dump FILE [--all]        prints the file as one JSON object
//   quorvel-packet convert IN OUT [--utf8]  rewrites IN as OUT (XML when OUT ends in ".xml", else binary)
//
// Exit status 0 on success, 1 on any error, with a one-line message naming the file.
#include "PacketJson.h"

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "store/Packet.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <cstdio>
#include <string>
#include <vector>

namespace quorvel {
namespace {

constexpr const char* kUsage = "usage: quorvel-packet dump FILE [--all]\n"
                               "       quorvel-packet convert IN OUT [--utf8]\n";

// A failure to report: the file it concerns and what went wrong.
struct ToolError {
    std::string file;
    std::string what;
};

std::string ErrorText(const EStoreError& e) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "store error 0x%04X", static_cast<unsigned>(e.ErrorCode()));
    std::string text = buf;
    if (e.Offset() >= 0) text += " at offset " + std::to_string(e.Offset());
    return text;
}

Datapacket Load(const std::string& path) {
    QFile file(QString::fromLocal8Bit(path.c_str()));
    if (!file.open(QIODevice::ReadOnly))
        throw ToolError{path, "cannot be read: " + file.errorString().toStdString()};
    const QByteArray bytes = file.readAll();
    try {
        return ReadDatapacket(std::span<const char>(bytes.constData(), static_cast<size_t>(bytes.size())));
    } catch (const EStoreError& e) {
        throw ToolError{path, ErrorText(e)};
    }
}

bool IsXmlName(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == ".xml";
}

int Dump(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "--all")) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    const Datapacket packet = Load(args[0]);
    const std::string json =
        DatapacketToJson(packet, args.size() == 2 ? DumpRows::AllVersions : DumpRows::Current);
    std::fwrite(json.data(), 1, json.size(), stdout);
    return 0;
}

int Convert(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    XmlTextMode mode = XmlTextMode::CodePage;
    for (const auto& a : args) {
        if (a == "--utf8")
            mode = XmlTextMode::Utf8;
        else
            files.push_back(a);
    }
    if (files.size() != 2) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    const Datapacket packet = Load(files[0]);
    std::string bytes;
    try {
        bytes = IsXmlName(files[1]) ? WriteDatapacketXml(packet, mode) : WriteDatapacketBinary(packet);
    } catch (const EStoreError& e) {
        throw ToolError{files[1], ErrorText(e)};
    }
    try {
        ReplaceFileAtomically(QString::fromLocal8Bit(files[1].c_str()), bytes);
    } catch (const Exception& e) {
        throw ToolError{files[1], "cannot be written: " + e.Message().toStdString()};
    }
    return 0;
}

int Run(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "dump") return Dump(args);
        if (command == "convert") return Convert(args);
    } catch (const ToolError& e) {
        std::fprintf(stderr, "quorvel-packet: %s: %s\n", e.file.c_str(), e.what.c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvel-packet: %s\n", e.what());
        return 1;
    }
    std::fputs(kUsage, stderr);
    return 1;
}

} // namespace
} // namespace quorvel

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return quorvel::Run(argc, argv);
}
