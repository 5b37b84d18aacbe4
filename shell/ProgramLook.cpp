#include "shell/ProgramLook.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

#include "app/FocusMark.h"
#include "app/RuntimeFiles.h"

void CProgramLook::Apply(QApplication& app) {
    // A missing file gives an empty style sheet and no error.
    app.setStyleSheet(CRuntimeFiles::ReadStyleSheet(QStringLiteral("./QSS/WU.qss")));
    // "Segoe UI" exists only on Windows; elsewhere (and under Wine) a
    // humanist sans of similar metrics stands in, rather than Qt's serif
    // fallback.
    const QString family = QStringLiteral("Segoe UI");
    if (!QFontDatabase().families().contains(family, Qt::CaseInsensitive))
        QFont::insertSubstitutions(
            family, {QStringLiteral("Open Sans"), QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans")});
    QApplication::setFont(QFont(family));
    CFocusMark::Install();
}
