// The main window's picture list and collection commands, with the file dialogs, the message
// boxes and the picture editor answered by the test.
#include "ui/main/uMainForm.h"

#include "core/app/uSettings.h"
#include "core/collection/uCollectionFile.h"
#include "core/collection/uMsnHeadManager.h"
#include "core/image/Codecs.h"
#include "support/RuntimeFixture.h"
#include "ui/app/uEngineWnd.h"
#include "ui/app/uPrograss.h"
#include "ui/main/uCollectionCommands.h"
#include "ui/main/uFileDialogs.h"
#include "ui/main/uPictureList.h"

#include <QAction>
#include <QImage>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <fstream>
#include <gtest/gtest.h>

namespace tw::test {
namespace {

namespace fs = std::filesystem;

// Answers each dialog with the next prepared answer; an empty answer is a cancel.
class ScriptedDialogs final : public IFileDialogs {
public:
    std::deque<QStringList> Answers;
    QStringList Titles;

    QStringList OpenFiles(const TFileDialog& dialog, bool) override { return Next(dialog.Title); }
    QString SaveFile(const TFileDialog& dialog) override {
        const QStringList answer = Next(dialog.Title);
        return answer.isEmpty() ? QString() : answer.front();
    }
    QString BrowseForFolder(const QString& title) override {
        const QStringList answer = Next(title);
        return answer.isEmpty() ? QString() : answer.front();
    }

private:
    QStringList Next(const QString& title) {
        Titles << title;
        if (Answers.empty())
            return {};
        QStringList answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
};

class AcceptingEditor final : public IHeadEditor {
public:
    bool Accept = true;
    int Calls = 0;
    bool EditInteractive(THeadEditModel&) override {
        ++Calls;
        return Accept;
    }
};

class MainFormTest : public RuntimeFixture {
protected:
    void SetUp() override {
        RuntimeFixture::SetUp();
        Program = root_ / "program";
        fs::create_directories(Program);
        std::ofstream(Program / "const.dat")
            << "[const]\nApp.Ver=4.2.0.0\nApp.ConfigPath=Tilewick\n"
            << "App.ID=7777\n";
        setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        setenv("TILEWICK_COMMON_APPDATA", (root_ / "common").c_str(), 1);
        Previous = ReplaceSettings(std::make_unique<TSettings>(Program.string() + "/"));
        Engine = std::make_unique<TfrmEngineWnd>();
        Engine->SetMessageBoxAnswerer([this](const TMessageBoxRequest& request) {
            Boxes << request.Text;
            return TMessageBoxAnswer{BoxAnswer, false};
        });
        Data = Settings().DataFolder();
    }
    void TearDown() override {
        Form.reset();
        Engine.reset();
        ReplaceSettings(std::move(Previous));
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("TILEWICK_COMMON_APPDATA");
        RuntimeFixture::TearDown();
    }

    // The window after its first showing.
    void Show() {
        Form = std::make_unique<TfrmMainForm>();
        auto dialogs = std::make_unique<ScriptedDialogs>();
        Dialogs = dialogs.get();
        Form->SetFileDialogs(std::move(dialogs));
        Engine->HeadManager->SetHeadEditor(&Editor);
        Form->FormShow();
    }

    // A picture file of one colour; its entry's thumbnail has that red level.
    QString Picture(const std::string& name, int red) const {
        QImage image(160, 120, QImage::Format_RGB888);
        image.fill(QColor(red, 10, 20));
        const fs::path path = root_ / name;
        image.save(QString::fromStdString(path.string()));
        return QString::fromStdString(path.string());
    }

    // A collection file of entries of the given red levels, made apart from the window.
    fs::path Collection(const std::string& name, std::initializer_list<int> reds) {
        TMsnHeadManager manager(root_ / "scratch");
        manager.SetStateIcons(Engine->HeadManager->StateIcons());
        for (const int red : reds)
            manager.AddPictureFile(Picture("c" + std::to_string(red) + ".bmp", red).toStdString(),
                                   false);
        const fs::path path = root_ / name;
        TCollectionFile(manager).SaveToFile(path, true);
        return path;
    }

    // The red level of each row's plain picture, in row order.
    std::vector<int> Reds() const {
        std::vector<int> reds;
        const TMsnHeadManager& manager = *Engine->HeadManager;
        for (int i = 0; i < manager.HeadCount(); ++i)
            reds.push_back(manager.Thumbnails()[static_cast<std::size_t>(i * 4)].Row(48)[48 * 3]);
        return reds;
    }

    // Row captions, and that every row shows its entry's plain picture.
    QStringList Captions() const {
        QStringList captions;
        for (int row = 0; row < Form->lvList->count(); ++row) {
            captions << Form->lvList->item(row)->text();
            EXPECT_EQ(Form->lvList->item(row)->data(Qt::UserRole).toInt(), row * 4);
        }
        EXPECT_EQ(Form->lvList->count(), Engine->HeadManager->HeadCount());
        return captions;
    }

    QPoint RowCentre(int row) const {
        return Form->lvList->visualItemRect(Form->lvList->item(row)).center();
    }

    std::string Recent() const { return Settings().ReadString("RecentFile", "-"); }

    fs::path Program;
    fs::path Data;
    std::unique_ptr<TSettings> Previous;
    std::unique_ptr<TfrmEngineWnd> Engine;
    std::unique_ptr<TfrmMainForm> Form;
    ScriptedDialogs* Dialogs = nullptr;
    AcceptingEditor Editor;
    QStringList Boxes;
    int BoxAnswer = mrOK;
};

TEST_F(MainFormTest, FirstStartWritesOrCopiesTheDefaultCollection) {
    for (const bool shipped : {false, true}) {
        fs::remove_all(Data / "default.vkt");
        if (shipped)
            fs::copy_file(Collection("shipped.vkt", {50, 90}), Program / "default.vkt");
        Show();
        EXPECT_TRUE(fs::exists(Data / "default.vkt")) << shipped;
        EXPECT_EQ(Engine->HeadManager->FileName(), Data / "default.vkt");
        EXPECT_EQ(Reds(), shipped ? std::vector<int>({50, 90}) : std::vector<int>());
        EXPECT_EQ(Form->lvList->SelectedRow(), shipped ? 0 : -1);
        EXPECT_EQ(Recent(), "-") << "only Load remembers a file";
        Form.reset();
    }
}

TEST_F(MainFormTest, AMissingOrDamagedRememberedFileOpensTheDefaultUnharmed) {
    const fs::path defaultFile = Data / "default.vkt";
    fs::copy_file(Collection("d.vkt", {70}), defaultFile);
    const fs::path damaged = root_ / "damaged.vkt";
    std::ofstream(damaged) << "PK not a collection";
    for (const fs::path& remembered : {root_ / "deleted.vkt", damaged}) {
        Settings().WriteString("RecentFile", remembered.string());
        Show();
        EXPECT_EQ(Engine->HeadManager->FileName(), defaultFile) << remembered;
        EXPECT_EQ(Reds(), std::vector<int>{70});
        EXPECT_EQ(Recent(), remembered.string()) << "the remembered name stays";
        Form.reset();
    }
}

TEST_F(MainFormTest, ADamagedDefaultIsKeptAsideAndReplacedByAnEmptyOne) {
    const fs::path defaultFile = Data / "default.vkt";
    std::ofstream(defaultFile) << "garbage";
    Show();
    EXPECT_EQ(Engine->HeadManager->FileName(), defaultFile);
    EXPECT_EQ(Engine->HeadManager->HeadCount(), 0);
    EXPECT_TRUE(TCollectionFile(*Engine->HeadManager).LoadFromFile(defaultFile));
    std::ifstream aside(defaultFile.string() + ".damaged");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(aside), {}), "garbage");
}

TEST_F(MainFormTest, SeveralFilesAreAddedInOrderPassingOverUnreadableOnes) {
    Show();
    std::ofstream(root_ / "broken.jpg") << "not a picture";
    Dialogs->Answers.push_back({Picture("a.png", 30),
                                QString::fromStdString((root_ / "broken.jpg").string()),
                                Picture("b.bmp", 200)});
    Form->findChild<QAction*>(QStringLiteral("acAddImage"))->trigger();
    EXPECT_EQ(Captions(), QStringList({"1", "2"}));
    EXPECT_EQ(Reds(), std::vector<int>({30, 200}));
    EXPECT_EQ(Engine->ProgressWindow(), nullptr) << "the progress reached its end and closed";
    EXPECT_EQ(Editor.Calls, 0) << "several files are added unattended";
    EXPECT_TRUE(Form->isEnabled());
}

TEST_F(MainFormTest, CancellingALongAddKeepsWhatWasAddedInOrder) {
    Show();
    QStringList files;
    std::vector<int> reds;
    for (int k = 0; k < 40; ++k) {
        reds.push_back(5 * k + 20);
        files << Picture("many" + std::to_string(k) + ".png", reds.back());
    }
    Dialogs->Answers.push_back(files);
    const QString extra = Picture("extra.png", 1);
    bool offered = false;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        if (TfrmProgress* progress = Engine->ProgressWindow(); progress && !offered) {
            // Commands that reach the window meanwhile (tray menu, another start) wait.
            Form->Commands().FilesDropped({extra});
            Form->Commands().acClearAllExecute();
            offered = progress->btnCancel->isVisible();
            progress->btnCancel->click();
        }
    });
    canceller.start(1);
    Form->Commands().acAddImageExecute();
    canceller.stop();
    EXPECT_TRUE(offered) << "the progress window offers Cancel";
    const int added = Engine->HeadManager->HeadCount();
    EXPECT_GT(added, 0);
    EXPECT_LT(added, 40);
    EXPECT_EQ(Reds(), std::vector<int>(reds.begin(), reds.begin() + added));
    EXPECT_EQ(Captions().size(), added);
    EXPECT_EQ(Engine->ProgressWindow(), nullptr);
    EXPECT_TRUE(Form->isEnabled());
    EXPECT_TRUE(Boxes.isEmpty());
}

TEST_F(MainFormTest, OneFileGoesThroughTheEditor) {
    Show();
    for (const bool accept : {false, true}) {
        Editor.Accept = accept;
        Dialogs->Answers.push_back({Picture("one.png", 120)});
        Form->Commands().acAddImageExecute();
        EXPECT_EQ(Form->lvList->count(), accept ? 1 : 0);
    }
    EXPECT_EQ(Editor.Calls, 2);
    Dialogs->Answers.push_back({}); // cancelled dialog
    Form->Commands().acAddImageExecute();
    EXPECT_EQ(Form->lvList->count(), 1);
}

TEST_F(MainFormTest, AFolderIsAddedPatternByPatternAndRecursively) {
    Show();
    fs::create_directories(root_ / "pics" / "sub");
    Picture("pics/z.png", 11);
    Picture("pics/a.jpg", 22);
    Picture("pics/sub/b.jpg", 33);
    Picture("pics/m.bmp", 44);
    Dialogs->Answers.push_back({QString::fromStdString((root_ / "pics").string())});
    Form->Commands().acAddFolderExecute();
    ASSERT_EQ(Engine->HeadManager->HeadCount(), 4);
    EXPECT_EQ(Reds()[3], 11) << "png after jpg and bmp";
    EXPECT_EQ(Captions(), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(Dialogs->Titles.back(), QStringLiteral("Add Images"));
}

TEST_F(MainFormTest, MoveDeleteAndLoadRenumberTheRowsWithoutSelection) {
    const fs::path file = Collection("four.vkt", {10, 20, 30, 40});
    Show();
    ASSERT_TRUE(Form->Commands().LoadCollection(file));
    EXPECT_EQ(Captions(), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(Form->lvList->SelectedRow(), -1);
    EXPECT_EQ(Recent(), file.string());

    Form->resize(495, 501);
    Form->lvList->setCurrentRow(0);
    const QPoint empty = Form->lvList->viewport()->rect().bottomRight() - QPoint(3, 3);
    EXPECT_FALSE(Form->lvList->lvListDragDrop(empty)) << "released on empty space";
    EXPECT_EQ(Reds(), std::vector<int>({10, 20, 30, 40}));
    ASSERT_TRUE(Form->lvList->lvListDragDrop(RowCentre(2)));
    EXPECT_EQ(Reds(), std::vector<int>({20, 30, 10, 40}));
    EXPECT_EQ(Captions(), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(Form->lvList->SelectedRow(), -1);
    EXPECT_FALSE(Form->lvList->lvListDragDrop(RowCentre(1))) << "no selected row";

    Form->lvList->setCurrentRow(1);
    Form->Commands().acDeleteExecute();
    EXPECT_EQ(Reds(), std::vector<int>({20, 10, 40}));
    EXPECT_EQ(Captions(), QStringList({"1", "2", "3"}));
    EXPECT_EQ(Form->lvList->SelectedRow(), -1);
    Form->Commands().acDeleteExecute();
    EXPECT_EQ(Engine->HeadManager->HeadCount(), 3) << "nothing selected, nothing deleted";
}

TEST_F(MainFormTest, SaveAsWritesACopyAndSaveKeepsTheCurrentFile) {
    Show();
    const fs::path current = Data / "default.vkt";
    Dialogs->Answers.push_back({Picture("p.png", 80), Picture("q.png", 160)});
    Form->Commands().acAddImageExecute();
    const fs::path copy = root_ / "copy.vkt";
    Dialogs->Answers.push_back({QString::fromStdString(copy.string())});
    Form->Commands().acSaveAsExecute();
    EXPECT_EQ(Dialogs->Titles.back(), QStringLiteral("Save as"));
    Form->lvList->setCurrentRow(0);
    Form->Commands().acDeleteExecute();
    Form->Commands().acSaveExecute();
    EXPECT_EQ(Engine->HeadManager->FileName(), current);

    TMsnHeadManager reader(root_ / "reader");
    reader.SetStateIcons(Engine->HeadManager->StateIcons());
    TCollectionFile file(reader);
    ASSERT_TRUE(file.LoadFromFile(copy));
    EXPECT_EQ(reader.HeadCount(), 2);
    ASSERT_TRUE(file.LoadFromFile(current));
    EXPECT_EQ(reader.HeadCount(), 1);
    EXPECT_EQ(Recent(), "-");
}

TEST_F(MainFormTest, ALoadThatFailsSaysSoAndChangesNothing) {
    Show();
    Dialogs->Answers.push_back({Picture("p.png", 80), Picture("q.png", 160)});
    Form->Commands().acAddImageExecute();
    std::ofstream(root_ / "bad.vkt") << "nonsense";
    Dialogs->Answers.push_back({QString::fromStdString((root_ / "bad.vkt").string())});
    Form->Commands().acLoadExecute();
    ASSERT_EQ(Boxes.size(), 1);
    EXPECT_TRUE(Boxes.front().startsWith(QStringLiteral("Cannot open the file.")));
    EXPECT_EQ(Reds(), std::vector<int>({80, 160}));
    EXPECT_EQ(Form->lvList->count(), 2);
    EXPECT_EQ(Recent(), "-");
}

TEST_F(MainFormTest, ClearAllAsksAndEmptiesOnlyOnYes) {
    Show();
    Dialogs->Answers.push_back({Picture("p.png", 80), Picture("q.png", 160)});
    Form->Commands().acAddImageExecute();
    for (const int answer : {mrNo, mrYes}) {
        BoxAnswer = answer;
        Form->Commands().acClearAllExecute();
        EXPECT_EQ(Form->lvList->count(), answer == mrYes ? 0 : 2);
        EXPECT_EQ(Engine->HeadManager->HeadCount(), answer == mrYes ? 0 : 2);
    }
    EXPECT_EQ(Boxes.size(), 2);
}

TEST_F(MainFormTest, DroppedPicturesAreAddedAndADroppedCollectionOpens) {
    const fs::path file = Collection("dropped.vkt", {5, 6, 7});
    Show();
    Form->Commands().FilesDropped({Picture("d.png", 99), Picture("e.png", 98)});
    EXPECT_EQ(Reds(), std::vector<int>({99, 98}));
    Form->Commands().FilesDropped({QString::fromStdString(file.string())});
    EXPECT_EQ(Reds(), std::vector<int>({5, 6, 7}));
    EXPECT_EQ(Captions(), QStringList({"1", "2", "3"}));
}

TEST_F(MainFormTest, ComponentsCarryTheirNamesAndTheLanguagesTexts) {
    Show();
    for (const char* name :
         {"pnTop", "imgMsnFrame", "imgHead", "lbFriendlyName", "cbbPersonalIcon", "cbbPersonalMsg",
          "cbbPersonalURL", "btnSwitch", "btnRand", "sldDelay", "lbDelayTime", "btnApplyRightNow",
          "spSkinPanel1", "lvList", "mmbMainMenu", "pmList", "OPD", "OD", "SD"})
        EXPECT_NE(Form->findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(Form->spSkinButton1->text(), QStringLiteral("Add &Folder"));
    EXPECT_EQ(Form->SD->Filter, QStringLiteral("Tilewick File|*.vkt"));
    EXPECT_TRUE(Form->OPD->Filter.startsWith(QStringLiteral("All images|")));
    EXPECT_EQ(Form->width(), 495);
    EXPECT_FALSE(Form->mmbMainMenu->isVisibleTo(Form.get()));
}

TEST(FileDialogText, FiltersAndExtensions) {
    EXPECT_EQ(QtFilter(QStringLiteral("Tilewick File|*.vkt")),
              QStringLiteral("Tilewick File (*.vkt)"));
    EXPECT_EQ(QtFilter(QStringLiteral("All|*.a;*.b|B|*.b")),
              QStringLiteral("All (*.a *.b);;B (*.b)"));
    EXPECT_EQ(WithDefaultExtension(QStringLiteral("/x/new"), QStringLiteral("vkt")),
              QStringLiteral("/x/new.vkt"));
    EXPECT_EQ(WithDefaultExtension(QStringLiteral("/x/new.zip"), QStringLiteral("vkt")),
              QStringLiteral("/x/new.zip"));
    EXPECT_EQ(WithDefaultExtension(QString(), QStringLiteral("vkt")), QString());
    EXPECT_TRUE(PictureFilter().startsWith(QStringLiteral("All images|*.")));
    EXPECT_EQ(QtFilter(PictureFilter()), QString::fromStdString(PictureDialogFilter()));
}

} // namespace
} // namespace tw::test
