// TStepCoalescer: the steps of a slider that the running event loop delivers
// one after another (a drag, a held key) do their work once, after the last.
//
// A step asks for the work with Defer. The work then runs before anything
// else can happen: before the next event for any object but the sliders
// themselves (a click, a menu, a timer, the window's repaint) and, at the
// latest, when the event loop reaches the call Defer queued behind the steps
// already waiting. Whatever looks at the window afterwards sees what running
// every step on its own would have left, since each run of the work starts
// afresh from the sliders' positions.
//
// Without a running event loop (code that moves a slider and looks at once,
// as the tests do) nothing is deferred.
#pragma once

#include <QObject>

#include <functional>
#include <initializer_list>
#include <vector>

namespace pictor {

class TStepCoalescer : public QObject {
public:
    // Work returns false when it cannot run yet (it is then tried again on
    // the next occasion); Sliders are the controls whose own events never
    // cut a run of steps short. The application object must exist.
    TStepCoalescer(std::function<bool()> Work, std::initializer_list<QObject*> Sliders);
    ~TStepCoalescer() override;

    // Defers the work of a step delivered by the running event loop (true);
    // false, with nothing deferred, when no event loop runs.
    bool Defer();
    // Runs deferred work now.
    void Flush();
    bool Pending() const { return pending_; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    std::function<bool()> work_;
    std::vector<QObject*> sliders_;
    bool pending_ = false;
    // The call behind the queued steps has been posted and not yet run.
    bool queued_ = false;
};

} // namespace pictor
