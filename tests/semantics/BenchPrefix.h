#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// The prefix a benchmark runs in: the one it is given, which is kept, or
// (given none) a fresh one in a temporary folder with a sandbox HOME, which
// goes with the object. Declared before the platforms that use it, so that
// they end first.
class BenchPrefix {
public:
    explicit BenchPrefix(const std::string& given) : path(given) {
        setenv("WINEDEBUG", "-all", 1);
        if (!path.empty()) return;
        char pattern[] = "/tmp/tolvanire-bench-XXXXXX";
        if (!mkdtemp(pattern)) return;
        root = pattern;
        mkdir((root + "/home").c_str(), 0700);
        setenv("HOME", (root + "/home").c_str(), 1);
        path = root + "/prefix";
    }
    ~BenchPrefix() {
        if (root.empty()) {
            std::printf("prefix kept: %s\n", path.c_str());
            return;
        }
        const std::string cleanup = "WINEPREFIX='" + path + "' wineserver -k >/dev/null 2>&1; rm -rf '" + root + "'";
        if (std::system(cleanup.c_str()) != 0) { /* left for the OS to clean */
        }
    }
    BenchPrefix(const BenchPrefix&) = delete;
    BenchPrefix& operator=(const BenchPrefix&) = delete;

    // Empty when no temporary folder could be made.
    const std::string& Path() const { return path; }

private:
    std::string path;
    std::string root; // of a fresh prefix
};
