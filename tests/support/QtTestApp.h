// The application object for tests of windows and widgets: made on first use,
// on the offscreen platform unless the environment names another, and kept
// for the whole run.
#pragma once

#include "core/LeakCheck.h"
#include "ui/ExceptionGuard.h"

#include <QByteArray>
#include <QFontDatabase>

#include <cstdlib>

namespace pictor::testing {

inline QApplication& QtTestApp()
{
    static ui::TApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
        static int argc = 1;
        static char name[] = "pictor-test";
        static char* argv[] = {name, nullptr};
        auto* made = new ui::TApplication(argc, argv);
        // Qt loads fontconfig's configuration once, for its font list, and
        // keeps it for the process; parts of it are reached only through
        // offsets, so the sanitizer build's leak checker would count them
        // lost. The list is made here, outside its count.
        TLeakCheckPause pause;
        QFontDatabase::families();
        return made;
    }();
    return *app;
}

} // namespace pictor::testing
