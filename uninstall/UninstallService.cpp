#include "uninstall/UninstallService.h"

#include <QDir>
#include <cstdio>
#include <cstring>

#include "inventory/AppEnum.h"
#include "support/HostPaths.h"
#include "support/Log.h"
#include "uninstall/LeftoverCleaner.h"

namespace {

std::string Field(const char (&text)[InstalledProgram::kTextSize]) {
    return std::string(text, strnlen(text, InstalledProgram::kTextSize));
}

} // namespace

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

void CUninstallService::StartOwnUninstaller(const InstalledProgram& program) {
    const std::string command = Field(program.uninstallCommand);
    platform::RunOutcome outcome;
    if (platform.System().RunAndWait(command, &outcome) == platform::kErrorSuccess && !outcome.started) {
        char line[InstalledProgram::kTextSize + 64];
        std::snprintf(line, sizeof(line), "start process %s failed with %d.\n", command.c_str(),
                      static_cast<int>(outcome.startError));
        LogInfoEx(line);
    }
}

QString CUninstallService::OwnFolderOnTarget() {
    const QString folder = QDir::toNativeSeparators(ExecutableDirectory());
#ifdef _WIN32
    return folder;
#else
    return QStringLiteral("Z:") + QString(folder).replace(QLatin1Char('/'), QLatin1Char('\\'));
#endif
}
