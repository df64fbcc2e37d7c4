#include "gui/mainwindow/VersionCheck.h"

#include "gui/frame/ShellOperations.h"
#include "gui/widgets/MessageBox.h"

#include <QHash>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>

// A tiny web server on 127.0.0.1 that serves fixed bodies by path and
// answers 404 for everything else.
class CLocalWebServer final : public QObject
{
public:
    CLocalWebServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Answer(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    bool Listen() { return m_server.listen(QHostAddress::LocalHost); }
    void Serve(const QString& path, const QByteArray& body) { m_bodies.insert(path, body); }
    QUrl Url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

private:
    void Answer(QTcpSocket* socket)
    {
        QByteArray& request = m_requests[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n")) {
            return;
        }
        const QString path = QString::fromLatin1(request.split(' ').value(1));
        m_requests.remove(socket);
        const bool found = m_bodies.contains(path);
        const QByteArray body = found ? m_bodies.value(path) : QByteArray("not here");
        socket->write((found ? QByteArray("HTTP/1.1 200 OK\r\n") : QByteArray("HTTP/1.1 404 Not Found\r\n")) +
                      "Content-Type: text/plain\r\nConnection: close\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QString, QByteArray> m_bodies;
    QHash<QTcpSocket*, QByteArray> m_requests;
};

class VersionCheckTest : public QObject
{
    Q_OBJECT

private:
    CLocalWebServer m_web;
    QStringList m_opened;
    const QString m_download = QStringLiteral("https://download.example/wendlock.html");

    bool Check(const QString& path)
    {
        return CVersionCheck::CheckNewVersion(nullptr, m_web.Url(path), QStringLiteral("2.4"), m_download);
    }

    static QString Offer(const QString& newest)
    {
        return QStringLiteral(
                   "Current version is 2.4, newest version is %1. Do you want to download the newest "
                   "version?")
            .arg(newest);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        CMessageBox::SetTestMode(true);
        QVERIFY(m_web.Listen());
        m_web.Serve(QStringLiteral("/same.ini"),
                    "[Version]\r\nVersion=2.4\r\n[URL]\r\nURL=https://get.example/\r\n");
        m_web.Serve(QStringLiteral("/newer.ini"),
                    "[Version]\nVersion=2.5\n[URL]\nURL=https://get.example/a,b.html\n");
        m_web.Serve(QStringLiteral("/ten.ini"), "[Version]\nVersion=10.0\n");
        m_web.Serve(QStringLiteral("/three.ini"), "[Version]\nVersion=3\n");
        m_web.Serve(QStringLiteral("/html.ini"), "<html><body>Moved</body></html>");
        CShellOperations::SetRecorderForTests([this](const QString& action, const QString& target) {
            m_opened.append(action + QLatin1Char(' ') + target);
        });
    }

    void cleanupTestCase() { CShellOperations::SetRecorderForTests({}); }

    void init()
    {
        m_opened.clear();
        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({});
    }

    void sameVersion_noNewVersion()
    {
        QVERIFY(Check(QStringLiteral("/same.ini")));
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("No new version is released.")});
        QVERIFY(m_opened.isEmpty());
    }

    void newerVersion_asks_yesOpensItsUrl()
    {
        CMessageBox::SetNextAnswers({QMessageBox::Yes});
        QVERIFY(Check(QStringLiteral("/newer.ini")));
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{Offer(QStringLiteral("2.5"))});
        QCOMPARE(m_opened, QStringList{QStringLiteral("url https://get.example/a,b.html")});
    }

    void noAndCancel_openNothing()
    {
        CMessageBox::SetNextAnswers({QMessageBox::No, QMessageBox::Cancel});
        QVERIFY(Check(QStringLiteral("/newer.ini")));
        QVERIFY(Check(QStringLiteral("/newer.ini")));
        QCOMPARE(CMessageBox::ShownTexts().size(), 2);
        QVERIFY(m_opened.isEmpty());
    }

    void comparisonIsTextual()
    {
        QVERIFY(Check(QStringLiteral("/ten.ini")));
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("No new version is released.")});
        CMessageBox::ClearShownTexts();
        CMessageBox::SetNextAnswers({QMessageBox::Yes});
        QVERIFY(Check(QStringLiteral("/three.ini")));
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{Offer(QStringLiteral("3"))});
        // Without a URL section, the built-in download page.
        QCOMPARE(m_opened, QStringList{QStringLiteral("url ") + m_download});
        QVERIFY(!CVersionCheck::IsNewer(QStringLiteral("10.0"), QStringLiteral("2.4")));
        QVERIFY(CVersionCheck::IsNewer(QStringLiteral("2.4.1"), QStringLiteral("2.4")));
    }

    void notAnIniFile_countsAsVersionOne()
    {
        QVERIFY(Check(QStringLiteral("/html.ini")));
        QCOMPARE(CMessageBox::ShownTexts(), QStringList{QStringLiteral("No new version is released.")});
    }

    void failedDownload_saysCheckYourNetwork()
    {
        QVERIFY(!Check(QStringLiteral("/missing.ini")));
        QVERIFY(!CVersionCheck::CheckNewVersion(nullptr,
                                                QUrl(QStringLiteral("http://127.0.0.1:1/version.ini")),
                                                QStringLiteral("2.4"), m_download));
        QCOMPARE(
            CMessageBox::ShownTexts(),
            QStringList(2, QStringLiteral("Check new version failure! Please check your network connect.")));
        QVERIFY(m_opened.isEmpty());
    }
};

QTEST_MAIN(VersionCheckTest)
#include "VersionCheckTest.moc"
