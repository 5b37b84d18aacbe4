#include "widgetlib/Palette.h"

#include <QRegularExpression>

namespace {

struct Entry {
    const char* name;
    int red, green, blue, alpha;
};

// In the order of CPalette::Role.
constexpr Entry kEntries[] = {
    {"Body", 38, 43, 65, 255},
    {"Highlight", 47, 51, 72, 255},
    {"Chrome", 26, 29, 44, 255},
    {"PrimaryText", 255, 255, 255, 255},
    {"SecondaryText", 255, 255, 255, 153},
    {"MutedText", 163, 164, 170, 255},
    {"DisabledText", 255, 255, 255, 80},
    {"DialogBody", 45, 51, 77, 255},
    {"DialogEdge", 23, 26, 24, 255},
    {"Raised", 60, 64, 84, 255},
    {"PanelEdge", 15, 17, 26, 255},
    {"Overlay", 37, 43, 65, 255},
    {"OverlayEdge", 76, 79, 80, 255},
    {"BusyBody", 50, 54, 57, 255},
    {"DialogTitle", 216, 216, 216, 255},
    {"DialogText", 214, 214, 215, 255},
    {"DimText", 117, 118, 121, 255},
    {"FaintText", 96, 96, 96, 255},
    {"NotesText", 237, 238, 239, 255},
    {"NotesBody", 30, 34, 51, 255},
    {"Success", 40, 191, 96, 255},
    {"Failure", 230, 92, 92, 255},
    {"Link", 110, 170, 255, 255},
    {"IconText", 237, 239, 240, 255},
    {"ButtonEdge", 78, 83, 108, 255},
    {"ButtonHover", 72, 77, 101, 255},
    {"ButtonPressed", 49, 53, 71, 255},
    {"ButtonDisabled", 52, 56, 74, 255},
    {"DisabledButtonText", 255, 255, 255, 90},
    {"DefaultButton", 40, 120, 240, 255},
    {"DefaultEdge", 64, 140, 255, 255},
    {"DefaultHover", 62, 138, 255, 255},
    {"DefaultPressed", 30, 98, 204, 255},
    {"MenuItemHover", 64, 69, 97, 255},
    {"TargetText", 163, 164, 170, 180},
};
static_assert(sizeof kEntries / sizeof kEntries[0] == CPalette::RoleCount, "one entry per role");

} // namespace

QColor CPalette::Of(Role role) {
    const Entry& e = kEntries[role];
    return QColor(e.red, e.green, e.blue, e.alpha);
}

QString CPalette::CssOf(Role role) {
    const Entry& e = kEntries[role];
    if (e.alpha == 255) return QStringLiteral("rgb(%1,%2,%3)").arg(e.red).arg(e.green).arg(e.blue);
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(e.red).arg(e.green).arg(e.blue).arg(e.alpha);
}

QString CPalette::Fill(QString sheet) {
    static const QRegularExpression token(QStringLiteral("@([A-Za-z]+)"));
    QRegularExpressionMatch match;
    int from = 0;
    while ((match = token.match(sheet, from)).hasMatch()) {
        int role = 0;
        while (role < RoleCount && match.captured(1) != QLatin1String(kEntries[role].name))
            ++role;
        // An unknown name stays as written: the sheet's own text, not ours.
        const QString colour = role < RoleCount ? CssOf(Role(role)) : match.captured(0);
        sheet.replace(match.capturedStart(), match.capturedLength(), colour);
        from = match.capturedStart() + colour.size();
    }
    return sheet;
}
