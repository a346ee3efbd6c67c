// TForm1: opening and saving pictures.
#include "app/Frame.h"

#include "app/WaitCursor.h"
#include "core/Exception.h"
#include "core/FileIO.h"
#include "core/FilePath.h"
#include "core/Text.h"
#include "gfx/Canvas.h"
#include "gfx/GIFImage.h"
#include "gfx/Icon.h"
#include "gfx/JPEGImage.h"
#include "gfx/Metafile.h"
#include "gfx/Picture.h"
#include "gfx/PngImage.h"

#include <QAction>
#include <QSlider>

#include <algorithm>

namespace pictor {
namespace {

// Why saving under a name with the extension e (lower case, "" for none)
// writes nothing; worded as pictor-cli's refusal.
std::string NothingWrittenMessage(const std::string& e)
{
    if (e == "ico") return ".ico で保存できるのは、アイコンファイルから開いた画像だけです。";
    const std::string what = e.empty() ? "ファイル名に拡張子がありません。" : "拡張子 ." + e + " では保存できません。";
    return what + "保存できる拡張子は " + TPicture::WritableExtensionList() + " です。";
}

} // namespace

std::string TForm1::FileSizeText(std::uint64_t Bytes)
{
    std::uint64_t k = Bytes / 1024;
    const std::uint64_t r = Bytes % 1024;
    if (r != 0 && (k == 0 || r >= 512)) ++k;
    return "  " + std::to_string(k) + "KB";
}

int TForm1::InitialScale(int M)
{
    if (M <= 1024) return 100;
    const int p = (102400 / M) / 10 * 10;
    // Beyond 10240 pixels: the scale slider's tick step.
    return p == 0 ? 10 : p;
}

void TForm1::OpenPicture()
{
    HideTrimAreaIfShown();
    OpenDialog1->SetInitialDir(FOpenDir);
    OpenDialog1->SetFileName("");
    if (OpenDialog1->Execute()) LoadPicture(OpenDialog1->FileName());
}

void TForm1::LoadPicture(const std::string& FileName)
{
    if (FileName.empty()) return;
    TWaitCursor wait;

    // The file is read aside first: a file that cannot be read changes
    // nothing, and the picture on screen is kept.
    TPicture loaded;
    loaded.LoadFromFile(FileName);
    ShowNewPicture(loaded.Graphic(), FileName, FileSizeText(FileSize(FileName).value_or(0)));
}

void TForm1::ShowNewPicture(const TGraphic* Graphic, const std::string& FileName, const std::string& SizeText)
{
    KestrelImage1.Picture().SetGraphic(nullptr);
    SetPosition(TrackBar4, 0);
    SetPosition(TrackBar3, 100);
    SetPosition(TrackBar2, 100);
    SetPosition(TrackBar1, 100);
    KestrelImage1.SetStretch(false);
    KestrelImage1.Picture().SetGraphic(Graphic);

    if (TGraphic* graphic = KestrelImage1.Picture().Graphic()) {
        if (auto* metafile = dynamic_cast<TMetafile*>(graphic)) metafile->SetInch(1);
        FPictureFileName = FileName;
        FFileSizeText = SizeText;
        FClipboardPicture = FileName.empty();
        if (!FileName.empty()) FOpenDir = FolderPart(FileName);
        const int w = graphic->Width(), h = graphic->Height();
        const int p = InitialScale(std::max(w, h));
        UpdateBaseBitmap();
        if (dynamic_cast<TJPEGImage*>(KestrelImage1.Picture().Graphic()))
            KestrelImage1.Picture().SetGraphic(FBaseBitmap.get());
        if (p == TrackBar1->value())
            KestrelImage1.SetBounds(p * w / 100, p * h / 100);
        else
            SetPosition(TrackBar1, p);
    }
    KestrelImage1.SetStretch(true);
    UpdateCaption();
    RefreshHistogram();
}

void TForm1::SavePicture()
{
    HideTrimAreaIfShown();
    SaveDialog1->SetInitialDir(FSaveDir);
    SaveDialog1->SetFileName(FileNamePart(FPictureFileName));
    if (!SaveDialog1->Execute()) return;
    const std::string name = SaveDialog1->FileName();
    const std::string e = AsciiLower(ExtensionOf(name));

    TGraphic* view = KestrelImage1.Picture().Graphic();
    // A name under which nothing would be written is refused with a message,
    // never taken silently as if saved; the folder is remembered all the
    // same, as after every confirmed dialog.
    auto refuse = [&] {
        FSaveDir = FolderPart(name);
        throw EInvalidOperation(NothingWrittenMessage(e));
    };
    if (!TPicture::Writes(e) || (e == "ico" && !dynamic_cast<TIcon*>(view))) refuse();

    TWaitCursor wait;
    if (e == "bmp") {
        FBaseBitmap->SaveToFile(name);
    } else if (e == "emf" || e == "wmf") {
        // A metafile saves itself old-style under ".wmf", in the format it
        // carries under ".emf".
        if (dynamic_cast<TMetafile*>(view)) {
            KestrelImage1.Picture().SaveToFile(name);
        } else {
            TMetafile metafile;
            metafile.SetWidth(FBaseBitmap->Width());
            metafile.SetHeight(FBaseBitmap->Height());
            {
                TMetafileCanvas canvas(metafile);
                canvas.Draw(0, 0, *FBaseBitmap);
            }
            metafile.SetInch(1);
            metafile.SaveToFile(name);
        }
    } else if (e == "jpg" || e == "jpeg") {
        TJPEGImage jpeg;
        jpeg.Assign(*FBaseBitmap);
        jpeg.SaveToFile(name);
    } else if (e == "ico") {
        KestrelImage1.Picture().SaveToFile(name);
    } else if (e == "png") {
        TPngImage png;
        png.Assign(*FBaseBitmap);
        png.SaveToFile(name);
    } else if (e == "gif") {
        // Refused, with a message that asks for a reduction first, when the
        // base picture has more than 8 bits per pixel.
        TGIFImage gif;
        gif.Assign(*FBaseBitmap);
        gif.SaveToFile(name);
    } else {
        refuse(); // a format of the table that this command does not write yet
    }
    FSaveDir = FolderPart(name);
}

} // namespace pictor
