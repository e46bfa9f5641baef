// A window owns its data folder: command lines of the real program started meanwhile run in the window, and a second window is refused.
#include "ui/MainUnit.h"

#include "core/DataUnit.h"
#include "platform/Errors.h"
#include "platform/FolderOwner.h"
#include "support/DataRows.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <filesystem>
#include <memory>

namespace {

// Generous: a caller that hangs fails the test instead of the suite's time limit.
constexpr int CallerLimitMs = 60000;

void MakeTables(const TTempDir& dir)
{
    TQuillonData data(dir.Path());
    data.Prefs().HostsFile = dir.File("hosts");
    QVERIFY(data.OpenDatabase());
    AddGroupRow(data, 2, "Ads");
    AddBadRow(data, "ads.example.com", 2);
    data.SaveDatabase(true);
}

// The real program, started the way a scheduled job starts it: no display,
// in the data folder, which is the program's own folder.
class TCaller {
public:
    TCaller(const TTempDir& dir, const QStringList& args, const QStringList& env = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        for (const QString& variable : env)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QString::fromStdString(dir.Path()));
        process.start(QString::fromStdString(dir.File("quillon")), args);
    }

    // Lets the window serve until the caller has ended by itself.
    bool Finished()
    {
        QDeadlineTimer limit(CallerLimitMs);
        while (process.state() != QProcess::NotRunning && !limit.hasExpired())
            QTest::qWait(10);
        return process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit;
    }
    int ExitCode() const { return process.exitCode(); }
    QString Out()
    {
        out += QString::fromUtf8(process.readAllStandardOutput());
        return out;
    }
    QString Err()
    {
        err += QString::fromUtf8(process.readAllStandardError());
        return err;
    }

private:
    QProcess process;
    QString out, err;
};

}   // namespace

class TestHandOver : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commandLineRunsInTheWindow_data();
    void commandLineRunsInTheWindow();
    void failureOfARunEndsTheCommandLine();
    void waitsWhileADialogIsOpen();
    void callerThatGivesUpWithdrawsItsCommandLine();
    void secondStartOfTheWindowBringsTheFirstToTheFront();
    void folderInUseRefusesAnotherWindow_data();
    void folderInUseRefusesAnotherWindow();

private:
    std::unique_ptr<TTempDir> dir;
    std::unique_ptr<TScriptedPresenter> presenter;
    std::unique_ptr<TMainForm> form;
    // The data folder as the program names it.
    QString folder;

    QString WaitingLine() const
    {
        return "Quillon: waiting for the Quillon window on " + folder + " to finish ...\n";
    }
};

// The window over a folder of its own, with the program beside its tables.
void TestHandOver::init()
{
    dir = std::make_unique<TTempDir>();
    dir->Write("Quillon.ini", "[Preferences]\nHostsFile=" + dir->File("hosts") +
                                  "\nTextEditor=" + dir->File("no-editor") + "\n");
    MakeTables(*dir);
    std::filesystem::copy_file(QUILLON_BINARY, dir->File("quillon"));
    folder = QFileInfo(QString::fromStdString(dir->Path())).canonicalFilePath();
    presenter = std::make_unique<TScriptedPresenter>();
    form = std::make_unique<TMainForm>(dir->Path());
    form->SetArguments({});
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
}

void TestHandOver::cleanup()
{
    form.reset();
    presenter.reset();
    dir.reset();
}

void TestHandOver::commandLineRunsInTheWindow_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");   // its first line, when more follow
    QTest::addColumn<bool>("hostsWritten");

    QTest::newRow("import, relative to the caller's folder, then Write HOSTS")
        << QStringList{"/i=list.txt", "/w"} << 0 << "2 lines processed.\n3 hosts written\n"
        << "" << true;
    // The window shows the switches' help page, which is missing here: that says so too.
    QTest::newRow("unrecognized argument after /w")
        << QStringList{"/w", "/bogus", "/x=out.txt"} << 1 << "1 hosts written\n"
        << "Quillon Command Line: Unrecognized argument:\n"
        << true;
    QTest::newRow("missing import file") << QStringList{"/i=missing.txt", "/w"} << 1 << ""
                                         << "Quillon Command Line: Import file not found: missing.txt\n"
                                         << false;
    // A folder holds the backup's name: the export reports it and the line stops there.
    QTest::newRow("a run that reports an error") << QStringList{"/x=out.txt", "/w"} << 1 << ""
                                                 << "Export Hosts: Backup failed!\n"
                                                 << false;
}

void TestHandOver::commandLineRunsInTheWindow()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(bool, hostsWritten);
    dir->Write("list.txt", "0.0.0.0 first.example.org\n0.0.0.0 second.example.org\n");
    dir->Write("out.txt", "old\n");
    std::filesystem::create_directory(dir->File("out.txt.bak"));

    TCaller caller(*dir, args);
    QVERIFY(caller.Finished());

    QCOMPARE(caller.ExitCode(), exitCode);
    QCOMPARE(caller.Out(), out);
    if (err.isEmpty())
        QCOMPARE(caller.Err(), QString());
    else
        QVERIFY2(caller.Err().startsWith(err), qPrintable(caller.Err()));
    // The window showed the same messages, and is still there.
    QCOMPARE(presenter->shown.empty(), err.isEmpty());
    if (!err.isEmpty())
        QVERIFY(err.startsWith(QString::fromStdString(presenter->shown[0].caption + ": ")));
    QVERIFY(form->isVisible());
    QCOMPARE(dir->Exists("hosts"), hostsWritten);
    QCOMPARE(dir->Read("out.txt"), std::string("old\n"));

    if (exitCode == 0) {
        // In the window's tables, in the HOSTS file, and saved.
        QVERIFY(QuillonData->BadHosts.Locate("hostname", std::string("second.example.org"), true));
        QVERIFY(dir->Read("hosts").find("second.example.org") != std::string::npos);
        TQuillonData saved(dir->Path());
        QVERIFY(saved.OpenDatabase());
        QCOMPARE(saved.BadHosts.RecordCount(), 3);
    }
}

void TestHandOver::failureOfARunEndsTheCommandLine()
{
    // The HOSTS file cannot be written: a folder has its name.
    std::filesystem::create_directory(dir->File("hosts"));

    TCaller caller(*dir, {"/w", "/x=out.txt"});
    QVERIFY(caller.Finished());

    QCOMPARE(caller.ExitCode(), 1);
    QCOMPARE(caller.Out(), QString());
    // As a headless run reports it, and as the window's error dialog shows it.
    QCOMPARE(presenter->shown.size(), size_t(1));
    QCOMPARE(presenter->Last().caption, std::string("Quillon"));
    QCOMPARE(presenter->Last().kind, TMsgDlgType::mtError);
    QVERIFY(presenter->Last().text.find(dir->File("hosts")) != std::string::npos);
    QCOMPARE(caller.Err(), QString::fromStdString("Quillon: " + presenter->Last().text + "\n"));
    QVERIFY(!dir->Exists("out.txt"));
    QVERIFY(form->isVisible());
}

void TestHandOver::waitsWhileADialogIsOpen()
{
    QDialog dialog(form.get());
    dialog.setModal(true);
    dialog.show();

    TCaller caller(*dir, {"/w"});
    QTRY_COMPARE_WITH_TIMEOUT(caller.Err(), WaitingLine(), CallerLimitMs);
    QVERIFY(!dir->Exists("hosts"));

    dialog.close();
    QVERIFY(caller.Finished());
    QCOMPARE(caller.ExitCode(), 0);
    QCOMPARE(caller.Out(), QString("1 hosts written\n"));
    QCOMPARE(caller.Err(), WaitingLine());
    QVERIFY(dir->Read("hosts").find("ads.example.com") != std::string::npos);
}

void TestHandOver::callerThatGivesUpWithdrawsItsCommandLine()
{
    QDialog dialog(form.get());
    dialog.setModal(true);
    dialog.show();

    TCaller impatient(*dir, {"/w"}, {"QUILLON_TEST_WINDOW_WAIT_MS=300"});
    QVERIFY(impatient.Finished());
    QCOMPARE(impatient.ExitCode(), 1);
    QCOMPARE(impatient.Err(), WaitingLine() + "Quillon: the Quillon window on " + folder +
                                  " did not finish the command line within 300 milliseconds.\n");

    // Command lines run in the order they came: once the next one has run,
    // the withdrawn one would have too.
    dialog.close();
    TCaller next(*dir, {"/x=" + QString::fromStdString(dir->File("out.txt"))});
    QVERIFY(next.Finished());
    QCOMPARE(next.ExitCode(), 0);
    QVERIFY(dir->Exists("out.txt"));
    QVERIFY(!dir->Exists("hosts"));
}

void TestHandOver::secondStartOfTheWindowBringsTheFirstToTheFront()
{
    QWidget other;
    other.show();
    other.activateWindow();
    QTRY_VERIFY(other.isActiveWindow());

    // A platform of its own kind counts as a display: this is a window start.
    TCaller second(*dir, {}, {"QT_QPA_PLATFORM=minimal"});
    QVERIFY(second.Finished());

    QCOMPARE(second.ExitCode(), 0);
    QCOMPARE(second.Out() + second.Err(), QString());
    QTRY_VERIFY(form->isActiveWindow());
}

void TestHandOver::folderInUseRefusesAnotherWindow_data()
{
    QTest::addColumn<bool>("heldByAWindow");
    QTest::newRow("a window") << true;
    QTest::newRow("a command-line run") << false;
}

void TestHandOver::folderInUseRefusesAnotherWindow()
{
    QFETCH(bool, heldByAWindow);
    std::unique_ptr<platform::TFolderLock> run;
    if (!heldByAWindow) {
        form.reset();
        run = platform::TFolderLock::TryAcquire(dir->Path());
        QVERIFY(run);
    }

    try {
        TMainForm second(dir->Path());
        QFAIL("a second window opened the tables");
    } catch (const EQuillonError& e) {
        QCOMPARE(QString(e.what()), "The data folder " + folder + " is in use by process " +
                                        QString::number(QCoreApplication::applicationPid()) + ".");
    }
    // The window that owns the folder keeps its data module.
    QCOMPARE(QuillonData != nullptr, heldByAWindow);

    // Once the holder has gone, the folder is free.
    if (heldByAWindow)
        QVERIFY(form->close());
    run.reset();
    TMainForm next(dir->Path());
    QVERIFY(next.DatabaseOpen());
}

QTEST_MAIN(TestHandOver)
#include "tst_handover.moc"
