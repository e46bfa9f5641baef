// Main window life cycle: data module and preferences at creation, deferred steps at show, saving at close.
#include "ui/MainUnit.h"

#include "core/DataUnit.h"
#include "ui/ErrorGuard.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMetaObject>
#include <QShowEvent>

TMainForm::TMainForm(const std::string& dataDir, QWidget* parent) : QMainWindow(parent)
{
    setObjectName("MainForm");
    setWindowTitle(AppTitle);
    // Fixed single border: no maximize button, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    // Menu, tool bar and the controls of the central widget are built here.

    // The fixed client area lies below the menu bar, whose height the style decides.
    const int menuHeight = menuWidget() ? menuWidget()->sizeHint().height() : 0;
    setFixedSize(ClientWidth, ClientHeight + menuHeight);

    arguments = QCoreApplication::arguments().mid(1);
    FormCreate(dataDir);
}

TMainForm::~TMainForm() { FreeData(); }

void TMainForm::FormCreate(const std::string& dataDir)
{
    data = std::make_unique<TQuillonData>(dataDir);
    QuillonData = data.get();
    try {
        data->MainOwner = this;
        data->Prefs().LoadPrefs();
        // False after the message about data that cannot be used; the
        // application has then been asked to end and nothing may be saved.
        databaseOpen = data->OpenDatabase();
        // The window's saved position is restored here once window states exist.
    } catch (...) {
        FreeData();
        throw;
    }
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown || event->spontaneous())
        return;
    shown = true;
    Guarded(this, [this] { FormShow(); });
}

void TMainForm::FormShow()
{
    if (!QuillonData || !QuillonData->Groups.Active())
        return;
    // With the controls: limit CommentEdit to 255 characters, FillGroupCombo,
    // UpdateHostsState, and the older short-cuts when OldShortcuts is on.

    // Empty host tables offer the first-run prompt, and then that run's
    // arguments are left alone.
    if (QuillonData->BadHosts.IsEmpty() && QuillonData->GoodHosts.IsEmpty())
        Post(&TMainForm::FirstRun);
    else if (!arguments.isEmpty())
        Post(&TMainForm::CmdLine);
}

void TMainForm::Post(void (TMainForm::*step)())
{
    QMetaObject::invokeMethod(
        this, [this, step] { Guarded(this, [this, step] { (this->*step)(); }); },
        Qt::QueuedConnection);
}

void TMainForm::FirstRun()
{
    // The first-run prompt arrives with the command-line processing.
}

void TMainForm::CmdLine()
{
    // Command-line processing comes with the dialogs it drives.
}

int TMainForm::SelectedGroup() const
{
    // Until the group combo exists the group loaded at start-up stays
    // selected; then this becomes ComboObject(cbxGroup).
    return QuillonData->Prefs().LastGroup;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // A failed save keeps the window, and with it every unsaved change, so the
    // user can retry; a start-up that could not open the tables saves nothing.
    if (data && databaseOpen && !Guarded(this, [this] { FormCloseQuery(); })) {
        event->ignore();
        return;
    }
    FreeData();
    event->accept();
}

void TMainForm::FormCloseQuery()
{
    TQuillonPrefs& prefs = data->Prefs();
    prefs.LastGroup = SelectedGroup();
    prefs.SavePrefs();
    data->SaveDatabase(false);
    // The window's position is saved here once window states exist.
}

void TMainForm::FreeData()
{
    if (QuillonData == data.get())
        QuillonData = nullptr;
    data.reset();
}
