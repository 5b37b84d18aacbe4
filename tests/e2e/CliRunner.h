#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

// Runs tolvanire-uninstaller-cli ($TOLVANIRE_CLI) and keeps what it said.
struct CliResult {
    int exitCode = -1;
    bool finished = false; // false: it crashed or hung
    QByteArray out;
    QByteArray err;
};

class CCliRunner {
public:
    // `environment` replaces the test's own for the run.
    static CliResult Run(const QStringList& arguments, const QProcessEnvironment& environment, int timeoutMs = 120000);

    // The test's environment with a sandbox HOME and the given prefix.
    static QProcessEnvironment WineEnvironment(const QString& prefix, const QString& home);
};
