// TPrefsForm: the preferences dialog: HOSTS file, address, editor, after-write command, options; erases saved window states.
#pragma once

#include <QDialog>

class QCheckBox;
class QFileDialog;
class QLineEdit;
class QPushButton;
class TQuillonData;

class TPrefsForm : public QDialog {
    Q_OBJECT

public:
    // The controls show the preferences as they stand.
    explicit TPrefsForm(TQuillonData& data, QWidget* parent = nullptr);

    QLineEdit* HostsEdit = nullptr;
    QPushButton* btnHosts = nullptr;
    QLineEdit* IPEdit = nullptr;
    QLineEdit* EditorEdit = nullptr;
    QPushButton* btnEditor = nullptr;
    QLineEdit* ActionEdit = nullptr;
    QLineEdit* TextCommentEdit = nullptr;
    QCheckBox* cbRestricted = nullptr;
    QCheckBox* cbWriteHosts = nullptr;
    QCheckBox* cbClearEntry = nullptr;
    QCheckBox* cbSaveWindows = nullptr;
    QPushButton* btnDeleteState = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    // Runs the prepared file dialog of a "..." button; true when a file was chosen.
    virtual bool ExecFileDialog(QFileDialog& dialog);

private:
    TQuillonData& data;

    void CreateControls();
    void ConnectHandlers();
    void ShowPrefs();

    void SelectFile(QLineEdit* edit, const char* title, int filter);
    void DeleteStateClick();
    void OKClick();
};
