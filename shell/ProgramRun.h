#pragma once

#include "shell/MainWin.h"

// What the entry point does once it knows it is the only instance: builds
// the main window behind the splash, and either shows it and runs the event
// loop (returning the loop's result), or, when the target machine could not
// be read at any moment before the window would be shown, says why in a
// failure box and returns 1. `onShown` is called with the window once it is
// shown, before the loop runs.
int RunMainWindow(CMainWin::PlatformFactory factory, const std::function<void(CMainWin*)>& onShown = {});
