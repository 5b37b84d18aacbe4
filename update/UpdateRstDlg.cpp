#include "update/UpdateRstDlg.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "include/MsgIds.h"
#include "app/DialogLook.h"
#include "app/host/HostServices.h"
#include "update/DescriptionFetch.h"
#include "update/Fenwright.h"
#include "update/UpdateEndpoints.h"
#include "widgetlib/BPNotifyCentor.h"

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
    : CBaseDialog(parent), m_width(width), m_height(height) {
    RegisterMsg(MSG_CLOSE_DLG);
    setFixedSize(width, height);
    if (parent != nullptr) move(DialogLook::CentredOver(parent->geometry(), geometry().size()));
}

QString CUpdateRstDlg::DescriptionFilePath() {
    return CHostServices::Current().ExecutableFolder() + QStringLiteral("/Upgrade.ini");
}

void CUpdateRstDlg::ShowResult(QString text, int failed, int newVersion) {
    m_column = new QVBoxLayout;
    m_column->setContentsMargins(0, 50, 0, 0);
    auto* widthLabel = new QLabel(this);
    widthLabel->setFixedWidth(m_width);
    m_column->addWidget(widthLabel, 0, Qt::AlignHCenter);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(16, 0, 0, 0);
    m_column->addLayout(row);

    if (failed != 0) {
        BuildPlainResult(row, text, false);
    } else if (newVersion != 0) {
        // The page follows once the description fetch ends or fails.
        m_waiting = TextLabel(tr("Getting update information, please wait..."), 14, this);
        m_column->addWidget(m_waiting, 0, Qt::AlignHCenter);
        SetPage(PageFetching);
        m_fetch = new CDescriptionFetch(this);
        connect(m_fetch, &CDescriptionFetch::Finished, this, &CUpdateRstDlg::OnDescriptionFetched);
        m_fetch->Start(CUpdateEndpoints::PlainDescriptionUrl(), DescriptionFilePath(), FenwrightTimeLimit());
    } else {
        BuildPlainResult(row, text, true);
    }
    bodyLayout->addLayout(m_column);
}

void CUpdateRstDlg::OnDescriptionFetched(bool ok, const QString& description) {
    if (m_waiting != nullptr) {
        m_column->removeWidget(m_waiting);
        delete m_waiting;
        m_waiting = nullptr;
    }
    if (ok)
        BuildNewVersionDetails(m_column, description);
    else
        BuildNewVersionPlain(m_column);
}

void CUpdateRstDlg::BuildPlainResult(QHBoxLayout* row, const QString& text, bool success) {
    m_icon = new QLabel(this);
    if (success) {
        const QPixmap logo(QStringLiteral("./Resources/Logo128.png"));
        if (!logo.isNull()) m_icon->setPixmap(logo);
    } else {
        const QPixmap failedPicture = QIcon(QStringLiteral("./Resources/tip_failed.png")).pixmap(64, 64);
        if (!failedPicture.isNull()) m_icon->setPixmap(failedPicture);
    }
    m_heading = TextLabel(success ? tr("Congratulations!") : tr("Update Failed!"), 20, this);
    m_message = TextLabel(text, 14, this);
    // A long message wraps inside the dialog instead of running into its edge.
    m_message->setWordWrap(true);
    m_message->setFixedWidth(m_width - 16 - (success ? 128 : 64) - 20 - 24);

    row->addWidget(m_icon, 0, Qt::AlignHCenter);
    row->addSpacerItem(new QSpacerItem(20, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 20, 0, 20);
    texts->addWidget(m_heading, 10, Qt::AlignLeft | Qt::AlignTop);
    texts->addWidget(m_message, 10, Qt::AlignLeft | Qt::AlignTop);
    texts->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
    row->addLayout(texts);
    row->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    SetPage(success ? PageUpToDate : PageFailed);
}

void CUpdateRstDlg::CreateButtons(bool withCancelText) {
    m_updateBtn = new QPushButton(this);
    m_updateBtn->setStyleSheet(QString::fromLatin1(kUpdateButtonStyle));
    m_updateBtn->setFixedSize(128, 32);
    m_updateBtn->setAccessibleName(tr("Update"));
    connect(m_updateBtn, &QPushButton::clicked, this, &CUpdateRstDlg::UpdateClicked);
    m_cancelBtn = new QPushButton(withCancelText ? tr("Cancel") : QString(), this);
    // The button picture carries its caption already; the button's own text
    // (kept for screen readers and translations) is not drawn over it.
    m_cancelBtn->setStyleSheet(QString::fromLatin1(kCancelButtonStyle) +
                               (withCancelText ? QStringLiteral("QPushButton{color:transparent;}") : QString()));
    m_cancelBtn->setFixedSize(96, 32);
    m_cancelBtn->setAccessibleName(tr("Cancel"));
    connect(m_cancelBtn, &QPushButton::clicked, this, &CUpdateRstDlg::CancelClicked);
}

void CUpdateRstDlg::BuildNewVersionPlain(QVBoxLayout* column) {
    m_icon = new QLabel(this);
    const QPixmap logo(QStringLiteral("./Resources/logo.png"));
    if (!logo.isNull()) m_icon->setPixmap(logo);
    m_heading = TextLabel(tr("Congratulations!"), 20, this);
    m_message = TextLabel(tr("A new version has been released, do you want to update now?"), 14, this);
    CreateButtons(true);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 20, 0);
    buttons->setSpacing(10);
    buttons->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    buttons->addWidget(m_updateBtn, 0, Qt::AlignRight);
    buttons->addWidget(m_cancelBtn, 0, Qt::AlignLeft);

    column->addWidget(m_icon, 0, Qt::AlignHCenter);
    column->addSpacerItem(new QSpacerItem(0, 17, QSizePolicy::Expanding, QSizePolicy::Fixed));
    column->addWidget(m_heading, 10, Qt::AlignHCenter);
    column->addSpacerItem(new QSpacerItem(0, 12, QSizePolicy::Expanding, QSizePolicy::Fixed));
    column->addWidget(m_message, 10, Qt::AlignHCenter);
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
    m_icon = new QLabel(this);
    const QPixmap logo(QStringLiteral("./Resources/Logo128.png"));
    if (!logo.isNull()) m_icon->setPixmap(logo.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    row->addWidget(m_icon, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->setContentsMargins(0, 0, 0, 0);
    m_heading =
        new QLabel(QStringLiteral("<p style=\"font-family:%1;font-size:18px;color:#d6d6d7\">%2</p>")
                       .arg(QStringLiteral("Segoe UI"), tr("A new version of Tolvanire Uninstaller  is available!")),
                   this);
    texts->addWidget(m_heading);
    texts->addSpacerItem(new QSpacerItem(0, 20, QSizePolicy::Expanding, QSizePolicy::Fixed));
    m_browser = new QTextBrowser(this);
    m_browser->setStyleSheet(QStringLiteral("QTextBrowser{font-family:\"Segoe UI\";font-size:14px; "
                                            "line-height:1.17;color:rgb(237,238,239);border:none}"));
    QPalette pal = m_browser->palette();
    pal.setColor(QPalette::Base, QColor(30, 34, 51, 255));
    m_browser->setPalette(pal);
    // Plain or rich text, whichever the description is.
    m_browser->setText(description);
    texts->addWidget(m_browser);
    row->addLayout(texts);

    CreateButtons(false);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(10);
    buttons->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    buttons->addWidget(m_updateBtn, 0, Qt::AlignRight);
    buttons->addWidget(m_cancelBtn, 0, Qt::AlignLeft);

    block->addLayout(row);
    block->addSpacerItem(new QSpacerItem(0, 20, QSizePolicy::Preferred, QSizePolicy::Fixed));
    block->addLayout(buttons);
    column->setContentsMargins(0, 16, 0, 0);
    column->addLayout(block);
    SetPage(PageNewVersionDetails);
}

void CUpdateRstDlg::SetPage(Page page) {
    m_page = page;
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
