// The open and save dialogs behind a small interface, so that a window can be
// driven by tests that answer its dialogs. A dialog has a starting folder, a
// preset file name, and a modal run that tells whether the user confirmed;
// after a confirmed run FileName() is the chosen full path.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

class QFileDialog;
class QString;
class QWidget;

namespace pictor::ui {

class TFileDialog {
public:
    virtual ~TFileDialog() = default;

    // Folder the dialog starts in; empty: the dialog's own default.
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& value) { initialDir_ = value; }
    // Preset name before the run; the chosen full path after a confirmed one.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& value) { fileName_ = value; }

    // Runs the dialog modally; true when the user confirmed a file.
    virtual bool Execute() = 0;

protected:
    std::string initialDir_;
    std::string fileName_;
};

enum class TFileDialogKind { Open, Save };

// The open dialog's first filter: "画像ファイル (*.bmp *.jpg ...)", every
// extension the picture holder reads.
QString PictureFilesFilter();

// The real dialog: QFileDialog with no default extension. Saving offers the
// single filter "*.*"; opening offers PictureFilesFilter() first, then "*.*".
class TQtFileDialog : public TFileDialog {
public:
    TQtFileDialog(TFileDialogKind kind, QWidget* parent);
    bool Execute() override;

    // The configured Qt dialog, as Execute() would show it (for tests).
    void Configure(QFileDialog& dialog) const;

private:
    TFileDialogKind kind_;
    QWidget* parent_;
};

// A dialog for tests: each run takes the next answer (a full path, or
// nullopt for a cancelled dialog; no answers left cancels) and remembers the
// folder and file name it was started with.
class TScriptedFileDialog : public TFileDialog {
public:
    struct TRun {
        std::string InitialDir;
        std::string FileName;
    };

    void Answer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
    bool Execute() override;

    const std::vector<TRun>& Runs() const { return runs_; }

private:
    std::deque<std::optional<std::string>> answers_;
    std::vector<TRun> runs_;
};

} // namespace pictor::ui
