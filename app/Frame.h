// TForm1: the main window "Imaging". It owns the image control KestrelImage1
// (shown by an ImageView inside the scroll box ScrollBox1), the settings
// store Parameter1, the slider panel, the menus and the file dialogs, and the
// base picture FBaseBitmap: the state reached by the last completed command,
// before the tone sliders are applied. The view shows the base picture with
// the tone sliders applied, stretched to the display scale.
//
// The window's code is split by concern:
//   FrameLayout.cpp  controls, menus, placement, caption, settings at start and close
//   FrameFile.cpp    opening and saving pictures
//   FrameTone.cpp    the sliders, the OK buttons, undo and reload, amend handlers
//   FrameMenu.cpp    reductions, rotations, mirror, histogram window, exit
//   FrameTrim.cpp    the trimming area
//   FrameClipboard.cpp  copying the picture and pasting one
#pragma once

#include "gfx/Bitmap.h"
#include "gfx/Types.h"
#include "image/KestrelImg.h"
#include "param/Param.h"
#include "ui/FileDialogs.h"
#include "ui/ImageView.h"
#include "ui/WindowPlacement.h"

#include <QMainWindow>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QDragEnterEvent;
class QDropEvent;
class QPushButton;
class QScrollArea;
class QSlider;
class QWheelEvent;

namespace pictor {

class TForm2;
class TForm1HistogramHost;
class THistogramHost;
class TStepCoalescer;

// Its placement (Left, Top, Width, Height, WindowState) is counted as the
// settings store keeps it (ui/WindowPlacement.h).
class TForm1 : public ui::TPlacedWindow<QMainWindow> {
    Q_OBJECT
public:
    TForm1();
    ~TForm1() override;

    // The histogram window, which the program body creates after this one.
    // Without one the histogram is never shown and its placement keys keep
    // the form description's values.
    void SetHistogramWindow(TForm2* Form);
    TForm2* HistogramWindow() const { return Form2; }
    // What the histogram window asks of this window.
    THistogramHost& HistogramHost();

    // --- components, named as in the form description ------------------------
    QMenuBar* MainMenu1;
    QScrollArea* ScrollBox1;
    QFrame* Panel1;
    QFrame* Panel2;
    TKestrelImage KestrelImage1;
    ui::ImageView* KestrelImage1View;
    QMenu* File1;
    QAction* Open1;
    QAction* Save1;
    QAction* N1;
    QAction* Exit1;
    std::unique_ptr<ui::TFileDialog> OpenDialog1;
    std::unique_ptr<ui::TFileDialog> SaveDialog1;
    TParameter Parameter1;
    QSlider* TrackBar1;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* Button1;
    QLabel* Label3;
    QSlider* TrackBar2;
    QLabel* Label4;
    QPushButton* Button2;
    QLabel* Label5;
    QSlider* TrackBar3;
    QLabel* Label6;
    QLabel* Label7;
    QSlider* TrackBar4;
    QLabel* Label8;
    QMenu* Edit1;
    QAction* U1;
    QAction* O1;
    QMenu* N3;
    QAction* Octree2561;
    QAction* MedianCut2561;
    QAction* MedianCutByVariance2561;
    QAction* MedianCut2562;
    QAction* MedianCut2563;
    QAction* N4;
    QAction* PixelFormat2561;
    QMenu* N5;
    QAction* N901;
    QAction* N1801;
    QAction* N2701;
    QAction* N8;
    QAction* R1;
    QMenu* O2;
    QAction* H1;
    QAction* N2;
    QAction* A1;
    QAction* T1;
    // Edit menu: copy (Ctrl+C) and paste (Ctrl+V), after the reload item.
    QAction* N6;
    QAction* C1;
    QAction* P1;

    // --- handlers (Qt calls them inside the exception guard) ------------------
    void Open1Click();
    void Save1Click();
    void Exit1Click();
    void FormShow();
    void FormCloseQuery(bool& CanClose);
    void TrackBar1Change();
    void Button1Click();
    void TrackBar2Change();
    void Panel1Resize();
    void TrackBar3Change();
    void TrackBar4Change();
    void Button2Click();
    void U1Click();
    void O1Click();
    void KestrelImage1Amended(TKestrelImage& Sender, const std::string& Kind);
    void KestrelImage1Amend(TKestrelImage& Sender, const std::string& Kind);
    void Octree2561Click();
    void MedianCut2561Click();
    void MedianCutByVariance2561Click();
    void MedianCut2562Click();
    void MedianCut2563Click();
    void N4Click();
    void PixelFormat2561Click();
    void N901Click();
    void N1801Click();
    void N2701Click();
    void R1Click();
    void H1Click();
    void A1Click();
    void KestrelImage1MouseDown(ui::TMouseButton Button, ui::TShiftState Shift, int X, int Y);
    void T1Click();
    // Puts the picture as shown (the view, with tone adjustments not yet
    // made the base, without the trimming outline) on the clipboard.
    void C1Click();
    // Takes the clipboard's image as a new 24-bit picture, as if a file had
    // been opened; captioned "(クリップボード)", and reloading does nothing.
    void P1Click();

    // --- methods ------------------------------------------------------------
    void UpdateBaseBitmap();
    void LoadPicture(const std::string& FileName);
    // What opening does once a picture is read: the view cleared, the
    // sliders at rest, the picture shown at its initial scale as the new base
    // picture, caption and histogram. FileName is the file it came from
    // (SizeText its size as the caption shows it), "" for the clipboard.
    void ShowNewPicture(const TGraphic* Graphic, const std::string& FileName, const std::string& SizeText);
    void RestoreBase();
    void RefreshHistogram();
    void ApplyTone();
    void UpdateCaption();
    void ShowTrimArea();
    // Draws the trimming rectangle once, inverting the pixels under it.
    void DrawTrimRect();
    void HideTrimArea();
    void ResetToneSliders();

    // --- the window's own data (read by tests) ---------------------------------
    std::string FOpenDir;
    std::string FSaveDir;
    std::string FPictureFileName;
    std::string FFileSizeText;
    std::string FSizeText;
    std::string FColorText;
    std::unique_ptr<TBitmap> FBaseBitmap;
    TRect FTrimRect;
    // The picture was pasted: the caption names the clipboard.
    bool FClipboardPicture = false;
    // -1 while the program itself resets the tone sliders, 0 otherwise.
    int Tag = 0;

    // The caption of the window ("Imaging" without a picture).
    std::string Caption() const;

    // The file-size part of the caption for a file of Bytes bytes ("  2KB").
    static std::string FileSizeText(std::uint64_t Bytes);
    // The initial display scale for a picture whose larger side is M pixels.
    static int InitialScale(int M);

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;

private:
    void CreatePanel();
    void CreateMenus();
    QAction* AddItem(QMenu* Menu, const char* Caption, void (TForm1::*Handler)(), bool Checkable = false);
    // Runs a handler that Qt calls: inside the exception guard when no other
    // handler is running; nested (a slider moved by a handler), directly, and
    // a failure is handed on to the handler that moved the slider.
    void Dispatch(void (TForm1::*Handler)());
    // Sets a slider's position in code; its change handler runs before this
    // returns, and what it throws comes out of here.
    void SetPosition(QSlider* TrackBar, int Position);
    // A tone slider's move: ApplyTone now, or for the user's moves that the
    // event loop delivers one after another, once after the last of them.
    void ApplyToneStep();
    void ReduceCommand(std::uint8_t Mode);
    void RotateCommand(int Angle);
    void FlipCommand(bool Mirror);
    void HideTrimAreaIfShown();
    // Enables the paste item exactly while the clipboard holds an image.
    void UpdatePasteItem();
    void ReadSettings();
    void WriteFirstRunSettings();
    void SizeScrollContent();
    // Ctrl + wheel: the scale slider moves a line step a notch, as if the
    // user had moved it. Returns whether the event was taken.
    bool ScaleByWheel(QWheelEvent& Event);
    bool ViewHolds(TPictureType Type) const { return KestrelImage1.GetPictureType() == Type; }
    TBitmap* ViewBitmap() const;

    QWidget* scrollContent_ = nullptr;
    TForm2* Form2 = nullptr;
    std::unique_ptr<TForm1HistogramHost> histogramHost_;
    std::unique_ptr<TStepCoalescer> toneSteps_;
    bool shown_ = false;
    int handlerDepth_ = 0;
    int wheelAngle_ = 0; // of Ctrl + wheel turns short of a notch
    std::exception_ptr nestedFailure_;
};

} // namespace pictor
