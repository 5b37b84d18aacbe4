#include "support/Log.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

// Each test writes into a file of its own and reads it back.
class LogTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("sub/folder/test.log"); // the folder does not exist yet
        SetLogFilePath(path);
    }
    void TearDown() override { SetLogFilePath(QString()); }

    QByteArray Content() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString path;
};

#ifdef _WIN32
const QByteArray kEnd = "\r\n";
#else
const QByteArray kEnd = "\n";
#endif

TEST_F(LogTest, EachLineIsInTheFileWhenTheCallReturns) {
    EXPECT_EQ(LogFilePath(), path);
    LogInfoEx("CAppEnum::Enum64Bit begin with 2026.01.02 03:04:05\r\n");
    // Read back without closing anything: the line must already be there.
    EXPECT_EQ(Content(), "CAppEnum::Enum64Bit begin with 2026.01.02 03:04:05" + kEnd);
    LogInfo("CStartDlg received MSG_CLOSE_DLG!");
    LogInfoEx("start process %s failed with %d.\n"); // not a format for LogInfoEx
    EXPECT_EQ(Content(), "CAppEnum::Enum64Bit begin with 2026.01.02 03:04:05" + kEnd +
                             "CStartDlg received MSG_CLOSE_DLG!" + kEnd + "start process %s failed with %d." + kEnd);
}

// A process that dies right after a call still leaves the line on disk.
TEST_F(LogTest, LineSurvivesACrashRightAfterTheCall) {
#ifdef _WIN32
    GTEST_SKIP() << "needs fork: a Windows death test runs a fresh process with a fixture file of its own";
#endif
    // Forked, so the child writes to this test's file.
    testing::FLAGS_gtest_death_test_style = "fast";
    EXPECT_DEATH(
        {
            LogInfoEx("last words before the crash");
            std::abort();
        },
        "");
    EXPECT_EQ(Content(), "last words before the crash" + kEnd);
}

TEST_F(LogTest, FormatsLinesLongerThanAnyFixedBuffer) {
    const std::string command(5000, 'x');
    LogInfo("start process %s failed with %d.\n", command.c_str(), 2);
    EXPECT_EQ(Content(), QByteArray::fromStdString("start process " + command + " failed with 2.") + kEnd);
}

TEST_F(LogTest, NullTextIsIgnored) {
    LogInfoEx(nullptr);
    LogInfo(nullptr);
    EXPECT_EQ(Content(), QByteArray());
}

TEST_F(LogTest, LinesFromManyThreadsStayWhole) {
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                LogInfo("thread %d line %d %s", t, i, "abcdefghijklmnopqrstuvwxyz");
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    const QList<QByteArray> lines = Content().split('\n');
    ASSERT_EQ(lines.size(), kThreads * kLines + 1); // the text ends with a line end
    std::vector<int> next(kThreads, 0);
    for (int i = 0; i < kThreads * kLines; ++i) {
        int t = -1;
        int n = -1;
        char tail[64] = {};
        ASSERT_EQ(std::sscanf(lines[i].constData(), "thread %d line %d %63s", &t, &n, tail), 3) << lines[i].constData();
        ASSERT_TRUE(t >= 0 && t < kThreads);
        // Lines of one thread keep their order.
        EXPECT_EQ(n, next[t]++);
        EXPECT_STREQ(tail, "abcdefghijklmnopqrstuvwxyz");
    }
}

TEST(LogPlaceTest, DefaultsToThePerUserStateFolderOrTheRedirect) {
#ifndef _WIN32
    const QByteArray oldState = qgetenv("XDG_STATE_HOME");
    const QByteArray oldRedirect = qgetenv("TOLVANIRE_LOG_FILE");
    qunsetenv("TOLVANIRE_LOG_FILE");
    qputenv("XDG_STATE_HOME", "/tmp/state-home");
    SetLogFilePath(QString());
    EXPECT_EQ(LogFilePath(), "/tmp/state-home/tolvanire-uninstaller/tolvanire-uninstaller.log");
    qputenv("XDG_STATE_HOME", "relative/is/ignored");
    SetLogFilePath(QString());
    EXPECT_TRUE(LogFilePath().endsWith("/.local/state/tolvanire-uninstaller/tolvanire-uninstaller.log"));
    EXPECT_TRUE(LogFilePath().startsWith('/'));
    qputenv("TOLVANIRE_LOG_FILE", "/tmp/elsewhere.log");
    SetLogFilePath(QString());
    EXPECT_EQ(LogFilePath(), "/tmp/elsewhere.log");

    if (oldState.isNull())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", oldState);
    if (oldRedirect.isNull())
        qunsetenv("TOLVANIRE_LOG_FILE");
    else
        qputenv("TOLVANIRE_LOG_FILE", oldRedirect);
    SetLogFilePath(QString());
#endif
}

} // namespace
