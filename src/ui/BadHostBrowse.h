// TBadHostBrowseForm: the bad hosts browser ("Bad Hosts"): lists, sorts, searches, selects, edits and regroups bad hosts.
#pragma once

#include <QDialog>

#include <string>

class QPushButton;
class QTimer;
class TBadHostEditForm;
class TDBGrid;
class TQuillonData;

class TBadHostBrowseForm : public QDialog {
    Q_OBJECT

public:
    // Sizes of the window at 96 dots per inch.
    static constexpr int MinimumWidth = 200;
    static constexpr int MinimumHeight = 325;
    static constexpr int ClientWidth = 681;
    static constexpr int ClientHeight = 366;
    static constexpr int PanelWidth = 96;
    static constexpr int SearchInterval = 1500;   // ms after the latest key

    // Restores the saved window state (size, columns, the table's order).
    explicit TBadHostBrowseForm(TQuillonData& data, QWidget* parent = nullptr);
    ~TBadHostBrowseForm() override;

    TDBGrid* BrowseGrid = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnGroup = nullptr;
    QPushButton* btnSelect = nullptr;
    QPushButton* btnAll = nullptr;
    QPushButton* btnNone = nullptr;
    QPushButton* btnClose = nullptr;
    QTimer* SearchTimer = nullptr;

    // The characters typed so far for the type-ahead search.
    const std::string& SearchBuffer() const { return searchBuffer; }
    // The margin of Group cells; negative until the first one is drawn after showing.
    int TextOffset() const { return textOffset; }

public slots:
    // Every way of closing ends here: the filter goes, changed tables are
    // written and the window state is saved.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

    // The modal dialogs, so that tests can answer them.
    virtual int ExecEditor(TBadHostEditForm& editor);
    virtual int PickGroup(const QString& prompt);

private:
    TQuillonData& data;
    std::string searchBuffer;
    int textOffset = -1;

    void FormShow();
    void FormClose();
    void TitleClick(int column);
    void CharTyped(QChar character);
    void SearchTimerTimer();
    void EditHost(bool add);
    void DeleteClick();
    void GroupClick();
    void AllClick();
    void SelectClick();
};
