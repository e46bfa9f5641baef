// Saves pictures of the program's windows (offscreen) into a folder, for looking at them.
#include "core/DataUnit.h"
#include "core/Messages.h"
#include "ui/About.h"
#include "ui/BadHostBrowse.h"
#include "ui/BadHostEdit.h"
#include "ui/DBGrid.h"
#include "ui/ErrorGuard.h"
#include "ui/ExportHosts.h"
#include "ui/GoodHostBrowse.h"
#include "ui/GoodHostEdit.h"
#include "ui/GroupBrowse.h"
#include "ui/GroupEdit.h"
#include "ui/GroupMove.h"
#include "ui/GroupPick.h"
#include "ui/Icons.h"
#include "ui/ImportHosts.h"
#include "ui/MainUnit.h"
#include "ui/Prefs.h"
#include "ui/QtMessagePresenter.h"
#include "ui/RegistryFile.h"
#include "ui/WindowState.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <memory>

namespace {

// The deferred start-up steps would put up the first-run question over every
// picture taken with empty tables; they get a picture of their own.
class TShotMainForm : public TMainForm {
public:
    using TMainForm::TMainForm;

protected:
    void FirstRun() override {}
    void CmdLine() override {}
};

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

// Every picture of the image list and the program icon at 16, 32 and 64
// pixels on one sheet (16 on a tool-bar grey strip), and the about window.
void SaveIconsAndAbout(const QString& out)
{
    QList<QIcon> icons;
    for (int i = 0; i < ImageCount; ++i)
        icons << ImageListIcon(i);
    icons << AppIcon();
    QImage sheet(8 + int(icons.size()) * 72, 172, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.fillRect(0, 0, sheet.width(), 28, QColor(0xef, 0xef, 0xef));
    for (int i = 0; i < icons.size(); ++i) {
        const int x = 8 + i * 72;
        painter.drawPixmap(x + 24, 6, icons[i].pixmap(16, 16));
        painter.drawPixmap(x + 16, 36, icons[i].pixmap(32, 32));
        painter.drawPixmap(x, 76, icons[i].pixmap(64, 64));
        painter.drawText(QRect(x, 146, 64, 20), Qt::AlignCenter,
                         i < ImageCount ? QString::number(i) : QStringLiteral("program"));
    }
    painter.end();
    sheet.save(out + "/icons.png");

    TAboutForm about;
    about.show();
    QApplication::processEvents();
    about.grab().save(out + "/about.png");
}

// A preferences file that points the HOSTS file into folder, written before
// any window starts, so no picture ever looks at the machine's own.
void WriteIni(const QString& folder, const QByteArray& extra = {})
{
    QFile ini(folder + "/Quillon.ini");
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Preferences]\nHostsFile=" + (folder + "/hosts").toLocal8Bit() +
                  "\nTextEditor=" + (folder + "/no-editor").toLocal8Bit() + "\n" + extra);
}

// A data module over a fresh folder whose preferences keep the HOSTS file and
// the editor inside it, with its tables open and the first group made.
struct TShotData {
    QTemporaryDir folder;
    std::unique_ptr<TQuillonData> data;

    QString Path() const { return folder.path(); }
    bool Open(const QByteArray& extraIni = {})
    {
        WriteIni(folder.path(), extraIni);
        data = std::make_unique<TQuillonData>(folder.path().toStdString());
        data->Prefs().LoadPrefs();
        if (!data->OpenDatabase())
            return false;
        TGroupList list;
        data->FillGroupList(list, false);
        return true;
    }
};

// The main window over a few groups in each state of the HOSTS file, and its
// Hosts menu while the file is disabled.
void SaveMainWindowStates(const QString& out)
{
    const struct {
        const char* picture;
        const char* file;   // the file that exists, if any
    } states[] = {{"main-present", "hosts"}, {"main-disabled", "hosts.Quillon"}, {"main-absent", nullptr}};
    for (const auto& state : states) {
        QTemporaryDir data;
        WriteIni(data.path(), "LastGroup=3\n");
        {
            TQuillonData seed(data.path().toStdString());
            seed.Prefs().LoadPrefs();
            seed.OpenDatabase();
            TGroupList list;
            seed.FillGroupList(list, false);
            seed.AddGroup("Advertising", false, false);
            seed.AddGroup("Trackers", true, false);
            seed.AddGroup("Malware", true, true);
            seed.AddGroup("Social Widgets", false, true);
            seed.SaveDatabase(false);
        }
        if (state.file) {
            QFile hosts(data.path() + "/" + state.file);
            if (hosts.open(QIODevice::WriteOnly))
                hosts.write("127.0.0.1\tlocalhost\n");
        }
        TShotMainForm form(data.path().toStdString());
        form.show();
        QApplication::processEvents();
        if (!state.file) {
            // Typed text shows whether the edits are tall enough for the font.
            form.findChild<QLineEdit*>("HostEdit")->setText("ads.doubleclick.example.com");
            form.findChild<QLineEdit*>("CommentEdit")->setText("Found in a banner, 2 Jan; O'Brien's list");
        }
        form.grab().save(out + "/" + state.picture + ".png");
        if (!state.file) {
            QComboBox* groups = form.findChild<QComboBox*>("cbxGroup");
            groups->showPopup();
            QApplication::processEvents();
            groups->view()->window()->grab().save(out + "/main-groups.png");
            groups->hidePopup();
        }
        if (state.file && QByteArray(state.file) == "hosts.Quillon") {
            QMenu* menu = form.findChild<QMenu*>("mnuHosts");
            menu->popup(form.mapToGlobal(QPoint(0, form.menuBar()->height())));
            QApplication::processEvents();
            menu->grab().save(out + "/main-hosts-menu.png");
            menu->close();
        }
        form.close();
    }
}

// The import dialog before and after a run over a generated list of a few
// thousand lines: groups, new and repeated hosts, good hosts and a few errors.
void SaveImportDialog(const QString& out)
{
    QTemporaryDir folder;
    const QString list = folder.path() + "/blocklist.txt";
    {
        QFile file(list);
        if (!file.open(QIODevice::WriteOnly))
            return;
        QByteArray text = "# Created by Quillon 4.1 - 1/2/2025\n127.0.0.1\tlocalhost\n";
        const char* groups[] = {"Advertising", "Trackers [R]", "Malware [RX]", "Social Widgets"};
        for (int g = 0; g < 4; ++g) {
            text += QByteArray("\n# ") + groups[g] + "\n";
            for (int i = 0; i < 900; ++i)
                text += "127.0.0.1\tads" + QByteArray::number(i % 700) + ".g" + QByteArray::number(g) +
                        ".example.com # list " + QByteArray::number(g) + "\n";
        }
        for (int i = 0; i < 40; ++i)
            text += "10.0.0." + QByteArray::number(i) + "\tintranet" + QByteArray::number(i) + ".example\n";
        text += "127.0.0.1\n300.1.1.1 bad.example\n";
        file.write(text);
    }
    WriteIni(folder.path(),
             "[Import]\nImportFile=" + list.toLocal8Bit() + "\nImportDefaultGroup=1\nImportWrite=0\n");
    TQuillonData data(folder.path().toStdString());
    data.Prefs().LoadPrefs();
    if (!data.OpenDatabase())
        return;
    TImportForm form(data);
    form.show();
    QApplication::processEvents();
    form.grab().save(out + "/import.png");

    // A longer list for a picture taken while the run is under way.
    const QString big = folder.path() + "/biglist.txt";
    {
        QFile file(big);
        if (!file.open(QIODevice::WriteOnly))
            return;
        QByteArray text;
        for (int i = 0; i < 300000; ++i)
            text += "0.0.0.0 tracker" + QByteArray::number(i) + ".example.net\n";
        file.write(text);
    }
    // Pressed as a user would, so Import is disabled and Close reads Cancel meanwhile.
    form.FileEdit->setText(big);
    QTimer::singleShot(150, &form, [&form, out] { form.grab().save(out + "/import-running.png"); });
    if (QPushButton* import = form.findChild<QPushButton*>("btnImport"))
        import->click();
    QApplication::processEvents();
    form.grab().save(out + "/import-big-done.png");

    form.FileEdit->setText(list);
    if (QPushButton* import = form.findChild<QPushButton*>("btnImport"))
        import->click();
    QApplication::processEvents();
    form.grab().save(out + "/import-done.png");
    form.close();
}

// The export dialog, idle, over a few groups with and without flags; the
// ones flagged exclude start unticked.
void SaveExportDialog(const QString& out)
{
    TShotData shot;
    if (!shot.Open("[Export]\nExportFile=" + (shot.Path() + "/blocklist.txt").toLocal8Bit() + "\n"))
        return;
    TQuillonData& data = *shot.data;
    data.AddGroup("Advertising", false, false);
    data.AddGroup("Trackers", true, false);
    data.AddGroup("Malware", true, true);
    data.AddGroup("Social Widgets", false, true);
    data.AddGroup("Cryptominers", false, false);
    TExportForm form(data);
    form.show();
    QApplication::processEvents();
    form.grab().save(out + "/export.png");
    form.close();
}

// The registry file dialog: idle with both REGEDIT4 files chosen (Create
// Uninstall ticked and disabled), after a run over two restricted groups, and
// with plain text chosen, which disables both REGEDIT4 options.
void SaveRegistryDialog(const QString& out)
{
    TShotData shot;
    if (!shot.Open("[Registry]\nRegistryFile=" + (shot.Path() + "/restricted.reg").toLocal8Bit() +
                   "\nRegistryBoth=1\nRegistryView=0\nRegistryExclude=example.com,cdn.example.net\n"))
        return;
    TQuillonData& data = *shot.data;
    const int groups[] = {data.AddGroup("Trackers", true, false), data.AddGroup("Malware", true, true),
                          data.AddGroup("Advertising", false, false)};
    TTable& bad = data.BadHosts;
    for (int i = 0; i < 3000; ++i) {
        bad.Append();
        bad.SetField("hostname", "ads" + std::to_string(i % 7) + ".site" + std::to_string(i / 3) +
                                     (i % 2 ? ".co.uk" : ".example.net"));
        bad.SetField("group_id", groups[i % 3]);
        bad.Post();
    }
    TRegistryFileForm form(data);
    form.show();
    QApplication::processEvents();
    form.grab().save(out + "/registry.png");
    if (QPushButton* create = form.findChild<QPushButton*>("btnCreate"))
        create->click();
    QApplication::processEvents();
    form.grab().save(out + "/registry-done.png");
    if (auto* plainText = form.findChild<QAbstractButton*>("rbPlainTxt"))
        plainText->click();
    QApplication::processEvents();
    form.grab().save(out + "/registry-plain.png");
    form.close();
}

// The preferences dialog over a file with every edit filled in and one box off.
void SavePrefsDialog(const QString& out)
{
    QTemporaryDir folder;
    WriteIni(folder.path(), "WriteAction=notify-send \"HOSTS written\" %hosts%\nClearEntryAfterAdd=0\n");
    TQuillonData data(folder.path().toStdString());
    data.Prefs().LoadPrefs();
    TPrefsForm form(data);
    form.show();
    QApplication::processEvents();
    form.grab().save(out + "/prefs.png");
    form.close();
}

// The bad hosts browser: a few rows with two selected, sorted by group, and
// opened from a search.
void SaveBadHostBrowser(const QString& out)
{
    TShotData shot;
    if (!shot.Open())
        return;
    TQuillonData& data = *shot.data;
    const int groups[] = {data.AddGroup("Advertising", false, false), data.AddGroup("Trackers", true, false),
                          data.AddGroup("Malware", true, true)};
    TTable& bad = data.BadHosts;
    const char* hosts[] = {"ads.doubleclick.example.com",
                           "banner.example.net",
                           "Track.metrics.example.org",
                           "pixel.example.com",
                           "cdn.adserver.example",
                           "malware-drop.example.ru",
                           "stats.example.io",
                           "popup.example.de"};
    for (int i = 0; i < 8; ++i) {
        bad.Append();
        bad.SetField("hostname", hosts[i]);
        bad.SetField("group_id", i == 7 ? 42 : groups[i % 3]);
        bad.SetField("comment", i % 2 ? "O'Brien's list" : "");
        bad.Post();
    }
    {
        TBadHostBrowseForm browse(data);
        browse.show();
        QApplication::processEvents();
        bad.MoveToRecNo(2);
        browse.BrowseGrid->ShowCursorRow();
        browse.BrowseGrid->SelectRow(bad.BookmarkAt(4), true);
        browse.BrowseGrid->SelectRow(bad.BookmarkAt(5), true);
        QApplication::processEvents();
        browse.grab().save(out + "/badhosts.png");
        emit browse.BrowseGrid->TitleClick(1);
        QApplication::processEvents();
        browse.grab().save(out + "/badhosts-by-group.png");
        browse.reject();
    }
    {
        bad.SetFilter("hostname LIKE '%example.com%'");
        bad.SetFiltered(true);
        TBadHostBrowseForm browse(data);
        browse.show();
        QApplication::processEvents();
        browse.grab().save(out + "/badhosts-search.png");
        browse.reject();
    }
}

// The groups browser with a group selected, the editor on a group with both
// flags, the move dialog for a group with hosts, and the pick dialog.
void SaveGroupDialogs(const QString& out)
{
    TShotData shot;
    if (!shot.Open())
        return;
    TQuillonData& data = *shot.data;
    for (const char* name : {"Advertising", "Trackers", "Malware", "Social Widgets", "Cryptominers",
                             "Telemetry and crash reports of well-known desktop programs"})
        data.AddGroup(name, std::string(name) == "Trackers" || std::string(name) == "Malware",
                      std::string(name) == "Malware" || std::string(name) == "Social Widgets");
    data.BadHosts.Append();
    data.BadHosts.SetField("hostname", "ads.example.com");
    data.BadHosts.SetField("group_id", 2);
    data.BadHosts.Post();

    TGroupBrowseForm browse(data);
    browse.show();
    browse.lbxGroups->setCurrentRow(4);
    QApplication::processEvents();
    browse.grab().save(out + "/groups.png");

    TGroupEditForm edit(data);
    edit.GroupId = 4;
    edit.show();
    QApplication::processEvents();
    edit.grab().save(out + "/group-edit.png");
    edit.reject();

    TGroupMoveForm move(data);
    move.OldGroupId = 2;
    move.show();
    QApplication::processEvents();
    move.grab().save(out + "/group-move.png");
    move.reject();

    TGroupPickForm pick(data);
    pick.Label1->setText("Move the selected hosts to this group");
    pick.show();
    pick.lbxGroups->setCurrentRow(1);
    QApplication::processEvents();
    pick.grab().save(out + "/group-pick.png");
    pick.reject();
    browse.reject();
}

// The bad host editor in its three modes over a few groups: adding with the
// last group chosen, editing a host with a comment, and the selection criteria
// with the blank group.
void SaveBadHostEditor(const QString& out)
{
    TShotData shot;
    if (!shot.Open("LastGroup=3\n"))
        return;
    TQuillonData& data = *shot.data;
    data.AddGroup("Advertising", false, false);
    data.AddGroup("Trackers", true, false);
    data.AddGroup("Malware", true, true);
    data.AddGroup("Social Widgets", false, true);
    TTable& bad = data.BadHosts;
    bad.Append();
    bad.SetField("hostname", "ads.doubleclick.example.com");
    bad.SetField("group_id", 2);
    bad.SetField("comment", "Found in a banner, 2 Jan; O'Brien's list");
    bad.Post();

    const struct {
        TBadHostEditMode mode;
        const char* picture;
    } modes[] = {{TBadHostEditMode::Add, "badhost-add"},
                 {TBadHostEditMode::Edit, "badhost-edit"},
                 {TBadHostEditMode::Select, "badhost-select"}};
    for (const auto& m : modes) {
        TBadHostEditForm editor(data);
        editor.Mode = m.mode;
        editor.show();
        if (m.mode == TBadHostEditMode::Select) {
            editor.cbxGroup->setCurrentIndex(0);
            editor.HostEdit->setText("ads");
        }
        QApplication::processEvents();
        editor.grab().save(out + "/" + m.picture + ".png");
        editor.reject();
    }
}

// The good hosts browser over a few rows, and its editor adding and editing.
void SaveGoodHostDialogs(const QString& out)
{
    TShotData shot;
    if (!shot.Open())
        return;
    TQuillonData& data = *shot.data;
    TTable& good = data.GoodHosts;
    const char* rows[][3] = {{"nas.home.lan", "192.168.1.20", "file server"},
                             {"printer.home.lan", "192.168.1.31", ""},
                             {"intranet.example.com", "10.0.0.8", "VPN only"},
                             {"build.example.org", "10.0.12.4", ""},
                             {"media.home.lan", "192.168.1.40", "O'Brien's music"}};
    for (const auto& row : rows) {
        good.Append();
        good.SetField("hostname", row[0]);
        good.SetField("ip", row[1]);
        good.SetField("comment", row[2]);
        good.Post();
    }
    good.SetIndexName("hostname");
    good.First();

    TGoodHostBrowseForm browse(data);
    browse.show();
    QApplication::processEvents();
    good.MoveToRecNo(2);
    browse.BrowseGrid->ShowCursorRow();
    QApplication::processEvents();
    browse.grab().save(out + "/goodhosts.png");

    TGoodHostEditForm edit(data, &browse);
    edit.show();
    QApplication::processEvents();
    edit.grab().save(out + "/goodhost-edit.png");
    edit.reject();

    TGoodHostEditForm add(data, &browse);
    add.AddMode = true;
    add.show();
    QApplication::processEvents();
    add.grab().save(out + "/goodhost-add.png");
    add.reject();
    browse.reject();
}

}   // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("shots");
    QDir().mkpath(out);
    TQtMessagePresenter presenter;

    QTemporaryDir data;
    {
        WriteIni(data.path());
        TShotMainForm form(data.path().toStdString());
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
    {
        // A HOSTS file and empty tables: the first-run question over the window.
        QTemporaryDir fresh;
        WriteIni(fresh.path());
        QFile hosts(fresh.path() + "/hosts");
        if (hosts.open(QIODevice::WriteOnly))
            hosts.write("127.0.0.1\tlocalhost\n");
        hosts.close();
        TMainForm form(fresh.path().toStdString());
        GrabModalLater(out + "/first-run.png");
        form.show();
        QEventLoop wait;
        QTimer::singleShot(600, &wait, &QEventLoop::quit);
        wait.exec();
        form.close();
    }
    SaveIconsAndAbout(out);
    SaveMainWindowStates(out);
    SaveImportDialog(out);
    SaveExportDialog(out);
    SaveRegistryDialog(out);
    SavePrefsDialog(out);
    SaveBadHostBrowser(out);
    SaveGroupDialogs(out);
    SaveGoodHostDialogs(out);
    SaveBadHostEditor(out);
    std::printf("saved in %s\n", qPrintable(out));
    return 0;
}
