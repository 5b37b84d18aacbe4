#pragma once

#include <chrono>

// Milliseconds since `start`, for tests that check how long a call took.
inline long long MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}
