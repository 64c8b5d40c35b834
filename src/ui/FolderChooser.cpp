#include "ui/FolderChooser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace quorvel {

FolderChooser::FolderChooser(const QString& caption, const QString& startFolder, QWidget* parent)
    : QDialog(parent)
    , model_(new QFileSystemModel(this))
    , tree_(new QTreeView(this))
    , path_(new QLineEdit(this)) {
    setWindowTitle(caption.isEmpty() ? QStringLiteral("Selecionar pasta") : caption);
    resize(480, 400);

    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QDir::rootPath());
    tree_->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    tree_->header()->hide();

    const QString start = QDir(startFolder).exists() ? QDir(startFolder).absolutePath() : QDir::homePath();
    const QModelIndex startIndex = model_->index(start);
    tree_->setCurrentIndex(startIndex);
    tree_->scrollTo(startIndex);
    path_->setText(QDir::toNativeSeparators(start));

    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) path_->setText(QDir::toNativeSeparators(model_->filePath(current)));
            });
    connect(tree_, &QTreeView::doubleClicked, this, [this](const QModelIndex&) { accept(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_);
    layout->addWidget(new QLabel(QStringLiteral("Pasta:"), this));
    layout->addWidget(path_);
    layout->addWidget(buttons);
    path_->setFocus();
}

QString FolderChooser::ChosenPath() const {
    const QString typed = QDir::fromNativeSeparators(path_->text().trimmed());
    if (typed.isEmpty()) return {};
    const QString base =
        tree_->currentIndex().isValid() ? model_->filePath(tree_->currentIndex()) : QDir::homePath();
    return QDir::cleanPath(QDir(base).absoluteFilePath(typed));
}

} // namespace quorvel
