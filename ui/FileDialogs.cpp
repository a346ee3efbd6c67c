// The Qt file dialogs and the scripted ones of the tests.
#include "ui/FileDialogs.h"

#include "gfx/Picture.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace pictor::ui {

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
    QFileDialog dialog(parent_);
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
