#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Sets an environment variable for a test's length.
class ScopedVariable {
public:
    ScopedVariable(const char* variable, const QString& value)
        : name(variable), had(qEnvironmentVariableIsSet(variable)), old(qgetenv(variable)) {
        qputenv(name, value.toUtf8());
    }
    ~ScopedVariable() {
        if (had)
            qputenv(name, old);
        else
            qunsetenv(name);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name;
    bool had;
    QByteArray old;
};
