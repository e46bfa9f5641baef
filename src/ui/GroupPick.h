// TGroupPickForm: the group pick dialog ("Select A Group") with which other windows ask for a group.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
class TQuillonData;

class TGroupPickForm : public QDialog {
    Q_OBJECT

public:
    // Client area at 96 dots per inch when first shown.
    static constexpr int ClientWidth = 357;
    static constexpr int ClientHeight = 304;

    explicit TGroupPickForm(TQuillonData& data, QWidget* parent = nullptr);

    // Shows the dialog modally over parent with prompt above the list; the
    // chosen group's id, or 0 when the dialog was cancelled.
    static int Pick(TQuillonData& data, QWidget* parent, const QString& prompt);

    // The chosen group's id: 0 until OK.
    int GroupId = 0;

    QLabel* Label1 = nullptr;   // the prompt, set by the opener
    QListWidget* lbxGroups = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TQuillonData& data;

    void FormShow();
    void OKClick();
};
