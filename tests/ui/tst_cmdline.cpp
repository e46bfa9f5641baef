// The main window's first-run question and its command line with a person at the screen.
#include "ui/MainUnit.h"

#include "core/DataUnit.h"
#include "ui/ImportHosts.h"
#include "support/DataRows.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

void WriteIni(const TTempDir& dir)
{
    dir.Write("Quillon.ini", "[Preferences]\nHostsFile=" + dir.File("hosts") + "\nTextEditor=" +
                                 dir.File("no-editor") + "\n");
}

// One bad host, so neither host table is empty and the command line runs.
void MakeTables(const TTempDir& dir)
{
    TQuillonData data(dir.Path());
    data.Prefs().HostsFile = dir.File("hosts");
    QVERIFY(data.OpenDatabase());
    AddGroupRow(data, 2, "Ads");
    AddBadRow(data, "ads.example.com", 2);
    data.SaveDatabase(true);
}

// Shows the window with the given arguments and lets its deferred steps run.
std::unique_ptr<TMainForm> Start(const TTempDir& dir, const QStringList& args)
{
    auto form = std::make_unique<TMainForm>(dir.Path());
    form->SetArguments(args);
    form->show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    return form;
}

} // namespace

class TestCmdLine : public QObject {
    Q_OBJECT

private slots:
    void firstRun_data();
    void firstRun();
    void errorsKeepTheWindowOpen_data();
    void errorsKeepTheWindowOpen();
    void completedCommandLineCloses();
};

void TestCmdLine::firstRun_data()
{
    QTest::addColumn<bool>("hostsFile");
    QTest::addColumn<bool>("yes");
    QTest::newRow("no HOSTS file: nothing asked") << false << true;
    QTest::newRow("answered No") << true << false;
    QTest::newRow("answered Yes: the import dialog over the HOSTS file") << true << true;
}

void TestCmdLine::firstRun()
{
    QFETCH(bool, hostsFile);
    QFETCH(bool, yes);
    TTempDir dir;
    WriteIni(dir);
    if (hostsFile)
        dir.Write("hosts", "0.0.0.0 ads.example.com\n");
    TScriptedPresenter presenter;
    yes ? presenter.AnswerYes() : presenter.AnswerNo();

    QString importFile;
    bool dialogShown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* form = qobject_cast<TImportForm*>(QApplication::activeModalWidget())) {
            dialogShown = true;
            importFile = form->FileEdit->text();
            form->reject();
        }
    });
    poll.start(10);

    // Arguments are ignored while the host tables are empty: /w must not run.
    auto form = Start(dir, {"/w"});
    QTRY_VERIFY(!hostsFile || !presenter.shown.empty());
    QTest::qWait(50);

    if (!hostsFile) {
        QVERIFY(presenter.shown.empty());
        QVERIFY(!dir.Exists("hosts"));
    } else {
        QCOMPARE(presenter.shown.size(), size_t(1));
        QCOMPARE(presenter.Last().caption, std::string("Import HOSTS"));
        QCOMPARE(presenter.Last().text,
                 std::string("This appears to be the first time you have run Quillon.\r\n"
                             "Would you like to import the contents of your current HOSTS file?"));
        QCOMPARE(dialogShown, yes);
        if (yes)
            QCOMPARE(importFile, QString::fromStdString(dir.File("hosts")));
        QCOMPARE(dir.Read("hosts"), std::string("0.0.0.0 ads.example.com\n"));
    }
    QVERIFY(form->isVisible());
}

void TestCmdLine::errorsKeepTheWindowOpen_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("helpOpened");
    QTest::newRow("missing import file after /w")
        << QStringList{"/w", "/i=missing.txt", "/x=out.txt"} << "Import file not found: missing.txt" << false;
    QTest::newRow("import without a value")
        << QStringList{"/w", "/import", "/x=out.txt"} << "Unrecognized argument:\r\n/import" << true;
    QTest::newRow("neither /en nor /ex, as typed")
        << QStringList{"/w", "/E=Out.txt", "/x=out.txt"} << "Unrecognized argument:\r\n/E=Out.txt" << true;
}

void TestCmdLine::errorsKeepTheWindowOpen()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QFETCH(bool, helpOpened);
    TTempDir dir;
    WriteIni(dir);
    MakeTables(dir);
    TScriptedPresenter presenter;

    // Files named on the command line lie in the test's folder.
    args.replaceInStrings("out.txt", QString::fromStdString(dir.File("out.txt")));
    auto form = Start(dir, args);
    QTRY_VERIFY(!presenter.shown.empty());
    QTest::qWait(20);

    QCOMPARE(presenter.shown[0].text, message.toStdString());
    QCOMPARE(presenter.shown[0].caption, std::string("Quillon Command Line"));
    QCOMPARE(presenter.shown[0].kind, TMsgDlgType::mtError);
    // The help folder is missing here, so opening the topic reports that.
    QCOMPARE(presenter.shown.size(), size_t(helpOpened ? 2 : 1));
    if (helpOpened)
        QVERIFY(presenter.shown[1].text.find("Help") != std::string::npos);
    QVERIFY(dir.Read("hosts").find("ads.example.com") != std::string::npos);   // the first argument ran
    QVERIFY(!dir.Exists("out.txt"));                                           // the third did not
    QVERIFY(form->isVisible());
}

void TestCmdLine::completedCommandLineCloses()
{
    TTempDir dir;
    WriteIni(dir);
    MakeTables(dir);
    dir.Write("hosts", "127.0.0.1 localhost\n");
    TScriptedPresenter presenter;

    auto form = Start(dir, {"/d", "/n", QString::fromStdString("/x=" + dir.File("out.txt"))});
    QTRY_VERIFY(!form->isVisible());

    QVERIFY(presenter.shown.empty());
    QCOMPARE(dir.Read("hosts"), std::string("127.0.0.1 localhost\n"));
    QVERIFY(!dir.Exists("hosts.Quillon"));
    QVERIFY(dir.Read("out.txt").find("ads.example.com") != std::string::npos);
}

QTEST_MAIN(TestCmdLine)
#include "tst_cmdline.moc"
