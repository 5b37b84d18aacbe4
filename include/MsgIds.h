#pragma once

#include <cstdint>

// Numeric messages sent through the notification centre.
enum : uint32_t {
    MSG_INVENTORY_READY = 0x124A,
    MSG_CLOSE_DLG = 0x124C,
    MSG_UNINSTALL_STEP_DONE = 0x124D,
    MSG_DIALOG_RESULT = 0x124E,
    MSG_UPDATE_DONE = 0x1256,
    MSG_LIST_REFRESHED = 0x1259,
    MSG_QUIT_APP = 0x125B,
    MSG_DEEP_CLEAN_STARTED = 0x1260,
    // A dialog's own marker: it tells the dialog that every MSG_CLOSE_DLG
    // queued before the dialog existed has been delivered (CCloseMsgFence).
    MSG_CLOSE_FENCE = 0x1261,
    // A look at the windows of the uninstaller that a run waits for.
    MSG_RUN_WINDOWS = 0x1262,
    // The look at which programs' uninstallers are missing is done.
    MSG_MISSING_UNINSTALLERS = 0x1263,
};
