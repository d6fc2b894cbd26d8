#pragma once

#include "EngineFixture.h"
#include "core/collection/uMsnHeadManager.h"
#include "ui/online/uOnlineImage.h"

#include <QByteArray>
#include <QProcess>
#include <QTcpServer>
#include <QVariant>
#include <memory>
#include <string>
#include <vector>

namespace tw::test {

// A loopback HTTP server with one canned reply, which notes every request line it gets.
class CannedHttpServer : public QObject {
public:
    struct Reply {
        int Status = 200;
        QByteArray Body;
        // Without a length the body simply runs until the connection closes.
        bool SendLength = true;
        // False: the request is read and never answered.
        bool Respond = true;
    };

    CannedHttpServer();
    quint16 Port() const { return server_.serverPort(); }
    QString Address(const QString& path) const;

    Reply Answer;
    // Request lines, and the header lines after each.
    std::vector<QByteArray> Requests;
    std::vector<QByteArray> Headers;

private:
    QTcpServer server_;
};

// An engine window and collection manager over temporary folders, the result page's files in
// the program folder, the search pointed at a loopback service, and the online search window.
class OnlineWindowFixture : public EngineFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Points "URL.SearchURL" at `searchUrl` (settings made anew; call before Window()).
    void UseSearchUrl(const std::string& searchUrl);
    // Starts tilewick-service over a folder holding a picture under each of `names` (the
    // sample picture of that name where there is one) and points the search at it.
    void StartService(const std::vector<std::string>& names);

    // The window, made at first call.
    TfrmOnlineImage& Window();
    // Uses the window that ShowOnlineSearch shows, which the engine window owns.
    TfrmOnlineImage& ShowManagersWindow();
    // Types `keyword` and clicks Search; true once the result page has been shown.
    bool SearchFor(const QString& keyword);
    // Waits until the browser has shown another page than the `seen`-th.
    bool WaitForPage(int seen);
    // Runs `script` in the test's own script world of the page and gives its value.
    QVariant Js(const QString& script);
    // Follows `address` from inside the page, as a link of the page would.
    void FollowFromPage(const QString& address);

    std::unique_ptr<TMsnHeadManager> Manager;
    int PagesShown = 0;

private:
    void Track(TfrmOnlineImage& window);

    std::unique_ptr<QProcess> service_;
    std::unique_ptr<TfrmOnlineImage> ownWindow_;
    TfrmOnlineImage* window_ = nullptr;
};

// Waits while processing events until `done` holds or about `ms` milliseconds passed.
template <typename Predicate> bool WaitFor(Predicate done, int ms = 20000);

} // namespace tw::test

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

template <typename Predicate> bool tw::test::WaitFor(Predicate done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}
