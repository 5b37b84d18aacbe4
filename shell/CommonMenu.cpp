#include "shell/CommonMenu.h"

#include <QCursor>
#include <QVariant>
#include <QWidgetAction>
#include <memory>

#include "app/DialogLook.h"
#include "app/RefreshDlg.h"
#include "app/UIPublic.h"
#include "include/MsgIds.h"
#include "shell/AboutDlg.h"
#include "shell/StyleMenu.h"
#include "uninstall/UninstallerCore.h"
#include "uninstall/dialogs/OrphansDlg.h"
#include "uninstall/dialogs/RestorePointsDlg.h"
#include "update/CheckUpdate.h"
#include "update/UpdateEndpoints.h"
#include "update/UpdateRstDlg.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/BPStyleMenuItem.h"

CCommonMenu::CCommonMenu(QWidget* parent) : QObject(parent) {
    SetNotifyCentor(CBPNotifyCentor::instance());
    labels = QStringList{tr("Support Center"), tr("User Guide"), tr("Tolvanire Disk Cleaner"),
                         tr("Leftovers..."),   tr("Restore..."), tr("Check Update"),
                         tr("About")};
    const int ids[] = {IdSupportCenter, IdUserGuide, IdOtherProduct, IdOrphans, IdRestore, IdCheckUpdate, IdAbout};

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
    } else if (id == IdRestore) {
        ShowRestorePoints();
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

void CCommonMenu::ShowRestorePoints() {
    CUninstallerCore* core = CUIPublic::instance()->GetCore();
    CRestorePointsDlg dialog(core ? core->RestoreStore() : nullptr, CUIPublic::instance()->GetMainWindow());
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog.Build();
    dialog.exec();
}

void CCommonMenu::ShowAbout() {
    auto* about = new CAboutDlg(CUIPublic::instance()->GetMainWindow());
    about->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    about->BuildContent();
    about->exec();
    delete about;
}

namespace {

// The orphan calls of one step of the dialog, made on a worker.
struct OrphanJob {
    QStringList toDelete; // deleted first, when any
    QString failure;      // why the target could not be reached
    OrphanRemoval removal;
    OrphanList list; // read after the deletion
};

// Runs `job` on a worker while the busy dialog shows, and returns once it
// is done: a scan of a large tree may take a while, and the window must not
// freeze meanwhile.
void RunBehindBusyDialog(CUninstallerCore* core, const std::shared_ptr<OrphanJob>& job) {
    CRefreshDlg::ShowWhile(CUIPublic::instance()->GetMainWindow(), [core, job]() {
        OrphanJob& work = *job;
        if (!work.toDelete.isEmpty()) {
            const Expected<OrphanRemoval, BackendFailure> removal = core->DeleteOrphans(work.toDelete);
            if (removal)
                work.removal = *removal;
            else
                work.failure = removal.Error().reason;
        }
        if (work.failure.isEmpty()) {
            const Expected<OrphanList, BackendFailure> list = core->Orphans();
            if (list)
                work.list = *list;
            else
                work.failure = list.Error().reason;
        }
    });
}

} // namespace

void CCommonMenu::ShowOrphans() {
    CUninstallerCore* core = CUIPublic::instance()->GetCore();
    if (core == nullptr) return;
    auto first = std::make_shared<OrphanJob>();
    RunBehindBusyDialog(core, first);
    auto* dialog = new COrphansDlg(CUIPublic::instance()->GetMainWindow());
    dialog->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    const QString unreachable = COrphansDlg::tr("The Windows programs cannot be read: %1");
    dialog->Build(first->list.folders,
                  first->failure.isEmpty() ? first->list.stopReason : unreachable.arg(first->failure),
                  [core, unreachable](const QStringList& paths, QString* summary) {
                      auto job = std::make_shared<OrphanJob>();
                      job->toDelete = paths;
                      RunBehindBusyDialog(core, job);
                      int deleted = 0;
                      for (const OrphanDeletion& folder : job->removal.folders)
                          deleted += folder.deleted ? 1 : 0;
                      if (!job->failure.isEmpty())
                          *summary = unreachable.arg(job->failure);
                      else if (!job->removal.stopReason.isEmpty())
                          *summary = COrphansDlg::tr("Nothing was deleted: %1").arg(job->removal.stopReason);
                      else
                          *summary = COrphansDlg::tr("%1 of %2 ticked deleted.").arg(deleted).arg(paths.size());
                      if (job->failure.isEmpty() && !job->list.stopReason.isEmpty())
                          *summary += QLatin1Char(' ') +
                                      COrphansDlg::tr("The list cannot be read again: %1").arg(job->list.stopReason);
                      return job->list.folders;
                  });
    dialog->exec();
    delete dialog;
}
