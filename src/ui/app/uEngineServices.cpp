#include "ui/app/uEngineServices.h"

#include "core/app/uSettings.h"
#include "core/app/uUtils.h"
#include "platform/AutoStart.h"
#include "platform/Folders.h"
#include "platform/Processes.h"
#include "ui/app/uPrograss.h"
#include "ui/app/uTranslator.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <filesystem>
#include <optional>

// Registers the compiled-in resources; outside any namespace, as the macro requires.
static void InitEngineResources() {
    Q_INIT_RESOURCE(engine);
}

namespace tw {
namespace {

QString FromText(const std::string& text) {
    return QString::fromUtf8(text);
}

// The whole content of a file or resource; nothing when it cannot be read.
std::optional<QByteArray> ReadWhole(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    return in.readAll();
}

std::filesystem::path ProgramFolder() {
    return std::filesystem::path(Settings().ProgramFolder());
}

// Whether message boxes can be shown to a person at all.
bool HasDisplay() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

const char* const kBuiltinSkin = ":/tilewick/builtin/Default.qss";

} // namespace

TLanguageData BuiltinLanguage() {
    InitEngineResources();
    const std::optional<QByteArray> text =
        ReadWhole(QStringLiteral(":/tilewick/langs/English.lan"));
    return text ? TLanguageData::Parse(std::string_view(text->constData(), text->size()))
                : TLanguageData();
}

TEngineServices::TEngineServices(QWidget* parent)
    : QWidget(parent), Languages(BuiltinLanguage()), Launcher(StartDetached) {
    setObjectName(QStringLiteral("frmEngineWnd"));
    pngMSNFrame.Add(QPixmap(QStringLiteral(":/tilewick/images/msnframe.png")));
    ImageList1.AddStrip(QStringLiteral(":/tilewick/images/imagelist1.png"));
    ImageList2.AddStrip(QStringLiteral(":/tilewick/images/imagelist2.png"));
    for (const char* state : {"online", "busy", "away"})
        imgState.Add(
            QPixmap(QStringLiteral(":/tilewick/images/state_%1.bmp").arg(QLatin1String(state))));
    smLanguageChangeLanguage();
}

TEngineServices::~TEngineServices() = default;

std::string TEngineServices::Translate(const std::string& key) const {
    return Languages.Translate(key);
}

void TEngineServices::LoadLanguageSection(const std::string& section, TNameValues& list) const {
    Languages.LoadLanguageSection(section, list);
}

void TEngineServices::SetLanguage(const std::string& name) {
    if (Languages.SetLanguage(ProgramFolder(), name)) {
        TranslatedWindows.removeAll(nullptr);
        for (const QPointer<QWidget>& window : TranslatedWindows)
            TranslateWindow(window);
        smLanguageChangeLanguage();
        emit LanguageChanged();
    }
    Settings().WriteString("Language", name);
}

int TEngineServices::ListLanguages(std::vector<std::string>& names,
                                   std::vector<std::string>& captions) const {
    return tw::ListLanguages(ProgramFolder() / "langs", names, captions);
}

void TEngineServices::AddTranslatedWindow(QWidget* window) {
    TranslateWindow(window);
    TranslatedWindows.removeAll(nullptr);
    if (!TranslatedWindows.contains(window))
        TranslatedWindows.append(window);
}

void TEngineServices::TranslateWindow(QWidget* window) const {
    TNameValues values;
    Languages.LoadLanguageSection(WindowLanguageSection(window).toStdString(), values);
    ApplyLanguageValues(window, values);
}

void TEngineServices::smLanguageChangeLanguage() {
    LoadLanguageSection("skinres", SkinResStrings);
}

void TEngineServices::SetSkin(const std::string& name) {
    const std::filesystem::path folder = ProgramFolder() / "skins";
    // Names compare without regard to case, as on the systems skin files come from: a stored
    // "green" finds "Green.skn". "Default" is never listed, so it always means the built-in skin.
    const std::vector<std::string> skins = ListSkins();
    const auto listed = std::ranges::find_if(
        skins, [&name](const std::string& skin) { return SameText(skin, name); });
    std::optional<QByteArray> sheet;
    if (listed != skins.end())
        sheet = ReadWhole(QString::fromStdString((folder / (*listed + ".skn")).string()));
    if (sheet) {
        // Pictures of a skin lie beside it; its sheet names them through "%skinpath%".
        sheet->replace("%skinpath%",
                       QFile::encodeName(QString::fromStdString(folder.string() + "/")));
        SkinName = *listed;
    } else {
        sheet = ReadWhole(QString::fromLatin1(kBuiltinSkin));
        SkinName.clear();
    }
    qApp->setStyleSheet(QString::fromUtf8(sheet.value_or(QByteArray())));
    Settings().WriteString("Skin", SkinName);
}

std::vector<std::string> TEngineServices::ListSkins() const {
    return tw::ListSkins(ProgramFolder() / "skins");
}

int TEngineServices::ShowMessageBox(const std::string& textOrKey,
                                    const std::vector<std::string>& args, int presetResult,
                                    TMsgDlgBtn buttons, TMsgDlgType dlgType, int showAgainId) {
    const std::string text = FormatArgs(Translate(textOrKey), args);
    QWidget* main = MainWindow();
    if (main == nullptr)
        return mrNone;
    TMessageBoxRequest request{main->windowTitle(), FromText(text), buttons, dlgType, false};
    if (showAgainId == 0)
        return AskUser(request).Result;

    TSettings& settings = Settings();
    if (!settings.GetShowAgain(showAgainId))
        return presetResult != 0 ? presetResult : settings.GetShowAgainResult(showAgainId);
    request.ShowAgainBox = true;
    const TMessageBoxAnswer answer = AskUser(request);
    if (answer.DontShowAgain) {
        settings.SetShowAgain(showAgainId, false);
        settings.SetShowAgainResult(showAgainId, answer.Result);
    }
    return answer.Result;
}

TMessageBoxAnswer TEngineServices::AskUser(const TMessageBoxRequest& request) {
    if (Answerer)
        return Answerer(request);
    if (!HasDisplay())
        return {EscapeResult(request.Buttons), false};
    TfrmMessageBox box(request, SkinResStrings, MainWindow());
    return box.Execute();
}

void TEngineServices::ShowErrorMessage(int code, const std::string& detail) {
    const std::string key = "ERRORMSG_" + std::to_string(code);
    const std::optional<std::string> message = Languages.FindResString(key);
    std::string text = message ? FormatArgs(*message, {detail}) : std::string();
    if (text.empty())
        text = detail;
    // An unknown code without detail still tells the user which error it was.
    if (text.empty())
        text = key;
    ShowMessageBox(text, {}, mrNone, TMsgDlgBtn::OK, TMsgDlgType::Error, 0);
}

void TEngineServices::ShowPlainMessageBox(const std::string& caption, const std::string& text) {
    const TMessageBoxRequest request{FromText(caption), FromText(text), TMsgDlgBtn::OK,
                                     TMsgDlgType::Information, false};
    if (Answerer)
        Answerer(request);
    else if (HasDisplay())
        QMessageBox::information(this, request.Caption, request.Text);
}

void TEngineServices::SetMessageBoxAnswerer(TMessageBoxAnswerer answerer) {
    Answerer = std::move(answerer);
}

void TEngineServices::ShowProgress(int min, int max, const std::string& caption, int value) {
    if (frmProgress == nullptr)
        frmProgress = new TfrmProgress(this);
    frmProgress->SetProgress(min, max, FromText(caption), value);
    if (value >= max) {
        delete frmProgress;
        return;
    }
    if (!frmProgress->isVisible()) {
        const QWidget* main = MainWindow();
        QRect area = main != nullptr && main->isVisible() ? main->frameGeometry() : QRect();
        if (area.isNull() && QGuiApplication::primaryScreen() != nullptr)
            area = QGuiApplication::primaryScreen()->availableGeometry();
        frmProgress->move(area.center() - frmProgress->rect().center());
        frmProgress->show();
    }
    // The caller keeps the event loop busy until it is done, so paint now.
    frmProgress->repaint();
}

void TEngineServices::ShowLoadingProgress(int position, int total) {
    ShowProgress(0, total, "Loading...", position);
}

void TEngineServices::ShowSavingProgress(int position, int total) {
    ShowProgress(0, total, "Saving...", position);
}

bool TEngineServices::SetAutoRun(bool flag) {
    const std::string name = Translate("strAppName");
    const bool done = flag ? WriteAutoStartEntry(name, GetExePath()) : RemoveAutoStartEntry(name);
    if (!done)
        ShowMessageBox("Cannot change the log-on entry %1.", {AutoStartEntryPath(name)}, mrNone,
                       TMsgDlgBtn::OK, TMsgDlgType::Error, 0);
    return done;
}

void TEngineServices::ApplyAllUsers(bool flag) {
    AllUsersScope = flag;
    Settings().SelectDataFolder(flag);
}

void TEngineServices::WMRestart(int wParam) {
    Settings().SetAllUsers(wParam != 0);
    if (!Launcher({GetExePath(), "-r"})) {
        // Closing now would leave the user with no program at all.
        ShowMessageBox("Tilewick could not be started again. Please start it yourself.", {}, mrNone,
                       TMsgDlgBtn::OK, TMsgDlgType::Error, 0);
        return;
    }
    if (QWidget* main = MainWindow())
        main->close();
    // The main window may only hide itself to the tray when asked to close; a restart ends
    // this instance in any case.
    QCoreApplication::quit();
}

void TEngineServices::PostRestart(bool allUsers) {
    QMetaObject::invokeMethod(
        this, [this, allUsers] { WMRestart(allUsers ? 1 : 0); }, Qt::QueuedConnection);
}

void TEngineServices::SetProgramLauncher(TProgramLauncher launcher) {
    Launcher = launcher ? std::move(launcher) : TProgramLauncher(StartDetached);
}

QWidget* TEngineServices::MainWindow() const {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("frmMainForm"))
            return widget;
    return nullptr;
}

} // namespace tw
