// Links the crash handler and dies on purpose: "segfault" or "abort".
#include <cstdlib>
#include <cstring>

// Global and out of line so that it shows up by name in the backtrace.
void CrashHere(const char* how);
__attribute__((noinline)) void CrashHere(const char* how) {
    if (std::strcmp(how, "abort") == 0) std::abort();
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

int main(int argc, char** argv) {
    CrashHere(argc > 1 ? argv[1] : "segfault");
    return 0;
}
