#include "support/PrefixProgramCount.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QTextStream>

namespace {

// The Uninstall key as the file writes it (backslashes doubled), under
// Software\ of the file's hive; the 32-bit view of a 64-bit prefix sits under
// Wow6432Node.
const QString kUninstallKeys[] = {
    QStringLiteral("software\\\\microsoft\\\\windows\\\\currentversion\\\\uninstall\\\\"),
    QStringLiteral("software\\\\wow6432node\\\\microsoft\\\\windows\\\\currentversion\\\\uninstall\\\\"),
};

struct Entry {
    QHash<QString, QString> values; // lower-case name -> raw data as written after '='
};

// A quoted string's text with Wine's escapes undone far enough to tell
// empty from not; null when the data is no string (a number, binary data).
QString StringData(const QString& raw) {
    QString data = raw;
    if (data.startsWith(QLatin1String("str(2):")) || data.startsWith(QLatin1String("str(7):"))) data = data.mid(7);
    if (data.size() < 2 || !data.startsWith(QLatin1Char('"')) || !data.endsWith(QLatin1Char('"'))) return QString();
    return data.mid(1, data.size() - 2);
}

bool HasText(const Entry& entry, const char* name) {
    return !StringData(entry.values.value(QLatin1String(name))).isEmpty();
}

QString Text(const Entry& entry, const char* name) {
    QString text = StringData(entry.values.value(QLatin1String(name)));
    return text.replace(QLatin1String("\\\\"), QLatin1String("\\")).replace(QLatin1String("\\\""), QLatin1String("\""));
}

bool DwordIsOne(const Entry& entry, const char* name) {
    return entry.values.value(QLatin1String(name)).compare(QLatin1String("dword:00000001"), Qt::CaseInsensitive) == 0;
}

// One view's entries, by key name (lower case, as names compare).
int CountView(const QHash<QString, Entry>& entries) {
    QSet<QString> accepted;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const Entry& entry = it.value();
        if (DwordIsOne(entry, "systemcomponent") || !HasText(entry, "displayname")) continue;
        if (!HasText(entry, "uninstallstring") && !HasText(entry, "quietuninstallstring")) continue;
        accepted.insert(it.key());
    }
    int count = 0;
    for (const QString& name : accepted) {
        const Entry& entry = entries[name];
        const QString parent = Text(entry, "parentkeyname").toLower();
        if (!parent.isEmpty()) {
            if (accepted.contains(parent)) continue;
            const QString release = Text(entry, "releasetype");
            if (release == QLatin1String("Security Update") || release == QLatin1String("Hotfix") ||
                release == QLatin1String("Service Pack"))
                continue;
            if (DwordIsOne(entry, "isminorupgrade")) continue;
        }
        ++count;
    }
    return count;
}

// Reads the text line by line, keeping only the values of Uninstall entries:
// a prefix's system.reg runs to megabytes.
int CountInStream(QTextStream& stream) {
    // views[view][key name]: the entries of each Uninstall key.
    QHash<QString, Entry> views[2];
    Entry* current = nullptr;
    QString line;
    while (stream.readLineInto(&line)) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.startsWith(QLatin1Char('['))) {
            current = nullptr;
            // "[Software\\...\\Uninstall\\Name] 1700000000": the name up to
            // the closing bracket; a deeper key (one more "\\") is no entry.
            const int close = line.lastIndexOf(QLatin1Char(']'));
            if (close < 0) continue;
            const QString key = line.mid(1, close - 1).toLower();
            for (int view = 0; view < 2; ++view) {
                if (!key.startsWith(kUninstallKeys[view])) continue;
                const QString name = key.mid(kUninstallKeys[view].size());
                if (!name.isEmpty() && !name.contains(QLatin1String("\\\\"))) current = &views[view][name];
            }
            continue;
        }
        if (current == nullptr || !line.startsWith(QLatin1Char('"'))) continue;
        // "Name"=data; a name holds no unescaped quote.
        int end = 1;
        while (end < line.size() && line[end] != QLatin1Char('"'))
            end += line[end] == QLatin1Char('\\') ? 2 : 1;
        if (end + 1 >= line.size() || line[end + 1] != QLatin1Char('=')) continue;
        current->values.insert(line.mid(1, end - 1).toLower(), line.mid(end + 2));
    }
    return CountView(views[0]) + CountView(views[1]);
}

} // namespace

int CPrefixProgramCount::Count(const QString& folder) {
    int count = 0;
    for (const char* name : {"/system.reg", "/user.reg"}) {
        QFile file(folder + QLatin1String(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        QTextStream stream(&file);
        stream.setCodec("UTF-8");
        count += CountInStream(stream);
    }
    return count;
}

int CPrefixProgramCount::CountInText(const QString& text) {
    QString copy = text;
    QTextStream stream(&copy, QIODevice::ReadOnly);
    return CountInStream(stream);
}
