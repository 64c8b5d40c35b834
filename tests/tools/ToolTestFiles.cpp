#include "tools/ToolTestFiles.h"

#include "platform/CodePage.h"
#include "store/Packet.h"
#include "support/ProposalFields.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace quorvel::testing {

void WriteItemProposal(const QString& path, const std::vector<GeneratedItem>& items) {
    Datapacket packet;
    packet.fields = ProposalItemFields();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const GeneratedItem& item = items[i];
        const auto n = static_cast<std::int64_t>(i + 1);
        PacketRow row;
        row.values.resize(packet.fields.size());
        row.values.Set(0, n);
        row.values.Set(1, std::string("12"));
        row.values.Set(2, std::string("PE"));
        row.values.Set(3, std::int64_t{137});
        row.values.Set(4, std::string("2026"));
        row.values.Set(5, n * 10);
        row.values.Set(6, std::string());
        row.values.Set(8, QStringToCp1252(QStringLiteral("Item %1").arg(n)));
        row.values.Set(9, QStringToCp1252(item.description));
        row.values.Set(12, std::string("M"));
        row.values.Set(13, QStringToCp1252(QStringLiteral("Fornecedor de Teste Ltda.")));
        row.values.Set(16, n);
        row.values.Set(17, TDecimal::FromUnits(2000, 3));
        row.values.Set(19, std::string("UN"));
        row.values.Set(20, std::string("UNIDADE"));
        if (item.priced) {
            row.values.Set(10, TDecimal::FromUnits(100000, 4));
            row.values.Set(11, QStringToCp1252(item.brand));
            row.values.Set(18, TDecimal::FromUnits(100000, 4));
        }
        packet.rows.push_back(std::move(row));
    }
    packet.hasAutoIncValue = true;
    packet.autoIncValue = static_cast<std::int32_t>(items.size() + 1);
    const std::string xml = WriteDatapacketXml(packet);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(xml.data(), qint64(xml.size())), qint64(xml.size()));
}

void WritePricedItems(const QString& path, int count) {
    std::vector<GeneratedItem> items;
    for (int i = 1; i <= count; ++i)
        items.push_back(
            {QStringLiteral("Material de consumo número %1.\r\nEmbalagem com dez unidades.").arg(i)});
    WriteItemProposal(path, items);
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArrayLiteral("<missing>");
    return file.readAll();
}

QStringList HiddenEntries(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral(".*")},
                                  QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

RunningTool::RunningTool(const QString& program, const QStringList& arguments) {
    process_.start(program, arguments);
    process_.waitForStarted(10000);
}

RunningTool::~RunningTool() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

bool RunningTool::WaitUntil(const std::function<bool()>& ready, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && process_.state() == QProcess::Running) {
        if (ready()) return process_.state() == QProcess::Running;
        QThread::msleep(2);
    }
    return false;
}

void RunningTool::Signal(int signal) {
    ::kill(static_cast<pid_t>(process_.processId()), signal);
}

int RunningTool::WaitForExit(int timeoutMs) {
    if (!process_.waitForFinished(timeoutMs)) return -1;
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

QByteArray RunningTool::Errors() {
    return process_.readAllStandardError();
}

} // namespace quorvel::testing
