// TGoodHostBrowseForm: the good hosts browser ("Good Hosts"): lists, sorts, adds, edits, deletes good hosts.
#pragma once

#include <QDialog>

class QPushButton;
class QWidget;
class TDBGrid;
class TQuillonData;

class TGoodHostBrowseForm : public QDialog {
    Q_OBJECT

public:
    // Sizes of the window at 96 dots per inch; the client width shows the
    // three columns side by side.
    static constexpr int MinimumWidth = 400;
    static constexpr int MinimumHeight = 200;
    static constexpr int ClientWidth = 808;
    static constexpr int ClientHeight = 400;

    explicit TGoodHostBrowseForm(TQuillonData& data, QWidget* parent = nullptr);

    TDBGrid* BrowseGrid = nullptr;
    QWidget* BottomPanel = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnClose = nullptr;

public slots:
    // Every way of closing ends here: the changed tables and the window state are written first.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TQuillonData& data;

    void FormShow();
    void TitleClick(int column);
    void ShowEditor(bool addMode);
    void AddClick();
    void EditClick();
    void DeleteClick();
};
