// pictor-scenes: the program with a picture opened and one scene of the
// documentation set up, for screenshots (scripts/screenshots.sh).
//   pictor-scenes loaded  PICTURE   the picture opened
//   pictor-scenes trim    PICTURE   the trimming area shown
//   pictor-scenes reduced PICTURE   median cut with diffusion, histogram shown
//   pictor-scenes dialog  PICTURE   the save dialog over the histogram window
//   pictor-scenes outline PICTURE   the trimming area at 40 %
#include "app/Frame.h"
#include "histogram/Histgram.h"
#include "ui/ExceptionGuard.h"

#include <QAction>
#include <QFileInfo>
#include <QSlider>
#include <QTimer>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: pictor-scenes loaded|trim|reduced|dialog|outline PICTURE\n");
        return 2;
    }
    pictor::ui::TApplication app(argc, argv);
    const std::string scene = argv[1];
    const std::string picture = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath().toStdString();

    pictor::TForm1 Form1;
    pictor::TForm2 Form2(Form1.HistogramHost(), &Form1);
    Form1.SetHistogramWindow(&Form2);
    Form1.show();
    Form1.SetLeft(10);
    Form1.SetTop(30);
    Form1.SetWidth(760);
    Form1.SetHeight(560);
    QTimer::singleShot(300, [&] {
        pictor::ui::Guarded([&] {
            Form1.LoadPicture(picture);
            if (scene == "trim") {
                Form1.TrackBar2->setValue(116);
                Form1.A1->trigger();
                Form1.KestrelImage1MouseDown(pictor::ui::mbLeft, 0, 121, 71);
                Form1.KestrelImage1MouseDown(pictor::ui::mbRight, 0, 431, 331);
            } else if (scene == "reduced") {
                Form1.MedianCut2563->trigger();
                Form1.H1->trigger();
                Form2.SetLeft(500);
                Form2.SetTop(360);
            } else if (scene == "dialog") {
                // Where the dialog's buttons open: they must show above it.
                Form1.H1->trigger();
                Form2.SetLeft(480);
                Form2.SetTop(380);
                Form1.FSaveDir = Form1.FOpenDir;
            } else if (scene == "outline") {
                Form1.TrackBar1->setValue(40);
                Form1.A1->trigger();
                Form1.KestrelImage1MouseDown(pictor::ui::mbLeft, 0, 121, 71);
                Form1.KestrelImage1MouseDown(pictor::ui::mbRight, 0, 431, 331);
            }
        });
    });
    // The dialog runs once the windows have settled.
    if (scene == "dialog") QTimer::singleShot(1500, [&] { Form1.Save1->trigger(); });
    return app.exec();
}
