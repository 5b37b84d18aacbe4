#include "CliRunner.h"

#include <QProcess>

CliResult CCliRunner::Run(const QStringList& arguments, const QProcessEnvironment& environment, int timeoutMs) {
    CliResult result;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("TOLVANIRE_CLI"), arguments);
    if (!process.waitForStarted(10000)) return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
    } else {
        result.finished = process.exitStatus() == QProcess::NormalExit;
        result.exitCode = process.exitCode();
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QProcessEnvironment CCliRunner::WineEnvironment(const QString& prefix, const QString& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("WINEPREFIX", prefix);
    environment.insert("HOME", home);
    // Where Wine's menu builder wrote for the sandbox, never the real home.
    environment.insert("XDG_DATA_HOME", home + "/.local/share");
    environment.insert("XDG_CONFIG_HOME", home + "/.config");
    environment.insert("WINEDEBUG", "-all");
    environment.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
    return environment;
}
