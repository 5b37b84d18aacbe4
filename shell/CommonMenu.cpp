#include "shell/CommonMenu.h"

#include <QApplication>
#include <QCursor>
#include <QVariant>
#include <QWidgetAction>

#include "app/DialogLook.h"
#include "app/UIPublic.h"
#include "shell/AboutDlg.h"
#include "shell/StyleMenu.h"
#include "uninstall/UninstallerCore.h"
#include "uninstall/dialogs/OrphansDlg.h"
#include "update/CheckUpdate.h"
#include "update/UpdateEndpoints.h"
#include "update/UpdateRstDlg.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/BPStyleMenuItem.h"

CCommonMenu::CCommonMenu(QWidget* parent) : QObject(parent) {
    SetNotifyCentor(CBPNotifyCentor::instance());
    labels = QStringList{tr("Support Center"), tr("User Guide"),   tr("Tolvanire Disk Cleaner"),
                         tr("Leftovers..."),   tr("Check Update"), tr("About")};
    const int ids[] = {IdSupportCenter, IdUserGuide, IdOtherProduct, IdOrphans, IdCheckUpdate, IdAbout};

    mainMenu = new CStyleMenu(parent);
    mainMenu->setContentsMargins(5, 0, 0, 0);
    for (int i = 0; i < labels.size(); ++i) {
        auto* action = new QWidgetAction(this);
        auto* item = new CBPStyleMenuItem(labels.at(i), QString(), nullptr);
        item->setMinimumWidth(125);
        action->setDefaultWidget(item);
        action->setData(ids[i]);
        action->setText(labels.at(i));
        action->setFont(DialogLook::PixelFont(18, true));
        item->setFont(DialogLook::PixelFont(18, true));
        actions.insert(ids[i], action);
        mainMenu->addAction(action);
    }
    connect(mainMenu, &QMenu::triggered, this, &CCommonMenu::OnOptionMenuTriggered);
}

// The menu widget hangs under the parent widget (a pop-up needs one) but
// lives only as long as this object.
CCommonMenu::~CCommonMenu() {
    delete mainMenu;
}

QString CCommonMenu::LinkKey(int id) {
    switch (id) {
    case IdSupportCenter:
        return QStringLiteral("ID_LINK_SUPPORT");
    case IdUserGuide:
        return QStringLiteral("ID_LINK_HELP");
    case IdOtherProduct:
        return QStringLiteral("ID_LINK_SE");
    default:
        return QString();
    }
}

QAction* CCommonMenu::ShowMainMenu() {
    const QPoint cursor = QCursor::pos();
    if (cursor.x() < 0 || cursor.y() < 0) return nullptr;
    return mainMenu->exec(cursor + QPoint(0, 120), Action(IdAbout));
}

void CCommonMenu::OnOptionMenuTriggered(QAction* action) {
    if (action == nullptr) return;
    const int id = action->data().toInt();
    const QString linkKey = LinkKey(id);
    if (!linkKey.isEmpty()) {
        QVariant link;
        CUIPublic::instance()->ReadSetting(QStringLiteral("URL"), linkKey, link);
        // A missing address is an empty one, which opens nothing.
        CUIPublic::instance()->OpenLink(link.toString());
    } else if (id == IdCheckUpdate) {
        RunUpdateCheck();
    } else if (id == IdAbout) {
        ShowAbout();
    } else if (id == IdOrphans) {
        ShowOrphans();
    }
}

void CCommonMenu::RunUpdateCheck() {
    QWidget* mainWindow = CUIPublic::instance()->GetMainWindow();
    QString text;
    int failed = 0;
    int newVersion = 0;
    // Without an update server there is nothing to wait for: the result
    // says at once that nothing can be checked.
    if (!CUpdateEndpoints::SecureDescriptionUrl().isEmpty()) {
        auto* check = new CheckUpdate(mainWindow);
        check->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        check->StartCheck();
        check->exec();
        text = check->resultText();
        failed = check->checkFailed();
        newVersion = check->newVersion();
        delete check;
    }

    auto* result = new CUpdateRstDlg(542, 372, mainWindow);
    result->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    result->ShowResult(text, failed, newVersion);
    result->exec();
    delete result;
}

void CCommonMenu::ShowAbout() {
    auto* about = new CAboutDlg(CUIPublic::instance()->GetMainWindow());
    about->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    about->BuildContent();
    about->exec();
    delete about;
}

void CCommonMenu::ShowOrphans() {
    CUninstallerCore* core = CUIPublic::instance()->GetCore();
    if (core == nullptr) return;
    QWidget* mainWindow = CUIPublic::instance()->GetMainWindow();
    // What a scan that cannot reach the target says instead of a list.
    auto failureText = [](const BackendFailure& failure) {
        return COrphansDlg::tr("The Windows programs cannot be read: %1").arg(failure.reason);
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Expected<OrphanList, BackendFailure> list = core->Orphans();
    QApplication::restoreOverrideCursor();
    auto* dialog = new COrphansDlg(mainWindow);
    dialog->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog->Build(list ? list->folders : QList<OrphanFolder>(), list ? list->stopReason : failureText(list.Error()),
                  [core, failureText](const QStringList& paths, QString* summary) {
                      QApplication::setOverrideCursor(Qt::WaitCursor);
                      const Expected<OrphanRemoval, BackendFailure> removal = core->DeleteOrphans(paths);
                      int deleted = 0;
                      if (removal)
                          for (const OrphanDeletion& folder : removal->folders)
                              deleted += folder.deleted ? 1 : 0;
                      const Expected<OrphanList, BackendFailure> after = core->Orphans();
                      QApplication::restoreOverrideCursor();
                      *summary = !removal ? failureText(removal.Error())
                                 : !removal->stopReason.isEmpty()
                                     ? COrphansDlg::tr("Nothing was deleted: %1").arg(removal->stopReason)
                                     : COrphansDlg::tr("%1 of %2 folder(s) deleted.").arg(deleted).arg(paths.size());
                      return after ? after->folders : QList<OrphanFolder>();
                  });
    dialog->exec();
    delete dialog;
}
