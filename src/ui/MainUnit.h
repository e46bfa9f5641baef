// TMainForm: the program's main window; for now its life cycle (start-up, show, shutdown).
#pragma once

#include <QMainWindow>
#include <QStringList>

#include <memory>
#include <string>

class TQuillonData;

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // Client area below the menu bar, in pixels.
    static constexpr int ClientWidth = 400;
    static constexpr int ClientHeight = 211;

    // Creates the data module over dataDir (empty: the executable's folder),
    // loads the preferences and opens the tables. Errors propagate to the caller.
    explicit TMainForm(const std::string& dataDir = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    // False when the tables could not be opened and the application has been
    // asked to end; the window then neither starts its work nor saves anything.
    bool DatabaseOpen() const { return databaseOpen; }

    // The command-line arguments for the deferred command-line step; by
    // default the application's, without the program's name.
    const QStringList& Arguments() const { return arguments; }
    void SetArguments(const QStringList& args) { arguments = args; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // Deferred steps, posted by the first show so they run once the window is on screen.
    virtual void FirstRun();
    virtual void CmdLine();

private:
    std::unique_ptr<TQuillonData> data;
    bool databaseOpen = false;
    bool shown = false;
    QStringList arguments;

    void FormCreate(const std::string& dataDir);
    void FormShow();
    void FormCloseQuery();
    void FreeData();
    void Post(void (TMainForm::*step)());
    int SelectedGroup() const;
};
