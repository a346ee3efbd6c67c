// The application object for tests of windows and widgets: made on first use,
// on the offscreen platform unless the environment names another, and kept
// for the whole run.
#pragma once

#include "ui/ExceptionGuard.h"

#include <QByteArray>

#include <cstdlib>

namespace pictor::testing {

inline QApplication& QtTestApp()
{
    static ui::TApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
        static int argc = 1;
        static char name[] = "pictor-test";
        static char* argv[] = {name, nullptr};
        return new ui::TApplication(argc, argv);
    }();
    return *app;
}

} // namespace pictor::testing
