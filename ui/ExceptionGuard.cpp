// The exception guard and the application's message box.
#include "ui/ExceptionGuard.h"

#include "ui/QtTranslation.h"

#include <QMessageBox>
#include <QString>

#include <cstdio>
#include <new>

namespace pictor::ui {
namespace {

TMessageHook& Hook()
{
    static TMessageHook hook;
    return hook;
}

void ShowMessageBox(const std::string& message)
{
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent) parent = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kProgramTitle),
                    QString::fromStdString(message), QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

TMessageHook SetMessageHook(TMessageHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}

std::string CurrentExceptionMessage() noexcept
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "メモリが不足しています";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "不明なエラーが発生しました";
    }
}

void ShowErrorMessage(const std::string& message) noexcept
{
    try {
        if (Hook())
            Hook()(message);
        else
            ShowMessageBox(message);
    } catch (...) {
        // Nowhere left to report it but the terminal.
        std::fprintf(stderr, "pictor: %s\n", message.c_str());
    }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The whole interface is Japanese, so Qt's own texts are too.
    InstallQtTranslation();
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    bool result = false;
    Guarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

TMessageCapture::TMessageCapture()
    : previous_(SetMessageHook([this](const std::string& message) { messages_.push_back(message); }))
{
}

TMessageCapture::~TMessageCapture()
{
    SetMessageHook(std::move(previous_));
}

} // namespace pictor::ui
