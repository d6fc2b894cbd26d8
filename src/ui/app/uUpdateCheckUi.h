#pragma once

#include "core/online/uUpdateCheck.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

class QNetworkReply;

// The engine window's side of the update check and the named web pages: the HTTP request,
// the message boxes of a finished check and opening pages in the user's browser.
namespace tw {

class TEngineServices;

// Opens an address or a local file in a browser; false when none could be started.
using TUrlOpener = std::function<bool(const std::string& url)>;

class TUpdateCheckUi : public QObject, private IUpdatePrompts {
    Q_OBJECT
public:
    TUpdateCheckUi(TEngineServices& engine, TUpdateCheck check);
    ~TUpdateCheckUi() override;

    // Starts a check unless one is running (a manual request then makes the running one
    // report as manual). Returns at once; the reply is handled when it arrives.
    void CheckForUpdate(bool manual);
    // The check at the main window's first showing; reports only when the settings allow.
    void StartupUpdateCheck();

    // Opens `url` in the browser; tells the user when that is not possible.
    void OpenURL(const std::string& url) override;
    // Opens the address of a named page ("help", "home") with the common query.
    void OpenNamedPage(const std::string& pageName);

    bool Checking() const { return Check.Checking(); }
    const TUpdateCheck& Logic() const { return Check; }

    // Replaces how pages are opened; an empty function restores the browser.
    void SetUrlOpener(TUrlOpener opener);

private:
    void StartRequest(const std::string& url);
    void iedNetConnectionComplete();

    // IUpdatePrompts
    void ShowLatestVersion() override;
    bool ConfirmNewVersion(const std::string& info) override;
    bool KeepAutoCheck() override;
    void ShowConnectFailed() override;

    TEngineServices& Engine;
    TUpdateCheck Check;
    TUrlOpener Opener;
    QNetworkAccessManager iedNetConnection;
    QPointer<QNetworkReply> Pending;
};

} // namespace tw
