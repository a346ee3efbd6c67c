// TForm1's handlers: the names the form description gives them, each handing
// on at once to the command that does what it stands for.
#include "app/Frame.h"

namespace pictor {

// File menu
void TForm1::Open1Click() { OpenPicture(); }
void TForm1::Save1Click() { SavePicture(); }
void TForm1::Exit1Click() { Quit(); }

// The window
void TForm1::FormShow() { LoadSettingsAtStart(); }
void TForm1::FormCloseQuery(bool& CanClose) { StoreSettingsAtClose(CanClose); }
void TForm1::Panel1Resize() { ArrangePanel(); }

// The slider panel
void TForm1::TrackBar1Change() { ScaleChanged(); }
void TForm1::Button1Click() { CommitScale(); }
void TForm1::TrackBar2Change() { BrightnessChanged(); }
void TForm1::TrackBar3Change() { ContrastChanged(); }
void TForm1::TrackBar4Change() { GammaChanged(); }
void TForm1::Button2Click() { CommitTone(); }

// Edit menu and the view
void TForm1::U1Click() { Undo(); }
void TForm1::O1Click() { Reload(); }
void TForm1::C1Click() { CopyPicture(); }
void TForm1::P1Click() { PastePicture(); }
void TForm1::A1Click() { ToggleTrimArea(); }
void TForm1::T1Click() { TrimToArea(); }
void TForm1::KestrelImage1MouseDown(ui::TMouseButton Button, ui::TShiftState, int X, int Y)
{
    SetTrimCorner(Button, X, Y);
}

// The image control's events
void TForm1::KestrelImage1Amend(TKestrelImage&, const std::string& Kind) { OperationStarted(Kind); }
void TForm1::KestrelImage1Amended(TKestrelImage&, const std::string& Kind) { OperationCompleted(Kind); }

// Reduction menu
void TForm1::Octree2561Click() { ReduceColors(rmOctree); }
void TForm1::MedianCut2561Click() { ReduceColors(rmMedianCut); }
void TForm1::MedianCutByVariance2561Click() { ReduceColors(rmMedianCutByVariance); }
void TForm1::MedianCut2562Click() { ReduceColors(rmMedianCutDiffusion); }
void TForm1::MedianCut2563Click() { ReduceColors(rmMedianCutByVarianceDiffusion); }
void TForm1::N4Click() { ReduceColors(rmStaticColorDiffusion); }
void TForm1::Quality2561Click() { ReduceColors(rmQuality); }
void TForm1::Quality2562Click() { ReduceColors(rmQualityDiffusion); }
void TForm1::PixelFormat2561Click() { ConvertToHalftone(); }

// Rotation menu
void TForm1::N901Click() { RotateQuarter(90); }
void TForm1::N1801Click() { RotateHalf(); }
void TForm1::N2701Click() { RotateQuarter(270); }
void TForm1::R1Click() { Mirror(); }

// Option menu
void TForm1::H1Click() { ToggleHistogramWindow(); }

} // namespace pictor
