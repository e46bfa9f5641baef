// The about window: program name and version, notice line, web-site and support links.
#include "ui/About.h"

#include "platform/Platform.h"
#include "ui/Icons.h"
#include "ui/WindowFrame.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

std::function<bool(const std::string&)> AboutShellOpen = [](const std::string& address) {
    return platform::ShellOpen(address);
};

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text = {})
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

}   // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent)
{
    setObjectName("AboutForm");
    CentreOverMainWindow(this);
    setWindowTitle("About Quillon");
    // Fixed dialog border: title and close button only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    Image1 = MakeLabel(this, "Image1");
    Image1->setFixedSize(32, 32);
    Image1->setPixmap(AppIcon().pixmap(QSize(32, 32), devicePixelRatio()));

    lblAppName = MakeLabel(this, "lblAppName");
    QFont bold = lblAppName->font();
    bold.setBold(true);
    lblAppName->setFont(bold);
    // Empty until shown: reserve room for the text it gets then.
    lblAppName->setMinimumSize(QFontMetrics(bold).size(0, QuillonVersionText));
    lblNotice = MakeLabel(this, "lblNotice", "Keeps your HOSTS file in order.");

    stWebsite = MakeLabel(this, "stWebsite", QStringLiteral("Website: ") + QuillonWebsite);
    stSupport = MakeLabel(this, "stSupport", QStringLiteral("Support: ") + QuillonSupportMail);
    for (QLabel* link : {stWebsite, stSupport}) {
        // The link's own copy of the window's font, so hovering changes only this label.
        link->setFont(font());
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }

    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(lblAppName);
    texts->addWidget(lblNotice);
    texts->addSpacing(10);
    texts->addWidget(stWebsite);
    texts->addWidget(stSupport);
    texts->addStretch();

    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(12, 12, 12, 10);
    form->setSpacing(6);
    form->addLayout(top, 1);
    form->addWidget(btnOK, 0, Qt::AlignHCenter);

    // The designed size, grown only as far as a larger platform font needs;
    // the stretch below the links takes up any spare height.
    const QSize needed = form->sizeHint();
    setFixedSize(qMax(ClientWidth, needed.width()), qMax(ClientHeight, needed.height()));
}

void TAboutForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TAboutForm::FormShow() { lblAppName->setText(QuillonVersionText); }

bool TAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    auto* link = qobject_cast<QLabel*>(watched);
    if (link != stWebsite && link != stSupport)
        return QDialog::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::Enter:
        LinkMouseEnter(link);
        break;
    case QEvent::Leave:
        LinkMouseLeave(link);
        break;
    case QEvent::MouseButtonRelease: {
        // A click is a left press released over the link.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && link->rect().contains(mouse->position().toPoint())) {
            if (link == stWebsite)
                stWebsiteClick();
            else
                stSupportClick();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutForm::LinkMouseEnter(QLabel* link)
{
    QPalette colours = link->palette();
    colours.setColor(QPalette::WindowText, palette().color(QPalette::Active, QPalette::Highlight));
    link->setPalette(colours);
    QFont underlined = link->font();
    underlined.setUnderline(true);
    link->setFont(underlined);
}

void TAboutForm::LinkMouseLeave(QLabel* link)
{
    QPalette colours = link->palette();
    colours.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    link->setPalette(colours);
    QFont plain = link->font();
    plain.setUnderline(false);
    link->setFont(plain);
}

void TAboutForm::stWebsiteClick()
{
    if (AboutShellOpen)
        AboutShellOpen(QuillonWebsite);
}

void TAboutForm::stSupportClick()
{
    if (AboutShellOpen)
        AboutShellOpen(std::string("mailto:") + QuillonSupportMail + "?subject=" + QuillonVersionText);
}
