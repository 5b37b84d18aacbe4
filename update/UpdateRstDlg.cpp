#include "update/UpdateRstDlg.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "app/RuntimeFiles.h"
#include "app/host/HostServices.h"
#include "include/MsgIds.h"
#include "support/HostPaths.h"
#include "update/DescriptionFetch.h"
#include "update/Fenwright.h"
#include "update/UpdateEndpoints.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/Palette.h"

namespace {

const QColor kTextColour(214, 214, 215, 255);

const char kUpdateButtonStyle[] =
    "QPushButton{border-image: url(./Resources/messagebox/btn_pril.png); }"
    "QPushButton:hover{border-image: url(./Resources/messagebox/btn_pril_hover.png);}"
    "QPushButton:pressed{border-image: url(./Resources/messagebox/btn_pril_press.png);}"
    "QPushButton:disabled{border-image: url(./Resources/messagebox/btn_pril_disable.png);}";
const char kCancelButtonStyle[] =
    "QPushButton{border-image: url(./Resources/messagebox/btn_sec.png);}"
    "QPushButton:hover{border-image: url(./Resources/messagebox/btn_sec_hover.png);}"
    "QPushButton:pressed{border-image: url(./Resources/messagebox/btn_sec_press.png);}"
    "QPushButton:disabled{border-image: url(./Resources/messagebox/btn_sec_disable.png);}";

QLabel* TextLabel(const QString& text, int pixelSize, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(DialogLook::PixelFont(pixelSize));
    DialogLook::SetTextColour(label, kTextColour);
    return label;
}

} // namespace

CUpdateRstDlg::CUpdateRstDlg(int width, int height, QWidget* parent)
    : CBaseDialog(parent), boxWidth(width), boxHeight(height) {
    RegisterMsg(MSG_CLOSE_DLG);
    closesOnEnter = true;
    setFixedSize(width, height);
    if (parent != nullptr) move(DialogLook::CentredOver(parent->geometry(), geometry().size()));
}

QString CUpdateRstDlg::DescriptionFilePath() {
    return CacheDirectory() + QStringLiteral("/Upgrade.ini");
}

void CUpdateRstDlg::ShowResult(QString text, int failed, int newVersion) {
    pageColumn = new QVBoxLayout;
    pageColumn->setContentsMargins(0, 50, 0, 0);
    auto* widthLabel = new QLabel(this);
    widthLabel->setFixedWidth(boxWidth);
    pageColumn->addWidget(widthLabel, 0, Qt::AlignHCenter);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(16, 0, 0, 0);
    pageColumn->addLayout(row);

    if (failed != 0) {
        BuildPlainResult(row, text, PageFailed);
    } else if (newVersion != 0) {
        // The page follows once the description fetch ends or fails.
        waiting = TextLabel(tr("Getting update information, please wait..."), 14, this);
        pageColumn->addWidget(waiting, 0, Qt::AlignHCenter);
        SetPage(PageFetching);
        fetch = new CDescriptionFetch(this);
        connect(fetch, &CDescriptionFetch::Finished, this, &CUpdateRstDlg::OnDescriptionFetched);
        fetch->Start(CUpdateEndpoints::PlainDescriptionUrl(), DescriptionFilePath(), FenwrightTimeLimit());
    } else if (text.isEmpty()) {
        // Only a check without an updater ends with no message: nothing was
        // checked, which must never read as "up to date".
        BuildPlainResult(row, NotSetUpText(), PageNotSetUp);
    } else {
        BuildPlainResult(row, text, PageUpToDate);
    }
    bodyLayout->addLayout(pageColumn);
}

void CUpdateRstDlg::OnDescriptionFetched(bool ok, const QString& description) {
    if (waiting != nullptr) {
        pageColumn->removeWidget(waiting);
        delete waiting;
        waiting = nullptr;
    }
    if (ok)
        BuildNewVersionDetails(pageColumn, description);
    else
        BuildNewVersionPlain(pageColumn);
}

QString CUpdateRstDlg::NotSetUpText() {
    return tr("Update checks are not set up for this copy of Tolvanire Uninstaller: it names no update server. "
              "Nothing was checked.");
}

void CUpdateRstDlg::BuildPlainResult(QHBoxLayout* row, const QString& text, Page page) {
    const bool success = page == PageUpToDate;
    icon = new QLabel(this);
    if (success) {
        const QPixmap logo(CRuntimeFiles::Path(QStringLiteral("./Resources/Logo128.png")));
        if (!logo.isNull()) icon->setPixmap(logo);
    } else {
        const QString picture = page == PageFailed ? QStringLiteral("./Resources/tip_failed.png")
                                                   : QStringLiteral("./Resources/tip_warnning.png");
        const QPixmap small = QIcon(CRuntimeFiles::Path(picture)).pixmap(64, 64);
        if (!small.isNull()) icon->setPixmap(small);
    }
    heading = TextLabel(success              ? tr("Congratulations!")
                        : page == PageFailed ? tr("Update Failed!")
                                             : tr("Update Check Not Set Up"),
                        20, this);
    message = TextLabel(text, 14, this);
    // A long message wraps inside the dialog instead of running into its edge.
    message->setWordWrap(true);
    message->setFixedWidth(boxWidth - 16 - (success ? 128 : 64) - 20 - 24);

    row->addWidget(icon, 0, Qt::AlignHCenter);
    row->addSpacerItem(new QSpacerItem(20, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 20, 0, 20);
    texts->addWidget(heading, 10, Qt::AlignLeft | Qt::AlignTop);
    texts->addWidget(message, 10, Qt::AlignLeft | Qt::AlignTop);
    texts->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
    row->addLayout(texts);
    row->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    SetPage(page);
}

void CUpdateRstDlg::CreateButtons(bool withCancelText) {
    updateBtn = new QPushButton(this);
    updateBtn->setStyleSheet(CRuntimeFiles::StyleSheet(QString::fromLatin1(kUpdateButtonStyle)));
    updateBtn->setFixedSize(128, 32);
    updateBtn->setAccessibleName(tr("Update"));
    // Enter updates, Escape cancels.
    updateBtn->setDefault(true);
    connect(updateBtn, &QPushButton::clicked, this, &CUpdateRstDlg::UpdateClicked);
    cancelBtn = new QPushButton(withCancelText ? tr("Cancel") : QString(), this);
    // The button picture carries its caption already; the button's own text
    // (kept for screen readers and translations) is not drawn over it.
    cancelBtn->setStyleSheet(CRuntimeFiles::StyleSheet(QString::fromLatin1(kCancelButtonStyle)) +
                             (withCancelText ? QStringLiteral("QPushButton{color:transparent;}") : QString()));
    cancelBtn->setFixedSize(96, 32);
    cancelBtn->setAccessibleName(tr("Cancel"));
    connect(cancelBtn, &QPushButton::clicked, this, &CUpdateRstDlg::CancelClicked);
}

void CUpdateRstDlg::BuildNewVersionPlain(QVBoxLayout* column) {
    icon = new QLabel(this);
    const QPixmap logo(CRuntimeFiles::Path(QStringLiteral("./Resources/logo.png")));
    if (!logo.isNull()) icon->setPixmap(logo);
    heading = TextLabel(tr("Congratulations!"), 20, this);
    message = TextLabel(tr("A new version has been released, do you want to update now?"), 14, this);
    CreateButtons(true);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 20, 0);
    buttons->setSpacing(10);
    buttons->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    buttons->addWidget(updateBtn, 0, Qt::AlignRight);
    buttons->addWidget(cancelBtn, 0, Qt::AlignLeft);

    column->addWidget(icon, 0, Qt::AlignHCenter);
    column->addSpacerItem(new QSpacerItem(0, 17, QSizePolicy::Expanding, QSizePolicy::Fixed));
    column->addWidget(heading, 10, Qt::AlignHCenter);
    column->addSpacerItem(new QSpacerItem(0, 12, QSizePolicy::Expanding, QSizePolicy::Fixed));
    column->addWidget(message, 10, Qt::AlignHCenter);
    column->addSpacerItem(new QSpacerItem(0, 50, QSizePolicy::Preferred, QSizePolicy::Fixed));
    column->addLayout(buttons);
    SetPage(PageNewVersionPlain);
}

void CUpdateRstDlg::BuildNewVersionDetails(QVBoxLayout* column, const QString& description) {
    auto* block = new QVBoxLayout;
    block->setSpacing(0);
    block->setContentsMargins(16, 0, 16, 24);

    auto* row = new QHBoxLayout;
    row->setSpacing(15);
    row->setContentsMargins(0, 0, 0, 0);
    icon = new QLabel(this);
    const QPixmap logo(CRuntimeFiles::Path(QStringLiteral("./Resources/Logo128.png")));
    if (!logo.isNull()) icon->setPixmap(logo.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    row->addWidget(icon, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->setContentsMargins(0, 0, 0, 0);
    heading =
        new QLabel(CPalette::Fill(QStringLiteral("<p style=\"font-family:%1;font-size:18px;color:@DialogText\">%2</p>"))
                       .arg(QStringLiteral("Segoe UI"), tr("A new version of Tolvanire Uninstaller  is available!")),
                   this);
    texts->addWidget(heading);
    texts->addSpacerItem(new QSpacerItem(0, 20, QSizePolicy::Expanding, QSizePolicy::Fixed));
    browser = new QTextBrowser(this);
    browser->setStyleSheet(CPalette::Fill(QStringLiteral("QTextBrowser{font-family:\"Segoe UI\";font-size:14px; "
                                                         "line-height:1.17;color:@NotesText;border:none}")));
    QPalette pal = browser->palette();
    pal.setColor(QPalette::Base, CPalette::Of(CPalette::NotesBody));
    browser->setPalette(pal);
    // Plain or rich text, whichever the description is.
    browser->setText(description);
    texts->addWidget(browser);
    row->addLayout(texts);

    CreateButtons(false);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(10);
    buttons->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    buttons->addWidget(updateBtn, 0, Qt::AlignRight);
    buttons->addWidget(cancelBtn, 0, Qt::AlignLeft);

    block->addLayout(row);
    block->addSpacerItem(new QSpacerItem(0, 20, QSizePolicy::Preferred, QSizePolicy::Fixed));
    block->addLayout(buttons);
    column->setContentsMargins(0, 16, 0, 0);
    column->addLayout(block);
    SetPage(PageNewVersionDetails);
}

void CUpdateRstDlg::SetPage(Page page) {
    shownPage = page;
    if (page != PageFetching) emit PageShown();
}

void CUpdateRstDlg::UpdateClicked() {
    CHostServices::Current().OpenUrl(CUpdateEndpoints::DownloadPageUrl());
    CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
}

void CUpdateRstDlg::CancelClicked() {
    CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
}

int CUpdateRstDlg::ReceiveMsg(__MsgData msg) {
    if (msg.id == MSG_CLOSE_DLG) done(QDialog::Rejected);
    return 0;
}
