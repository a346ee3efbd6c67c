// Program body: creates the windows and runs the event loop.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Imaging"));
    window.resize(604, 438);
    window.show();
    return app.exec();
}
