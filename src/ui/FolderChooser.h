#pragma once

#include <QDialog>

class QFileSystemModel;
class QLineEdit;
class QTreeView;

namespace quorvel {

// A folder chooser that, unlike the stock one, accepts the typed path of a folder that does not exist
// yet; the dialog service then offers to create it. Shows the folder tree and an edit box that follows
// the selection and can be typed into.
class FolderChooser : public QDialog {
    Q_OBJECT
public:
    FolderChooser(const QString& caption, const QString& startFolder, QWidget* parent = nullptr);

    // The path in the edit box, made absolute against the selected folder.
    QString ChosenPath() const;

private:
    QFileSystemModel* model_;
    QTreeView* tree_;
    QLineEdit* path_;
};

} // namespace quorvel
