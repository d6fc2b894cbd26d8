#include "ui/online/uOnlineImage.h"

#include "core/app/uSettings.h"
#include "core/collection/uMsnHeadManager.h"
#include "core/image/PictureError.h"
#include "core/online/VezTpl.h"
#include "ui/app/uEngineServices.h"
#include "ui/online/KeywordBox.h"
#include "ui/online/ResultBrowser.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <limits>

namespace tw {
namespace {

constexpr int ClientWidth = 769;
constexpr int ClientHeight = 465;
constexpr int MinimumHeight = 300;
constexpr int GaugeWidth = 200;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

int GaugeValue(qint64 bytes) {
    return static_cast<int>(std::clamp<qint64>(bytes, 0, std::numeric_limits<int>::max()));
}

// The folder of the result page's own style and pictures.
std::string ResFolder() {
    return Settings().ProgramFolder() + "res/";
}

} // namespace

TfrmOnlineImage::TfrmOnlineImage(TEngineServices& engine, TMsnHeadManager& manager, QWidget* parent)
    : QMainWindow(parent, Qt::Window), engine_(engine), manager_(manager), search_(Settings()),
      hgGetPage(network_, MaxResultPageBytes), hgImage(network_, MaxPictureBytes) {
    FormCreate();
}

TfrmOnlineImage::~TfrmOnlineImage() {
    // Nothing may report into a half-destroyed window.
    hgGetPage.Abort();
    hgImage.Abort();
}

std::string TfrmOnlineImage::TempPictureFile() {
    return Settings().DataFolder() + "temp.jpg";
}

void TfrmOnlineImage::FormCreate() {
    setObjectName(QStringLiteral("frmOnlineImage"));
    setWindowTitle(QStringLiteral("Display Picture Online"));
    CreateComponents();
    FillKeywords();
    btnStop->setEnabled(false);
    cbKeepOpen->setChecked(false);
    cbKeepOpen->hide();

    connect(cbKeyword, &TKeywordBox::DropDown, this, &TfrmOnlineImage::cbKeywordDropDown);
    connect(cbKeyword, &QComboBox::activated, this, &TfrmOnlineImage::cbKeywordClick);
    connect(cbKeyword->lineEdit(), &QLineEdit::returnPressed, this,
            &TfrmOnlineImage::btnSearchClick);
    connect(btnSearch, &QPushButton::clicked, this, &TfrmOnlineImage::btnSearchClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmOnlineImage::btnStopClick);
    connect(&wbMain->ResultPage(), &TResultPage::ProgramLink, this,
            &TfrmOnlineImage::wbMainBeforeNavigate2);
    connect(wbMain, &QWebEngineView::loadProgress, this,
            [this](int progress) { wbMainProgressChange(progress, 100); });
    connect(&hgGetPage, &THttpGet::DoneString, this, &TfrmOnlineImage::hgGetPageDoneString);
    connect(&hgImage, &THttpGet::DoneFile, this, &TfrmOnlineImage::hgImageDoneFile);
    for (THttpGet* download : {&hgGetPage, &hgImage}) {
        connect(download, &THttpGet::Progress, this, &TfrmOnlineImage::hgImageProgress);
        connect(download, &THttpGet::Error, this, &TfrmOnlineImage::hgImageError);
    }

    engine_.AddTranslatedWindow(this);
    // The "clear" item is in the language of the moment.
    connect(&engine_, &TEngineServices::LanguageChanged, this, &TfrmOnlineImage::FillKeywords);
}

void TfrmOnlineImage::CreateComponents() {
    auto* pnTop = new QWidget(this);
    pnTop->setObjectName(QStringLiteral("pnTop"));
    lbTip = new QLabel(QStringLiteral("Type the keywords to search the display picture online."),
                       pnTop);
    lbTip->setObjectName(QStringLiteral("lbTip"));
    cbKeyword = new TKeywordBox(pnTop);
    cbKeyword->setObjectName(QStringLiteral("cbKeyword"));
    btnSearch = new QPushButton(QStringLiteral("&Search"), pnTop);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    btnStop = new QPushButton(QStringLiteral("Sto&p"), pnTop);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    cbKeepOpen = new QCheckBox(QStringLiteral("Keep this window open"), pnTop);
    cbKeepOpen->setObjectName(QStringLiteral("cbKeepOpen"));

    auto* row = new QHBoxLayout;
    row->addWidget(cbKeyword, 1);
    row->addWidget(btnSearch);
    row->addWidget(btnStop);
    row->addWidget(cbKeepOpen);
    auto* top = new QVBoxLayout(pnTop);
    top->addWidget(lbTip);
    top->addLayout(row);

    wbMain = new TResultBrowser(this);
    wbMain->setObjectName(QStringLiteral("wbMain"));

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(pnTop);
    column->addWidget(wbMain, 1);
    setCentralWidget(client);

    spInfo = new QLabel(QStringLiteral("Ready."), this);
    spInfo->setObjectName(QStringLiteral("spInfo"));
    sgProgress = new QProgressBar(this);
    sgProgress->setObjectName(QStringLiteral("sgProgress"));
    sgProgress->setRange(0, 100);
    sgProgress->setValue(0);
    sgProgress->setTextVisible(false);
    sgProgress->setFixedWidth(GaugeWidth);
    statusBar()->addWidget(spInfo, 1);
    statusBar()->addPermanentWidget(sgProgress);

    resize(ClientWidth, ClientHeight);
    // The height follows the user; the grid of pictures is laid out for this width.
    setMinimumSize(ClientWidth, MinimumHeight);
    setMaximumWidth(ClientWidth);
}

void TfrmOnlineImage::FillKeywords() {
    // Refilling must not replace the words in the box.
    const QString text = cbKeyword->currentText();
    cbKeyword->clear();
    for (const std::string& keyword : LoadKeywords(Settings()))
        cbKeyword->addItem(Q(keyword));
    cbKeyword->setCurrentIndex(-1);
    cbKeyword->setEditText(text);
}

void TfrmOnlineImage::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (placed_)
        return;
    placed_ = true;
    if (const QWidget* main = engine_.MainWindow(); main != nullptr && main->isVisible())
        move(main->frameGeometry().center() - rect().center());
}

void TfrmOnlineImage::cbKeywordDropDown() {
    const QString clear = Q(engine_.Translate("CLEAR_KEYWORD"));
    const int count = cbKeyword->count();
    if (count > 0 && cbKeyword->itemText(count - 1) == clear)
        return;
    const QString text = cbKeyword->currentText();
    cbKeyword->addItem(clear);
    if (count == 0) {
        // The first item of an empty box would become its text.
        cbKeyword->setCurrentIndex(-1);
        cbKeyword->setEditText(text);
    }
}

void TfrmOnlineImage::cbKeywordClick(int index) {
    if (index != cbKeyword->count() - 1 ||
        cbKeyword->itemText(index) != Q(engine_.Translate("CLEAR_KEYWORD")))
        return;
    ClearKeywords(Settings());
    cbKeyword->clearEditText();
    FillKeywords();
    cbKeyword->setFocus();
}

void TfrmOnlineImage::btnSearchClick() {
    const std::string keyword = cbKeyword->currentText().toStdString();
    if (const std::string_view problem = KeywordProblem(keyword); !problem.empty()) {
        engine_.ShowMessageBox(std::string(problem), {}, mrOK, TMsgDlgBtn::OK, TMsgDlgType::Error,
                               0);
        return;
    }
    SearchPage(keyword, 1);
}

void TfrmOnlineImage::SearchPage(const std::string& keyword, int page) {
    // One page at a time: a click while one is on its way is ignored.
    if (hgGetPage.Busy())
        return;
    const std::string address = search_.Search(keyword, page);
    FillKeywords();
    btnSearch->setEnabled(false);
    btnStop->setEnabled(true);
    hgGetPage.GetString(Q(address));
}

void TfrmOnlineImage::btnStopClick() {
    hgGetPage.Abort();
    hgImage.Abort();
    wbMain->stop();
    DownloadsEnded();
    sgProgress->setValue(0);
    spInfo->setText(Q(engine_.Translate("Ready.")));
}

void TfrmOnlineImage::wbMainBeforeNavigate2(const QString& address) {
    const TResultLink link = search_.ReadLink(address.toStdString());
    switch (link.Action) {
    case TLinkAction::Download:
        if (hgImage.GetFile(Q(link.URL), Q(TempPictureFile())))
            btnStop->setEnabled(hgImage.Busy());
        break;
    case TLinkAction::FlipPage:
        SearchPage(search_.CurrentKeyword(), link.Page);
        break;
    case TLinkAction::None:
        break;
    }
}

void TfrmOnlineImage::wbMainProgressChange(int progress, int progressMax) {
    sgProgress->setRange(0, progressMax);
    sgProgress->setValue(progress);
    const bool loading = progress < progressMax;
    btnStop->setEnabled(loading || hgGetPage.Busy() || hgImage.Busy());
    spInfo->setText(Q(engine_.Translate(loading ? "Transferring..." : "Ready.")));
}

void TfrmOnlineImage::hgGetPageDoneString(const QByteArray& text) {
    DownloadsEnded();
    if (!search_.PageDone(std::string_view(text.constData(), text.size())))
        return;
    const QString base = Q(ResFolder());
    std::string page;
    try {
        page =
            search_.BuildResultPage(Settings().ProgramFolder() + engine_.Translate("ResultFileTpl"),
                                    QUrl::fromLocalFile(base).toString().toStdString());
    } catch (const TemplateError& error) {
        ShowError(error.what());
        return;
    }
    wbMain->ShowPage(page, base);
    spInfo->setText(Q(engine_.Translate("Done.")));
}

void TfrmOnlineImage::hgImageDoneFile(const QString& fileName) {
    DownloadsEnded();
    const std::filesystem::path path = fileName.toStdString();
    int index = -1;
    try {
        index = manager_.AddPictureFile(path, true);
    } catch (const PictureError& error) {
        ShowError(error.what());
    }
    if (index == -1)
        return; // the file stays until the next download replaces it
    emit PictureAdded(index);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (!cbKeepOpen->isChecked())
        close();
}

void TfrmOnlineImage::hgImageProgress(qint64 received, qint64 total) {
    btnStop->setEnabled(true);
    spInfo->setText(Q(engine_.Translate("Transferring...")));
    // An unknown size shows the gauge as busy.
    sgProgress->setRange(0, GaugeValue(total));
    sgProgress->setValue(GaugeValue(received));
}

void TfrmOnlineImage::hgImageError(const QString& reason) {
    DownloadsEnded();
    ShowError(engine_.Translate("Connect failed!") + "<BR>" + reason.toStdString());
}

void TfrmOnlineImage::DownloadsEnded() {
    btnSearch->setEnabled(!hgGetPage.Busy());
    btnStop->setEnabled(hgGetPage.Busy() || hgImage.Busy());
}

void TfrmOnlineImage::ShowError(const std::string& text) {
    engine_.ShowMessageBox(text, {}, mrOK, TMsgDlgBtn::OK, TMsgDlgType::Error, 0);
}

TfrmOnlineImage& ShowOnlineSearch(TEngineServices& engine, TMsnHeadManager& manager) {
    auto* window = engine.findChild<TfrmOnlineImage*>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr)
        window = new TfrmOnlineImage(engine, manager, &engine);
    window->show();
    window->raise();
    window->activateWindow();
    return *window;
}

} // namespace tw
