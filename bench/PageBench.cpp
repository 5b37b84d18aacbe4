// Timing of the program page on a prefix (not a test; prints figures):
//   tolvanire_page_bench --prefix DIR [--exit-at-paint]
// Starts the program the way its entry point does and reports, in ms:
// start to the painted list, one search keystroke over all rows, one sort
// by size, and start until every icon is in. With --exit-at-paint it ends
// as soon as the list is painted, so that a caller can time the process.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>

#include "pages/EnumProgramPage.h"
#include "pages/ProgramIconLoader.h"
#include "pages/SearchEdit.h"
#include "platform/Platform.h"
#include "shell/MainWin.h"
#include "shell/RightContent.h"
#include "shell/RightTab.h"

namespace {

QElapsedTimer sinceStart;

// Runs `work`, then paints the tree at once; the time of both.
template <class Work> qint64 TimePainted(QTreeWidget* tree, Work work) {
    QElapsedTimer timer;
    timer.start();
    work();
    tree->viewport()->repaint();
    return timer.elapsed();
}

class PaintWatcher : public QObject {
public:
    explicit PaintWatcher(std::function<void()> onPainted) : done(std::move(onPainted)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !fired) {
            fired = true;
            QTimer::singleShot(0, [this]() { done(); });
        }
        return false;
    }

private:
    std::function<void()> done;
    bool fired = false;
};

} // namespace

int main(int argc, char** argv) {
    sinceStart.start();
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    std::string prefix;
    bool exitAtPaint = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--prefix") && i + 1 < args.size()) prefix = args[i + 1].toStdString();
        if (args[i] == QLatin1String("--exit-at-paint")) exitAtPaint = true;
    }
    QFile style(QStringLiteral("./QSS/WU.qss"));
    if (style.open(QIODevice::ReadOnly)) app.setStyleSheet(QString::fromUtf8(style.readAll()));

    platform::PlatformOptions options;
    options.winePrefix = prefix;
    CMainWin window([options](std::string* error) { return platform::CreatePlatform(options, error); });
    if (!window.StartupError().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(window.StartupError()));
        return 1;
    }
    CEnumProgramPage* page = window.RightContent()->Tab()->ProgramPage();
    QTreeWidget* tree = page->Tree();
    PaintWatcher watcher([&]() {
        const qint64 painted = sinceStart.elapsed();
        if (exitAtPaint) {
            std::printf("painted_ms %lld rows %d\n", static_cast<long long>(painted), tree->topLevelItemCount());
            std::fflush(stdout);
            std::_Exit(0);
        }
        QLineEdit* edit = page->SearchBox()->LineEdit();
        edit->setText(QStringLiteral("Bench App 0"));
        const qint64 keystroke = TimePainted(tree, [&]() { edit->setText(QStringLiteral("Bench App 01")); });
        edit->clear();
        const qint64 sort = TimePainted(tree, [&]() { page->SizeAction()->trigger(); });
        while (page->IconLoader()->IsBusy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const qint64 icons = sinceStart.elapsed();
        std::printf("painted_ms %lld rows %d search_keystroke_ms %lld sort_ms %lld icons_in_ms %lld\n",
                    static_cast<long long>(painted), tree->topLevelItemCount(), static_cast<long long>(keystroke),
                    static_cast<long long>(sort), static_cast<long long>(icons));
        std::fflush(stdout);
        std::_Exit(0);
    });
    tree->viewport()->installEventFilter(&watcher);
    window.show();
    return app.exec();
}
