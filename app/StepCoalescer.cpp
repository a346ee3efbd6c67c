#include "app/StepCoalescer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <algorithm>

namespace pictor {

TStepCoalescer::TStepCoalescer(std::function<bool()> Work, std::initializer_list<QObject*> Sliders)
    : work_(std::move(Work)), sliders_(Sliders)
{
    // Sees every event of the program; it only looks while work waits.
    QCoreApplication::instance()->installEventFilter(this);
}

TStepCoalescer::~TStepCoalescer()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool TStepCoalescer::Defer()
{
    if (QThread::currentThread()->loopLevel() == 0) return false;
    pending_ = true;
    if (!queued_) {
        queued_ = true;
        // Behind every event queued so far, the steps among them.
        QMetaObject::invokeMethod(
            this,
            [this] {
                queued_ = false;
                Flush();
            },
            Qt::QueuedConnection);
    }
    return true;
}

void TStepCoalescer::Flush()
{
    if (!pending_) return;
    pending_ = false;
    // Work that cannot run yet waits for the next occasion.
    if (!work_()) pending_ = true;
}

bool TStepCoalescer::eventFilter(QObject* Watched, QEvent* Event)
{
    if (!pending_) return false;
    // No occasion for the work: the sliders' own events (more steps, their
    // repaint), what a window receives before handing its input on to a
    // widget (seen again there), a widget being painted (the work would ask
    // for another paint from inside this one), and the query for shortcuts
    // (a shortcut that fires runs a handler, which runs the work first).
    if (std::find(sliders_.begin(), sliders_.end(), Watched) != sliders_.end()) return false;
    if (Watched->isWindowType()) return false;
    const QEvent::Type type = Event->type();
    if (type == QEvent::Paint || type == QEvent::ShortcutOverride) return false;
    Flush();
    return false;
}

} // namespace pictor
