#pragma once

#include <cstdint>

#include "platform/Errors.h"

// The one place where the leftover classes look at the status of a
// platform call: it says whether the call succeeded and remembers whether
// the backend itself failed, so that a whole clean can be told apart from
// one whose backend gave out on the way.
class CBackendWatch {
public:
    bool Ok(uint32_t status) {
        if (status == platform::kErrorBackendFailure) failed = true;
        return status == platform::kErrorSuccess;
    }
    bool Failed() const { return failed; }
    void Reset() { failed = false; }

private:
    bool failed = false;
};
