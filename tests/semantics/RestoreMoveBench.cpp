// Measures what the restore store costs a deep clean under Wine: moving
// leftover files into a store on the same volume against deleting them,
// both through the Wine client, with the files in one folder and spread
// over folders of 20 (the store mirrors the folders it takes files from;
// Wine looks a new name up in the whole folder, so a full one costs more).
// Not a test; prints figures.
//
//   restore_move_bench [--files N] [--runs R] [--prefix DIR]
//   (default: 2,000 files, median of 5 runs, a fresh prefix)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "BenchPrefix.h"
#include "platform/wine/WinePlatform.h"

using namespace platform;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Where the i-th file of a run lies below its base ("\\3\\leftover61.dat").
std::string FilePath(int i, int perFolder) {
    return "\\" + std::to_string(i / perFolder) + "\\leftover" + std::to_string(i) + ".dat";
}

// The files of one run below C:\<base>, made on the Linux side (quicker
// than through the host), and the store folders for them when `store` is
// not empty.
bool MakeFiles(IFileSystem& f, const std::string& driveC, const std::string& base, const std::string& store, int count,
               int perFolder) {
    if (mkdir((driveC + "/" + base).c_str(), 0755) != 0) return false;
    for (int i = 0; i < count; ++i) {
        const std::string folder = std::to_string(i / perFolder);
        if (i % perFolder == 0) {
            if (mkdir((driveC + "/" + base + "/" + folder).c_str(), 0755) != 0) return false;
            if (!store.empty() && f.CreateFolder("C:\\" + store + "\\" + folder) != kErrorSuccess) return false;
        }
        FILE* file =
            std::fopen((driveC + "/" + base + "/" + folder + "/leftover" + std::to_string(i) + ".dat").c_str(), "wb");
        if (!file) return false;
        std::fputs("a leftover of a program already uninstalled", file);
        std::fclose(file);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int files = 2000;
    int runs = 5;
    std::string prefix;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--files") == 0) files = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--prefix") == 0) prefix = argv[i + 1];
    }
    const BenchPrefix bench(prefix);
    if (bench.Path().empty()) return 1;

    PlatformOptions options;
    options.winePrefix = bench.Path();
    std::string error;
    std::unique_ptr<CWinePlatform> wine = CWinePlatform::Start(options, &error);
    if (!wine) {
        std::fprintf(stderr, "cannot start the Wine host: %s\n", error.c_str());
        return 3;
    }
    IFileSystem& f = wine->Files();
    const std::string driveC = bench.Path() + "/drive_c";
    int failures = 0;
    for (const int perFolder : {files, 20}) {
        std::vector<double> deletes, moves;
        for (int run = 0; run < runs; ++run) {
            const std::string name = std::to_string(perFolder) + "-" + std::to_string(run);
            const std::string deleted = "delete" + name, taken = "move" + name, store = "store" + name;
            if (!MakeFiles(f, driveC, deleted, std::string(), files, perFolder) ||
                !MakeFiles(f, driveC, taken, store, files, perFolder))
                return 4;
            auto start = Clock::now();
            for (int i = 0; i < files; ++i)
                failures += f.DeleteFile("C:\\" + deleted + FilePath(i, perFolder)) != kErrorSuccess;
            deletes.push_back(Ms(start));
            start = Clock::now();
            for (int i = 0; i < files; ++i) {
                FileStat moved;
                failures += f.MoveEntry("C:\\" + taken + FilePath(i, perFolder),
                                        "C:\\" + store + FilePath(i, perFolder), &moved) != kErrorSuccess;
            }
            moves.push_back(Ms(start));
        }
        const double deleteMs = Median(deletes), moveMs = Median(moves);
        std::printf("%d files, %d a folder, median of %d: DeleteFile %.0f ms (%.0f us each), MoveEntry %.0f ms "
                    "(%.0f us each), ratio %.2f\n",
                    files, perFolder, runs, deleteMs, deleteMs * 1000.0 / files, moveMs, moveMs * 1000.0 / files,
                    moveMs / deleteMs);
    }
    if (failures) std::printf("failed calls: %d\n", failures);

    wine.reset();
    return failures == 0 ? 0 : 6;
}
