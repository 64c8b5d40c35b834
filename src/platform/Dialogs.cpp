#include "platform/Dialogs.h"

#include "platform/Exceptions.h"
#include "platform/Files.h"

#include <QDir>

namespace quorvel {
namespace {

// The one process-wide pointer the design names for the dialogs; set at start-up or by a test.
DialogService* currentService = nullptr;

} // namespace

std::optional<QString> DialogService::SelectDirectory(const QString& caption, const QString& startFolder) {
    const std::optional<QString> typed = ChooseFolder(caption, startFolder);
    if (!typed || typed->trimmed().isEmpty()) return std::nullopt;
    const QString folder = QDir::cleanPath(QDir(startFolder).absoluteFilePath(*typed));
    if (DirectoryExists(folder)) return folder;
    const DialogAnswer create =
        MessageBox(QStringLiteral("A pasta \"%1\" não existe.\nDeseja criá-la?").arg(folder),
                   QStringLiteral("Confirmação"), MessageIcon::Question, MessageButtons::YesNo);
    if (create != DialogAnswer::Yes) return std::nullopt;
    if (!ForceDirectories(folder)) {
        MessageBox(QStringLiteral("Não foi possível criar a pasta \"%1\".").arg(folder),
                   QStringLiteral("Erro"), MessageIcon::Stop, MessageButtons::Ok);
        return std::nullopt;
    }
    return folder;
}

DialogService& Dialogs() {
    if (currentService == nullptr) throw Exception(QStringLiteral("No dialog service is installed"));
    return *currentService;
}

DialogService* CurrentDialogService() noexcept {
    return currentService;
}

void SetDialogService(DialogService* service) noexcept {
    currentService = service;
}

ScopedDialogService::ScopedDialogService(DialogService& service) noexcept
    : previous_(currentService) {
    currentService = &service;
}

ScopedDialogService::~ScopedDialogService() {
    currentService = previous_;
}

std::vector<FileFilter> ParseFileFilter(const QString& filter) {
    std::vector<FileFilter> result;
    if (filter.isEmpty()) return result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        result.push_back({parts[i], parts[i + 1]});
    return result;
}

} // namespace quorvel
