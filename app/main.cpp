// Program body: creates the main window and the hidden histogram window,
// opens a picture named on the command line, and runs the event loop.
#include "app/Frame.h"
#include "histogram/Histgram.h"
#include "ui/ExceptionGuard.h"

#include <QFileInfo>
#include <QStringList>

int main(int argc, char** argv)
{
    pictor::ui::TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pictor"));

    pictor::TForm1 Form1;
    pictor::TForm2 Form2(Form1.HistogramHost(), &Form1);
    Form1.SetHistogramWindow(&Form2);
    Form1.show();

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        const std::string file = QFileInfo(arguments.at(1)).absoluteFilePath().toStdString();
        pictor::ui::Guarded([&] { Form1.LoadPicture(file); });
    }
    return app.exec();
}
