// Screenshots of the program page on a real prefix (not a test):
//   page_screens --prefix DIR --out DIR
// Run in bin/ under an X server (Xvfb). Saves page.png, hover.png (a row
// under the mouse with its "Details" link), sortmenu.png, search.png and
// tooltip.png.
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "pages/DetailToolTip.h"
#include "pages/EnumProgramPage.h"
#include "pages/FileTreeItemDelegate.h"
#include "pages/ProgramCell.h"
#include "pages/ProgramIconLoader.h"
#include "pages/SearchEdit.h"
#include "platform/Platform.h"
#include "shell/MainWin.h"
#include "shell/RightContent.h"
#include "shell/RightTab.h"
#include "tests/pages/ScreenShot.h"

namespace {

QString outDir;

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string prefix;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--prefix")) prefix = args[i + 1].toStdString();
        if (args[i] == QLatin1String("--out")) outDir = args[i + 1];
    }
    QFile style(QStringLiteral("./QSS/WU.qss"));
    if (style.open(QIODevice::ReadOnly)) app.setStyleSheet(QString::fromUtf8(style.readAll()));
    QFont::insertSubstitutions(QStringLiteral("Segoe UI"), {QStringLiteral("Open Sans"), QStringLiteral("Noto Sans")});
    app.setFont(QFont(QStringLiteral("Segoe UI")));

    platform::PlatformOptions options;
    options.winePrefix = prefix;
    CMainWin window([options](std::string* error) { return platform::CreatePlatform(options, error); });
    if (!window.StartupError().isEmpty()) {
        qWarning("%s", qPrintable(window.StartupError()));
        return 1;
    }
    window.setWindowTitle(QStringLiteral("Tolvanire Uninstaller"));
    window.move(20, 20);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    CEnumProgramPage* page = window.RightContent()->Tab()->ProgramPage();
    for (int i = 0; i < 3000 && page->IconLoader()->IsBusy(); ++i)
        QTest::qWait(10);
    QTreeWidget* tree = page->Tree();
    if (tree->topLevelItemCount() > 1) {
        qobject_cast<ProgramCell*>(tree->itemWidget(tree->topLevelItem(1), 1))->CheckBox()->click();
    }
    Shot(outDir, QStringLiteral("page.png"));

    if (tree->topLevelItemCount() > 0) {
        QTreeWidgetItem* item = tree->topLevelItem(0);
        const QRect row = tree->visualItemRect(item);
        const QRect cell(tree->header()->sectionViewportPosition(1), row.top(), tree->columnWidth(1), row.height());
        const QPoint inside = QPoint(cell.left() + 300, row.center().y());
        QCursor::setPos(tree->viewport()->mapToGlobal(inside));
        QTest::mouseMove(tree->viewport(), inside);
        Shot(outDir, QStringLiteral("hover.png"));

        const QPoint link = CFileTreeItemDelegate::DetailsLinkRect(cell).center();
        QCursor::setPos(tree->viewport()->mapToGlobal(link));
        QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, link);
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, Qt::NoModifier, link);
        Shot(outDir, QStringLiteral("tooltip.png"));
        page->ToolTip()->hide();
    }

    QTimer::singleShot(400, [page]() {
        Shot(outDir, QStringLiteral("sortmenu.png"));
        page->SortMenu()->close();
    });
    page->SortButton()->click();

    page->SearchBox()->LineEdit()->setText(QStringLiteral("FIXT"));
    Shot(outDir, QStringLiteral("search.png"));
    return 0;
}
