#include "cli/CliCommon.h"

#include <cstdio>

#include "support/WinePrefix.h"

namespace cli {

QTextStream& Out() {
    static QTextStream out(stdout);
    static const bool utf8 = (out.setCodec("UTF-8"), true);
    (void)utf8;
    return out;
}

QTextStream& Err() {
    static QTextStream err(stderr);
    static const bool utf8 = (err.setCodec("UTF-8"), true);
    (void)utf8;
    return err;
}

void AddPrefixOption(QCommandLineParser& parser) {
    parser.addOption(QCommandLineOption(QStringLiteral("prefix"),
                                        QStringLiteral("The Wine prefix to manage (default: $WINEPREFIX, else "
                                                       "~/.wine when it exists). Ignored on Windows."),
                                        QStringLiteral("DIR")));
}

int ParseArguments(QCommandLineParser& parser, const QStringList& arguments) {
    const QCommandLineOption help = parser.addHelpOption();
    if (!parser.parse(arguments)) {
        Err() << arguments.value(0) << ": " << parser.errorText() << "\n\n" << parser.helpText();
        Err().flush();
        return kExitUsage;
    }
    if (parser.isSet(help)) {
        Out() << parser.helpText();
        Out().flush();
        return kExitSuccess;
    }
    return -1;
}

namespace {
PlatformFactory platformFactory = nullptr;
} // namespace

void SetPlatformFactory(PlatformFactory factory) {
    platformFactory = factory;
}

std::unique_ptr<platform::IPlatform> OpenPlatform(const QCommandLineParser& parser, int* exitCode) {
    *exitCode = kExitPlatform;
    platform::PlatformOptions options;
    if (!platformFactory) {
        const CWinePrefix::Choice prefix = CWinePrefix::ForThisProcess(parser.value(QStringLiteral("prefix")));
        if (!prefix.error.isEmpty()) {
            Err() << "tolvanire-uninstaller-cli: " << prefix.error << "\n";
            Err().flush();
            *exitCode = kExitUsage;
            return nullptr;
        }
        options.winePrefix = prefix.path.toStdString();
    }
    std::string error;
    std::unique_ptr<platform::IPlatform> platform =
        platformFactory ? platformFactory(&error) : platform::CreatePlatform(options, &error);
    if (!platform) {
        Err() << "cannot start the Wine host: " << QString::fromStdString(error) << "\n";
        Err().flush();
    }
    return platform;
}

bool ReportBackendFailure(const platform::IPlatform& platform) {
    if (platform.FatalError().empty()) return false;
    ExitForBackendFailure(platform);
    return true;
}

int ExitForBackendFailure(const platform::IPlatform& platform) {
    const std::string error = platform.FatalError();
    Err() << "the Wine host failed: " << QString::fromStdString(error.empty() ? "no reason given" : error) << "\n";
    Err().flush();
    return kExitPlatform;
}

QString LeftoverKindName(int32_t kind) {
    switch (kind) {
    case LeftoverFile:
        return QStringLiteral("file");
    case LeftoverFolder:
        return QStringLiteral("folder");
    case LeftoverRegistry:
        return QStringLiteral("registry");
    case LeftoverMuiCacheValue:
        return QStringLiteral("muicache");
    default:
        return QString::number(kind);
    }
}

QJsonObject LeftoverToJson(const LeftoverItem& item) {
    QJsonObject object;
    object.insert(QStringLiteral("kind"), LeftoverKindName(item.kind));
    object.insert(QStringLiteral("displayText"), item.displayText);
    object.insert(QStringLiteral("target"), item.target);
    object.insert(QStringLiteral("valueName"), item.valueName);
    if (item.kind == LeftoverRegistry) {
        object.insert(QStringLiteral("hive"),
                      item.hive == LeftoverCurrentUser ? QStringLiteral("HKCU") : QStringLiteral("HKLM"));
        object.insert(QStringLiteral("view"), item.view);
    }
    return object;
}

} // namespace cli
