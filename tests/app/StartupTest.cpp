// The main window's start and close: the settings file on a first run and a
// restart, maximised windows, damaged and unwritable settings, the controls'
// set-up, the caption and the panel layout.
#include "FormFixture.h"

#include <QMenuBar>
#include <QPushButton>

#include <filesystem>
#include <fstream>

namespace pictor::testing {
namespace {

using StartupTest = FormFixture;

const std::vector<std::string> kKeys = {"Left",     "Top",   "Width", "Height", "WindowState", "OpenDir",
                                        "SaveDir", "HLeft", "HTop",  "HWidth", "HHeight",     "HWindowState"};

std::string NameOf(const std::string& line) { return line.substr(0, line.find('=')); }

TEST_F(StartupTest, FirstRunPutsTheHeaderAndTwelveKeysAndWritesTheFileOnlyAtClose)
{
    Start();
    const auto& lines = form->Parameter1.Lines();
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], "Pictor.exe 環境設定ファイル --- このファイルは、編集しないで下さい。");
    for (std::size_t i = 0; i < kKeys.size(); ++i) EXPECT_EQ(NameOf(lines[i + 1]), kKeys[i]);
    EXPECT_EQ(form->Parameter1.ReadInteger("Width"), 604);
    EXPECT_EQ(form->Parameter1.ReadInteger("Height"), 438);
    EXPECT_EQ(form->Parameter1.ReadInteger("WindowState"), 0);
    EXPECT_EQ(lines[6], std::string("OpenDir=\x1a"));
    EXPECT_EQ(lines[7], std::string("SaveDir=\x1a"));
    EXPECT_EQ(form->Parameter1.ReadInteger("HLeft"), 694);
    EXPECT_EQ(form->Parameter1.ReadInteger("HTop"), 496);
    EXPECT_EQ(form->Parameter1.ReadInteger("HWidth"), 294);
    EXPECT_EQ(form->Parameter1.ReadInteger("HHeight"), 209);
    EXPECT_EQ(form->Parameter1.ReadInteger("HWindowState"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("pictor.ini")));
    ASSERT_TRUE(form->FBaseBitmap);
    EXPECT_TRUE(form->FBaseBitmap->Empty());
    EXPECT_EQ(form->FTrimRect, Rect(10, 10, 100, 100));
    EXPECT_EQ(form->Caption(), "Imaging");

    Stop();
    const std::string text = dir.Read("pictor.ini");
    EXPECT_EQ(text.substr(0, 10), "Pictor.exe");
    EXPECT_NE(text.find("\r\nLeft="), std::string::npos);
    EXPECT_NE(text.find("HWindowState=0\r\n"), std::string::npos);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(StartupTest, AnEmptySettingsFileIsAFirstRun)
{
    dir.Write("pictor.ini", "");
    Start();
    EXPECT_EQ(form->Parameter1.Count(), 13);
}

TEST_F(StartupTest, RestartRestoresPlacementFoldersAndTheHistogramWindowsPlacement)
{
    dir.Write("pictor.ini", "header\r\nLeft=40\r\nTop=30\r\nWidth=700\r\nHeight=500\r\nWindowState=0\r\n"
                            "OpenDir=/pictures\r\nSaveDir=\x1a\r\nHLeft=100\r\nHTop=120\r\nHWidth=394\r\n"
                            "HHeight=309\r\nHWindowState=0\r\n");
    Start();
    EXPECT_EQ(form->Left(), 40);
    EXPECT_EQ(form->Top(), 30);
    EXPECT_EQ(form->Width(), 700);
    EXPECT_EQ(form->Height(), 500);
    EXPECT_EQ(form->FOpenDir, "/pictures");
    EXPECT_EQ(form->FSaveDir, "");
    EXPECT_EQ(histogram->Left(), 100);
    EXPECT_EQ(histogram->Top(), 120);
    EXPECT_EQ(histogram->Width(), 394);
    EXPECT_EQ(histogram->Height(), 309);
    EXPECT_FALSE(histogram->isVisible());

    // A histogram window never shown still has its placement written.
    form->SetLeft(60);
    Stop();
    Start();
    EXPECT_EQ(form->Left(), 60);
    EXPECT_EQ(form->Parameter1.ReadInteger("HLeft"), 100);
    EXPECT_EQ(form->Parameter1.ReadInteger("HHeight"), 309);
    EXPECT_EQ(form->FOpenDir, "/pictures");
}

TEST_F(StartupTest, AMaximisedWindowKeepsItsNormalPlacementAndIsMaximisedAgain)
{
    Start();
    form->SetLeft(20);
    form->SetWidth(640);
    Stop();
    Start();
    form->SetWindowState(2);
    EXPECT_EQ(form->WindowState(), 2);
    Stop();
    Start();
    EXPECT_EQ(form->Parameter1.ReadInteger("WindowState"), 2);
    EXPECT_EQ(form->Parameter1.ReadInteger("Left"), 20);
    EXPECT_EQ(form->Parameter1.ReadInteger("Width"), 640);
    EXPECT_EQ(form->WindowState(), 2);
}

TEST_F(StartupTest, DamagedSettingsAreReportedOnceAndTheFormDescriptionStandsIn)
{
    dir.Write("pictor.ini", "header\r\nLeft=40\r\nTop=x1\r\nWidth=700\r\nOpenDir=/pictures\r\n");
    Start();
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], "'x1' は整数ではありません");
    EXPECT_EQ(form->Left(), 40);
    EXPECT_EQ(form->Width(), 700);
    EXPECT_EQ(form->Height(), 438);
    EXPECT_EQ(form->FOpenDir, "/pictures");
    EXPECT_EQ(histogram->Left(), 694);
    EXPECT_EQ(histogram->Height(), 209);
    // Every command works: the base picture and the rectangle exist.
    ASSERT_TRUE(form->FBaseBitmap);
    EXPECT_EQ(form->FTrimRect, Rect(10, 10, 100, 100));
    const std::string path = SaveBitmap("a.bmp", Photo(30, 20));
    Open(path);
    EXPECT_EQ(form->FPictureFileName, path);

    // Closing writes every key, the missing ones too.
    Stop();
    Start();
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(form->Parameter1.ReadInteger("HWidth"), 294);
    EXPECT_EQ(form->Parameter1.ReadInteger("Top"), form->Top());
}

TEST_F(StartupTest, ASettingsFileThatCannotBeWrittenIsReportedAndTheWindowClosesAnyway)
{
    Start();
    std::filesystem::create_directory(dir.File("pictor.ini")); // a folder in the file's place
    EXPECT_TRUE(form->close());
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_NE(messages.Messages()[0].find("pictor.ini"), std::string::npos);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->FBaseBitmap);
}

TEST_F(StartupTest, ControlsMenusAndPanelLayout)
{
    Start();
    EXPECT_EQ(form->windowTitle(), "Imaging");
    struct TBar {
        QSlider* bar;
        int min, max, position, line, page, tick;
    };
    for (const TBar& b : {TBar{form->TrackBar1, 0, 200, 100, 10, 20, 10}, TBar{form->TrackBar2, 40, 160, 100, 2, 10, 10},
                          TBar{form->TrackBar3, 40, 160, 100, 2, 10, 10}, TBar{form->TrackBar4, -30, 30, 0, 1, 5, 5}}) {
        EXPECT_EQ(b.bar->orientation(), Qt::Horizontal);
        EXPECT_EQ(b.bar->tickPosition(), QSlider::TicksBelow);
        EXPECT_EQ(b.bar->minimum(), b.min);
        EXPECT_EQ(b.bar->maximum(), b.max);
        EXPECT_EQ(b.bar->value(), b.position);
        EXPECT_EQ(b.bar->singleStep(), b.line);
        EXPECT_EQ(b.bar->pageStep(), b.page);
        EXPECT_EQ(b.bar->tickInterval(), b.tick);
        EXPECT_EQ(b.bar->size(), QSize(161, 33));
    }
    EXPECT_EQ(form->TrackBar2->pos(), QPoint(8, 24));
    EXPECT_EQ(form->TrackBar4->pos(), QPoint(8, 200));
    EXPECT_EQ(Label(form->Label3), "明るさ ( 100 % )");
    EXPECT_EQ(Label(form->Label5), "コントラスト ( 100 % )");
    EXPECT_EQ(Label(form->Label7), "ガンマ値 ( 1.00 )");
    EXPECT_EQ(Label(form->Label2), "表示倍率 ( 100 % )");
    EXPECT_EQ(Label(form->Label8), "0.32               1.00                3.16");
    EXPECT_EQ(form->Button1->toolTip().toStdString(), "現在の大きさを基準( 100 % )にします。");
    EXPECT_EQ(form->Button2->toolTip().toStdString(), "現在の設定を基準にします。");
    EXPECT_EQ(form->Panel1->width(), 177);
    EXPECT_EQ(form->Panel2->height(), 96);

    std::vector<std::string> menus;
    for (QAction* a : form->MainMenu1->actions()) menus.push_back(a->text().toStdString());
    EXPECT_EQ(menus, (std::vector<std::string>{"ファイル(&F)", "編集(&E)", "減色(&D)", "回転(&T)", "オプション(&O)"}));
    EXPECT_EQ(form->N901->text().toStdString(), "90°回転(&Q)");
    EXPECT_EQ(form->MedianCut2563->text().toStdString(), "MedianCut + 分散 + 誤差拡散で 256色へ減色");
    EXPECT_TRUE(form->N8->isSeparator());
    EXPECT_FALSE(form->T1->isEnabled());
    // Only copy and paste have shortcut keys.
    for (QMenu* menu : {form->File1, form->Edit1, form->N3, form->N5, form->O2})
        for (QAction* a : menu->actions()) {
            const bool copyOrPaste = a == form->C1 || a == form->P1;
            EXPECT_EQ(a->shortcut().isEmpty(), !copyOrPaste) << a->text().toStdString();
        }
    EXPECT_EQ(form->C1->text().toStdString(), "コピー(&C)");
    EXPECT_EQ(form->C1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
    EXPECT_EQ(form->P1->text().toStdString(), "貼り付け(&P)");
    EXPECT_EQ(form->P1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_V));

    // Button2 stays 8 pixels above the scale panel.
    form->Panel1->resize(177, 484);
    EXPECT_EQ(form->Button2->y(), 484 - 96 - 17 - 8);
    EXPECT_EQ(form->Button2->x(), 120);
}

TEST_F(StartupTest, TheCaptionShowsTheDisplayedSize)
{
    Start();
    const std::string path = SaveBitmap("c.bmp", Photo(640, 480));
    Open(path);
    EXPECT_EQ(std::filesystem::file_size(path), 921654u);
    EXPECT_EQ(form->Caption(), path + "  900KB  ( 640 × 480 )  -  24 bit Color");
    form->TrackBar1->setValue(50);
    EXPECT_EQ(form->Caption(), path + "  900KB  ( 320 × 240 )  -  24 bit Color");
}

} // namespace
} // namespace pictor::testing
