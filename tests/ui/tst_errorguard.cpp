// The error guard: reports, guarded slots, the application's last line of defence and headless exit.
#include "ui/ErrorGuard.h"

#include "core/AppHooks.h"
#include "platform/Errors.h"
#include "support/ScriptedPresenter.h"

#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <cstring>
#include <stdexcept>

namespace {

constexpr const char* HeadlessFailureSwitch = "--headless-failure";

// What was on screen while the error was reported.
class TCursorProbe : public IMessagePresenter {
public:
    TCursorProbe() : previous(&MessagePresenter()) { SetMessagePresenter(this); }
    ~TCursorProbe() override { SetMessagePresenter(previous); }
    int Present(const TMessageRequest&) override
    {
        busyWhileReported = QApplication::overrideCursor() != nullptr;
        return mrOk;
    }
    bool busyWhileReported = true;

private:
    IMessagePresenter* previous;
};

const QEvent::Type ThrowingEvent = QEvent::Type(QEvent::User + 1);

class TThrowingWidget : public QWidget {
protected:
    bool event(QEvent* e) override
    {
        if (e->type() == ThrowingEvent)
            throw EQuillonError("Cannot read \"BadHosts.cds\": Input/output error");
        return QWidget::event(e);
    }
};

class TWindow : public QWidget {
public:
    int calls = 0;
    void Fail()
    {
        ++calls;
        throw EQuillonError("groups dialog failed");
    }
};

}   // namespace

class TestErrorGuard : public QObject {
    Q_OBJECT

private slots:
    void reports_data();
    void reports();
    void guardedSlotPassesArgumentsAndReports();
    void guardedSlotCallsMemberOfItsWindow();
    void busyCursorIsRestoredBeforeTheReport();
    void applicationReportsEscapedErrors();
    void headlessPrintsAndEndsWithStatus1();
};

void TestErrorGuard::reports_data()
{
    QTest::addColumn<int>("thrown");   // 0 nothing, 1 EQuillonError, 2 std::exception, 3 other
    QTest::addColumn<QString>("text");

    QTest::newRow("no failure") << 0 << "";
    QTest::newRow("program error") << 1 << "Cannot create file \"/tmp/x/GoodHosts.cds\": Permission denied";
    QTest::newRow("standard exception") << 2 << "vector::_M_range_check";
    QTest::newRow("anything else") << 3 << "Unexpected error.";
}

void TestErrorGuard::reports()
{
    QFETCH(int, thrown);
    QFETCH(QString, text);

    TScriptedPresenter presenter;
    QWidget owner;
    const bool completed = Guarded(&owner, [&] {
        if (thrown == 1)
            throw EQuillonError(text.toStdString());
        if (thrown == 2)
            throw std::out_of_range(text.toStdString());
        if (thrown == 3)
            throw 42;
    });

    QCOMPARE(completed, thrown == 0);
    if (thrown == 0) {
        QVERIFY(presenter.shown.empty());
        return;
    }
    QCOMPARE(presenter.shown.size(), size_t(1));
    const TMessageRequest& m = presenter.Last();
    QCOMPARE(m.caption, std::string("Quillon"));
    QCOMPARE(QString::fromStdString(m.text), text);
    QCOMPARE(m.kind, TMsgDlgType::mtError);
    QCOMPARE(m.buttons, TMsgDlgButtons(mbOK));
    QCOMPARE(m.owner, static_cast<TOwner>(&owner));
}

void TestErrorGuard::guardedSlotPassesArgumentsAndReports()
{
    TScriptedPresenter presenter;
    QWidget window;
    auto* button = new QPushButton(&window);
    button->setObjectName("btnTest");
    button->setCheckable(true);
    bool received = false;
    QObject::connect(button, &QPushButton::clicked, &window, GuardedSlot(&window, [&](bool checked) {
                         received = checked;
                         throw EQuillonError("write failed");
                     }));
    button->click();
    QVERIFY(received);
    QCOMPARE(presenter.shown.size(), size_t(1));
    QCOMPARE(presenter.Last().text, std::string("write failed"));
    QCOMPARE(presenter.Last().owner, static_cast<TOwner>(&window));
}

void TestErrorGuard::guardedSlotCallsMemberOfItsWindow()
{
    TScriptedPresenter presenter;
    TWindow window;
    auto* button = new QPushButton(&window);
    button->setObjectName("btnGroups");
    QObject::connect(button, &QPushButton::clicked, &window, GuardedSlot(&window, &TWindow::Fail));
    button->click();
    button->click();
    QCOMPARE(window.calls, 2);
    QCOMPARE(presenter.shown.size(), size_t(2));
    QCOMPARE(presenter.Last().text, std::string("groups dialog failed"));
    QCOMPARE(presenter.Last().owner, static_cast<TOwner>(&window));
}

void TestErrorGuard::busyCursorIsRestoredBeforeTheReport()
{
    TCursorProbe probe;
    Guarded(nullptr, [] {
        TBusyCursor busy;
        QVERIFY(QApplication::overrideCursor());
        throw EQuillonError("import failed");
    });
    QVERIFY(!probe.busyWhileReported);
    QVERIFY(!QApplication::overrideCursor());
}

void TestErrorGuard::applicationReportsEscapedErrors()
{
    TScriptedPresenter presenter;
    QWidget window;
    auto* child = new TThrowingWidget;
    child->setParent(&window);

    QEvent sent(ThrowingEvent);
    QVERIFY(!QCoreApplication::sendEvent(child, &sent));
    QCoreApplication::postEvent(child, new QEvent(ThrowingEvent));
    QCoreApplication::processEvents();

    QCOMPARE(presenter.shown.size(), size_t(2));
    for (const TMessageRequest& m : presenter.shown) {
        QCOMPARE(m.caption, std::string("Quillon"));
        QCOMPARE(m.text, std::string("Cannot read \"BadHosts.cds\": Input/output error"));
        QCOMPARE(m.owner, static_cast<TOwner>(&window));
    }
}

void TestErrorGuard::headlessPrintsAndEndsWithStatus1()
{
    QProcess self;
    self.start(QCoreApplication::applicationFilePath(), {HeadlessFailureSwitch});
    QVERIFY(self.waitForFinished());
    QCOMPARE(self.exitStatus(), QProcess::NormalExit);
    QCOMPARE(self.exitCode(), 1);
    // Qt may warn about its environment first; the report is the last line.
    const QByteArray err = self.readAllStandardError();
    QVERIFY2(err.endsWith("\nQuillon: Cannot write \"Quillon.ini\"\n") ||
                 err == "Quillon: Cannot write \"Quillon.ini\"\n",
             err.constData());
    QCOMPARE(self.readAllStandardOutput(), QByteArray());
}

// The guard ends a headless program, so that case runs in a child process.
int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], HeadlessFailureSwitch) == 0) {
        SetHeadless(true);
        Guarded(nullptr, [] { throw EQuillonError("Cannot write \"Quillon.ini\""); });
        return 0;
    }
    TestErrorGuard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_errorguard.moc"
