#pragma once

class QApplication;

// The look every window of the program shares, set once on the application
// object: the style sheet "QSS/WU.qss" from beside the executable (its
// pictures too), the font "Segoe UI" (a close sans where it is missing) and
// the keyboard focus mark.
class CProgramLook {
public:
    static void Apply(QApplication& app);
};
