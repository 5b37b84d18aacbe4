#include "cli/CliUninstall.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <vector>

namespace {

QJsonArray ToJson(const QList<LeftoverItem>& items) {
    QJsonArray array;
    for (const LeftoverItem& item : items) {
        array.append(cli::LeftoverToJson(item));
    }
    return array;
}

// A failed wait, like a lost target machine, is a failure of the backend.
QString OutcomeName(const Expected<UninstallStepReport, UninstallFailure>& result) {
    if (!result) return QStringLiteral("backendFailed");
    switch (result->outcome) {
    case UninstallStepReport::Outcome::Removed:
        return QStringLiteral("removed");
    case UninstallStepReport::Outcome::StartFailed:
        return QStringLiteral("startFailed");
    case UninstallStepReport::Outcome::StillInstalled:
        return QStringLiteral("stillInstalled");
    case UninstallStepReport::Outcome::WaitFailed:
        break;
    }
    return QStringLiteral("backendFailed");
}

} // namespace

CCliUninstall::CCliUninstall(CUninstallerCore& core, QTextStream& out, QTextStream& err)
    : core(core), out(out), err(err) {}

cli::ExitCode CCliUninstall::Run(const Options& options) {
    const Expected<std::vector<ProgramRecord>, BackendFailure> records = core.Records();
    if (!records) return cli::ReportFailure(records.Error(), err);

    // Every name is looked up before anything runs. A program named twice
    // runs once.
    std::vector<const ProgramRecord*> chosen;
    QStringList unknown;
    for (const QString& name : options.names) {
        const ProgramRecord* found = CUninstallerCore::FindByName(*records, name);
        if (found == nullptr)
            unknown << name;
        else if (std::find(chosen.begin(), chosen.end(), found) == chosen.end())
            chosen.push_back(found);
    }
    if (!unknown.isEmpty()) {
        for (const QString& name : unknown)
            err << "no installed program is named '" << name << "'\n";
        err << "nothing was uninstalled\n";
        err.flush();
        return cli::ExitCode::UnknownName;
    }
    // A program whose uninstaller is gone can only lose its entry; that is
    // done only when asked for.
    QStringList missing;
    if (!options.forceMissing)
        for (const ProgramRecord* program : chosen)
            if (core.UninstallerMissing(*program)) missing << program->text.name;
    if (const Expected<void, BackendFailure> reachable = core.Reachable(); !reachable)
        return cli::ReportFailure(reachable.Error(), err);
    if (!missing.isEmpty()) {
        for (const QString& name : missing)
            err << "the uninstaller of '" << name
                << "' is missing (its folder was deleted); --force-missing removes its uninstall entry and its "
                   "leftovers\n";
        err << "nothing was uninstalled\n";
        err.flush();
        return cli::ExitCode::UninstallerMissing;
    }

    core.SetWaitTimes(options.waitTimes);
    core.SetUnattended(options.quiet);
    // With JSON on the standard output, progress goes to the error stream.
    QTextStream& progress = options.json ? err : out;
    QJsonArray reports;
    int removed = 0;
    // Why the run stopped: the target machine, or the wait for one
    // uninstaller, failed.
    QString failure;
    const int total = int(chosen.size());
    for (int position = 0; position < total && failure.isEmpty(); ++position) {
        const ProgramRecord& program = *chosen[size_t(position)];
        const QString prefix = QStringLiteral("[%1/%2] %3: ").arg(position + 1).arg(total).arg(program.text.name);
        int64_t nextLine = options.progressEveryMs;
        core.SetWaitCallback([&](const CUninstallerCore::WaitState& wait) {
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
        const Expected<UninstallStepReport, UninstallFailure> result = core.Uninstall(
            program, options.clean,
            [&](CUninstallerCore::Phase phase) {
                progress << prefix
                         << (phase == CUninstallerCore::Phase::WaitingForUninstaller
                                 ? QStringLiteral("waiting for the uninstaller...")
                                 : QStringLiteral("removing leftovers..."))
                         << "\n";
                progress.flush();
            },
            options.forceMissing);
        const UninstallStepReport& report = result ? *result : result.Error().report;
        const bool failed = !result || report.outcome == UninstallStepReport::Outcome::WaitFailed;
        if (!result)
            failure = QStringLiteral("the Wine host failed: ") + result.Error().reason;
        else if (failed)
            failure = report.reason;
        if (report.removed) ++removed;

        progress << prefix;
        const QString exit = QStringLiteral("(exit code %1%2)")
                                 .arg(report.exitCode)
                                 .arg(report.leftRunning.isEmpty() ? QString()
                                                                   : QStringLiteral("; left running: ") +
                                                                         report.leftRunning.join(QStringLiteral(", ")));
        if (failed)
            progress << "failed: " << report.reason;
        else if (report.uninstallerMissing && report.removed)
            progress << "entry removed (its uninstaller was missing)";
        else if (report.uninstallerMissing)
            progress << "not removed: " << report.reason;
        else if (!report.started && report.removed)
            progress << "removed already (its uninstaller could not be started, error " << report.startError << ")";
        else if (!report.started)
            progress << "not started: " << report.reason;
        else if (report.removed)
            progress << "removed " << exit;
        else
            progress << "not removed: " << report.reason << " " << exit;
        const QList<LeftoverItem> deleted = report.leftovers.Deleted();
        const QList<LeftoverItem> remaining = report.leftovers.Remaining();
        if (report.leftoversCleaned)
            progress << ", " << deleted.size() << (deleted.size() == 1 ? " leftover deleted, " : " leftovers deleted, ")
                     << remaining.size() << " not deleted";
        if (!report.leftovers.restorePoint.isEmpty())
            progress << " (restore point " << report.leftovers.restorePoint << ")";
        if (!report.leftovers.stopReason.isEmpty()) progress << " (left alone: " << report.leftovers.stopReason << ")";
        progress << "\n";
        if (!options.json) {
            for (const LeftoverItem& item : deleted)
                out << "    deleted\t" << cli::LeftoverKindName(item.kind) << '\t' << AsWritten(item).displayText
                    << "\n";
            for (const LeftoverItem& item : remaining)
                out << "    not deleted\t" << cli::LeftoverKindName(item.kind) << '\t' << AsWritten(item).displayText
                    << "\n";
            for (const SkippedLeftover& skip : report.leftovers.skipped)
                out << "    kept\t" << cli::KeptReasonName(skip.because) << '\t' << skip.path << " (" << skip.reason
                    << ")\n";
        }
        progress.flush();

        QJsonObject object;
        object.insert(QStringLiteral("displayName"), program.text.name);
        object.insert(QStringLiteral("outcome"), OutcomeName(result));
        object.insert(QStringLiteral("started"), report.started);
        object.insert(QStringLiteral("startError"), double(report.startError));
        object.insert(QStringLiteral("exitCode"), double(report.exitCode));
        object.insert(QStringLiteral("removed"), report.removed);
        object.insert(QStringLiteral("reason"), report.reason);
        object.insert(QStringLiteral("leftRunning"), QJsonArray::fromStringList(report.leftRunning));
        object.insert(QStringLiteral("leftoversCleaned"), report.leftoversCleaned);
        object.insert(QStringLiteral("leftoversDeleted"), ToJson(deleted));
        object.insert(QStringLiteral("leftoversNotDeleted"), ToJson(remaining));
        object.insert(QStringLiteral("leftoversStopReason"), report.leftovers.stopReason);
        object.insert(QStringLiteral("restorePoint"), report.leftovers.restorePoint);
        QJsonArray kept;
        for (const SkippedLeftover& skip : report.leftovers.skipped)
            kept.append(cli::SkippedToJson(skip));
        object.insert(QStringLiteral("leftoversKept"), kept);
        object.insert(QStringLiteral("uninstallerMissing"), report.uninstallerMissing);
        reports.append(object);
    }
    core.SetWaitCallback(CUninstallerCore::WaitCallback());

    if (options.json)
        cli::WriteJson(out, QJsonDocument(reports));
    else
        out << removed << " of " << total << (total == 1 ? " program" : " programs") << " removed\n";
    out.flush();
    if (!failure.isEmpty()) {
        err << failure << "\n";
        err.flush();
        return cli::ExitCode::BackendFailed;
    }
    return removed == total ? cli::ExitCode::Success : cli::ExitCode::Incomplete;
}
