// TGroupEditForm: the group editor, which adds a group or changes one group's name and flags.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TQuillonData;

class TGroupEditForm : public QDialog {
    Q_OBJECT

public:
    explicit TGroupEditForm(TQuillonData& data, QWidget* parent = nullptr);

    // Set by the opener before showing: 0 adds a group, an existing group's id
    // edits that group (an id without a group adds one). After OK: the id of
    // the saved group.
    int GroupId = 0;

    QLabel* Label1 = nullptr;
    QLineEdit* NameEdit = nullptr;
    QCheckBox* cbRestricted = nullptr;
    QCheckBox* cbExclude = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TQuillonData& data;

    void FormShow();
    void OKClick();
};
