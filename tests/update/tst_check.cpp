// The update check end to end against real servers on 127.0.0.1: HTTPS with
// a certificate made for the test and trusted through the updater's CA
// list, plain HTTP for the description, a closed port and a server that
// never answers. Driven through the main menu's "Check Update" entry.
#include <QLabel>
#include <QPushButton>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTextBrowser>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "app/MSGDlg.h"
#include "app/WindowDlgTitle.h"
#include "include/MsgIds.h"
#include "shell/CommonMenu.h"
#include "tests/fake/RecordingHostServices.h"
#include "tests/shell/TestSettingsFiles.h"
#include "update/CheckUpdate.h"
#include "update/Fenwright.h"
#include "update/FenwrightUpdater.h"
#include "update/UpdateRstDlg.h"
#include "widgetlib/BPNotifyCentor.h"

namespace {

constexpr int kTimeLimitMs = 1500;

// What the result dialog showed.
struct Seen {
    int page = CUpdateRstDlg::PageNone;
    QString heading;
    QString message;
    QString description;
    bool checkSeen = false; // a fast outcome may close it before a look
    bool checkStayedOpen = true;
    bool checkCloseDisabled = false;
    qint64 elapsedMs = 0;
};

template <class T> T* VisibleDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<T*>(widget); dialog != nullptr && dialog->isVisible()) return dialog;
    return nullptr;
}

int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort(); // closed again when it goes
}

} // namespace

class UpdateTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void versionWords_data();
    void versionWords();
    void outcomes_data();
    void outcomes();
    void secondCheckOverwritesTheDescription();
    void updateButtonOpensDownloadPageAndClosesDialogs();
    void keysCloseTheResult_data();
    void keysCloseTheResult();

private:
    void WriteServerFile(const QByteArray& content);
    void Configure(const QString& secure, const QString& plain);
    QString Host(const QString& kind) const;
    // Runs "Check Update" and answers its dialogs: Escape and close on the
    // check dialog (ignored), then reads the result page; `onResult` may act
    // on it, otherwise it is closed with MSG_CLOSE_DLG.
    // `poke`: only while the check surely runs (a silent server), since a
    // close message still queued when it ends would reach the result dialog.
    Seen RunCheck(bool poke = false, const std::function<void(CUpdateRstDlg*)>& onResult = {});

    QTemporaryDir work;
    std::unique_ptr<QProcess> server;
    int httpsPort = 0;
    int httpPort = 0;
    int silentPort = 0;
    std::unique_ptr<RecordingHostServices> host;
};

void UpdateTest::initTestCase() {
    QVERIFY(work.isValid());
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (openssl.isEmpty() || python.isEmpty()) QSKIP("openssl and python3 are needed for the test servers");

    const QString cert = work.filePath(QStringLiteral("cert.pem"));
    const QString key = work.filePath(QStringLiteral("key.pem"));
    QProcess make;
    make.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    make.start(openssl,
               {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert, QStringLiteral("-days"),
                QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1")});
    QVERIFY(make.waitForFinished(30000));
    QCOMPARE(make.exitCode(), 0);
    const QList<QSslCertificate> trusted = QSslCertificate::fromPath(cert);
    QCOMPARE(trusted.size(), 1);
    SetFenwrightCaCertificates(trusted);
    SetFenwrightTimeLimit(kTimeLimitMs);

    QVERIFY(QDir().mkpath(work.filePath(QStringLiteral("www/update"))));
    server = std::make_unique<QProcess>();
    server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server->start(python,
                  {QStringLiteral(TOLVANIRE_UPDATE_SERVER), QStringLiteral("--dir"),
                   work.filePath(QStringLiteral("www")), QStringLiteral("--cert"), cert, QStringLiteral("--key"), key});
    QVERIFY(server->waitForStarted(10000));
    QVERIFY(server->waitForReadyRead(20000));
    const QString ports = QString::fromLatin1(server->readLine()).trimmed();
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^https=(\\d+) http=(\\d+) silent=(\\d+)$")).match(ports);
    QVERIFY2(match.hasMatch(), qPrintable(ports));
    httpsPort = match.captured(1).toInt();
    httpPort = match.captured(2).toInt();
    silentPort = match.captured(3).toInt();
}

void UpdateTest::cleanupTestCase() {
    if (server) {
        server->closeWriteChannel();
        if (!server->waitForFinished(5000)) server->kill();
        server->waitForFinished(5000);
    }
    TestSettingsFiles::Clear();
}

void UpdateTest::init() {
    host = std::make_unique<RecordingHostServices>();
    QFile::remove(CUpdateRstDlg::DescriptionFilePath());
}

void UpdateTest::cleanup() {
    host.reset();
    QFile::remove(CUpdateRstDlg::DescriptionFilePath());
    TestSettingsFiles::Clear();
}

void UpdateTest::WriteServerFile(const QByteArray& content) {
    const QString path = work.filePath(QStringLiteral("www/update/winUnintaller.ini"));
    QFile::remove(path);
    if (content.isNull()) return;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QString UpdateTest::Host(const QString& kind) const {
    if (kind == QLatin1String("https")) return QStringLiteral("127.0.0.1:%1").arg(httpsPort);
    if (kind == QLatin1String("http")) return QStringLiteral("127.0.0.1:%1").arg(httpPort);
    if (kind == QLatin1String("silent")) return QStringLiteral("127.0.0.1:%1").arg(silentPort);
    if (kind == QLatin1String("down")) return QStringLiteral("127.0.0.1:%1").arg(FreePort());
    return QString();
}

void UpdateTest::Configure(const QString& secure, const QString& plain) {
    QByteArray ini = "[Update]\n";
    if (!Host(secure).isEmpty()) ini += "ID_UPDATE_HOST=" + Host(secure).toLatin1() + "\n";
    if (!Host(plain).isEmpty()) ini += "ID_UPDATE_PLAIN_HOST=" + Host(plain).toLatin1() + "\n";
    ini += "ID_WEB_HOST=www.example.test\n";
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), ini);
}

Seen UpdateTest::RunCheck(bool poke, const std::function<void(CUpdateRstDlg*)>& onResult) {
    Seen seen;
    bool pokedCheck = false;
    bool answered = false;
    QElapsedTimer clock;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&]() {
        if (CheckUpdate* check = VisibleDialog<CheckUpdate>(); check != nullptr && !pokedCheck) {
            pokedCheck = true;
            seen.checkSeen = true;
            seen.checkCloseDisabled = !check->TitleBar()->CloseButton()->isEnabled();
            if (!poke) return;
            QTest::keyClick(check, Qt::Key_Escape);
            check->close();
            CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
            QCoreApplication::processEvents();
            seen.checkStayedOpen = check->isVisible() || !check->IsChecking();
        }
        CUpdateRstDlg* result = VisibleDialog<CUpdateRstDlg>();
        if (result == nullptr || answered) return;
        if (result->CurrentPage() == CUpdateRstDlg::PageFetching || result->CurrentPage() == CUpdateRstDlg::PageNone)
            return;
        answered = true;
        seen.elapsedMs = clock.elapsed();
        seen.page = result->CurrentPage();
        seen.heading = result->HeadingLabel() ? result->HeadingLabel()->text() : QString();
        seen.message = result->MessageLabel() ? result->MessageLabel()->text() : QString();
        seen.description = result->DescriptionBrowser() ? result->DescriptionBrowser()->toPlainText() : QString();
        if (onResult)
            onResult(result);
        else
            CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
    });
    // Never wait for ever, whatever goes wrong.
    QTimer rescue;
    connect(&rescue, &QTimer::timeout, this,
            []() { CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0); });
    rescue.start(30000);
    poll.start();
    clock.start();
    CCommonMenu menu(nullptr);
    menu.OnOptionMenuTriggered(menu.Action(CCommonMenu::IdCheckUpdate));
    return seen;
}

void UpdateTest::versionWords_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<uint>("ms");
    QTest::addColumn<uint>("ls");
    QTest::newRow("two numbers") << QByteArray("3.2") << true << 0x30002u << 0u;
    QTest::newRow("three numbers") << QByteArray("3.3.1") << true << 0x30003u << 0x10000u;
    QTest::newRow("four numbers") << QByteArray("10.0.2.7") << true << 0xA0000u << 0x20007u;
    QTest::newRow("one number") << QByteArray("3") << false << 0u << 0u;
    QTest::newRow("over 65535") << QByteArray("3.70000") << false << 0u << 0u;
    QTest::newRow("letters") << QByteArray("3.2b") << false << 0u << 0u;
    QTest::newRow("sign") << QByteArray("3.-2") << false << 0u << 0u;
    QTest::newRow("empty") << QByteArray() << false << 0u << 0u;
}

void UpdateTest::versionWords() {
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(uint, ms);
    QFETCH(uint, ls);
    uint32_t gotMS = 0;
    uint32_t gotLS = 0;
    QCOMPARE(CFenwrightUpdater::ParseVersion(text, &gotMS, &gotLS), ok);
    if (ok) {
        QCOMPARE(gotMS, ms);
        QCOMPARE(gotLS, ls);
    }
}

void UpdateTest::outcomes_data() {
    QTest::addColumn<QByteArray>("serverFile");
    QTest::addColumn<QString>("secure");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("description");

    const QByteArray newer = "[VERSION]\r\nVersion=3.3.0\r\nDescription=Faster scans and a cleaner list.\r\n";
    const QString newText = QStringLiteral("A new version has been released, do you want to update now?");
    QTest::newRow("up to date") << QByteArray("[VERSION]\nVersion=3.2.0\nDescription=Same\n") << "https"
                                << "http" << int(CUpdateRstDlg::PageUpToDate) << "Congratulations!"
                                << CheckUpdate::UpToDateText() << QString();
    QTest::newRow("an older version announced is no update")
        << QByteArray("[VERSION]\nVersion=3.1\n") << "https"
        << "http" << int(CUpdateRstDlg::PageUpToDate) << "Congratulations!" << CheckUpdate::UpToDateText() << QString();
    QTest::newRow("newer, with its description") << newer << "https"
                                                 << "http" << int(CUpdateRstDlg::PageNewVersionDetails) << QString()
                                                 << QString() << "Faster scans and a cleaner list.";
    QTest::newRow("newer, description over 259 bytes is cut")
        << QByteArray("[VERSION]\nVersion=4.0\nDescription=" + QByteArray(300, 'd') + "\n") << "https"
        << "http" << int(CUpdateRstDlg::PageNewVersionDetails) << QString() << QString()
        << QString(259, QLatin1Char('d'));
    QTest::newRow("newer, no description key")
        << QByteArray("[VERSION]\nVersion=4.0\n") << "https"
        << "http" << int(CUpdateRstDlg::PageNewVersionDetails) << QString() << QString() << QString();
    QTest::newRow("newer, plain server down")
        << newer << "https"
        << "down" << int(CUpdateRstDlg::PageNewVersionPlain) << "Congratulations!" << newText << QString();
    QTest::newRow("newer, plain server silent")
        << newer << "https"
        << "silent" << int(CUpdateRstDlg::PageNewVersionPlain) << "Congratulations!" << newText << QString();
    QTest::newRow("update server down") << newer << "down"
                                        << "http" << int(CUpdateRstDlg::PageFailed) << "Update Failed!"
                                        << CheckUpdate::FailureText() << QString();
    QTest::newRow("update server silent")
        << newer << "silent"
        << "http" << int(CUpdateRstDlg::PageFailed) << "Update Failed!" << CheckUpdate::FailureText() << QString();
    QTest::newRow("plain HTTP where HTTPS is expected")
        << newer << "http"
        << "http" << int(CUpdateRstDlg::PageFailed) << "Update Failed!" << CheckUpdate::FailureText() << QString();
    QTest::newRow("file missing on the server")
        << QByteArray() << "https"
        << "http" << int(CUpdateRstDlg::PageFailed) << "Update Failed!" << CheckUpdate::FailureText() << QString();
    QTest::newRow("file without a version")
        << QByteArray("[VERSION]\nDescription=x\n") << "https"
        << "http" << int(CUpdateRstDlg::PageFailed) << "Update Failed!" << CheckUpdate::FailureText() << QString();
    // Nothing was checked: never "Congratulations!", and no waiting.
    QTest::newRow("no update server set up") << newer << "none"
                                             << "http" << int(CUpdateRstDlg::PageNotSetUp) << "Update Check Not Set Up"
                                             << CUpdateRstDlg::NotSetUpText() << QString();
}

void UpdateTest::outcomes() {
    QFETCH(QByteArray, serverFile);
    QFETCH(QString, secure);
    QFETCH(QString, plain);
    QFETCH(int, page);
    QFETCH(QString, heading);
    QFETCH(QString, message);
    QFETCH(QString, description);
    WriteServerFile(serverFile);
    Configure(secure, plain);

    const Seen seen = RunCheck(secure == QLatin1String("silent"));

    QVERIFY(seen.checkSeen || secure != QLatin1String("silent"));
    if (secure == QLatin1String("none")) QVERIFY(!seen.checkSeen);
    if (seen.checkSeen) QVERIFY(seen.checkCloseDisabled);
    QVERIFY2(seen.checkStayedOpen, "Escape, close or MSG_CLOSE_DLG ended the check early");
    QCOMPARE(seen.page, page);
    if (page != CUpdateRstDlg::PageNewVersionDetails) {
        QCOMPARE(seen.heading, heading);
        QCOMPARE(seen.message, message);
    } else {
        QVERIFY(seen.heading.contains(QStringLiteral("A new version of Tolvanire Uninstaller  is available!")));
        QCOMPARE(seen.description, description);
    }
    // A silent server costs the time limit, once per fetch, never more.
    QVERIFY2(seen.elapsedMs < 2 * kTimeLimitMs + 3000, qPrintable(QString::number(seen.elapsedMs)));

    // The description file is written only when it was fetched.
    QFile stored(CUpdateRstDlg::DescriptionFilePath());
    if (page == CUpdateRstDlg::PageNewVersionDetails) {
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), serverFile);
    } else {
        QVERIFY(!stored.exists());
    }
    QCOMPARE(host->openedUrls, QStringList());
}

void UpdateTest::secondCheckOverwritesTheDescription() {
    Configure(QStringLiteral("https"), QStringLiteral("http"));
    WriteServerFile("[VERSION]\nVersion=3.3\nDescription=First notes, a little longer than the second.\n");
    QCOMPARE(RunCheck().description, QStringLiteral("First notes, a little longer than the second."));
    const QByteArray second = "[VERSION]\nVersion=3.4\nDescription=Second notes.\n";
    WriteServerFile(second);
    QCOMPARE(RunCheck().description, QStringLiteral("Second notes."));
    QFile stored(CUpdateRstDlg::DescriptionFilePath());
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), second);
}

void UpdateTest::updateButtonOpensDownloadPageAndClosesDialogs() {
    Configure(QStringLiteral("https"), QStringLiteral("http"));
    WriteServerFile("[VERSION]\nVersion=3.3\nDescription=Notes.\n");
    // Another dialog that listens to MSG_CLOSE_DLG closes with it.
    CMSGDlg other(434, 240);
    other.SetContent(CMSGDlg::MsgKindInfo, QStringLiteral("Another dialog"), CMSGDlg::BtnModeOK);
    bool otherOpenBefore = false;
    const Seen seen = RunCheck(false, [&](CUpdateRstDlg* result) {
        other.show();
        otherOpenBefore = other.isVisible();
        QTest::mouseClick(result->UpdateButton(), Qt::LeftButton);
    });
    QVERIFY(otherOpenBefore);
    QTRY_VERIFY(!other.isVisible());
    QCOMPARE(seen.page, int(CUpdateRstDlg::PageNewVersionDetails));
    QCOMPARE(host->openedUrls,
             QStringList{QStringLiteral("https://www.example.test/download/update-uninstaller-for-windows.html")});
    QVERIFY(VisibleDialog<CUpdateRstDlg>() == nullptr);
}

// Enter and Escape close every result page; on the new-version page Enter
// is the update button (the download page opens), Escape is cancel.
void UpdateTest::keysCloseTheResult_data() {
    QTest::addColumn<QString>("secure");
    QTest::addColumn<QByteArray>("serverFile");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("opensDownload");
    const QByteArray same = "[VERSION]\nVersion=3.2\n";
    const QByteArray newer = "[VERSION]\nVersion=3.3\nDescription=Notes.\n";
    QTest::newRow("up to date, Enter") << "https" << same << int(Qt::Key_Return) << int(CUpdateRstDlg::PageUpToDate)
                                       << false;
    QTest::newRow("up to date, Escape") << "https" << same << int(Qt::Key_Escape) << int(CUpdateRstDlg::PageUpToDate)
                                        << false;
    QTest::newRow("failed, Enter") << "down" << same << int(Qt::Key_Enter) << int(CUpdateRstDlg::PageFailed) << false;
    QTest::newRow("not set up, Enter") << "none" << same << int(Qt::Key_Return) << int(CUpdateRstDlg::PageNotSetUp)
                                       << false;
    QTest::newRow("newer, Enter") << "https" << newer << int(Qt::Key_Return)
                                  << int(CUpdateRstDlg::PageNewVersionDetails) << true;
    QTest::newRow("newer, Escape") << "https" << newer << int(Qt::Key_Escape)
                                   << int(CUpdateRstDlg::PageNewVersionDetails) << false;
}

void UpdateTest::keysCloseTheResult() {
    QFETCH(QString, secure);
    QFETCH(QByteArray, serverFile);
    QFETCH(int, key);
    QFETCH(int, page);
    QFETCH(bool, opensDownload);
    Configure(secure, QStringLiteral("http"));
    WriteServerFile(serverFile);
    bool closedByKey = false;
    const Seen seen = RunCheck(false, [&](CUpdateRstDlg* result) {
        result->activateWindow();
        // A page's buttons show a moment after the page is built (queued by
        // their layout); Enter goes to the default one once it shows.
        const bool buttonsShown = QTest::qWaitFor(
            [result]() {
                const QList<QPushButton*> buttons = result->findChildren<QPushButton*>();
                return std::all_of(buttons.begin(), buttons.end(), [](const QPushButton* b) {
                    return !b->isDefault() || b->isVisible() || b->testAttribute(Qt::WA_WState_ExplicitShowHide);
                });
            },
            3000);
        QVERIFY(buttonsShown);
        QTest::keyClick(result, Qt::Key(key));
        // The buttons close the dialog by message, which arrives a moment later.
        closedByKey = QTest::qWaitFor([result]() { return !result->isVisible(); }, 3000);
        if (!closedByKey) CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
    });
    QCOMPARE(seen.page, page);
    QVERIFY(closedByKey);
    QCOMPARE(!host->openedUrls.isEmpty(), opensDownload);
}

QTEST_MAIN(UpdateTest)
#include "tst_check.moc"
