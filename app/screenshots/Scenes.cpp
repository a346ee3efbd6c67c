// pictor-scenes: the program with a picture opened and one scene of the
// documentation set up, for screenshots (scripts/screenshots.sh).
//   pictor-scenes loaded  PICTURE   the picture opened
//   pictor-scenes trim    PICTURE   the trimming area shown
//   pictor-scenes reduced PICTURE   median cut with diffusion, histogram shown
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
        std::fprintf(stderr, "usage: pictor-scenes loaded|trim|reduced PICTURE\n");
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
            }
        });
    });
    return app.exec();
}
