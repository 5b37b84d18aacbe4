#include "shell/StartupOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

CStartupOptions CStartupOptions::Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    // "-platform offscreen" is one of Qt's options, not "-p -l -a ...".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption prefix(QStringLiteral("prefix"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({prefix, help, version});
    // Qt reads these itself when the application object is made.
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "style", "stylesheet",
                             "qwindowgeometry", "qwindowtitle", "qwindowicon", "display", "geometry", "session"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("VALUE")));
    for (const char* name : {"reverse", "nograb", "dograb", "sync", "widgetcount"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));

    CStartupOptions options;
    if (!parser.parse(arguments)) {
        options.action = UsageError;
        options.error = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty()) {
        options.action = UsageError;
        options.error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
    } else if (parser.isSet(help)) {
        options.action = PrintHelp;
    } else if (parser.isSet(version)) {
        options.action = PrintVersion;
    } else {
        options.prefix = parser.value(prefix);
    }
    return options;
}

QString CStartupOptions::Usage() {
    return QStringLiteral("Usage: tolvanire-uninstaller [--prefix DIR]\n"
                          "\n"
                          "Lists the Windows programs of a Wine prefix and removes the chosen ones.\n"
                          "\n"
                          "Options:\n"
                          "  --prefix DIR   the Wine prefix to manage (default: $WINEPREFIX, else ~/.wine\n"
                          "                 when it exists); ignored on Windows\n"
                          "  -h, --help     print this help and exit\n"
                          "  --version      print the version and exit\n");
}

QString CStartupOptions::VersionText() {
    return QStringLiteral("tolvanire-uninstaller " TOLVANIRE_VERSION "\n");
}
