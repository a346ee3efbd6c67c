// The Qt file dialogs and the scripted ones of the tests.
#include "ui/FileDialogs.h"

#include "gfx/Picture.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QStringList>

namespace pictor::ui {
namespace {

// Qt's dialog, except that a full path typed into the name field is what
// is chosen when it is confirmed. As the path is typed, the dialog selects
// in its list each folder the path passes through and, unless the field
// keeps the focus, leaves them selected; confirming then took the first of
// them, went there and wiped the name.
class TPictorFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        if (LeftSelectedOnTheWay()) selectFile(Named().absoluteFilePath()); // clears the selection
        QFileDialog::accept();
    }

private:
    // The file or new name in the name field ("~", "$VARIABLE" and several
    // quoted names are Qt's to resolve).
    QFileInfo Named() const
    {
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text() : QString();
        if (typed.isEmpty() || typed.contains(u'"') || typed.startsWith(u'~') || typed.startsWith(u'$')) return {};
        return QFileInfo(QDir(directory()), typed);
    }

    // Whether the selection holds folders, all on the way to the name.
    bool LeftSelectedOnTheWay() const
    {
        const QFileInfo named = Named();
        if (named.filePath().isEmpty() || named.isDir()) return false;
        const QString path = named.absoluteFilePath();
        bool folders = false;
        for (const QString& selected : selectedFiles()) {
            if (!QFileInfo(selected).isDir()) continue;
            QString folder = QDir(selected).absolutePath();
            if (!folder.endsWith(u'/')) folder += u'/';
            if (!path.startsWith(folder)) return false; // a folder the user chose
            folders = true;
        }
        return folders;
    }
};

} // namespace

QString PictureFilesFilter()
{
    QStringList patterns;
    for (const std::string& extension : TPicture::Extensions())
        patterns << QStringLiteral("*.") + QString::fromStdString(extension);
    return QStringLiteral("画像ファイル (") + patterns.join(' ') + ')';
}

TQtFileDialog::TQtFileDialog(TFileDialogKind kind, QWidget* parent) : kind_(kind), parent_(parent) {}

void TQtFileDialog::Configure(QFileDialog& dialog) const
{
    const bool save = kind_ == TFileDialogKind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Saving: one entry, described and matched by "*.*" (the extension typed
    // chooses the format). Opening: first the pictures the program reads,
    // then every file.
    dialog.setOption(QFileDialog::HideNameFilterDetails, save);
    QStringList filters;
    if (!save) filters << PictureFilesFilter();
    filters << QStringLiteral("*.* (*.*)");
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QString());
    if (!initialDir_.empty()) dialog.setDirectory(QString::fromStdString(initialDir_));
    if (save && !fileName_.empty()) dialog.selectFile(QString::fromStdString(fileName_));
}

bool TQtFileDialog::Execute()
{
    TPictorFileDialog dialog(parent_);
    Configure(dialog);
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    fileName_ = QDir::toNativeSeparators(chosen.first()).toStdString();
    return true;
}

bool TScriptedFileDialog::Execute()
{
    runs_.push_back(TRun{initialDir_, fileName_});
    if (answers_.empty()) return false;
    std::optional<std::string> answer = std::move(answers_.front());
    answers_.pop_front();
    if (!answer) return false;
    fileName_ = *answer;
    return true;
}

} // namespace pictor::ui
