// F1 in each window opens that window's page, taken from the Help folder the build puts beside the program.
#include "core/DataUnit.h"
#include "support/DataFolder.h"
#include "support/ScriptedPresenter.h"
#include "ui/BadHostBrowse.h"
#include "ui/BadHostEdit.h"
#include "ui/ExportHosts.h"
#include "ui/GoodHostBrowse.h"
#include "ui/GoodHostEdit.h"
#include "ui/GroupBrowse.h"
#include "ui/GroupEdit.h"
#include "ui/GroupMove.h"
#include "ui/GroupPick.h"
#include "ui/ImportHosts.h"
#include "ui/MainUnit.h"
#include "ui/Prefs.h"
#include "ui/RegistryFile.h"

#include <QApplication>
#include <QTest>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>

namespace {

// The deferred start-up steps would only get in the way here.
class TQuietMainForm : public TMainForm {
public:
    using TMainForm::TMainForm;

protected:
    void FirstRun() override {}
    void CmdLine() override {}
};

using TWindowFactory = std::function<std::unique_ptr<QWidget>(TQuillonData& data, const TTempDir& dir)>;

template <class TForm>
std::unique_ptr<QWidget> Dialog(TQuillonData& data, const TTempDir&)
{
    return std::make_unique<TForm>(data);
}

template <TBadHostEditMode mode>
std::unique_ptr<QWidget> BadHostEditor(TQuillonData& data, const TTempDir&)
{
    auto editor = std::make_unique<TBadHostEditForm>(data);
    editor->Mode = mode;
    return editor;
}

// The main window brings its own data module over the folder.
std::unique_ptr<QWidget> MainWindow(TQuillonData&, const TTempDir& dir)
{
    return std::make_unique<TQuietMainForm>(dir.Path());
}

const std::map<QString, TWindowFactory>& Windows()
{
    static const std::map<QString, TWindowFactory> windows = {
        {"main window", MainWindow},
        {"import", Dialog<TImportForm>},
        {"export", Dialog<TExportForm>},
        {"registry file", Dialog<TRegistryFileForm>},
        {"preferences", Dialog<TPrefsForm>},
        {"groups", Dialog<TGroupBrowseForm>},
        {"group editor", Dialog<TGroupEditForm>},
        {"group move", Dialog<TGroupMoveForm>},
        {"group pick", Dialog<TGroupPickForm>},
        {"bad hosts", Dialog<TBadHostBrowseForm>},
        {"bad host editor, add", BadHostEditor<TBadHostEditMode::Add>},
        {"bad host editor, edit", BadHostEditor<TBadHostEditMode::Edit>},
        {"bad host editor, select", BadHostEditor<TBadHostEditMode::Select>},
        {"good hosts", Dialog<TGoodHostBrowseForm>},
        {"good host editor", Dialog<TGoodHostEditForm>},
    };
    return windows;
}

// Records the pages ShowHelp hands to the desktop instead of opening them.
class THelpRecorder {
public:
    std::vector<std::string> pages;

    THelpRecorder() : previous(HelpShellOpen)
    {
        HelpShellOpen = [this](const std::string& page, const std::string&) {
            pages.push_back(page);
            return true;
        };
    }
    ~THelpRecorder() { HelpShellOpen = previous; }
    THelpRecorder(const THelpRecorder&) = delete;
    THelpRecorder& operator=(const THelpRecorder&) = delete;

private:
    decltype(HelpShellOpen) previous;
};

}   // namespace

class TestHelpTopics : public QObject {
    Q_OBJECT

private slots:
    void f1OpensTheWindowsPage_data();
    void f1OpensTheWindowsPage();
};

void TestHelpTopics::f1OpensTheWindowsPage_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("topic");
    // F1 is the short-cut of Help > Contents in the main window.
    QTest::newRow("main window") << "main window"
                                 << "index.html";
    QTest::newRow("import") << "import"
                            << "import.html";
    QTest::newRow("export") << "export"
                            << "export.html";
    QTest::newRow("registry file") << "registry file"
                                   << "registry.html";
    QTest::newRow("preferences") << "preferences"
                                 << "prefs.html";
    QTest::newRow("groups") << "groups"
                            << "groups.html";
    QTest::newRow("group editor") << "group editor"
                                  << "groups.html";
    QTest::newRow("group move") << "group move"
                                << "groups.html";
    QTest::newRow("group pick belongs to the bad hosts") << "group pick"
                                                         << "badhosts.html";
    QTest::newRow("bad hosts") << "bad hosts"
                               << "badhosts.html";
    QTest::newRow("bad host editor, add") << "bad host editor, add"
                                          << "badhosts.html";
    QTest::newRow("bad host editor, edit") << "bad host editor, edit"
                                           << "badhosts.html";
    QTest::newRow("bad host editor, select") << "bad host editor, select"
                                             << "badhosts.html";
    QTest::newRow("good hosts") << "good hosts"
                                << "goodhosts.html";
    QTest::newRow("good host editor") << "good host editor"
                                      << "goodhosts.html";
}

void TestHelpTopics::f1OpensTheWindowsPage()
{
    QFETCH(QString, window);
    QFETCH(QString, topic);

    TDataFolder fx;
    // The pages the program ships, as if installed beside it.
    std::filesystem::create_directory_symlink(QUILLON_HELP_DIR, fx.File("Help"));
    TScriptedPresenter presenter;
    THelpRecorder help;

    const std::unique_ptr<QWidget> form = Windows().at(window)(*fx.data, fx.dir);
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
    QTest::keyClick(target, Qt::Key_F1);

    // No "Help Error": the page is there, and it is this window's.
    QVERIFY(presenter.shown.empty());
    QCOMPARE(help.pages, std::vector<std::string>{fx.File("Help/" + topic.toStdString())});
    form->close();
}

QTEST_MAIN(TestHelpTopics)
#include "tst_helptopics.moc"
