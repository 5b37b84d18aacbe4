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
    {
        std::lock_guard<std::mutex> lock(stepMutex);
        currentStep = &step;
    }
    UninstallStepReport report = step.Run(program, removeLeftovers, onPhase);
    std::lock_guard<std::mutex> lock(stepMutex);
    currentStep = nullptr;
    return report;
}

CUninstallStep::WaitState CUninstallService::CurrentWait() const {
    std::lock_guard<std::mutex> lock(stepMutex);
    return currentStep ? currentStep->CurrentWait() : CUninstallStep::WaitState();
}

void CUninstallService::SkipWait() {
    std::lock_guard<std::mutex> lock(stepMutex);
    if (currentStep) currentStep->SkipWait();
}

void CUninstallService::StartOwnUninstaller(const InstalledProgram& program) {
    const std::string command = FieldText(program.uninstallCommand);
    platform::RunOutcome outcome;
    if (platform.System().RunAndWait(command, &outcome) == platform::kErrorSuccess && !outcome.started)
        CUninstallStep::LogFailedStart(command, outcome.startError);
}

QString CUninstallService::OwnFolderOnTarget() {
    const QString folder = QDir::toNativeSeparators(ExecutableDirectory());
#ifdef _WIN32
    return folder;
#else
    return QStringLiteral("Z:") + QString(folder).replace(QLatin1Char('/'), QLatin1Char('\\'));
#endif
}
