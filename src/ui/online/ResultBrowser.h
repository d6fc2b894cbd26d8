#pragma once

#include <QString>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <string>

// The embedded browser of the online search. It shows only the result page the program builds,
// loaded from memory: no scripts, no context menu, no drag and drop, no new windows, no reload
// or history steps. The page's own "vkt:" links are handed to the program instead of being
// followed.
namespace tw {

// The program's link scheme, "vkt". Registered before the application object exists, so that
// its links reach the page's navigation check instead of failing as unknown.
void RegisterProgramScheme();

class TResultPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit TResultPage(QObject* parent = nullptr);

signals:
    // A "vkt:" link was followed; `address` as the page wrote it. Queued, so the receiver
    // runs outside the browser's navigation.
    void ProgramLink(const QString& address);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};

class TResultBrowser : public QWebEngineView {
    Q_OBJECT
public:
    explicit TResultBrowser(QWidget* parent = nullptr);

    // Shows `html`, whose relative addresses are taken from `baseFolder`.
    void ShowPage(const std::string& html, const QString& baseFolder);

    TResultPage& ResultPage() const { return *page_; }

protected:
    // Drops F5 and Backspace on the way to the page, and watches for the widget that the
    // page's content arrives in.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TResultPage* page_; // a child of the view, which deletes it
};

} // namespace tw
