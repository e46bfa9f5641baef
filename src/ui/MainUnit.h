// TMainForm: the main window: adding and searching bad hosts, the HOSTS commands, start-up and shutdown.
#pragma once

#include "platform/FolderOwner.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolBar;
class TCommandServer;
class THandOverReply;
class TQuillonData;
struct TCmdCommand;
namespace handover {
struct TRequest;
}

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // Client area below the menu bar at 96 dpi, in pixels; the tool bar is its top strip.
    static constexpr int ClientWidth = 400;
    static constexpr int ClientHeight = 211;
    static constexpr int ToolBarHeight = 29;

    // Creates the data module over dataDir (empty: the executable's folder),
    // takes the folder for the window's lifetime, loads the preferences,
    // opens the tables and restores the window's position; from then on
    // command lines started on the folder are handed to this window. Errors
    // propagate to the caller; a folder another process or window holds is
    // refused by name.
    explicit TMainForm(const std::string& dataDir = {}, QWidget* parent = nullptr);
    // The same over a folder the caller has already taken.
    TMainForm(const std::string& dataDir, std::unique_ptr<platform::TFolderLock> folderLock,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    // False when the tables could not be opened and the application has been
    // asked to end; the window then neither starts its work nor saves anything.
    bool DatabaseOpen() const { return databaseOpen; }

    // The command-line arguments for the deferred command-line step; by
    // default the application's, without the program's name.
    const QStringList& Arguments() const { return arguments; }
    void SetArguments(const QStringList& args) { arguments = args; }

    // Refills the group combo, keeping the selected group (at the first fill,
    // or when nothing is selected, the LastGroup preference).
    void FillGroupCombo();

    // Hint, tick, enabled state and picture of Disable HOSTS from what is on disk.
    void UpdateHostsState();

    // Filters BadHosts by the criteria given (group id 0: any group) and shows
    // the matching rows; the filter is off again when this returns.
    void SearchBadHosts(int groupId, const std::string& hostname, const std::string& comment);

    // Action handlers, also run by the command line and the first-run prompt.
    // Write HOSTS returns the number of hosts written.
    int WriteHOSTSExecute();
    void DisableHOSTSExecute();
    void ViewHOSTSExecute();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // Deferred steps, posted by the first show so they run once the window is on screen.
    virtual void FirstRun();
    virtual void CmdLine();

    // Shows the bad hosts browser modally over the rows that pass BadHosts'
    // filter; caption is what the browser's caption then reads.
    virtual void ShowBadHostBrowse(const QString& caption);

private:
    class TCommands;

    // Destroyed in the reverse order: the server first, the folder let go last.
    std::unique_ptr<platform::TFolderLock> folderLock;
    std::unique_ptr<TQuillonData> data;
    std::unique_ptr<TCommandServer> commandServer;
    bool databaseOpen = false;
    bool shown = false;
    // Posted steps of its own (first run, command line) not yet finished.
    int ownSteps = 0;
    QStringList arguments;

    QComboBox* cbxGroup = nullptr;
    QPushButton* btnGroupSearch = nullptr;
    QLineEdit* HostEdit = nullptr;
    QPushButton* btnHostSearch = nullptr;
    QLineEdit* CommentEdit = nullptr;
    QPushButton* btnCommentSearch = nullptr;
    QPushButton* btnAddHost = nullptr;
    QPushButton* btnSearch = nullptr;

    QAction* actGroups = nullptr;
    QAction* actBadHosts = nullptr;
    QAction* actGoodHosts = nullptr;
    QAction* actViewHOSTS = nullptr;
    QAction* actWriteHOSTS = nullptr;
    QAction* actPrefs = nullptr;
    QAction* actDisableHOSTS = nullptr;
    QAction* actExport = nullptr;
    QAction* actImport = nullptr;
    QAction* actRegistryFile = nullptr;
    QAction* actExit = nullptr;
    QAction* actAbout = nullptr;
    QAction* actHelp = nullptr;

    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateControls();
    void ConnectHandlers();

    void FormCreate(const std::string& dataDir, std::unique_ptr<platform::TFolderLock> lock);
    void FormShow();
    void FormCloseQuery();
    void FreeData();
    void Post(void (TMainForm::*step)());
    // Carries the command out with its dialog; returns the run's closing
    // status text (none for the HOSTS switches).
    std::string RunCommand(const TCmdCommand& command);
    void SwitchHostsFile(bool disable);

    // The hand-over of command lines started while this window owns the folder.
    void ListenForCommandLines();
    bool HandOverBusy() const;
    void RunHandedOver(const handover::TRequest& request, THandOverReply& reply);
    void ComeToFront();

    void AddHostClick();
    void GroupSearchClick();
    void HostSearchClick();
    void CommentSearchClick();
    void SearchClick();
    void HelpExecute();
    void AboutExecute();
};
