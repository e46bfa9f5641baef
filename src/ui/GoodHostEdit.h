// TGoodHostEditForm: the good host editor, which adds a good host or changes the current one.
#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class TQuillonData;

class TGoodHostEditForm : public QDialog {
    Q_OBJECT

public:
    explicit TGoodHostEditForm(TQuillonData& data, QWidget* parent = nullptr);

    // Set by the opener before showing: true adds a host, false edits the
    // current row of GoodHosts.
    bool AddMode = false;
    // The host name as the dialog showed it; a changed name is looked up as a duplicate.
    std::string OldHostname;

    QLabel* Label1 = nullptr;
    QLineEdit* HostEdit = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* IPEdit = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* CommentEdit = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TQuillonData& data;

    void FormShow();
    void OKClick();
    bool GoodHostExists(const std::string& hostname);
};
