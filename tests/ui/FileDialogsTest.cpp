// The file dialogs: the Qt dialog's set-up, and the scripted dialog of tests.
#include "../support/QtTestApp.h"

#include "ui/FileDialogs.h"
#include "ui/UiFont.h"

#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>

#include <gtest/gtest.h>

namespace pictor::ui {
namespace {

TEST(FileDialogs, OpeningOffersThePicturesFirstSavingOnlyAllFilesAndNeitherAddsAnExtension)
{
    testing::QtTestApp();
    const QString tmp = QDir::tempPath();
    for (TFileDialogKind kind : {TFileDialogKind::Open, TFileDialogKind::Save}) {
        TQtFileDialog dialog(kind, nullptr);
        dialog.SetInitialDir(tmp.toStdString());
        dialog.SetFileName("photo.bmp");
        QFileDialog qt;
        qt.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.Configure(qt);
        const bool save = kind == TFileDialogKind::Save;
        if (save)
            EXPECT_EQ(qt.nameFilters(), QStringList{"*.* (*.*)"});
        else
            EXPECT_EQ(qt.nameFilters(), (QStringList{PictureFilesFilter(), "*.* (*.*)"}));
        EXPECT_EQ(qt.testOption(QFileDialog::HideNameFilterDetails), save);
        EXPECT_TRUE(qt.defaultSuffix().isEmpty());
        EXPECT_EQ(QDir(qt.directory()).canonicalPath(), QDir(tmp).canonicalPath());
        EXPECT_EQ(qt.acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        EXPECT_EQ(qt.fileMode(), save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    }
}

TEST(FileDialogs, ThePictureFilterListsEveryExtensionThePictureHolderReads)
{
    const QString filter = PictureFilesFilter();
    EXPECT_TRUE(filter.startsWith("画像ファイル (*.bmp *.jpg *.jpeg *.ico *.emf *.wmf *.png")) << filter.toStdString();
    EXPECT_TRUE(filter.endsWith(")"));
}

TEST(FileDialogs, ScriptedDialogAnswersInTurnAndRecordsHowItWasStarted)
{
    TScriptedFileDialog dialog;
    dialog.Answer("/pictures/a.bmp");
    dialog.Answer(std::nullopt);
    dialog.SetInitialDir("/start");
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), "/pictures/a.bmp");
    dialog.SetFileName("b.jpg");
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), "b.jpg");
    EXPECT_FALSE(dialog.Execute()); // no answers left: cancelled
    ASSERT_EQ(dialog.Runs().size(), 3u);
    EXPECT_EQ(dialog.Runs()[0].InitialDir, "/start");
    EXPECT_EQ(dialog.Runs()[0].FileName, "");
    EXPECT_EQ(dialog.Runs()[1].FileName, "b.jpg");
}

TEST(UiFont, ProportionalJapaneseGothicAtTwelvePixels)
{
    testing::QtTestApp();
    const QFont font = UiFont();
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_EQ(UiFont(11).pixelSize(), 11);
    if (QFontDatabase::families().contains("IPAPGothic")) {
        EXPECT_EQ(font.family(), "IPAPGothic");
    }
}

} // namespace
} // namespace pictor::ui
