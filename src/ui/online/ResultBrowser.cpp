#include "ui/online/ResultBrowser.h"

#include "core/online/uOnlineSearch.h"
#include "platform/FloatingPoint.h"

#include <QEvent>
#include <QKeyEvent>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

namespace tw {
namespace {

constexpr char ProgramScheme[] = "vkt";

// The least the result page needs: pictures from the web and its own style and pictures from
// the program folder. Nothing else that a page could use is switched on.
void RestrictSettings(QWebEngineSettings& settings) {
    using S = QWebEngineSettings;
    for (const S::WebAttribute off :
         {S::JavascriptEnabled, S::JavascriptCanOpenWindows, S::JavascriptCanAccessClipboard,
          S::JavascriptCanPaste, S::LocalStorageEnabled, S::PluginsEnabled, S::PdfViewerEnabled,
          S::FullScreenSupportEnabled, S::ScreenCaptureEnabled, S::WebGLEnabled,
          S::Accelerated2dCanvasEnabled, S::AutoLoadIconsForPage, S::TouchIconsEnabled,
          S::HyperlinkAuditingEnabled, S::DnsPrefetchEnabled, S::NavigateOnDropEnabled,
          S::AllowRunningInsecureContent, S::ErrorPageEnabled})
        settings.setAttribute(off, false);
    settings.setAttribute(S::LocalContentCanAccessFileUrls, true);
    // The page comes from memory with a local base, and its thumbnails from the web.
    settings.setAttribute(S::LocalContentCanAccessRemoteUrls, true);
    settings.setUnknownUrlSchemePolicy(S::DisallowUnknownUrlSchemes);
}

// Refuses every load of the program's scheme: its addresses are commands for the program, never
// content. Without a handler the browser takes the scheme for unknown and drops its links before
// the page's navigation check sees them.
class TProgramSchemeRefusal : public QWebEngineUrlSchemeHandler {
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob* job) override {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
    }
};

bool IsBlockedKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease &&
        event->type() != QEvent::ShortcutOverride)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    // Reload and back.
    return key == Qt::Key_F5 || key == Qt::Key_Backspace;
}

} // namespace

void RegisterProgramScheme() {
    if (!QWebEngineUrlScheme::schemeByName(ProgramScheme).name().isEmpty())
        return;
    QWebEngineUrlScheme scheme(ProgramScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Nothing is ever loaded from it; its addresses are only read by the program.
    scheme.setFlags(QWebEngineUrlScheme::NoAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

TResultPage::TResultPage(QObject* parent) : QWebEnginePage(parent) {
    QWebEngineProfile* shared = profile();
    if (shared->urlSchemeHandler(ProgramScheme) == nullptr)
        shared->installUrlSchemeHandler(ProgramScheme, new TProgramSchemeRefusal(shared));
    RestrictSettings(*settings());
}

bool TResultPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    // The browser may change the floating-point mode behind our back.
    MaskFloatingPointExceptions();
    const QByteArray address = url.toEncoded();
    if (IsProgramLink(std::string_view(address.constData(), address.size()))) {
        const QString link = QString::fromUtf8(address);
        QMetaObject::invokeMethod(
            this, [this, link] { emit ProgramLink(link); }, Qt::QueuedConnection);
        return false;
    }
    // Only the program's own page, given from memory; no addresses of the web, no reload and
    // no steps through the history, whose pages would offer links of old results.
    return isMainFrame && url.scheme() == QLatin1String("data") && type != NavigationTypeReload &&
           type != NavigationTypeBackForward;
}

TResultBrowser::TResultBrowser(QWidget* parent)
    : QWebEngineView(parent), page_(new TResultPage(this)) {
    setPage(page_);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void TResultBrowser::ShowPage(const std::string& html, const QString& baseFolder) {
    page_->setHtml(QString::fromStdString(html), QUrl::fromLocalFile(baseFolder));
}

bool TResultBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this && event->type() == QEvent::ChildAdded) {
        // The page's content lives in a child widget made when the page first renders; it is
        // the one that receives the keys.
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) {
            child->installEventFilter(this);
            child->setAcceptDrops(false);
        }
        return false;
    }
    return IsBlockedKey(event) || QWebEngineView::eventFilter(watched, event);
}

} // namespace tw
