#include "cli/CliCommon.h"

#include <QCoreApplication>
#include <QFileDevice>
#include <cstring>

#include "support/WinePrefix.h"
#include "uninstall/UninstallerCore.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace cli {
namespace {

// The streams write UTF-8; a Windows console shows it as such only when
// told, else names outside its code page come out garbled.
void ConsoleSpeaksUtf8() {
#ifdef _WIN32
    static const bool once = SetConsoleOutputCP(CP_UTF8) != 0;
    (void)once;
#endif
}

} // namespace

QTextStream& Out() {
    ConsoleSpeaksUtf8();
    static QTextStream out(stdout);
    static const bool utf8 = (out.setCodec("UTF-8"), true);
    (void)utf8;
    return out;
}

QTextStream& Err() {
    ConsoleSpeaksUtf8();
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

std::optional<ExitCode> ParseArguments(QCommandLineParser& parser, const QStringList& arguments) {
    const QCommandLineOption help = parser.addHelpOption();
    if (!parser.parse(arguments)) return UsageError(parser, arguments, parser.errorText());
    if (parser.isSet(help)) {
        Out() << HelpText(parser, arguments);
        Out().flush();
        return ExitCode::Success;
    }
    return std::nullopt;
}

ExitCode UsageError(const QCommandLineParser& parser, const QStringList& arguments, const QString& what) {
    Err() << arguments.value(0) << ": " << what << "\n\n" << HelpText(parser, arguments);
    Err().flush();
    return ExitCode::Usage;
}

QString HelpText(const QCommandLineParser& parser, const QStringList& arguments) {
    // The parser names the program by the path it was started with.
    QString text = parser.helpText();
    const QString usage = QStringLiteral("Usage: ");
    const QString started = usage + QCoreApplication::arguments().value(0);
    if (text.startsWith(started)) text.replace(0, started.size(), usage + arguments.value(0));
    return text;
}

namespace {
PlatformFactory platformFactory = nullptr;
} // namespace

void SetPlatformFactory(PlatformFactory factory) {
    platformFactory = factory;
}

std::unique_ptr<platform::IPlatform> OpenPlatform(const QCommandLineParser& parser, ExitCode* exitCode) {
    *exitCode = ExitCode::BackendFailed;
    platform::PlatformOptions options;
    if (!platformFactory) {
        const CWinePrefix::Choice prefix = CWinePrefix::ForThisProcess(parser.value(QStringLiteral("prefix")));
        if (!prefix.error.isEmpty()) {
            Err() << "tolvanire-uninstaller-cli: " << prefix.error << "\n";
            Err().flush();
            *exitCode = ExitCode::Usage;
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

void PrepareRestoreStore(CUninstallerCore& core, const platform::IPlatform& platform) {
    core.SetRestoreSettings(RestoreSettings::ForThisUser(QString::fromStdString(platform.LinuxPrefix())));
    for (const QString& line : core.PrepareRestoreStore())
        Err() << "tolvanire-uninstaller-cli: " << line << "\n";
    Err().flush();
}

ExitCode ReportFailure(const BackendFailure& failure, QTextStream& err) {
    err << "the Wine host failed: " << failure.reason << "\n";
    err.flush();
    return ExitCode::BackendFailed;
}

namespace {

// A device stream writes UTF-8 (Out, Err), which toJson already is: the
// bytes go out as they are, not decoded and encoded again.
void WriteUtf8(QTextStream& stream, const QByteArray& text) {
    if (QIODevice* device = stream.device())
        device->write(text);
    else
        stream << QString::fromUtf8(text);
}

void EndWrite(QTextStream& stream) {
    stream.flush();
    if (auto* file = qobject_cast<QFileDevice*>(stream.device())) file->flush();
}

} // namespace

void WriteJson(QTextStream& stream, const QJsonDocument& document) {
    const QByteArray json = document.toJson(QJsonDocument::Indented);
    stream.flush();
    WriteUtf8(stream, json);
    EndWrite(stream);
}

void WriteJsonArray(QTextStream& stream, size_t count, const std::function<QJsonObject(size_t)>& object) {
    stream.flush();
    WriteUtf8(stream, QByteArrayLiteral("[\n"));
    QByteArray item;
    for (size_t i = 0; i < count; ++i) {
        // An object alone is written one level less deep than inside the
        // array: each of its lines moves in by one step.
        const QByteArray alone = QJsonDocument(object(i)).toJson(QJsonDocument::Indented);
        item.clear();
        item.append("    ");
        const char* at = alone.constData();
        const char* end = at + alone.size() - 1; // its last newline goes
        while (at < end) {
            const char* newline = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)));
            const char* next = newline ? newline + 1 : end;
            item.append(at, int(next - at));
            if (newline) item.append("    ");
            at = next;
        }
        item.append(i + 1 < count ? ",\n" : "\n");
        WriteUtf8(stream, item);
    }
    WriteUtf8(stream, QByteArrayLiteral("]\n"));
    EndWrite(stream);
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
    case LeftoverLinuxDesktopFile:
        return QStringLiteral("linuxDesktop");
    default:
        return QString::number(kind);
    }
}

QString LeftoverReasonName(int32_t reason) {
    switch (reason) {
    case LeftoverInInstallFolder:
        return QStringLiteral("installFolder");
    case LeftoverNamedAfterProgram:
        return QStringLiteral("namedAfterProgram");
    case LeftoverNamedAfterPublisher:
        return QStringLiteral("namedAfterPublisherAndProgram");
    case LeftoverUninstallEntry:
        return QStringLiteral("uninstallEntry");
    case LeftoverForShortcut:
        return QStringLiteral("wineShortcut");
    default:
        return QString::number(reason);
    }
}

QJsonObject LeftoverToJson(const LeftoverItem& written) {
    const LeftoverItem item = AsWritten(written);
    QJsonObject object;
    object.insert(QStringLiteral("kind"), LeftoverKindName(item.kind));
    object.insert(QStringLiteral("displayText"), item.displayText);
    object.insert(QStringLiteral("target"), item.target);
    object.insert(QStringLiteral("valueName"), item.valueName);
    object.insert(QStringLiteral("chosenBecause"), LeftoverReasonName(item.reason));
    if (item.kind == LeftoverFile || item.kind == LeftoverFolder)
        object.insert(QStringLiteral("size"), item.size < 0 ? QJsonValue() : QJsonValue(double(item.size)));
    if (item.kind == LeftoverRegistry) {
        object.insert(QStringLiteral("hive"),
                      item.hive == LeftoverCurrentUser ? QStringLiteral("HKCU") : QStringLiteral("HKLM"));
        object.insert(QStringLiteral("view"), item.view);
    }
    return object;
}

QString KeptReasonName(int32_t because) {
    switch (because) {
    case KeptClaimedByOther:
        return QStringLiteral("claimedByOther");
    case KeptKnownFolder:
        return QStringLiteral("knownFolder");
    case KeptBehindLink:
        return QStringLiteral("behindLink");
    case KeptOutsideMachine:
        return QStringLiteral("outsideMachine");
    default:
        return QStringLiteral("undecided");
    }
}

QJsonObject SkippedToJson(const SkippedLeftover& skip) {
    QJsonObject object;
    object.insert(QStringLiteral("kind"), QStringLiteral("skipped"));
    object.insert(QStringLiteral("displayText"), skip.reason);
    object.insert(QStringLiteral("target"), skip.path);
    object.insert(QStringLiteral("valueName"), QString());
    object.insert(QStringLiteral("keptBecause"), KeptReasonName(skip.because));
    return object;
}

} // namespace cli
