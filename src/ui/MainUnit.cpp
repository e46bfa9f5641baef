// TMainForm: the main window's controls, menu, tool bar and actions; start-up, show and shutdown.
#include "ui/MainUnit.h"

#include "core/CommandLine.h"
#include "core/DataUnit.h"
#include "core/HandOver.h"
#include "core/Messages.h"
#include "hostsfile/HostsWriter.h"
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "ui/About.h"
#include "ui/BadHostBrowse.h"
#include "ui/CommandServer.h"
#include "ui/ControlUtils.h"
#include "ui/ErrorGuard.h"
#include "ui/ExportHosts.h"
#include "ui/GoodHostBrowse.h"
#include "ui/GroupBrowse.h"
#include "ui/Icons.h"
#include "ui/ImportHosts.h"
#include "ui/Prefs.h"
#include "ui/RegistryFile.h"
#include "ui/WindowState.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMetaObject>
#include <QPushButton>
#include <QShowEvent>
#include <QToolBar>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <vector>

namespace {

// Filtering of a table for the lifetime of the object; the filter is off and
// cleared again however the search ends.
class TFilterScope {
public:
    TFilterScope(TTable& t, const std::string& expression) : table(t)
    {
        try {
            table.SetFilter(expression);
            table.SetFiltered(true);
        } catch (...) {
            Clear();
            throw;
        }
    }
    ~TFilterScope() { Clear(); }
    TFilterScope(const TFilterScope&) = delete;
    TFilterScope& operator=(const TFilterScope&) = delete;

private:
    TTable& table;
    void Clear()
    {
        table.SetFiltered(false);
        table.SetFilter({});
    }
};

// The process's working folder changed for the object's lifetime; error
// says why it could not be.
struct TWorkingFolderScope {
    std::filesystem::path before;
    std::string error;

    explicit TWorkingFolderScope(const std::string& folder)
    {
        std::error_code failed;
        before = std::filesystem::current_path(failed);
        if (folder.empty())
            return;
        std::filesystem::current_path(folder, failed);
        if (failed)
            error = "Cannot use the working folder " + folder + ": " + failed.message();
    }
    ~TWorkingFolderScope()
    {
        std::error_code ignored;
        if (!before.empty())
            std::filesystem::current_path(before, ignored);
    }
    TWorkingFolderScope(const TWorkingFolderScope&) = delete;
    TWorkingFolderScope& operator=(const TWorkingFolderScope&) = delete;
};

// field LIKE 'pattern': the text is wrapped in "%" unless it carries wildcards
// of its own, and its quotes are doubled for the filter's quoting.
std::string LikeCondition(const std::string& field, const std::string& text)
{
    const std::string pattern = text.find('%') == std::string::npos ? "%" + text + "%" : text;
    std::string quoted;
    for (char c : pattern) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return field + " LIKE '" + quoted + "'";
}

std::string BadHostFilter(int groupId, const std::string& hostname, const std::string& comment)
{
    std::string expression;
    if (groupId > 0)
        expression = "group_id = " + std::to_string(groupId);
    for (const auto& [field, text] : {std::pair{"hostname", &hostname}, std::pair{"comment", &comment}}) {
        if (text->empty())
            continue;
        if (!expression.empty())
            expression += " and ";
        expression += LikeCondition(field, *text);
    }
    return expression;
}

// Positions as the form was designed: left and top within the client area,
// whose top strip is the tool bar.
void Place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(left, top - TMainForm::ToolBarHeight, width, height);
}

}   // namespace

TMainForm::TMainForm(const std::string& dataDir, QWidget* parent) : TMainForm(dataDir, nullptr, parent) {}

TMainForm::TMainForm(const std::string& dataDir, std::unique_ptr<platform::TFolderLock> lock, QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName("MainForm");
    setWindowTitle(AppTitle);
    setWindowIcon(AppIcon());
    // Fixed single border: no maximize button, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // The tool bar is fixed: no menu to hide it.
    setContextMenuPolicy(Qt::NoContextMenu);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateControls();
    ConnectHandlers();

    // The fixed client area lies below the menu bar, whose height the style decides.
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());

    arguments = QCoreApplication::arguments().mid(1);
    FormCreate(dataDir, std::move(lock));
}

TMainForm::~TMainForm() { FreeData(); }

void TMainForm::CreateActions()
{
    struct TActionDef {
        QAction** action;
        const char* name;
        const char* caption;
        const char* hint;
        int picture;   // -1: none
        QKeySequence shortcut;
    };
    const TActionDef defs[] = {
        {&actGroups, "actGroups", "&Groups", "Edit Groups", 0, QKeySequence("Ctrl+G")},
        {&actBadHosts, "actBadHosts", "&Bad Hosts", "Edit Bad Hosts", 1, QKeySequence("Ctrl+B")},
        {&actGoodHosts, "actGoodHosts", "Good &Hosts", "Edit Good Hosts", 2, QKeySequence("Ctrl+H")},
        {&actViewHOSTS, "actViewHOSTS", "&View HOSTS", "View the HOSTS file in the text editor", 3,
         QKeySequence("Ctrl+O")},
        {&actWriteHOSTS, "actWriteHOSTS", "&Write HOSTS", "Write the database to the HOSTS file", 4,
         QKeySequence("Ctrl+W")},
        {&actPrefs, "actPrefs", "&Preferences", "Set Quillon preferences", 5, QKeySequence("Ctrl+P")},
        {&actDisableHOSTS, "actDisableHOSTS", "&Disable HOSTS", "Disable the HOSTS file", 6,
         QKeySequence("Ctrl+D")},
        {&actExport, "actExport", "&Export", "Export hosts to a text file", 9, QKeySequence("Ctrl+E")},
        {&actImport, "actImport", "&Import", "Import hosts from a text file", 10, QKeySequence("Ctrl+I")},
        {&actRegistryFile, "actRegistryFile", "&Registry File",
         "Create a .reg file to put hosts in the Restricted Zone", 11, QKeySequence("Ctrl+R")},
        {&actExit, "actExit", "E&xit", "Exit the program", -1, QKeySequence()},
        {&actAbout, "actAbout", "&About", "", -1, QKeySequence("F3")},
        {&actHelp, "actHelp", "Contents", "", -1, QKeySequence("F1")},
    };
    for (const TActionDef& def : defs) {
        auto* action = new QAction(def.caption, this);
        action->setObjectName(def.name);
        if (*def.hint) {
            action->setToolTip(def.hint);
            action->setStatusTip(def.hint);
        }
        if (def.picture >= 0)
            action->setIcon(ImageListIcon(def.picture));
        action->setShortcut(def.shortcut);
        *def.action = action;
        // Short-cuts work wherever the focus is in the window.
        addAction(action);
    }
    // Its tick shows the disabled state (menu tick, pressed tool button).
    actDisableHOSTS->setCheckable(true);
}

void TMainForm::CreateMenus()
{
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("mnuFile");
    file->addActions({actImport, actExport, actRegistryFile});
    file->addSeparator();
    file->addAction(actPrefs);
    file->addSeparator();
    file->addAction(actExit);

    QMenu* hosts = menuBar()->addMenu("&Hosts");
    hosts->setObjectName("mnuHosts");
    hosts->addActions({actGroups, actBadHosts, actGoodHosts});
    hosts->addSeparator();
    hosts->addActions({actViewHOSTS, actWriteHOSTS, actDisableHOSTS});

    QMenu* help = menuBar()->addMenu("H&elp");
    help->setObjectName("mnuHelp");
    help->addAction(actHelp);
    help->addSeparator();
    help->addAction(actAbout);
}

void TMainForm::CreateToolBar()
{
    QToolBar* bar = addToolBar("Tools");
    bar->setObjectName("ToolBar");
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setFixedHeight(ToolBarHeight);
    bar->addActions({actGroups, actBadHosts, actGoodHosts});
    bar->addSeparator();
    bar->addActions({actViewHOSTS, actWriteHOSTS, actDisableHOSTS});
    bar->addSeparator();
    bar->addActions({actImport, actExport, actRegistryFile});
    bar->addSeparator();
    bar->addAction(actPrefs);
}

void TMainForm::CreateControls()
{
    auto* client = new QWidget(this);
    client->setObjectName("ClientArea");
    setCentralWidget(client);

    auto label = [client](const char* name, const char* text, int left, int top) {
        auto* l = new QLabel(text, client);
        l->setObjectName(name);
        l->adjustSize();
        Place(l, left, top, l->width(), l->height());
    };
    auto searchButton = [client](const char* name, const char* hint, int left, int top) {
        auto* b = new QPushButton("?", client);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setFocusPolicy(Qt::TabFocus);
        Place(b, left, top, 21, 21);
        return b;
    };
    auto edit = [client](const char* name, int left, int top) {
        auto* e = new QLineEdit(client);
        e->setObjectName(name);
        Place(e, left, top, 363, 21);
        // Ctrl+E and the other short-cuts of the window work while typing here too.
        PreferWindowShortcuts(e);
        return e;
    };

    // Created in tab order.
    label("lblGroup", "Group", 8, 35);
    cbxGroup = new QComboBox(client);
    cbxGroup->setObjectName("cbxGroup");
    cbxGroup->setEditable(false);
    cbxGroup->setMaxVisibleItems(20);
    Place(cbxGroup, 8, 50, 363, 21);
    btnGroupSearch =
        searchButton("btnGroupSearch", "Search for Bad Hosts assigned to the selected group", 370, 50);

    label("lblHostname", "Hostname", 8, 80);
    HostEdit = edit("HostEdit", 8, 95);
    btnHostSearch = searchButton("btnHostSearch", "Search for Bad Hosts with a similar hostname", 371, 95);

    label("lblComment", "Comment", 8, 125);
    CommentEdit = edit("CommentEdit", 8, 140);
    btnCommentSearch =
        searchButton("btnCommentSearch", "Search for Bad Hosts with a similar comment", 370, 140);

    btnAddHost = new QPushButton("&Add Host", client);
    btnAddHost->setObjectName("btnAddHost");
    Place(btnAddHost, 97, 176, 93, 25);
    // Enter in the host name or comment adds the host.
    MakeDefaultButton(btnAddHost);
    btnSearch = new QPushButton("&Search", client);
    btnSearch->setObjectName("btnSearch");
    btnSearch->setToolTip("Search for Bad Hosts using all of the above criteria");
    Place(btnSearch, 211, 176, 93, 25);

    QWidget* order[] = {cbxGroup,    btnGroupSearch,   HostEdit,   btnHostSearch,
                        CommentEdit, btnCommentSearch, btnAddHost, btnSearch};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TMainForm::ConnectHandlers()
{
    connect(btnAddHost, &QPushButton::clicked, this, GuardedSlot(this, &TMainForm::AddHostClick));
    connect(btnSearch, &QPushButton::clicked, this, GuardedSlot(this, &TMainForm::SearchClick));
    connect(btnGroupSearch, &QPushButton::clicked, this, GuardedSlot(this, &TMainForm::GroupSearchClick));
    connect(btnHostSearch, &QPushButton::clicked, this, GuardedSlot(this, &TMainForm::HostSearchClick));
    connect(btnCommentSearch, &QPushButton::clicked, this, GuardedSlot(this, &TMainForm::CommentSearchClick));

    connect(actViewHOSTS, &QAction::triggered, this, GuardedSlot(this, &TMainForm::ViewHOSTSExecute));
    connect(actWriteHOSTS, &QAction::triggered, this, GuardedSlot(this, &TMainForm::WriteHOSTSExecute));
    connect(actDisableHOSTS, &QAction::triggered, this, GuardedSlot(this, &TMainForm::DisableHOSTSExecute));
    connect(actGroups, &QAction::triggered, this, GuardedSlot(this, [this] {
                TGroupBrowseForm form(*data, this);
                form.exec();
                // Renumber gives the selected group another id: it stays selected under that.
                if (const int index = cbxGroup->currentIndex(); index >= 0)
                    cbxGroup->setItemData(index, form.GroupIdNow(ComboObject(cbxGroup)));
                // The selected group may have been renamed or deleted.
                FillGroupCombo();
            }));
    connect(actBadHosts, &QAction::triggered, this, GuardedSlot(this, [this] {
                {
                    TBadHostBrowseForm form(*data, this);
                    form.exec();
                }
                // Its editor creates the first group when there is none.
                FillGroupCombo();
            }));
    connect(actGoodHosts, &QAction::triggered, this, GuardedSlot(this, [this] {
                // Nothing here shows good hosts, so nothing needs refreshing afterwards.
                TGoodHostBrowseForm form(*data, this);
                form.exec();
            }));
    connect(actImport, &QAction::triggered, this, GuardedSlot(this, [this] {
                TImportForm form(*data, this);
                form.exec();
                // An import adds and removes groups.
                FillGroupCombo();
            }));
    connect(actExport, &QAction::triggered, this, GuardedSlot(this, [this] {
                TExportForm form(*data, this);
                form.exec();
                // An export to the HOSTS file can create it.
                UpdateHostsState();
            }));
    connect(actPrefs, &QAction::triggered, this, GuardedSlot(this, [this] {
                {
                    TPrefsForm form(*data, this);
                    form.exec();
                }
                // The HOSTS file may now have another name.
                UpdateHostsState();
            }));
    connect(actRegistryFile, &QAction::triggered, this, GuardedSlot(this, [this] {
                TRegistryFileForm form(*data, this);
                form.exec();
            }));
    connect(actExit, &QAction::triggered, this, GuardedSlot(this, [this] { close(); }));
    connect(actAbout, &QAction::triggered, this, GuardedSlot(this, &TMainForm::AboutExecute));
    connect(actHelp, &QAction::triggered, this, GuardedSlot(this, &TMainForm::HelpExecute));
}

// ---------------------------------------------------------------------------
// Life cycle

void TMainForm::FormCreate(const std::string& dataDir, std::unique_ptr<platform::TFolderLock> lock)
{
    data = std::make_unique<TQuillonData>(dataDir);
    // A second copy of the tables in memory would lose one window's changes
    // when the other saves. Refused before this window's data module becomes
    // the program's: the window that owns the folder keeps its own.
    platform::TLockHolder holder;
    folderLock = lock ? std::move(lock) : platform::TFolderLock::TryAcquire(data->DataDir(), &holder);
    if (!folderLock)
        throw EQuillonError("The data folder " + platform::ExcludeTrailingPathDelimiter(data->DataDir()) +
                            " is in use by " + handover::HolderName(holder) + ".");
    QuillonData = data.get();
    try {
        data->MainOwner = this;
        data->Prefs().LoadPrefs();
        // False after the message about data that cannot be used; the
        // application has then been asked to end and nothing may be saved.
        databaseOpen = data->OpenDatabase();
        LoadMainWindowPosition(this, data->IniFileName());
        if (databaseOpen)
            ListenForCommandLines();
    } catch (...) {
        FreeData();
        throw;
    }
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown || event->spontaneous())
        return;
    shown = true;
    Guarded(this, [this] { FormShow(); });
}

void TMainForm::FormShow()
{
    if (!QuillonData || !QuillonData->Groups.Active())
        return;
    CommentEdit->setMaxLength(255);
    FillGroupCombo();
    UpdateHostsState();
    if (data->Prefs().OldShortcuts) {
        actExit->setShortcut(QKeySequence("Ctrl+X"));
        actViewHOSTS->setShortcut(QKeySequence("Ctrl+V"));
        actAbout->setShortcut(QKeySequence("Ctrl+A"));
    }

    // Empty host tables offer the first-run prompt, and then that run's
    // arguments are left alone.
    if (QuillonData->BadHosts.IsEmpty() && QuillonData->GoodHosts.IsEmpty())
        Post(&TMainForm::FirstRun);
    else if (!arguments.isEmpty())
        Post(&TMainForm::CmdLine);
}

void TMainForm::Post(void (TMainForm::*step)())
{
    ++ownSteps;
    QMetaObject::invokeMethod(
        this,
        [this, step] {
            Guarded(this, [this, step] { (this->*step)(); });
            --ownSteps;
        },
        Qt::QueuedConnection);
}

void TMainForm::FirstRun()
{
    const std::string hostsFile = data->Prefs().HostsFile;
    if (!platform::FileExists(hostsFile))
        return;
    if (!ConfirmDlg(std::string("This appears to be the first time you have run Quillon.") + MsgBreak +
                        "Would you like to import the contents of your current HOSTS file?",
                    "Import HOSTS", this))
        return;
    {
        TImportForm form(*data, this);
        form.FileEdit->setText(QString::fromStdString(hostsFile));
        form.exec();
    }
    FillGroupCombo();
    UpdateHostsState();
}

// The command line's commands carried out with the dialogs, each shown modally.
class TMainForm::TCommands : public ICommandRunner {
public:
    // reply: the caller of a handed-over command line, told each run's status.
    explicit TCommands(TMainForm& f, THandOverReply* r = nullptr) : form(f), reply(r) {}

    bool Run(const TCmdCommand& command) override
    {
        const int errorsBefore = ErrorMessageCount();
        const std::string status = form.RunCommand(command);
        if (!reply)
            return true;
        if (!status.empty())
            reply->Status(status);
        // The caller's exit status must not read as success after a run that
        // reported an error: a handed-over line stops there, as a headless one does.
        return ErrorMessageCount() == errorsBefore;
    }

    void ShowSwitches() override { form.data->ShowHelp("commands.html"); }

    TOwner MessageOwner() const override { return static_cast<QWidget*>(&form); }

private:
    TMainForm& form;
    THandOverReply* reply;
};

void TMainForm::CmdLine()
{
    // The window paints before the first dialog covers it.
    QCoreApplication::processEvents();

    std::vector<std::string> args;
    for (const QString& argument : arguments)
        args.push_back(argument.toLocal8Bit().toStdString());
    TCommands commands(*this);
    // After an error the window stays open for the user.
    if (RunCommandLine(args, commands))
        close();
}

std::string TMainForm::RunCommand(const TCmdCommand& command)
{
    // The status a run's dialog shows last is the one its caller reads.
    std::string status;
    switch (command.action) {
    case TCmdAction::WriteHosts:
        status = HostsWrittenStatus(WriteHOSTSExecute());
        break;
    case TCmdAction::DisableHosts:
    case TCmdAction::EnableHosts:
        SwitchHostsFile(command.action == TCmdAction::DisableHosts);
        break;
    case TCmdAction::Import: {
        {
            TImportForm form(*data, this);
            form.CmdLineFile = command.file;
            form.CmdLineSwitch = command.switchText;
            form.exec();
            status = form.lblStatus->text().toStdString();
        }
        FillGroupCombo();
        UpdateHostsState();
        break;
    }
    case TCmdAction::Export: {
        {
            TExportForm form(*data, this);
            form.CmdLineFile = command.file;
            form.CmdLineSwitch = command.switchText;
            form.exec();
            status = form.lblStatus->text().toStdString();
        }
        UpdateHostsState();
        break;
    }
    case TCmdAction::RegistryFile: {
        TRegistryFileForm form(*data, this);
        form.CmdLineFile = command.file;
        form.CmdLineSwitch = command.switchText;
        form.exec();
        status = form.lblStatus->text().toStdString();
        break;
    }
    case TCmdAction::Unrecognized:
        break;   // reported by RunCommandLine
    }
    return status;
}

// Nothing is shown, not even a rename or delete that the file system refuses.
void TMainForm::SwitchHostsFile(bool disable)
{
    const std::string& hosts = data->Prefs().HostsFile;
    try {
        if (disable)
            DisableHostsFile(hosts);
        else
            EnableHostsFile(hosts);
    } catch (const EQuillonError&) {
        // What is on disk shows in the HOSTS state below.
    }
    UpdateHostsState();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // A failed save keeps the window, and with it every unsaved change, so the
    // user can retry; a start-up that could not open the tables saves nothing.
    if (data && databaseOpen && !Guarded(this, [this] { FormCloseQuery(); })) {
        event->ignore();
        return;
    }
    FreeData();
    event->accept();
}

void TMainForm::FormCloseQuery()
{
    TQuillonPrefs& prefs = data->Prefs();
    prefs.LastGroup = ComboObject(cbxGroup);
    prefs.SavePrefs();
    data->SaveDatabase(false);
    SaveMainWindowPosition(this, data->IniFileName(), prefs.SaveWindows);
}

void TMainForm::FreeData()
{
    // Nothing more is handed over; callers still waiting find the folder
    // free once the window has gone.
    commandServer.reset();
    if (QuillonData == data.get())
        QuillonData = nullptr;
    data.reset();
    folderLock.reset();
}

// ---------------------------------------------------------------------------
// Command lines handed over by later starts on the same data folder

void TMainForm::ListenForCommandLines()
{
    TCommandServer::THandlers handlers;
    handlers.busy = [this] { return HandOverBusy(); };
    handlers.run = [this](const handover::TRequest& request, THandOverReply& reply) {
        RunHandedOver(request, reply);
    };
    handlers.toFront = [this] { ComeToFront(); };
    std::string endpoint;
    try {
        endpoint = platform::OwnerEndpointName(data->DataDir());
    } catch (const EQuillonError& e) {
        // The window works without; later starts then wait for it to close.
        std::fprintf(stderr, "%s: %s\n", AppTitle, e.what());
        return;
    }
    commandServer = std::make_unique<TCommandServer>(std::move(handlers));
    if (!commandServer->Listen(endpoint)) {
        std::fprintf(stderr, "%s: cannot listen at %s for command lines.\n", AppTitle, endpoint.c_str());
        commandServer.reset();
        return;
    }
    // Tells later starts where to find this window.
    folderLock->SetNote(handover::WindowLockNote(endpoint));
}

// While a dialog of the window is open (a menu's, a message, a run's) or a
// step of its own is on, a handed-over command line waits its turn.
bool TMainForm::HandOverBusy() const
{
    return !shown || ownSteps > 0 || QApplication::activeModalWidget() || QApplication::activePopupWidget();
}

void TMainForm::RunHandedOver(const handover::TRequest& request, THandOverReply& reply)
{
    // Relative file names mean what they mean to the caller.
    TWorkingFolderScope folder(request.workingFolder);
    if (!folder.error.empty()) {
        reply.Message(std::string(AppTitle) + ": " + folder.error);
        reply.Finish(1);
        return;
    }
    bool complete = false;
    std::exception_ptr failure;
    {
        THandOverMessages forwarded(reply);
        TCommands commands(*this, &reply);
        // An import saves the tables itself, so what the caller was told is on disk.
        try {
            complete = RunCommandLine(request.arguments, commands);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (!failure) {
        reply.Finish(complete ? 0 : 1);
        return;
    }
    // The caller hears of the failure before the error dialog waits for the user.
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        reply.Message(std::string(AppTitle) + ": " + e.what());
    } catch (...) {
        reply.Message(std::string(AppTitle) + ": " + UnexpectedErrorText);
    }
    reply.Finish(1);
    Guarded(this, [&failure] { std::rethrow_exception(failure); });
}

void TMainForm::ComeToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    // A dialog open over the window stays in front of it.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

// ---------------------------------------------------------------------------
// Groups and bad hosts

void TMainForm::FillGroupCombo()
{
    const int keep = cbxGroup->currentIndex() < 0 ? data->Prefs().LastGroup : ComboObject(cbxGroup);
    TGroupList groups;
    data->FillGroupList(groups, true);
    SetGroupItems(cbxGroup, groups, true);
    cbxGroup->setCurrentIndex(cbxGroup->findData(keep));
}

void TMainForm::AddHostClick()
{
    const int groupId = ComboObject(cbxGroup);
    if (groupId <= 0) {
        InfoDlg("Please select a group", "Add Host", this);
        cbxGroup->setFocus();
        return;
    }
    const std::string hostname = TrimEdit(HostEdit);
    const std::string comment = TrimEdit(CommentEdit);
    // False also for a host moved to this group: nothing new to save or write.
    if (!data->AddBadHost(groupId, hostname, comment)) {
        HostEdit->setFocus();
        return;
    }
    TQuillonPrefs& prefs = data->Prefs();
    prefs.LastGroup = groupId;
    prefs.SavePrefs();
    data->SaveDatabase(false);
    if (prefs.ClearEntryAfterAdd) {
        HostEdit->clear();
        CommentEdit->clear();
    }
    if (prefs.WriteHostsAfterAdd)
        WriteHOSTSExecute();
}

void TMainForm::GroupSearchClick()
{
    const int groupId = ComboObject(cbxGroup);
    if (groupId > 0)
        SearchBadHosts(groupId, {}, {});
}

void TMainForm::HostSearchClick()
{
    const std::string hostname = TrimEdit(HostEdit);
    if (!hostname.empty())
        SearchBadHosts(0, hostname, {});
}

void TMainForm::CommentSearchClick()
{
    const std::string comment = TrimEdit(CommentEdit);
    if (!comment.empty())
        SearchBadHosts(0, {}, comment);
}

void TMainForm::SearchClick()
{
    const int groupId = std::max(ComboObject(cbxGroup), 0);
    const std::string hostname = TrimEdit(HostEdit);
    const std::string comment = TrimEdit(CommentEdit);
    SearchBadHosts(groupId, hostname, comment);
}

void TMainForm::SearchBadHosts(int groupId, const std::string& hostname, const std::string& comment)
{
    if (groupId == 0 && hostname.empty() && comment.empty()) {
        InfoDlg("No search criteria provided!", "Bad Host Search", this);
        return;
    }
    const std::string expression = BadHostFilter(groupId, hostname, comment);
    TFilterScope filter(data->BadHosts, expression);
    if (data->BadHosts.RecordCount() == 0)
        InfoDlg("No hosts match your search criteria.", "Bad Host Search", this);
    else
        ShowBadHostBrowse(QString::fromStdString("Bad Hosts - " + expression));
}

void TMainForm::ShowBadHostBrowse(const QString&)
{
    // The browser names the filter in its caption itself.
    {
        TBadHostBrowseForm form(*data, this);
        form.exec();
    }
    FillGroupCombo();
}

// ---------------------------------------------------------------------------
// The HOSTS file

int TMainForm::WriteHOSTSExecute()
{
    const int written = WriteHosts(*data, data->Prefs(), this).hostCount;
    UpdateHostsState();
    return written;
}

void TMainForm::DisableHOSTSExecute()
{
    std::string message;
    try {
        message = ToggleHostsFile(data->Prefs().HostsFile);
    } catch (...) {
        // A rename half done still shows as what is on disk.
        UpdateHostsState();
        throw;
    }
    UpdateHostsState();
    InfoDlg(message, "HOSTS Status", this);
}

void TMainForm::ViewHOSTSExecute()
{
    const TQuillonPrefs& prefs = data->Prefs();
    const std::string message = ViewHostsFile(prefs.HostsFile, prefs.TextEditor);
    if (!message.empty())
        InfoDlg(message, "View HOSTS", this);
}

void TMainForm::UpdateHostsState()
{
    struct TLook {
        const char* hint;
        bool checked;
        bool enabled;
        int picture;
    };
    TLook look{};
    switch (HostsState(data->Prefs().HostsFile)) {
    case THostsState::Present:
        look = {"Disable the HOSTS file", false, true, 6};
        break;
    case THostsState::Disabled:
        look = {"Enable the HOSTS file", true, true, 7};
        break;
    case THostsState::Absent:
        look = {"HOSTS file not present", false, false, 8};
        break;
    }
    actDisableHOSTS->setToolTip(look.hint);
    actDisableHOSTS->setStatusTip(look.hint);
    actDisableHOSTS->setChecked(look.checked);
    actDisableHOSTS->setEnabled(look.enabled);
    actDisableHOSTS->setIcon(ImageListIcon(look.picture));
}

// ---------------------------------------------------------------------------
// Help

void TMainForm::HelpExecute() { data->ShowHelp("index.html"); }

void TMainForm::AboutExecute()
{
    TAboutForm about(this);
    about.exec();
}
