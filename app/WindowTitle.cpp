#include "app/WindowTitle.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <cstdio>
#include <cstdlib>

#include "app/ElidedLabel.h"
#include "app/RuntimeFiles.h"
#include "widgetlib/Palette.h"

CWindowTitle::CWindowTitle(QWidget* parent) : CTitleBarBase(parent) {
    setFixedHeight(32);
    auto* row = new QHBoxLayout(this);
    row->setSpacing(0);
    row->setContentsMargins(10, 0, 8, 0);

    CreateLabels(tr("Tolvanire Uninstaller Free"),
                 CPalette::Fill(QStringLiteral("font-family:Segoe UI;font-size:14px;color:@MutedText;")));
    row->addWidget(logoLabel);
    row->addSpacerItem(new QSpacerItem(10, 0, QSizePolicy::Fixed, QSizePolicy::Fixed));
    row->addWidget(titleLabel);
    row->addSpacing(10);
    targetLabel = new CElidedLabel(Qt::ElideMiddle, this);
    targetLabel->setStyleSheet(
        CPalette::Fill(QStringLiteral("font-family:Segoe UI;font-size:12px;color:@TargetText;")));
    // As wide as its text where there is room, so that the prefix button
    // follows the name; cut in the middle where there is not.
    row->addWidget(targetLabel, 1);
    prefixBtn = new QPushButton(QStringLiteral("\u25BE"), this);
    prefixBtn->setObjectName(QStringLiteral("prefixBtn"));
    prefixBtn->setAccessibleName(tr("Wine prefixes"));
    prefixBtn->setToolTip(tr("Switch to another Wine prefix"));
    prefixBtn->setFixedSize(24, 24);
    prefixBtn->setStyleSheet(CPalette::Fill(QStringLiteral(
        "QPushButton{border:none;border-radius:3px;font-size:14px;color:@TargetText;background:transparent;}"
        "QPushButton:hover{background:@MenuItemHover;color:@PrimaryText;}"
        "QPushButton:pressed{background:@Highlight;}")));
    prefixBtn->setFocusPolicy(Qt::TabFocus);
    prefixBtn->setAutoDefault(false);
    prefixBtn->hide();
    connect(prefixBtn, &QPushButton::clicked, this, &CWindowTitle::PrefixMenuRequested);
    row->addWidget(prefixBtn, 0);
    row->addStretch(0);

    menuBtn = AddButton(QStringLiteral("menu"), tr("Menu"));
    minBtn = AddButton(QStringLiteral("minimize"), tr("Minimize"));
    maxBtn = AddButton(QStringLiteral("maximize"), tr("Maximize"));
    restoreBtn = AddButton(QStringLiteral("restore"), tr("Restore"));
    closeBtn = AddButton(QStringLiteral("close"), tr("Close"));

    restoreBtn->hide();
    setContentsMargins(0, 0, 0, 0);
}

QString CWindowTitle::ButtonStyleSheet(const QString& name) {
    return CRuntimeFiles::StyleSheet(
        QStringLiteral("QPushButton{border-image: url(./Resources/%1_normal.png);}"
                       "QPushButton:hover{border-image: url(./Resources/%1_hover.png);}"
                       "QPushButton:pressed{border-image: url(./Resources/%1_press.png);}"
                       "QPushButton:disabled{border-image: url(./Resources/%1_disable.png);}")
            .arg(name));
}

QPushButton* CWindowTitle::AddButton(const QString& name, const QString& accessibleName) {
    auto* button = new QPushButton(this);
    button->setObjectName(name + QStringLiteral("Btn"));
    // The button shows only a picture; screen readers need its name.
    button->setAccessibleName(accessibleName);
    button->setFixedSize(40, 32);
    button->setStyleSheet(ButtonStyleSheet(name));
    // Reached with Tab like every control, but never by a click, and never
    // the taker of the Enter key.
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, &CWindowTitle::OnBtnClicked);
    layout()->addWidget(button);
    return button;
}

void CWindowTitle::OnBtnClicked() {
    if (frameWindow == nullptr) return;
    const QObject* button = sender();
    if (button == minBtn) {
        frameWindow->setWindowState(Qt::WindowMinimized);
    } else if (button == maxBtn) {
        SetMaximized(true);
    } else if (button == restoreBtn) {
        SetMaximized(false);
    } else if (button == closeBtn) {
        // A window that may not close yet (an uninstall run asks first)
        // stays. Otherwise the program ends without leaving the event loop.
        if (!frameWindow->close()) return;
        std::fflush(nullptr);
        std::_Exit(0);
    } else if (button == menuBtn) {
        emit MainMenuRequested();
    }
}

void CWindowTitle::SetMaximized(bool on) {
    if (frameWindow == nullptr) return;
    // The keyboard focus goes over to the button that takes the place of
    // the one pressed.
    const bool keepFocus = maxBtn->hasFocus() || restoreBtn->hasFocus();
    if (on) {
        if (!FrameIsMaximizedOrFullScreen()) normalGeometry = frameWindow->geometry();
        // The geometry first: setting it on a maximised window would end
        // the maximised state again.
        if (const QScreen* screen = frameWindow->screen()) frameWindow->setGeometry(screen->availableGeometry());
        frameWindow->setWindowState(Qt::WindowMaximized);
        maxBtn->hide();
        restoreBtn->show();
        restoreBtn->setEnabled(true);
        if (keepFocus) restoreBtn->setFocus(Qt::TabFocusReason);
    } else {
        frameWindow->setWindowState(Qt::WindowNoState);
        if (normalGeometry.isValid()) frameWindow->setGeometry(normalGeometry);
        maxBtn->show();
        maxBtn->setEnabled(true);
        restoreBtn->hide();
        if (keepFocus) maxBtn->setFocus(Qt::TabFocusReason);
    }
}

void CWindowTitle::RestoreForDrag() {
    SetMaximized(false);
}

void CWindowTitle::SetTargetName(const QString& name) {
    QString shown = QDir::toNativeSeparators(name);
    const QString home = QDir::toNativeSeparators(QDir::homePath());
    if (!name.isEmpty() && (shown == home || shown.startsWith(home + QDir::separator())))
        shown = QStringLiteral("~") + shown.mid(home.size());
    targetLabel->SetFullText(shown.isEmpty() ? QString() : tr("Wine prefix %1").arg(shown));
    targetLabel->ensurePolished();
    targetLabel->setMaximumWidth(targetLabel->fontMetrics().horizontalAdvance(targetLabel->FullText()) + 8);
    targetLabel->setAccessibleName(targetLabel->FullText());
}

void CWindowTitle::ShowPrefixButton(bool on) {
    prefixBtn->setVisible(on);
}

void CWindowTitle::mouseDoubleClickEvent(QMouseEvent*) {
    if (frameWindow == nullptr) return;
    SetMaximized(!FrameIsMaximizedOrFullScreen());
}
