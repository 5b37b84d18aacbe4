#pragma once

#include <QString>

// Why the target machine could not be reached: its backend failed to start,
// died, fell silent or answered something that does not decode. The
// failure side of every call of the core face; once it has happened, no
// later call reaches the target machine either.
struct BackendFailure {
    QString reason;
};
