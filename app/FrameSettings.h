// What the settings file holds for the main window: both windows' placements
// and the folders last used (the keys are listed in FrameLayout.cpp).
#pragma once

#include "ui/WindowPlacement.h"

#include <string>

namespace pictor {

// Whose value a settings key holds.
enum class TSettingOwner { MainWindow, OpenDir, SaveDir, HistogramWindow };

struct TSettings {
    ui::TWindowPlacement Main;
    std::string OpenDir;
    std::string SaveDir;
    ui::TWindowPlacement Histogram;

    ui::TWindowPlacement& PlacementOf(TSettingOwner Owner)
    {
        return Owner == TSettingOwner::MainWindow ? Main : Histogram;
    }
    std::string& FolderOf(TSettingOwner Owner) { return Owner == TSettingOwner::OpenDir ? OpenDir : SaveDir; }
};

} // namespace pictor
