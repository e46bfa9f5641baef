// TGroupMoveForm: the move dialog, which gives the hosts of a group about to be deleted another group.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class TQuillonData;

class TGroupMoveForm : public QDialog {
    Q_OBJECT

public:
    explicit TGroupMoveForm(TQuillonData& data, QWidget* parent = nullptr);

    // Set by the opener: the group whose hosts move. The group itself stays;
    // the opener deletes it after OK.
    int OldGroupId = 0;
    // Set on OK: the group the hosts went to.
    int NewGroupId = 0;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* cbxNewGroup = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TQuillonData& data;

    void FormShow();
    void OKClick();
};
