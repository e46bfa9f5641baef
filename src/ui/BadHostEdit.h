// TBadHostEditForm: the bad host editor, which adds a bad host, changes the current one, or takes the browser's selection criteria.
#pragma once

#include "core/Table.h"

#include <QDialog>

#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TQuillonData;

enum class TBadHostEditMode { Add, Edit, Select };

class TBadHostEditForm : public QDialog {
    Q_OBJECT

public:
    explicit TBadHostEditForm(TQuillonData& data, QWidget* parent = nullptr);

    // Set by the opener before showing. Edit works on the current row of BadHosts.
    TBadHostEditMode Mode = TBadHostEditMode::Edit;
    // The host name as the dialog showed it; in Edit mode an unchanged name is
    // not looked up as a duplicate.
    std::string InitialHostname;

    QLabel* Label1 = nullptr;
    QComboBox* cbxGroup = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* HostEdit = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* CommentEdit = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TQuillonData& data;
    // The row shown in Edit mode; the one saved, wherever the cursor went
    // meanwhile. NoBookmark when there was none to show.
    TBookmark editRow = NoBookmark;

    void FormShow();
    void OKClick();
    bool DuplicateCheck(const std::string& hostname, int groupId);
    void Save(const std::string& hostname, int groupId, TBookmark goodHost);
};
