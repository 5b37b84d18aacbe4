#include "uninstall/UninstallService.h"

#include <QDir>

#include "inventory/AppEnum.h"
#include "support/HostPaths.h"
#include "uninstall/LeftoverCleaner.h"

CUninstallService::CUninstallService(platform::IPlatform& targetPlatform, CAppEnum& enumerator)
    : platform(targetPlatform), appEnum(enumerator) {}

CUninstallService::~CUninstallService() = default;

UninstallStepReport CUninstallService::Uninstall(const InstalledProgram& program, bool removeLeftovers,
                                                 const CUninstallStep::PhaseCallback& onPhase) {
    // A cleaner per program: its claims and folder policy are read afresh,
    // after the programs before it have gone.
    CLeftoverCleaner cleaner(platform.Files(), platform.Registry(), platform.System(), appEnum);
    if (!ownFolder.isEmpty()) cleaner.SetOwnFolder(ownFolder);
    CUninstallStep step(platform, cleaner);
    return step.Run(program, removeLeftovers, onPhase);
}

bool CUninstallService::StartOwnUninstaller(const InstalledProgram& program, QString* why) {
    const std::string command = FieldText(program.uninstallCommand);
    platform::RunOutcome outcome;
    if (platform.System().Start(command, &outcome) != platform::kErrorSuccess) {
        const std::string failure = outcome.failure.empty() ? platform.FatalError() : outcome.failure;
        *why = QStringLiteral("the target machine could not be reached: ") + QString::fromStdString(failure);
        return false;
    }
    if (outcome.started) return true;
    CUninstallStep::LogFailedStart(command, outcome.startError);
    *why = QStringLiteral("its uninstaller could not be started (error %1)").arg(outcome.startError);
    return false;
}

uint32_t CUninstallService::UninstallerWindows(const InstalledProgram& program, bool raise) {
    uint32_t count = 0;
    if (platform.System().RunWindows(FieldText(program.uninstallCommand), raise, &count) != platform::kErrorSuccess)
        return 0;
    return count;
}

QString CUninstallService::OwnFolderOnTarget() {
    const QString folder = QDir::toNativeSeparators(ExecutableDirectory());
#ifdef _WIN32
    return folder;
#else
    return QStringLiteral("Z:") + QString(folder).replace(QLatin1Char('/'), QLatin1Char('\\'));
#endif
}
