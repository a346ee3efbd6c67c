// The file dialogs: the Qt dialog's set-up, and the scripted dialog of tests.
#include "tests/support/QtTestApp.h"

#include "ui/FileDialogs.h"
#include "ui/QtTranslation.h"
#include "ui/UiFont.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

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

TEST(FileDialogs, AFullPathTypedIntoTheOpenDialogIsOpened)
{
    testing::QtTestApp();
    // Typing a path through nested folders into the dialog while it shows
    // the last of them once left that folder selected, and Enter wiped the
    // name instead of choosing the file.
    QTemporaryDir tmp;
    const QString folder = tmp.path() + "/a/g";
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* name : {"pal1.bmp", "pal8.bmp"}) {
        QFile file(folder + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString path = folder + "/pal8.bmp";
    TQtFileDialog dialog(TFileDialogKind::Open, nullptr);
    dialog.SetInitialDir(folder.toStdString());

    bool typed = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        auto* qt = qobject_cast<QFileDialog*>(modal);
        if (!qt || typed) {
            modal->close(); // still open after Enter: the name was not taken
            return;
        }
        typed = true;
        auto* edit = qt->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QTest::keyClicks(edit, path);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    driver.start(100);
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), path.toStdString());
}

TEST(FileDialogs, QtsOwnTextsAreJapaneseWhateverTheLocale)
{
    testing::QtTestApp(); // the application installs the translation
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(folder + "/qtbase_ja.qm")) GTEST_SKIP() << "qt6-translations-l10n is not installed";
    QFileDialog qt;
    qt.setOption(QFileDialog::DontUseNativeDialog, true);
    TQtFileDialog(TFileDialogKind::Save, nullptr).Configure(qt);
    for (auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType, QFileDialog::Reject}) {
        const QString text = qt.labelText(label);
        EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3000; }))
            << text.toStdString();
    }
    // The overwrite question of the save dialog.
    EXPECT_NE(QFileDialog::tr("%1 already exists.\nDo you want to replace it?"),
              "%1 already exists.\nDo you want to replace it?");

    // Without the file the program runs on in English, silently.
    EXPECT_FALSE(InstallQtTranslation(QDir::tempPath() + "/no-such-folder"));
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
