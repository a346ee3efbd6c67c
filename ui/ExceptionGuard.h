// The one place where failures end: every handler that Qt calls runs inside
// Guarded(), which catches whatever the handler throws and shows its message
// in a message box, so that no exception ever crosses Qt's event loop and the
// window stays usable.
#pragma once

#include <QApplication>

#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pictor::ui {

// Shows message to the user. By default a modal error box; tests replace it.
using TMessageHook = std::function<void(const std::string& message)>;

// Installs hook (empty: the message box again) and returns the previous one.
TMessageHook SetMessageHook(TMessageHook hook);

// Shows message through the hook, or in a message box. Never throws.
void ShowErrorMessage(const std::string& message) noexcept;

// The message that the guard shows for the exception being handled (call
// only inside a catch block).
std::string CurrentExceptionMessage() noexcept;

// Runs handler; anything it throws is shown and swallowed. Returns whether
// the handler ran to its end.
template <class F>
bool Guarded(F&& handler) noexcept
{
    try {
        std::forward<F>(handler)();
        return true;
    } catch (...) {
        ShowErrorMessage(CurrentExceptionMessage());
        return false;
    }
}

// The application object: a last guard around every event that Qt delivers,
// for code that is not wrapped in Guarded() itself. It installs Qt's
// Japanese translation when it is made (ui/QtTranslation.h).
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// For tests: collects the messages shown while it lives instead of showing
// message boxes.
class TMessageCapture {
public:
    TMessageCapture();
    ~TMessageCapture();
    TMessageCapture(const TMessageCapture&) = delete;
    TMessageCapture& operator=(const TMessageCapture&) = delete;

    const std::vector<std::string>& Messages() const { return messages_; }
    void Clear() { messages_.clear(); }

private:
    std::vector<std::string> messages_;
    TMessageHook previous_;
};

} // namespace pictor::ui
