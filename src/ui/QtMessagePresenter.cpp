// Qt message box presenter: kind's sound and icon, fixed button captions, placement over the owner.
#include "ui/QtMessagePresenter.h"

#include "platform/Platform.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QWidget>

QPoint PlaceMessageDialog(const QRect& owner, const QSize& dlg, const QRect& screen)
{
    int left = owner.left() + owner.width() / 2 - dlg.width() / 2;
    int top = owner.top() + owner.height() / 2 - dlg.height() / 2;
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;
    // Right and bottom edges first, so a dialog larger than the screen keeps its
    // top-left corner (and title bar) visible.
    if (left + dlg.width() > screen.left() + screen.width())
        left = screen.left() + screen.width() - dlg.width();
    if (left < screen.left())
        left = screen.left();
    if (top + dlg.height() > screen.top() + screen.height())
        top = screen.top() + screen.height() - dlg.height();
    if (top < screen.top())
        top = screen.top();
    return {left, top};
}

namespace {

// Qt places a dialog in its showEvent once its size is final; this one then
// moves itself to where the program's messages belong.
class TPlacedMessageBox : public QMessageBox {
public:
    explicit TPlacedMessageBox(QWidget* owner) : QMessageBox(owner), owner(owner) {}

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        const QSize size = frameGeometry().size();
        QRect around;
        QScreen* screen = nullptr;
        if (owner) {
            around = owner->frameGeometry();
            // The dialog's centre falls on the owner's centre: that monitor shows it.
            screen = QGuiApplication::screenAt(around.center());
            if (!screen)
                screen = owner->screen();
        } else {
            screen = QGuiApplication::primaryScreen();
            if (screen)
                around = screen->geometry();
        }
        if (!screen)
            return;
        move(PlaceMessageDialog(around, size, screen->availableGeometry()));
    }

private:
    QWidget* owner;
};

QMessageBox::Icon IconOf(TMsgDlgType kind)
{
    switch (kind) {
    case TMsgDlgType::mtWarning: return QMessageBox::Warning;
    case TMsgDlgType::mtError: return QMessageBox::Critical;
    case TMsgDlgType::mtInformation: return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
    case TMsgDlgType::mtCustom: return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

void PlaySound(unsigned sound)
{
#ifdef _WIN32
    platform::MessageBeep(sound);
#else
    // One beep is all the desktop offers here, whatever the kind.
    (void)sound;
    QApplication::beep();
#endif
}

} // namespace

TQtMessagePresenter::TQtMessagePresenter() { SetMessagePresenter(this); }

TQtMessagePresenter::~TQtMessagePresenter()
{
    if (&MessagePresenter() == this)
        SetMessagePresenter(nullptr);
}

int TQtMessagePresenter::Present(const TMessageRequest& request)
{
    PlaySound(request.sound);

    TPlacedMessageBox box(static_cast<QWidget*>(request.owner));
    box.setObjectName("MessageDlg");
    box.setIcon(IconOf(request.kind));
    box.setWindowTitle(QString::fromStdString(request.caption));
    box.setText(QString::fromStdString(request.text).replace("\r\n", "\n"));
    box.setTextFormat(Qt::PlainText);
    // Help files and contexts are carried for callers but there is no help
    // button: help pages open from the windows themselves.

    // Captions are set here so they do not depend on Qt's translations.
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    if (request.buttons & mbYes) {
        yes = box.addButton(QMessageBox::Yes);
        yes->setText("&Yes");
        yes->setObjectName("btnYes");
    }
    if (request.buttons & mbNo) {
        no = box.addButton(QMessageBox::No);
        no->setText("&No");
        no->setObjectName("btnNo");
    }
    if ((request.buttons & mbOK) || !(request.buttons & (mbYes | mbNo | mbCancel))) {
        ok = box.addButton(QMessageBox::Ok);
        ok->setText("OK");
        ok->setObjectName("btnOK");
    }
    if (request.buttons & mbCancel) {
        cancel = box.addButton(QMessageBox::Cancel);
        cancel->setText("Cancel");
        cancel->setObjectName("btnCancel");
    }
    box.setDefaultButton(ok ? ok : yes ? yes : no ? no : cancel);
    // Escape and the close box answer the question in the negative.
    QPushButton* escape = cancel ? cancel : no ? no : ok ? ok : yes;
    box.setEscapeButton(escape);

    box.exec();

    const QAbstractButton* clicked = box.clickedButton();
    if (!clicked)
        clicked = escape;
    if (clicked == yes)
        return mrYes;
    if (clicked == no)
        return mrNo;
    if (clicked == ok)
        return mrOk;
    return mrCancel;
}
