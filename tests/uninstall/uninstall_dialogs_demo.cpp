// Manual look at the uninstall dialogs (not a test):
//   uninstall_dialogs_demo [folder holding Resources/ and QSS/] [ready|result|partial]
// Shows the confirmation dialog with three programs, the result dialog of a
// run that removed all, or one that left a program installed.

#include <QApplication>
#include <QDir>
#include <QFont>
#include <cstring>

#include "app/UIPublic.h"
#include "uninstall/dialogs/ReadyUninstallDlg.h"
#include "uninstall/dialogs/UninstallRstDlg.h"

namespace {

InstalledProgram Program(const char* name, const char* publisher, uint64_t size) {
    InstalledProgram program;
    std::strncpy(program.displayName, name, InstalledProgram::kTextSize - 1);
    std::strncpy(program.publisher, publisher, InstalledProgram::kTextSize - 1);
    program.sizeBytes = size;
    return program;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1) QDir::setCurrent(QString::fromLocal8Bit(argv[1]));
    const QString which = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("ready");
    QFont::insertSubstitution(QStringLiteral("Segoe UI"), QStringLiteral("Open Sans"));
    app.setFont(QFont(QStringLiteral("Segoe UI")));
    QFile qss(QStringLiteral("./QSS/WU.qss"));
    if (qss.open(QIODevice::ReadOnly)) app.setStyleSheet(QString::fromUtf8(qss.readAll()));

    if (which == QLatin1String("ready")) {
        CReadyUninstallDlg dialog;
        dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        dialog.SetPrograms({Program("Acme Notes", "Acme Software Ltd", 48500000),
                            Program("Cafe Timer", "Cafe Tools", 1200000), Program("Plain Viewer", "Plain", 0)});
        dialog.Build();
        dialog.move(20, 20);
        return dialog.exec();
    }
    CUIPublic::instance()->SetTotalSize(49700000);
    CUninstallRstDlg dialog;
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    if (which == QLatin1String("partial")) {
        dialog.SetResult(2, 0);
        dialog.SetNotRemoved({QStringLiteral("Plain Viewer")});
    } else {
        dialog.SetResult(3, 0);
    }
    dialog.Build();
    dialog.move(20, 20);
    return dialog.exec();
}
