#pragma once

#include <QMap>
#include <QObject>
#include <QStringList>

#include "widgetlib/BPMsgReceiver.h"

class CStyleMenu;
class QAction;
class QWidget;

// The main menu of the title bar's menu button: "Support Center", "User
// Guide" and the other product open their web pages (addresses under "URL"
// in the settings), "Leftovers..." lists the folders of programs already
// removed (COrphansDlg), "Restore..." lists the restore points of deep
// cleans (CRestorePointsDlg), "Check Update" runs the update check and shows
// its outcome, "About" shows the About dialog. Lives only while the menu is
// open.
class CCommonMenu : public QObject, public CBPMsgReceiver {
    Q_OBJECT
public:
    enum EntryId {
        IdSupportCenter = 0x2001,
        IdUserGuide = 0x2002,
        IdOtherProduct = 0x2003,
        IdCheckUpdate = 0x2004,
        IdAbout = 0x2005,
        IdOrphans = 0x2006,
        IdRestore = 0x2007,
    };

    explicit CCommonMenu(QWidget* parent);
    ~CCommonMenu() override;

    // Opens the menu with "About" 120 px below the cursor and returns when it
    // closes: the chosen action, or null. Nothing opens while the cursor is
    // left of or above the primary screen.
    QAction* ShowMainMenu();

    CStyleMenu* MainMenu() const { return mainMenu; }
    QAction* Action(int id) const { return actions.value(id, nullptr); }
    // The settings key of a link entry; empty for the others.
    static QString LinkKey(int id);

public slots:
    void OnOptionMenuTriggered(QAction* action);

private:
    void RunUpdateCheck();
    void ShowAbout();
    void ShowRestorePoints();
    void ShowOrphans();

    CStyleMenu* mainMenu = nullptr;
    QMap<int, QAction*> actions;
    QStringList labels;
};
