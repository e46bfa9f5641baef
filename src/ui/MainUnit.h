// TMainForm: the main window: adding and searching bad hosts, the HOSTS commands, start-up and shutdown.
#pragma once

#include <QMainWindow>
#include <QStringList>

#include <memory>
#include <string>

class QAction;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolBar;
class TQuillonData;
struct TCmdCommand;

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // Client area below the menu bar at 96 dpi, in pixels; the tool bar is its top strip.
    static constexpr int ClientWidth = 400;
    static constexpr int ClientHeight = 211;
    static constexpr int ToolBarHeight = 29;

    // Creates the data module over dataDir (empty: the executable's folder),
    // loads the preferences, opens the tables and restores the window's
    // position. Errors propagate to the caller.
    explicit TMainForm(const std::string& dataDir = {}, QWidget* parent = nullptr);
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
    void WriteHOSTSExecute();
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

    std::unique_ptr<TQuillonData> data;
    bool databaseOpen = false;
    bool shown = false;
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

    void FormCreate(const std::string& dataDir);
    void FormShow();
    void FormCloseQuery();
    void FreeData();
    void Post(void (TMainForm::*step)());
    void RunCommand(const TCmdCommand& command);
    void SwitchHostsFile(bool disable);

    void AddHostClick();
    void GroupSearchClick();
    void HostSearchClick();
    void CommentSearchClick();
    void SearchClick();
    void HelpExecute();
    void AboutExecute();
};
