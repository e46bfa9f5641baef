// Saves pictures of the program's windows (offscreen) into a folder, for looking at them.
#include "core/DataUnit.h"
#include "core/Messages.h"
#include "ui/ErrorGuard.h"
#include "ui/MainUnit.h"
#include "ui/QtMessagePresenter.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

// Grabs whatever modal dialog is up, saves it and closes it.
void GrabModalLater(const QString& file)
{
    QTimer::singleShot(200, [file] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            w->grab().save(file);
            w->close();
        }
    });
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("shots");
    QDir().mkpath(out);
    TQtMessagePresenter presenter;

    QTemporaryDir data;
    {
        TMainForm form(data.path().toStdString());
        QuillonData->Prefs().HostsFile = (data.path() + "/hosts").toStdString();
        form.show();
        QApplication::processEvents();
        form.grab().save(out + "/main.png");

        GrabModalLater(out + "/confirm.png");
        ConfirmDlg("This host is listed as a Good Host with the IP address 10.0.0.9!\r\n"
                   "Do you want to change it to a Bad Host?",
                   "Good Host Gone Bad?", &form);
        GrabModalLater(out + "/info.png");
        InfoDlg("This host already exists in this group.", "Duplicate Host", &form);
        GrabModalLater(out + "/error.png");
        ErrorDlg("Cannot write file /tmp/x/BadHosts.cds: No space left on device", AppTitle, &form);
        form.close();
    }
    std::printf("saved in %s\n", qPrintable(out));
    return 0;
}
