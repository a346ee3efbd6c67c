// Shows the histogram window for a picture file and saves what it shows as a
// PNG, for the documentation. A real window under a virtual display:
//
//   xvfb-run -a build/tools/pictor-histogram-shot photo.jpg shot.png [width height]
//
// width and height are the window's outer size as the settings store keeps
// it (294 by 209 when left out).
#include "core/FileIO.h"
#include "gfx/Bitmap.h"
#include "gfx/Picture.h"
#include "histogram/HistogramHost.h"
#include "histogram/Histgram.h"
#include "image/KestrelImg.h"
#include "param/Param.h"
#include "ui/ExceptionGuard.h"

#include <QBuffer>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <string>

namespace {

using namespace pictor;

// The main window's part, with the trimming area never shown.
class TShotHost : public THistogramHost {
public:
    TParameter& Parameter1() override { return Settings; }
    TKestrelImage& KestrelImage1() override { return Image; }
    bool A1Checked() const override { return false; }
    void DrawTrimRect() override {}
    void SetH1Checked(bool) override {}

    TParameter Settings;
    TKestrelImage Image;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: %s picture output.png [width height]\n", argv[0]);
        return 2;
    }
    ui::TApplication app(argc, argv);
    TShotHost host;
    if (!ui::Guarded([&] {
            TPicture picture;
            picture.LoadFromFile(argv[1]);
            // As the main window shows a loaded picture: a bitmap.
            TBitmap bitmap;
            bitmap.Assign(*picture.Graphic());
            host.Image.Picture().SetGraphic(&bitmap);
        }))
        return 1;
    host.Settings.WriteInteger("HLeft", 40);
    host.Settings.WriteInteger("HTop", 40);
    host.Settings.WriteInteger("HWidth", argc == 5 ? std::stoi(argv[3]) : 294);
    host.Settings.WriteInteger("HHeight", argc == 5 ? std::stoi(argv[4]) : 209);
    host.Settings.WriteInteger("HWindowState", 0);

    TForm2 form(host);
    form.show();
    bool saved = false;
    QTimer::singleShot(500, [&] {
        // Encoded in memory, then written like every file of ours, so that
        // a failed write cannot leave half a picture in place of an old one.
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        saved = form.grab().save(&buffer, "PNG");
        if (saved) {
            try {
                WriteFileAtomically(argv[2], png.constData(), static_cast<std::size_t>(png.size()));
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
                saved = false;
            }
        }
        app.quit();
    });
    app.exec();
    if (!saved) std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
    return saved ? 0 : 1;
}
