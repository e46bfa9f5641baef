// Qt message box presenter: kind's sound and icon, fixed button captions, placement over the owner.
#include "ui/QtMessagePresenter.h"

#include "platform/Platform.h"
#include "ui/WindowFrame.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QSpacerItem>
#include <QWidget>

#include <algorithm>

int CaptionWidth(const QString& caption, const QFont& font, int titleBar)
{
    QFont bold = font;
    bold.setBold(true);
    if (titleBar <= 0)
        titleBar = QFontMetrics(bold).height() + 8;
    // The window manager draws the caption in a font of its own, one that
    // fits its title bar, however small the program's font is.
    bold.setPixelSize(std::max(QFontInfo(bold).pixelSize(), titleBar * 3 / 5));
    // The icon and up to three buttons, each about as wide as the title bar
    // is high, with a margin on either side: the centred caption needs the
    // room of the wider side on both sides.
    return QFontMetrics(bold).horizontalAdvance(caption) + 6 * titleBar;
}

namespace {

// Qt sizes a message box in its showEvent; this one then places its frame
// where the program's messages belong.
class TPlacedMessageBox : public QMessageBox {
public:
    explicit TPlacedMessageBox(QWidget* owner) : QMessageBox(owner), owner(owner) {}

    // Qt sizes the box for its text and buttons; the caption must fit as well.
    void FitCaption()
    {
        auto* grid = qobject_cast<QGridLayout*>(layout());
        if (!grid)
            return;
        // The title bar: the frame's top less the border all round.
        const QMargins frame = FrameMargins(this);
        const int width = CaptionWidth(windowTitle(), font(), frame.top() - frame.bottom());
        const QMargins inside = grid->contentsMargins();
        grid->addItem(new QSpacerItem(width - inside.left() - inside.right(), 0, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        PlaceCentred(this, owner);
    }

private:
    QWidget* owner;
};

QMessageBox::Icon IconOf(TMsgDlgType kind)
{
    switch (kind) {
    case TMsgDlgType::mtWarning:
        return QMessageBox::Warning;
    case TMsgDlgType::mtError:
        return QMessageBox::Critical;
    case TMsgDlgType::mtInformation:
        return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation:
        return QMessageBox::Question;
    case TMsgDlgType::mtCustom:
        return QMessageBox::NoIcon;
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

}   // namespace

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
    box.FitCaption();
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
