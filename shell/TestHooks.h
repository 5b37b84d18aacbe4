#pragma once

#include <QString>

#include "shell/MainWin.h"

// Switches through which the tests and the screenshot scripts drive the real
// program, each an environment variable. They are compiled in only when the
// build is configured with TOLVANIRE_TEST_HOOKS=ON (the default while the
// tests are built); a build for users leaves TestHooks.cpp out, and every
// hook below then does nothing.
class CTestHooks {
public:
    // TOLVANIRE_INSTANCE_KEY: the key under which instances meet, so that a
    // test never meets a real running instance. Empty: the per-user key.
    static QString InstanceKey();

    // TOLVANIRE_AUTOCLOSE_DIALOGS_MS: every N ms every open dialog is closed
    // by the message the dialog title bars send, so that a run passes a
    // modal box nobody clicks.
    static void StartAutoClose();

    // TOLVANIRE_SPLASH_HOLD_MS: the start-up thread waits that long before
    // it starts the backend, so that a screenshot catches the splash.
    static CMainWin::PlatformFactory HoldSplash(CMainWin::PlatformFactory factory);

    // Once the main window is shown: TOLVANIRE_FORCE_OVERLAY shows the blur
    // overlay on every system; TOLVANIRE_DEMO_DIALOG ("message", "busy", or
    // "orphans": the list "Leftovers..." opens) opens that dialog over the
    // window; TOLVANIRE_CRASH_AFTER_START
    // crashes the program a second later, for the checks of what a crash
    // leaves.
    static void WindowShown(CMainWin* window);
};

#ifndef TOLVANIRE_TEST_HOOKS
inline QString CTestHooks::InstanceKey() {
    return QString();
}
inline void CTestHooks::StartAutoClose() {}
inline CMainWin::PlatformFactory CTestHooks::HoldSplash(CMainWin::PlatformFactory factory) {
    return factory;
}
inline void CTestHooks::WindowShown(CMainWin*) {}
#endif
