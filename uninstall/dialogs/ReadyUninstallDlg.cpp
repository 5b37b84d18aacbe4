#include "uninstall/dialogs/ReadyUninstallDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpacerItem>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "app/RuntimeFiles.h"
#include "include/FormatSize.h"
#include "include/MsgIds.h"
#include "uninstall/dialogs/ProgramIconSource.h"
#include "widgetlib/BPQtLabel.h"
#include "widgetlib/Palette.h"

namespace {

const char* const kInstallerPicture = "./Resources/Installer.png";

QString ButtonStyle(const QString& kind) {
    return CRuntimeFiles::StyleSheet(
        QStringLiteral("QPushButton{border-image: url(./Resources/messagebox/%1.png); }"
                       "QPushButton:hover{border-image: url(./Resources/messagebox/%1_hover.png);}"
                       "QPushButton:pressed{border-image: url(./Resources/messagebox/%1_press.png);}"
                       "QPushButton:disabled{border-image: url(./Resources/messagebox/%1_disable.png); }")
            .arg(kind));
}

} // namespace

CReadyUninstallDlg::CReadyUninstallDlg(QWidget* parent) : CBaseDialog(parent) {
    RegisterMsg(MSG_CLOSE_DLG);
    setFixedSize(kWidth, kHeight);
    DialogLook::CentreOverParent(this, parent);
}

bool CReadyUninstallDlg::RemoveLeftovers() const {
    return checkBox != nullptr && checkBox->isChecked();
}

void CReadyUninstallDlg::Build() {
    auto* content = new QVBoxLayout;
    content->setSpacing(0);
    // The frame's title bar (32 px) and its bottom margins already take
    // their share of the 42 px above and the 24 px below the content.
    content->setContentsMargins(16, 10, 16, 0);

    questionLabel =
        new CBPQtLabel(tr("Do you want to uninstall the selected %1 program(s)?").arg(int(programs.size())), this);
    questionLabel->setFont(DialogLook::PixelFont(16));
    DialogLook::SetTextColour(questionLabel, CPalette::Of(CPalette::PrimaryText));
    content->addWidget(questionLabel);
    content->addSpacerItem(new QSpacerItem(0, 32, QSizePolicy::Minimum, QSizePolicy::Fixed));

    popTreeWidget = new QTreeWidget(this);
    popTreeWidget->setObjectName(QStringLiteral("popTreeWidget"));
    popTreeWidget->setColumnCount(3);
    popTreeWidget->setColumnHidden(0, true);
    popTreeWidget->setHeaderHidden(true);
    popTreeWidget->setFocusPolicy(Qt::NoFocus);
    popTreeWidget->setFixedSize(608, 234);
    popTreeWidget->setColumnWidth(1, 470);
    popTreeWidget->setRootIsDecorated(false);
    popTreeWidget->setSelectionMode(QAbstractItemView::NoSelection);
    popTreeWidget->verticalScrollBar()->setStyleSheet(
        CRuntimeFiles::ReadStyleSheet(QStringLiteral("./QSS/vscrollbar.qss")));
    popTreeWidget->horizontalScrollBar()->setStyleSheet(
        CRuntimeFiles::ReadStyleSheet(QStringLiteral("./QSS/hscrollbar.qss")));
    for (size_t position = 0; position < programs.size(); ++position) {
        auto* item = new QTreeWidgetItem(popTreeWidget);
        item->setText(0, QStringLiteral("tolvanire"));
        item->setData(1, Qt::UserRole, int(position));
        item->setText(2, FormatSize(programs[position].sizeBytes));
        item->setForeground(2, CPalette::Of(CPalette::DialogText));
        item->setFont(2, DialogLook::PixelFont(13));
        const bool missing = position < missingUninstallers.size() && missingUninstallers[position];
        popTreeWidget->setItemWidget(item, 1, ProgramRow(programs[position], missing));
    }
    content->addWidget(popTreeWidget);
    content->addSpacerItem(new QSpacerItem(0, 10, QSizePolicy::Minimum, QSizePolicy::Fixed));

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->setContentsMargins(0, 0, 8, 0);
    checkBox = new QCheckBox(tr("Automatically remove residual files"), this);
    checkBox->setStyleSheet(CPalette::Fill(QStringLiteral("QCheckBox{color:@DialogText}")));
    checkBox->setChecked(true);
    row->addWidget(checkBox);
    row->addStretch();
    // Plain buttons: the look is all in their border images, and the
    // text buttons' padding of the program's style sheet must not widen them.
    okButton = new QPushButton(this);
    cancelButton = new QPushButton(this);
    okButton->setStyleSheet(ButtonStyle(QStringLiteral("btn_pri")));
    cancelButton->setStyleSheet(ButtonStyle(QStringLiteral("btn_sec")));
    for (QPushButton* button : {okButton, cancelButton}) {
        button->setFixedSize(96, 32);
        button->setFont(DialogLook::PixelFont(16));
    }
    row->addWidget(okButton);
    row->addSpacerItem(new QSpacerItem(4, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
    row->addWidget(cancelButton);
    content->addLayout(row);
    connect(okButton, &QPushButton::clicked, this, &CReadyUninstallDlg::OnOKClicked);
    connect(cancelButton, &QPushButton::clicked, this, &CReadyUninstallDlg::OnCancelClicked);
    connect(checkBox, &QCheckBox::toggled, this, &CReadyUninstallDlg::ShowMissingNotes);
    ShowMissingNotes();

    bodyLayout->addLayout(content);
}

QWidget* CReadyUninstallDlg::ProgramRow(const InstalledProgram& program, bool missing) {
    auto* row = new QWidget(popTreeWidget);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(12, 0, 0, 0);
    layout->setSpacing(0);
    layout->setAlignment(Qt::AlignLeft);

    auto* icon = new QLabel(row);
    icon->setObjectName(QStringLiteral("programIcon"));
    icon->setFixedSize(kIconSize, kIconSize);
    icon->setPixmap(IconFor(program).pixmap(QSize(kIconSize, kIconSize)));
    layout->addWidget(icon);
    layout->addSpacerItem(new QSpacerItem(12, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(0);
    // The record's fields are UTF-8, as the row's texts were made from them.
    auto* name = new CBPQtLabel(QString::fromUtf8(program.displayName), row);
    name->setObjectName(QStringLiteral("programName"));
    name->setFont(DialogLook::PixelFont(16));
    DialogLook::SetTextColour(name, CPalette::Of(CPalette::DialogText));
    auto* publisher = new CBPQtLabel(QString::fromUtf8(program.publisher), row);
    publisher->setObjectName(QStringLiteral("programPublisher"));
    publisher->setFont(DialogLook::PixelFont(13));
    DialogLook::SetTextColour(publisher, CPalette::Of(CPalette::DimText));
    texts->addWidget(name);
    texts->addWidget(publisher);
    if (missing) {
        // In place of the publisher: what happens to it instead.
        publisher->hide();
        auto* note = new CBPQtLabel(row);
        note->setObjectName(QStringLiteral("missingNote"));
        note->setFont(DialogLook::PixelFont(13));
        DialogLook::SetTextColour(note, CPalette::Of(CPalette::Failure));
        texts->addWidget(note);
    }
    layout->addLayout(texts);
    return row;
}

void CReadyUninstallDlg::ShowMissingNotes() {
    const QString text = RemoveLeftovers() ? tr("Uninstaller missing: its entry and its leftovers will be removed")
                                           : tr("Uninstaller missing: its entry will be removed");
    for (CBPQtLabel* note : popTreeWidget->findChildren<CBPQtLabel*>(QStringLiteral("missingNote")))
        note->setText(text);
}

QIcon CReadyUninstallDlg::IconFor(const InstalledProgram& program) const {
    QIcon icon;
    if (iconSource != nullptr && program.displayIcon[0] != '\0') icon = iconSource->ProgramIcon(program);
    if (icon.isNull()) icon = QIcon(CRuntimeFiles::Path(QString::fromLatin1(kInstallerPicture)));
    return icon;
}

void CReadyUninstallDlg::OnOKClicked() {
    accepted = 1;
    close();
}

void CReadyUninstallDlg::OnCancelClicked() {
    accepted = 0;
    close();
}

int CReadyUninstallDlg::ReceiveMsg(__MsgData msg) {
    // A close message sent before this dialog existed was meant for another.
    if (msg.id == MSG_CLOSE_DLG && closeFence.Passed()) {
        programs.clear();
        close();
    }
    return 0;
}
