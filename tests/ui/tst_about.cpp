// The about window: caption, version label, link hover and clicks, OK, size and placement.
#include "ui/About.h"

#include "support/FindChild.h"

#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

namespace {

// Records the links' shell calls instead of starting a browser or mail program.
class TShellRecorder {
public:
    TShellRecorder() : previous(AboutShellOpen)
    {
        AboutShellOpen = [this](const std::string& address) {
            calls.push_back(address);
            return false;   // a missing program must not matter
        };
    }
    ~TShellRecorder() { AboutShellOpen = previous; }
    std::vector<std::string> calls;

private:
    std::function<bool(const std::string&)> previous;
};

void Enter(QWidget* w)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(w, &enter);
}

void Leave(QWidget* w)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(w, &leave);
}

}   // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void captionAndVersion();
    void hoverRestoresLink_data();
    void hoverRestoresLink();
    void linkClicks_data();
    void linkClicks();
    void okCloses_data();
    void okCloses();
    void textsFit_data();
    void textsFit();
    void centredOverParent();
};

void TestAbout::captionAndVersion()
{
    TAboutForm form;
    QCOMPARE(form.objectName(), QString("AboutForm"));
    QCOMPARE(form.windowTitle(), QString("About Quillon"));
    QCOMPARE(Find<QLabel>(&form, "Image1")->size(), QSize(32, 32));
    QVERIFY(!Find<QLabel>(&form, "Image1")->pixmap().isNull());
    form.show();
    QCOMPARE(Find<QLabel>(&form, "lblAppName")->text(), QString("Quillon 4.100"));
    QCOMPARE(Find<QLabel>(&form, "stWebsite")->text(), QString("Website: https://quillon.example.org/"));
    QCOMPARE(Find<QLabel>(&form, "stSupport")->text(), QString("Support: support@quillon.example.org"));
}

void TestAbout::hoverRestoresLink_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("other");
    QTest::newRow("website") << "stWebsite"
                             << "stSupport";
    QTest::newRow("support") << "stSupport"
                             << "stWebsite";
}

void TestAbout::hoverRestoresLink()
{
    QFETCH(QString, link);
    QFETCH(QString, other);

    TAboutForm form;
    form.show();
    QLabel* hovered = Find<QLabel>(&form, link);
    QLabel* untouched = Find<QLabel>(&form, other);
    const QFont font = hovered->font();
    const QColor colour = hovered->palette().color(QPalette::WindowText);
    QVERIFY(!font.underline());
    QCOMPARE(colour, form.palette().color(QPalette::WindowText));

    Enter(hovered);
    QVERIFY(hovered->font().underline());
    QCOMPARE(hovered->palette().color(QPalette::WindowText),
             form.palette().color(QPalette::Active, QPalette::Highlight));
    QVERIFY(!untouched->font().underline());

    Leave(hovered);
    QCOMPARE(hovered->font(), font);
    QCOMPARE(hovered->palette().color(QPalette::WindowText), colour);

    // A second pass ends the same way.
    Enter(hovered);
    Leave(hovered);
    QCOMPARE(hovered->font(), font);
    QCOMPARE(hovered->palette().color(QPalette::WindowText), colour);
}

void TestAbout::linkClicks_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("address");
    QTest::newRow("website") << "stWebsite"
                             << "https://quillon.example.org/";
    QTest::newRow("support") << "stSupport"
                             << "mailto:support@quillon.example.org?subject=Quillon 4.100";
}

void TestAbout::linkClicks()
{
    QFETCH(QString, link);
    QFETCH(QString, address);

    TShellRecorder shell;
    TAboutForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(Find<QLabel>(&form, link), Qt::LeftButton);
    QCOMPARE(shell.calls.size(), size_t(1));
    QCOMPARE(QString::fromStdString(shell.calls[0]), address);
    // The window stays open: the links only hand the address on.
    QVERIFY(form.isVisible());
    if (link == "stSupport")
        QVERIFY(address.endsWith("?subject=" + Find<QLabel>(&form, "lblAppName")->text()));
}

void TestAbout::okCloses_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::newRow("click OK") << false;
    QTest::newRow("Return key") << true;
}

void TestAbout::okCloses()
{
    QFETCH(bool, byKey);

    TAboutForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    if (byKey)
        QTest::keyClick(&form, Qt::Key_Return);
    else
        QTest::mouseClick(Find<QPushButton>(&form, "btnOK"), Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestAbout::textsFit_data()
{
    QTest::addColumn<int>("pointSize");
    QTest::newRow("platform font") << 0;
    QTest::newRow("small font") << 7;
    QTest::newRow("large font") << 16;
}

void TestAbout::textsFit()
{
    QFETCH(int, pointSize);

    const QFont appFont = QApplication::font();
    if (pointSize > 0) {
        QFont font = appFont;
        font.setPointSize(pointSize);
        QApplication::setFont(font);
    }
    {
        TAboutForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // Never smaller than designed, and no wider than its texts need.
        QVERIFY(form.width() >= TAboutForm::ClientWidth);
        QVERIFY(form.height() >= TAboutForm::ClientHeight);
        QCOMPARE(form.minimumSize(), form.maximumSize());
        for (const char* name : {"lblAppName", "lblNotice", "stWebsite", "stSupport"}) {
            const QLabel* label = Find<QLabel>(&form, name);
            QVERIFY2(label->width() >= label->sizeHint().width() &&
                         label->height() >= label->sizeHint().height() &&
                         form.rect().contains(label->geometry()),
                     name);
        }
        QWidget* ok = Find<QPushButton>(&form, "btnOK");
        QVERIFY(form.rect().contains(ok->geometry()));
        // The hovered, underlined link takes no more room than the plain one.
        Enter(Find<QLabel>(&form, "stSupport"));
        const QLabel* support = Find<QLabel>(&form, "stSupport");
        QVERIFY(support->width() >= support->sizeHint().width());
    }
    QApplication::setFont(appFont);
}

void TestAbout::centredOverParent()
{
    QWidget parent;
    parent.setGeometry(40, 60, 500, 300);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    TAboutForm form(&parent);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QPoint offset = form.frameGeometry().center() - parent.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2,
             qPrintable(QString("off by %1, %2").arg(offset.x()).arg(offset.y())));
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
