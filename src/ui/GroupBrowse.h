// TGroupBrowseForm: the groups browser ("Groups"): lists, adds, edits, deletes, cleans up, renumbers groups.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;
class TQuillonData;

class TGroupBrowseForm : public QDialog {
    Q_OBJECT

public:
    // Sizes of the window at 96 dots per inch.
    static constexpr int MinimumWidth = 523;
    static constexpr int MinimumHeight = 100;
    static constexpr int ClientWidth = 515;
    static constexpr int ClientHeight = 291;

    explicit TGroupBrowseForm(TQuillonData& data, QWidget* parent = nullptr);

    QListWidget* lbxGroups = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnRenumber = nullptr;
    QPushButton* btnCleanup = nullptr;
    QPushButton* btnClose = nullptr;

public slots:
    // Every way of closing ends here: the changed tables are written first.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TQuillonData& data;

    void FormShow();
    void FillList();
    void SelectGroup(int groupId);

    void AddClick();
    void EditClick();
    void DeleteClick();
    void CleanupClick();
    void RenumberClick();
};
