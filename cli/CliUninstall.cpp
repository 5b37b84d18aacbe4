#include "cli/CliUninstall.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <vector>

#include "cli/CliCommon.h"
#include "inventory/AppEnum.h"
#include "uninstall/LeftoverCleaner.h"
#include "uninstall/UninstallStep.h"

namespace {

QJsonArray ToJson(const QList<LeftoverItem>& items) {
    QJsonArray array;
    for (const LeftoverItem& item : items) {
        array.append(cli::LeftoverToJson(item));
    }
    return array;
}

QString OutcomeName(UninstallStepReport::Outcome outcome) {
    switch (outcome) {
    case UninstallStepReport::Outcome::Removed:
        return QStringLiteral("removed");
    case UninstallStepReport::Outcome::StartFailed:
        return QStringLiteral("startFailed");
    case UninstallStepReport::Outcome::StillInstalled:
        return QStringLiteral("stillInstalled");
    case UninstallStepReport::Outcome::BackendFailed:
        break;
    }
    return QStringLiteral("backendFailed");
}

} // namespace

CCliUninstall::CCliUninstall(platform::IPlatform& platform, QTextStream& out, QTextStream& err)
    : platform(platform), out(out), err(err) {}

bool CCliUninstall::ReportBackendFailure() {
    const std::string error = platform.FatalError();
    if (error.empty()) return false;
    err << "the Wine host failed: " << QString::fromStdString(error) << "\n";
    err.flush();
    return true;
}

int CCliUninstall::Run(const Options& options) {
    CAppEnum appEnum(platform.Registry(), platform.System());
    const uint32_t listed = appEnum.Enum();
    const std::vector<InstalledProgram> programs = appEnum.GetPrograms();
    std::vector<std::string> ansi;
    for (const InstalledProgram& program : programs)
        ansi.emplace_back(program.displayName);
    std::vector<std::string> utf8;
    const uint32_t converted = listed == platform::kErrorSuccess ? platform.System().AnsiToUtf8(ansi, &utf8) : listed;
    if (ReportBackendFailure()) return cli::kExitPlatform;
    if (converted != platform::kErrorSuccess) {
        err << "the backend failed while reading the list\n";
        err.flush();
        return cli::kExitPlatform;
    }
    QStringList names;
    for (size_t i = 0; i < programs.size() && i < utf8.size(); ++i)
        names << QString::fromStdString(utf8[i]);

    // Every name is looked up before anything runs: an exact match, else
    // one that differs only in case. A program named twice runs once.
    std::vector<int> chosen;
    QStringList unknown;
    for (const QString& name : options.names) {
        int found = names.indexOf(name);
        for (int i = 0; found < 0 && i < names.size(); ++i)
            if (names[i].compare(name, Qt::CaseInsensitive) == 0) found = i;
        if (found < 0)
            unknown << name;
        else if (std::find(chosen.begin(), chosen.end(), found) == chosen.end())
            chosen.push_back(found);
    }
    if (!unknown.isEmpty()) {
        for (const QString& name : unknown)
            err << "no installed program is named '" << name << "'\n";
        err << "nothing was uninstalled\n";
        err.flush();
        return kExitUnknownName;
    }

    CLeftoverCleaner cleaner(platform.Files(), platform.Registry(), platform.System(), appEnum);
    if (!ownFolder.isEmpty()) cleaner.SetOwnFolder(ownFolder);
    CUninstallStep step(platform, cleaner);
    step.SetWaitTimes(options.waitTimes);
    // With JSON on the standard output, progress goes to the error stream.
    QTextStream& progress = options.json ? err : out;
    QJsonArray reports;
    int removed = 0;
    bool backendFailed = false;
    QString failure;
    const int total = int(chosen.size());
    for (int position = 0; position < total && !backendFailed; ++position) {
        const InstalledProgram& program = programs[size_t(chosen[size_t(position)])];
        const QString name = names[chosen[size_t(position)]];
        const QString prefix = QStringLiteral("[%1/%2] %3: ").arg(position + 1).arg(total).arg(name);
        int64_t nextLine = options.progressEveryMs;
        step.SetWaitCallback([&](const CUninstallStep::WaitState& wait) {
            if (wait.elapsedMs < nextLine) return;
            nextLine = (wait.elapsedMs / options.progressEveryMs + 1) * options.progressEveryMs;
            progress << prefix << "still waiting for "
                     << (!wait.running.isEmpty() ? wait.running.join(QStringLiteral(", "))
                         : wait.installerBusy    ? QStringLiteral("Windows Installer")
                                                 : QStringLiteral("its uninstaller"))
                     << " (" << wait.elapsedMs / 1000 << " s"
                     << (wait.programGone ? QStringLiteral("; the program is gone") : QString()) << ")\n";
            progress.flush();
        });
        const UninstallStepReport report = step.Run(program, options.clean, [&](CUninstallStep::Phase phase) {
            progress << prefix
                     << (phase == CUninstallStep::Phase::WaitingForUninstaller
                             ? QStringLiteral("waiting for the uninstaller...")
                             : QStringLiteral("removing leftovers..."))
                     << "\n";
            progress.flush();
        });
        if (report.removed) ++removed;
        backendFailed = report.outcome == UninstallStepReport::Outcome::BackendFailed;
        if (backendFailed) failure = report.reason;

        progress << prefix;
        const QString exit = QStringLiteral("(exit code %1%2)")
                                 .arg(report.exitCode)
                                 .arg(report.leftRunning.isEmpty() ? QString()
                                                                   : QStringLiteral("; left running: ") +
                                                                         report.leftRunning.join(QStringLiteral(", ")));
        if (backendFailed)
            progress << "failed: " << report.reason;
        else if (!report.started)
            progress << "not started: " << report.reason;
        else if (report.removed)
            progress << "removed " << exit;
        else
            progress << "not removed: " << report.reason << " " << exit;
        if (report.leftoversCleaned)
            progress << ", " << report.leftoversDeleted.size()
                     << (report.leftoversDeleted.size() == 1 ? " leftover deleted, " : " leftovers deleted, ")
                     << report.leftoversRemaining.size() << " not deleted";
        progress << "\n";
        if (!options.json) {
            for (const LeftoverItem& item : report.leftoversDeleted)
                out << "    deleted\t" << cli::LeftoverKindName(item.kind) << '\t' << item.displayText << "\n";
            for (const LeftoverItem& item : report.leftoversRemaining)
                out << "    not deleted\t" << cli::LeftoverKindName(item.kind) << '\t' << item.displayText << "\n";
        }
        progress.flush();

        QJsonObject object;
        object.insert(QStringLiteral("displayName"), name);
        object.insert(QStringLiteral("outcome"), OutcomeName(report.outcome));
        object.insert(QStringLiteral("started"), report.started);
        object.insert(QStringLiteral("startError"), double(report.startError));
        object.insert(QStringLiteral("exitCode"), double(report.exitCode));
        object.insert(QStringLiteral("removed"), report.removed);
        object.insert(QStringLiteral("reason"), report.reason);
        object.insert(QStringLiteral("leftRunning"), QJsonArray::fromStringList(report.leftRunning));
        object.insert(QStringLiteral("leftoversCleaned"), report.leftoversCleaned);
        object.insert(QStringLiteral("leftoversDeleted"), ToJson(report.leftoversDeleted));
        object.insert(QStringLiteral("leftoversNotDeleted"), ToJson(report.leftoversRemaining));
        reports.append(object);
    }

    if (options.json) {
        out << QString::fromUtf8(QJsonDocument(reports).toJson(QJsonDocument::Indented));
    } else {
        out << removed << " of " << total << (total == 1 ? " program" : " programs") << " removed\n";
    }
    out.flush();
    if (backendFailed) {
        if (!ReportBackendFailure()) {
            // Only the host that waited failed; the reason is the step's.
            err << failure << "\n";
            err.flush();
        }
        return cli::kExitPlatform;
    }
    return removed == total ? cli::kExitSuccess : cli::kExitFailure;
}
