// Message dialogs: placement over the owner, button captions and results, Escape and the close box.
#include "ui/QtMessagePresenter.h"

#include "ui/WindowFrame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs act on the message box once it is up; modal exec() blocks the caller.
void WhenShown(std::function<void(QMessageBox*)> act)
{
    QTimer::singleShot(0, [act] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            act(box);
        else
            WhenShown(act);
    });
}

}   // namespace

class TestMessageDlg : public QObject {
    Q_OBJECT

private slots:
    void placement_data();
    void placement();
    void placementCountsTheFrame_data();
    void placementCountsTheFrame();
    void answers_data();
    void answers();
    void showsKindAndText();
    void opensOverOwner();
    void wideEnoughForItsCaption_data();
    void wideEnoughForItsCaption();
    void captionInTheTitleBarsFont_data();
    void captionInTheTitleBarsFont();
};

void TestMessageDlg::placement_data()
{
    QTest::addColumn<QRect>("owner");
    QTest::addColumn<QSize>("dlg");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("expected");

    const QRect screen(0, 0, 1024, 768);
    QTest::newRow("centred, even sizes")
        << QRect(100, 100, 400, 300) << QSize(200, 100) << screen << QPoint(200, 200);
    // 101/2 = 50 and 51/2 = 25: each half drops its fraction on its own.
    QTest::newRow("centred, odd sizes")
        << QRect(10, 20, 101, 77) << QSize(51, 33) << screen << QPoint(35, 42);
    QTest::newRow("small owner at top-left corner")
        << QRect(0, 0, 100, 50) << QSize(300, 120) << screen << QPoint(0, 0);
    QTest::newRow("owner near right edge")
        << QRect(900, 100, 120, 100) << QSize(300, 100) << screen << QPoint(724, 100);
    QTest::newRow("owner near bottom edge")
        << QRect(100, 700, 200, 60) << QSize(200, 150) << screen << QPoint(100, 618);
    QTest::newRow("owner partly off the bottom-right")
        << QRect(1000, 750, 200, 200) << QSize(300, 200) << screen << QPoint(724, 568);
    QTest::newRow("second monitor to the right")
        << QRect(1500, 300, 400, 300) << QSize(200, 100) << QRect(1024, 0, 1280, 1024) << QPoint(1600, 400);
    QTest::newRow("pushed onto a monitor's left edge")
        << QRect(1000, 300, 100, 100) << QSize(300, 100) << QRect(1024, 0, 1280, 1024) << QPoint(1024, 300);
    QTest::newRow("work area below a top panel")
        << QRect(0, 0, 200, 60) << QSize(100, 100) << QRect(0, 30, 1024, 738) << QPoint(50, 30);
}

void TestMessageDlg::placement()
{
    QFETCH(QRect, owner);
    QFETCH(QSize, dlg);
    QFETCH(QRect, screen);
    QFETCH(QPoint, expected);
    QCOMPARE(CentreOver(owner, dlg, screen), expected);
}

void TestMessageDlg::placementCountsTheFrame_data()
{
    QTest::addColumn<QRect>("owner");      // the owner's frame
    QTest::addColumn<QSize>("client");     // the box without its frame
    QTest::addColumn<QMargins>("frame");   // left, top, right, bottom
    QTest::addColumn<QRect>("expected");   // where the box's client area goes

    // On a screen of 1280 x 1000. A title bar of 20 and borders of 1: the frame, 204 x 105, lands at 499,373.
    QTest::newRow("owner at 400,300")
        << QRect(400, 300, 402, 251) << QSize(202, 84) << QMargins(1, 20, 1, 1) << QRect(500, 393, 202, 84);
    QTest::newRow("no frame") << QRect(400, 300, 402, 251) << QSize(202, 84) << QMargins()
                              << QRect(500, 383, 202, 84);
    QTest::newRow("frame pushed onto the screen")
        << QRect(1100, 900, 402, 251) << QSize(202, 84) << QMargins(1, 20, 1, 5) << QRect(1077, 911, 202, 84);
    QTest::newRow("title bar kept on screen")
        << QRect(0, 0, 100, 60) << QSize(300, 100) << QMargins(4, 30, 4, 4) << QRect(4, 30, 300, 100);
}

void TestMessageDlg::placementCountsTheFrame()
{
    QFETCH(QRect, owner);
    QFETCH(QSize, client);
    QFETCH(QMargins, frame);
    QFETCH(QRect, expected);
    QCOMPARE(CentredGeometry(owner, client, frame, QRect(0, 0, 1280, 1000)), expected);
}

void TestMessageDlg::answers_data()
{
    QTest::addColumn<unsigned>("buttons");
    QTest::addColumn<QString>("action");   // a button's objectName, "escape" or "close"
    QTest::addColumn<int>("expected");

    QTest::newRow("Yes") << unsigned(mbYes | mbNo) << "btnYes" << int(mrYes);
    QTest::newRow("No") << unsigned(mbYes | mbNo) << "btnNo" << int(mrNo);
    QTest::newRow("Escape on a question") << unsigned(mbYes | mbNo) << "escape" << int(mrNo);
    QTest::newRow("close box on a question") << unsigned(mbYes | mbNo) << "close" << int(mrNo);
    QTest::newRow("OK") << unsigned(mbOK) << "btnOK" << int(mrOk);
    QTest::newRow("Escape on a message") << unsigned(mbOK) << "escape" << int(mrOk);
    QTest::newRow("Cancel") << unsigned(mbOK | mbCancel) << "btnCancel" << int(mrCancel);
    QTest::newRow("Escape with Cancel") << unsigned(mbOK | mbCancel) << "escape" << int(mrCancel);
}

void TestMessageDlg::answers()
{
    QFETCH(unsigned, buttons);
    QFETCH(QString, action);
    QFETCH(int, expected);

    TQtMessagePresenter presenter;
    WhenShown([action](QMessageBox* box) {
        if (action == "escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else if (action == "close")
            box->close();
        else
            box->findChild<QPushButton*>(action)->click();
    });
    QCOMPARE(ShowMessageDlg("Question?", "Caption", TMsgDlgType::mtConfirmation, {}, 0, nullptr, buttons),
             expected);
}

void TestMessageDlg::showsKindAndText()
{
    TQtMessagePresenter presenter;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList captions;
    WhenShown([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        for (QAbstractButton* b : box->buttons())
            captions << b->text();
        box->findChild<QPushButton*>("btnNo")->click();
    });
    QVERIFY(!ConfirmDlg("Host exists.\r\nMove it?", "Add Host"));
    QCOMPARE(title, QString("Add Host"));
    QCOMPARE(text, QString("Host exists.\nMove it?"));
    QCOMPARE(icon, QMessageBox::Question);
    captions.sort();
    QCOMPARE(captions, QStringList({"&No", "&Yes"}));
}

void TestMessageDlg::opensOverOwner()
{
    TQtMessagePresenter presenter;
    QWidget owner;
    owner.setGeometry(100, 100, 500, 400);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    QRect ownerFrame, boxFrame, screen;
    WhenShown([&](QMessageBox* box) {
        ownerFrame = owner.frameGeometry();
        boxFrame = box->frameGeometry();
        screen = box->screen()->availableGeometry();
        box->findChild<QPushButton*>("btnOK")->click();
    });
    InfoDlg("Done.", "Export", &owner);
    QCOMPARE(boxFrame.topLeft(), CentreOver(ownerFrame, boxFrame.size(), screen));
}

void TestMessageDlg::wideEnoughForItsCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    QTest::newRow("short text") << "Add Host"
                                << "Please select a group";
    QTest::newRow("long caption") << "Existing Host, Different Group"
                                  << "Moved.";
    QTest::newRow("no text") << "Good Host Gone Bad?"
                             << "";
}

// The title bar shows the caption in its own, usually bold, font beside the
// window's icon and buttons; a box sized for a short text would cut it.
void TestMessageDlg::wideEnoughForItsCaption()
{
    QFETCH(QString, caption);
    QFETCH(QString, text);

    TQtMessagePresenter presenter;
    int width = 0, height = 0;
    QFont font;
    WhenShown([&](QMessageBox* box) {
        width = box->width();
        height = box->height();
        font = box->font();
        box->findChild<QPushButton*>("btnOK")->click();
    });
    InfoDlg(text.toStdString(), caption.toStdString());

    font.setBold(true);
    const QFontMetrics title(font);
    // Room for the caption, the icon and three buttons of a title bar at least a line high.
    const int needed = title.horizontalAdvance(caption) + 4 * title.height();
    QVERIFY2(width >= needed, qPrintable(QString("%1 < %2").arg(width).arg(needed)));
    QVERIFY(height < 200);   // wider, not taller
}

void TestMessageDlg::captionInTheTitleBarsFont_data()
{
    QTest::addColumn<int>("appPixels");   // the program's font
    QTest::addColumn<int>("titleBar");    // the title bar's height, as the frame tells it

    QTest::newRow("small program font, usual title bar") << 6 << 19;
    QTest::newRow("usual program font and title bar") << 12 << 19;
    QTest::newRow("large title bar") << 12 << 30;
}

// The window manager draws the caption in its own font, which fits its
// title bar whatever the program's font is: a program font smaller than
// that must not make the box too narrow for the caption ("A... st").
void TestMessageDlg::captionInTheTitleBarsFont()
{
    QFETCH(int, appPixels);
    QFETCH(int, titleBar);

    QFont appFont;
    appFont.setPixelSize(appPixels);
    QFont titleFont;
    titleFont.setPixelSize(titleBar / 2);
    titleFont.setBold(true);
    const QString caption = "Existing Host, Different Group";
    // The caption in a font half the title bar high, and the icon and three buttons.
    const int needed = QFontMetrics(titleFont).horizontalAdvance(caption) + 4 * titleBar;
    const int width = CaptionWidth(caption, appFont, titleBar);
    QVERIFY2(width >= needed, qPrintable(QString("%1 < %2").arg(width).arg(needed)));
}

QTEST_MAIN(TestMessageDlg)
#include "tst_messagedlg.moc"
