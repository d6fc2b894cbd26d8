#pragma once

#include "core/online/uOnlineSearch.h"
#include "ui/online/HttpGet.h"

#include <QMainWindow>
#include <QNetworkAccessManager>
#include <string>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

// The "Display Picture Online" window: searches pictures on the web by keyword, shows them in
// the embedded browser and adds the one the user clicks to the collection through the display
// picture editor. Closing only hides it; keyword, results and page stay for the next showing.
namespace tw {

class TEngineServices;
class TKeywordBox;
class TMsnHeadManager;
class TResultBrowser;

class TfrmOnlineImage : public QMainWindow {
    Q_OBJECT
public:
    // Runs FormCreate. `engine` translates and asks; `manager` receives the pictures.
    TfrmOnlineImage(TEngineServices& engine, TMsnHeadManager& manager, QWidget* parent = nullptr);
    // Runs FormDestroy: running downloads end without a report.
    ~TfrmOnlineImage() override;

    // Where a clicked picture is downloaded to before it is added.
    static std::string TempPictureFile();

    const TOnlineSearch& Search() const { return search_; }

    TKeywordBox* cbKeyword;
    QPushButton* btnSearch;
    QPushButton* btnStop;
    QLabel* lbTip;
    QCheckBox* cbKeepOpen;
    TResultBrowser* wbMain;
    QLabel* spInfo;
    QProgressBar* sgProgress;

signals:
    // A downloaded picture became entry `index` of the collection; the picture list shows it.
    void PictureAdded(int index);

protected:
    // Centres the window on the main window at its first showing. Closing is never refused
    // and only hides it, as for any window.
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void CreateComponents();
    void FillKeywords();

    void cbKeywordDropDown();
    void cbKeywordClick(int index);
    void btnSearchClick();
    void btnStopClick();
    // Searches `keyword` from page `page` unless a page is being fetched already.
    void SearchPage(const std::string& keyword, int page);
    void wbMainBeforeNavigate2(const QString& address);
    void wbMainProgressChange(int progress, int progressMax);
    void hgGetPageDoneString(const QByteArray& text);
    void hgImageDoneFile(const QString& fileName);
    void hgImageProgress(qint64 received, qint64 total);
    void hgImageError(const QString& reason);
    // Both downloads have ended: the buttons are ready for the next search.
    void DownloadsEnded();
    void ShowError(const std::string& text);

    TEngineServices& engine_;
    TMsnHeadManager& manager_;
    TOnlineSearch search_;
    QNetworkAccessManager network_;
    THttpGet hgGetPage;
    THttpGet hgImage;
    bool placed_ = false;
};

// Shows the online search window over `manager`, creating it at first use. The window belongs
// to `engine` and is freed with it; `manager` must live as long as `engine` uses it.
TfrmOnlineImage& ShowOnlineSearch(TEngineServices& engine, TMsnHeadManager& manager);

} // namespace tw
