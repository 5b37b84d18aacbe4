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

// Shows the outcome of an update check: failed, up to date, or a newer
// version, with its description when the description file can be fetched
// (the page then waits for the fetch, which never blocks the window).
// The update button opens the download page; update and cancel send
// MSG_CLOSE_DLG, on which every dialog listening closes.
class CUpdateRstDlg : public CBaseDialog {
    Q_OBJECT
public:
    enum Page { PageNone, PageFetching, PageFailed, PageUpToDate, PageNewVersionPlain, PageNewVersionDetails };

    CUpdateRstDlg(int width, int height, QWidget* parent);

    void ShowResult(QString text, int failed, int newVersion);

    int ReceiveMsg(__MsgData msg) override;

    Page CurrentPage() const { return m_page; }
    QLabel* IconLabel() const { return m_icon; }
    QLabel* HeadingLabel() const { return m_heading; }
    QLabel* MessageLabel() const { return m_message; }
    QTextBrowser* DescriptionBrowser() const { return m_browser; }
    QPushButton* UpdateButton() const { return m_updateBtn; }
    QPushButton* CancelButton() const { return m_cancelBtn; }

    // Where the description file is stored: "Upgrade.ini" in the
    // application's folder.
    static QString DescriptionFilePath();

signals:
    // The page for the outcome is complete (after the fetch, for a newer version).
    void PageShown();

public slots:
    void UpdateClicked();
    void CancelClicked();

private:
    void OnDescriptionFetched(bool ok, const QString& description);
    void BuildPlainResult(QHBoxLayout* row, const QString& text, bool success);
    void BuildNewVersionPlain(QVBoxLayout* column);
    void BuildNewVersionDetails(QVBoxLayout* column, const QString& description);
    void CreateButtons(bool withCancelText);
    void SetPage(Page page);

    int m_width = 0;
    int m_height = 0;
    Page m_page = PageNone;
    QVBoxLayout* m_column = nullptr;
    QLabel* m_waiting = nullptr;
    CDescriptionFetch* m_fetch = nullptr;
    QLabel* m_icon = nullptr;
    QLabel* m_heading = nullptr;
    QLabel* m_message = nullptr;
    QTextBrowser* m_browser = nullptr;
    QPushButton* m_updateBtn = nullptr;
    QPushButton* m_cancelBtn = nullptr;
};
