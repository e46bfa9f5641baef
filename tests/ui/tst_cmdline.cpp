// The main window's first-run question and its command line with a person at the screen.
#include "ui/MainUnit.h"

#include "core/DataUnit.h"
#include "support/DataFolder.h"
#include "support/DataRows.h"
#include "support/ScriptedPresenter.h"
#include "ui/ImportHosts.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// A data folder for the window to open. With rows, one bad host, so the host
// tables are not both empty and the command line runs.
struct TFixture : TDataFolder {
    explicit TFixture(bool rows)
    {
        if (rows) {
            AddGroupRow(*data, 2, "Ads");
            AddBadRow(*data, "ads.example.com", 2);
            data->SaveDatabase(true);
        }
        data.reset();   // the window brings its own
    }
};

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

}   // namespace

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
    TFixture fx(false);
    if (hostsFile)
        fx.dir.Write("hosts", "0.0.0.0 ads.example.com\n");
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
    auto form = Start(fx.dir, {"/w"});
    QTRY_VERIFY(!hostsFile || !presenter.shown.empty());
    QTest::qWait(50);

    if (!hostsFile) {
        QVERIFY(presenter.shown.empty());
        QVERIFY(!fx.dir.Exists("hosts"));
    } else {
        QCOMPARE(presenter.shown.size(), size_t(1));
        QCOMPARE(presenter.Last().caption, std::string("Import HOSTS"));
        QCOMPARE(presenter.Last().text,
                 std::string("This appears to be the first time you have run Quillon.\r\n"
                             "Would you like to import the contents of your current HOSTS file?"));
        QCOMPARE(dialogShown, yes);
        if (yes)
            QCOMPARE(importFile, QString::fromStdString(fx.dir.File("hosts")));
        QCOMPARE(fx.dir.Read("hosts"), std::string("0.0.0.0 ads.example.com\n"));
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
    TFixture fx(true);
    TScriptedPresenter presenter;

    // Files named on the command line lie in the test's folder.
    args.replaceInStrings("out.txt", QString::fromStdString(fx.dir.File("out.txt")));
    auto form = Start(fx.dir, args);
    QTRY_VERIFY(!presenter.shown.empty());
    QTest::qWait(20);

    QCOMPARE(presenter.shown[0].text, message.toStdString());
    QCOMPARE(presenter.shown[0].caption, std::string("Quillon Command Line"));
    QCOMPARE(presenter.shown[0].kind, TMsgDlgType::mtError);
    // The help folder is missing here, so opening the topic reports that.
    QCOMPARE(presenter.shown.size(), size_t(helpOpened ? 2 : 1));
    if (helpOpened)
        QVERIFY(presenter.shown[1].text.find("Help") != std::string::npos);
    QVERIFY(fx.dir.Read("hosts").find("ads.example.com") != std::string::npos);   // the first argument ran
    QVERIFY(!fx.dir.Exists("out.txt"));                                           // the third did not
    QVERIFY(form->isVisible());
}

void TestCmdLine::completedCommandLineCloses()
{
    TFixture fx(true);
    fx.dir.Write("hosts", "127.0.0.1 localhost\n");
    TScriptedPresenter presenter;

    auto form = Start(fx.dir, {"/d", "/n", QString::fromStdString("/x=" + fx.dir.File("out.txt"))});
    QTRY_VERIFY(!form->isVisible());

    QVERIFY(presenter.shown.empty());
    QCOMPARE(fx.dir.Read("hosts"), std::string("127.0.0.1 localhost\n"));
    QVERIFY(!fx.dir.Exists("hosts.Quillon"));
    QVERIFY(fx.dir.Read("out.txt").find("ads.example.com") != std::string::npos);
}

QTEST_MAIN(TestCmdLine)
#include "tst_cmdline.moc"
