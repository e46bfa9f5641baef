// Main window life cycle over a temporary data folder: start-up, deferred steps, shutdown and its failures.
#include "ui/MainUnit.h"

#include "core/AppHooks.h"
#include "core/DataUnit.h"
#include "platform/FolderOwner.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"

#include <QTest>

#include <filesystem>
#include <set>

namespace {

// The deferred steps, counted instead of run.
class TProbeForm : public TMainForm {
public:
    using TMainForm::TMainForm;
    int firstRuns = 0;
    int cmdLines = 0;

protected:
    void FirstRun() override { ++firstRuns; }
    void CmdLine() override { ++cmdLines; }
};

// The files of the data folder, without the lock file every window leaves there.
std::set<std::string> FilesIn(const TTempDir& dir)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.insert(entry.path().filename().string());
    names.erase(platform::FolderLockFileName);
    return names;
}

// Table files holding the rows asked for, written by a data module of their own.
void MakeTables(const TTempDir& dir, bool groups, bool goodHost, bool badHost)
{
    TQuillonData data(dir.Path());
    data.Prefs().HostsFile = dir.File("hosts");
    QVERIFY(data.OpenDatabase());
    if (groups) {
        TGroupList list;
        data.FillGroupList(list, false);   // an empty Groups table gets "Default Group"
    }
    if (goodHost) {
        data.GoodHosts.Append();
        data.GoodHosts.SetField("hostname", "intranet.example.com");
        data.GoodHosts.SetField("ip", "10.0.0.1");
        data.GoodHosts.Post();
    }
    if (badHost) {
        data.BadHosts.Append();
        data.BadHosts.SetField("hostname", "ads.example.com");
        data.BadHosts.SetField("group_id", 1);
        data.BadHosts.Post();
    }
    data.SaveDatabase(false);
}

// Starts the window over dir the way the program does, with the HOSTS file
// pointed into the temporary folder before anything could write it.
std::unique_ptr<TProbeForm> StartForm(const TTempDir& dir, const QStringList& args = {})
{
    if (!dir.Exists("Quillon.ini"))
        dir.Write("Quillon.ini", "[Preferences]\nHostsFile=" + dir.File("hosts") + "\n");
    auto form = std::make_unique<TProbeForm>(dir.Path());
    form->SetArguments(args);
    form->show();
    QCoreApplication::processEvents();   // the posted deferred step runs here
    return form;
}

}   // namespace

class TestMainForm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartSavesPreferencesAndDefaultGroup();
    void deferredStep_data();
    void deferredStep();
    void unreadableTableEndsWithoutSaving();
    void failedSaveKeepsWindowOpen_data();
    void failedSaveKeepsWindowOpen();

private:
    int terminations = 0;
};

void TestMainForm::init()
{
    terminations = 0;
    apphooks::Terminate = [this] { ++terminations; };
}

void TestMainForm::cleanup()
{
    apphooks::Terminate = nullptr;
    QVERIFY(!QuillonData);
}

void TestMainForm::firstStartSavesPreferencesAndDefaultGroup()
{
    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(dir);

    QVERIFY(form->DatabaseOpen());
    QCOMPARE(form->windowTitle(), QString("Quillon"));
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(QuillonData->MainOwner, static_cast<TOwner>(form.get()));

    QVERIFY(form->close());
    QVERIFY(!QuillonData);
    QVERIFY(presenter.shown.empty());
    QCOMPARE(terminations, 0);
    // Filling the group list gave the empty Groups table its "Default Group";
    // the host tables were never changed, so they are not written.
    QCOMPARE(FilesIn(dir), std::set<std::string>({"Groups.cds", "Quillon.ini"}));
    QVERIFY(QString::fromStdString(dir.Read("Quillon.ini"))
                .contains(QString::fromStdString("HostsFile=" + dir.File("hosts"))));
}

void TestMainForm::deferredStep_data()
{
    QTest::addColumn<bool>("groups");
    QTest::addColumn<bool>("goodHost");
    QTest::addColumn<bool>("badHost");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("firstRuns");
    QTest::addColumn<int>("cmdLines");

    const QStringList none;
    const QStringList write = {"/w"};
    QTest::newRow("empty, no arguments") << false << false << false << none << 1 << 0;
    QTest::newRow("empty tables ignore arguments") << false << false << false << write << 1 << 0;
    QTest::newRow("groups alone still first run") << true << false << false << write << 1 << 0;
    QTest::newRow("good host, no arguments") << false << true << false << none << 0 << 0;
    QTest::newRow("good host, arguments") << false << true << false << write << 0 << 1;
    QTest::newRow("bad host, arguments") << true << false << true << write << 0 << 1;
}

void TestMainForm::deferredStep()
{
    QFETCH(bool, groups);
    QFETCH(bool, goodHost);
    QFETCH(bool, badHost);
    QFETCH(QStringList, args);
    QFETCH(int, firstRuns);
    QFETCH(int, cmdLines);

    TTempDir dir;
    MakeTables(dir, groups, goodHost, badHost);
    TScriptedPresenter presenter;
    auto form = StartForm(dir, args);
    QCOMPARE(form->firstRuns, firstRuns);
    QCOMPARE(form->cmdLines, cmdLines);
    // Showing the window again is not a new start.
    form->hide();
    form->show();
    QCoreApplication::processEvents();
    QCOMPARE(form->firstRuns + form->cmdLines, firstRuns + cmdLines);
    QVERIFY(form->close());
    QVERIFY(presenter.shown.empty());
}

void TestMainForm::unreadableTableEndsWithoutSaving()
{
    TTempDir dir;
    const std::string garbage = "this is not a table file\n";
    dir.Write("BadHosts.cds", garbage);
    const std::string ini = "[Preferences]\nHostsFile=" + dir.File("hosts") + "\nLastGroup=7\n";
    dir.Write("Quillon.ini", ini);
    TScriptedPresenter presenter;
    auto form = StartForm(dir, {"/w"});

    QVERIFY(!form->DatabaseOpen());
    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Database Error"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtError);
    QCOMPARE(terminations, 1);
    QCOMPARE(form->firstRuns + form->cmdLines, 0);

    QVERIFY(form->close());
    QVERIFY(!QuillonData);
    QCOMPARE(FilesIn(dir), std::set<std::string>({"BadHosts.cds", "Quillon.ini"}));
    QCOMPARE(dir.Read("BadHosts.cds"), garbage);
    QCOMPARE(dir.Read("Quillon.ini"), ini);
}

void TestMainForm::failedSaveKeepsWindowOpen_data()
{
    QTest::addColumn<QString>("blocked");
    QTest::addColumn<bool>("changeGroups");

    QTest::newRow("preferences file") << "Quillon.ini" << false;
    QTest::newRow("changed table file") << "Groups.cds" << true;
}

void TestMainForm::failedSaveKeepsWindowOpen()
{
    QFETCH(QString, blocked);
    QFETCH(bool, changeGroups);

    TTempDir dir;
    TScriptedPresenter presenter;
    auto form = StartForm(dir);
    if (changeGroups) {
        TGroupList list;
        QuillonData->FillGroupList(list, true);
    }
    // A folder (holding a file) where the file must go cannot be replaced by a file.
    const std::filesystem::path obstacle = dir.File(blocked.toStdString());
    std::filesystem::remove(obstacle);
    std::filesystem::create_directory(obstacle);
    dir.Write(blocked.toStdString() + "/keep", "x");

    QVERIFY(!form->close());
    QVERIFY(form->isVisible());
    QVERIFY(QuillonData);
    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().caption, std::string("Quillon"));
    QCOMPARE(presenter.Last().kind, TMsgDlgType::mtError);
    QVERIFY2(QString::fromStdString(presenter.Last().text).contains(blocked), presenter.Last().text.c_str());

    // Once the way is clear the next close saves everything.
    std::filesystem::remove_all(obstacle);
    QVERIFY(form->close());
    QVERIFY(!QuillonData);
    QVERIFY(std::filesystem::is_regular_file(obstacle));
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
