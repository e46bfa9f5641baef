// TGroupBrowseForm: the groups browser ("Groups"): lists, adds, edits, deletes, cleans up, renumbers groups.
#pragma once

#include <QDialog>

#include <map>

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

    // The id that the group which had openingId when the browser opened has
    // now: Renumber gives every group a new one. -1 when that group is gone.
    int GroupIdNow(int openingId) const;

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
    bool renumberedOnce = false;
    std::map<int, int> renumbered;   // id at opening -> id now, once Renumber ran

    void FormShow();
    void FillList();
    void SelectGroup(int groupId);

    void AddClick();
    void EditClick();
    void DeleteClick();
    void CleanupClick();
    void RenumberClick();
};
