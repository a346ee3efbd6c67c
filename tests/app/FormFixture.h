// A main window for tests: its settings file in a temporary folder, its
// dialogs answered by script, its messages captured, and picture files
// made on demand.
#pragma once

#include "tests/support/QtTestApp.h"
#include "tests/support/TempDir.h"

#include "app/Frame.h"
#include "gfx/Bitmap.h"
#include "gfx/JPEGImage.h"
#include "gfx/Metafile.h"
#include "histogram/Histgram.h"
#include "tests/gfx/formats/IconTestSupport.h"
#include "ui/ExceptionGuard.h"
#include "ui/FileDialogs.h"

#include <QAction>
#include <QLabel>
#include <QSlider>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pictor::testing {

// A 24-bit picture whose pixels all differ in some channel.
inline TBitmap Photo(int w, int h)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x * 3 + y);
            row[3 * x + 1] = static_cast<std::uint8_t>(y * 5 + 40);
            row[3 * x + 2] = static_cast<std::uint8_t>((x * y) / 7 + 20);
        }
    }
    return b;
}

// An icon file of one 16 by 16 image, 32 bits per pixel.
inline std::string IconBytes()
{
    auto pixel = [](int x, int y) { return 0xFFC80000u | std::uint32_t(15 - y) * 16 << 8 | std::uint32_t(x) * 16; };
    return Bytes(
        BuildIcon({{DibIconImage(16, 16, 32, {}, pixel, [](int, int) { return false; }), 16, 16, 32}}));
}

class FormFixture : public ::testing::Test {
protected:
    FormFixture() { QtTestApp(); }

    // Makes the window (and its histogram window) with the settings file in
    // the temporary folder, and shows it.
    void Start()
    {
        form = std::make_unique<TForm1>();
        histogram = std::make_unique<TForm2>(form->HistogramHost(), form.get());
        form->SetHistogramWindow(histogram.get());
        form->Parameter1.SetDir(dir.Path());
        form->Parameter1.SetFileName("pictor.ini");
        auto open = std::make_unique<ui::TScriptedFileDialog>();
        auto save = std::make_unique<ui::TScriptedFileDialog>();
        openDialog = open.get();
        saveDialog = save.get();
        form->OpenDialog1 = std::move(open);
        form->SaveDialog1 = std::move(save);
        form->show();
    }

    void Stop()
    {
        if (form) form->close();
        histogram.reset();
        form.reset();
    }

    ~FormFixture() override { Stop(); }

    std::string SaveBitmap(const std::string& name, const TBitmap& b) const
    {
        const std::string path = dir.File(name);
        b.SaveToFile(path);
        return path;
    }

    std::string SaveJpeg(const std::string& name, const TBitmap& b) const
    {
        TJPEGImage jpeg;
        jpeg.Assign(b);
        const std::string path = dir.File(name);
        jpeg.SaveToFile(path);
        return path;
    }

    // A metafile of w by h pixels recorded by draw, saved as name.
    std::string SaveMetafile(const std::string& name, int w, int h, const std::function<void(TCanvas&)>& draw) const
    {
        TMetafile metafile;
        metafile.SetWidth(w);
        metafile.SetHeight(h);
        {
            TMetafileCanvas canvas(metafile);
            draw(canvas);
        }
        const std::string path = dir.File(name);
        metafile.SaveToFile(path);
        return path;
    }

    // Opens path through the File menu's dialog.
    void Open(const std::string& path)
    {
        openDialog->Answer(path);
        form->Open1->trigger();
    }

    TBitmap& View() { return form->KestrelImage1.Picture().Bitmap(); }
    const TGraphic* ViewGraphic() const { return form->KestrelImage1.Picture().Graphic(); }

    static bool SamePixels(const TBitmap& a, const TBitmap& b)
    {
        if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x)
                if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
        return true;
    }

    std::string Label(QLabel* label) const { return label->text().toStdString(); }

    TempDir dir;
    ui::TMessageCapture messages;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TForm2> histogram;
    ui::TScriptedFileDialog* openDialog = nullptr;
    ui::TScriptedFileDialog* saveDialog = nullptr;
};

} // namespace pictor::testing
