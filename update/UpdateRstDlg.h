#pragma once

#include <QString>

#include "app/BaseDialog.h"

class CDescriptionFetch;
class QBoxLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTextBrowser;
class QVBoxLayout;

// Shows the outcome of an update check: failed, up to date, not set up (no
// updater: nothing was checked), or a newer version, with its description
// when the description file can be fetched
// (the page then waits for the fetch, which never blocks the window).
// The update button opens the download page; update and cancel send
// MSG_CLOSE_DLG, on which every dialog listening closes. Enter and Escape
// close it too.
class CUpdateRstDlg : public CBaseDialog {
    Q_OBJECT
public:
    enum Page {
        PageNone,
        PageFetching,
        PageFailed,
        PageUpToDate,
        PageNewVersionPlain,
        PageNewVersionDetails,
        PageNotSetUp
    };

    CUpdateRstDlg(int width, int height, QWidget* parent);

    void ShowResult(QString text, int failed, int newVersion);

    int ReceiveMsg(__MsgData msg) override;

    Page CurrentPage() const { return shownPage; }
    QLabel* IconLabel() const { return icon; }
    QLabel* HeadingLabel() const { return heading; }
    QLabel* MessageLabel() const { return message; }
    QTextBrowser* DescriptionBrowser() const { return browser; }
    QPushButton* UpdateButton() const { return updateBtn; }
    QPushButton* CancelButton() const { return cancelBtn; }

    // Where the description file is stored: "Upgrade.ini" in the
    // application's folder (installed on Linux, in the user's cache folder).
    static QString DescriptionFilePath();

    static QString NotSetUpText();

signals:
    // The page for the outcome is complete (after the fetch, for a newer version).
    void PageShown();

public slots:
    void UpdateClicked();
    void CancelClicked();

private:
    void OnDescriptionFetched(bool ok, const QString& description);
    void BuildPlainResult(QHBoxLayout* row, const QString& text, Page page);
    void BuildNewVersionPlain(QVBoxLayout* column);
    void BuildNewVersionDetails(QVBoxLayout* column, const QString& description);
    void CreateButtons(bool withCancelText);
    void SetPage(Page page);

    int boxWidth = 0;
    int boxHeight = 0;
    Page shownPage = PageNone;
    QVBoxLayout* pageColumn = nullptr;
    QLabel* waiting = nullptr;
    CDescriptionFetch* fetch = nullptr;
    QLabel* icon = nullptr;
    QLabel* heading = nullptr;
    QLabel* message = nullptr;
    QTextBrowser* browser = nullptr;
    QPushButton* updateBtn = nullptr;
    QPushButton* cancelBtn = nullptr;
};
