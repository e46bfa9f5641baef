// Saved window states in the preferences file: window positions, sizes, grid layouts and sort orders.
#include "ui/WindowState.h"

#include "core/Table.h"
#include "settings/Codecs.h"
#include "settings/IniFile.h"
#include "ui/DBGrid.h"
#include "ui/ErrorGuard.h"

#include "platform/Errors.h"

#include <QWidget>

namespace {

constexpr const char* MainSection = "MainWindow";
constexpr Qt::WindowStates SpecialStates = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

// The saved columns, checked against the table before the grid takes them.
std::vector<TDBColumn> SavedColumns(const std::string& bytes, const TTable& table)
{
    std::vector<TDBColumn> columns = TDBGrid::DecodeLayout(bytes);
    for (const TDBColumn& column : columns)
        if (!table.HasField(column.fieldName))
            throw EQuillonError("The saved column layout cannot be read: the table " + table.Name() +
                                " has no field " + column.fieldName + ".");
    return columns;
}

void RestoreWindowState(const std::string& section, QWidget* window, TDBGrid* grid, TTable& table,
                        const std::string& iniFileName)
{
    const TIniFile ini(iniFileName);
    if (ini.SectionExists(section)) {
        if (ini.ValueExists(section, "Top")) {
            const QRect outer = OuterGeometry(window);
            const int top = ini.ReadInteger(section, "Top", outer.top());
            const int left = ini.ReadInteger(section, "Left", outer.left());
            const int height = ini.ReadInteger(section, "Height", outer.height());
            const int width = ini.ReadInteger(section, "Width", outer.width());
            const QRect saved(left, top, width, height);
            PlaceByFrame(window, [saved](const QMargins& margins) {
                return FittedGeometry(saved, margins, ScreenGeometries());
            });
        }
        if (ini.ReadBool(section, "Maximized", false))
            window->setWindowState(window->windowState() | Qt::WindowMaximized);
        const std::string layout = Base64Decode(ini.ReadString(section, "Columns", ""));
        if (!layout.empty())
            grid->SetColumns(SavedColumns(layout, table));
        table.SetIndexName(ini.ReadString(section, "Index", table.IndexName()));
    } else if (!grid->Columns().empty()) {
        table.SetIndexName(grid->Columns().front().fieldName);
    }
    if (grid->Table() == &table)
        grid->Refresh();
    // The bold title names the order of the rows, as a click on a title does.
    for (size_t i = 0; i < grid->Columns().size(); ++i)
        grid->SetTitleBold(int(i), TTable::SameText(grid->Columns()[i].fieldName, table.IndexName()));
}

}   // namespace

void LoadMainWindowPosition(QWidget* window, const std::string& iniFileName)
{
    const TIniFile ini(iniFileName);
    if (!ini.SectionExists(MainSection))
        return;
    const QRect outer = OuterGeometry(window);
    const int top = ini.ReadInteger(MainSection, "Top", outer.top());
    const int left = ini.ReadInteger(MainSection, "Left", outer.left());
    // The client size is fixed; the frame around it decides the outer size.
    const QPoint saved(left, top);
    PlaceByFrame(window, [window, saved](const QMargins& margins) {
        return FittedGeometry(QRect(saved, window->size().grownBy(margins)), margins, ScreenGeometries());
    });
}

void SaveMainWindowPosition(QWidget* window, const std::string& iniFileName, bool saveWindows)
{
    if (!saveWindows)
        return;
    TIniFile ini(iniFileName);
    if (!(window->windowState() & SpecialStates)) {
        const QRect outer = OuterGeometry(window);
        ini.WriteInteger(MainSection, "Top", outer.top());
        ini.WriteInteger(MainSection, "Left", outer.left());
    }
    ini.UpdateFile();
}

void LoadWindowState(const std::string& section, QWidget* window, TDBGrid* grid, TTable& table,
                     const std::string& iniFileName)
{
    Guarded(window, [&] { RestoreWindowState(section, window, grid, table, iniFileName); });
}

void SaveWindowState(const std::string& section, QWidget* window, TDBGrid* grid, const TTable& table,
                     const std::string& iniFileName, bool saveWindows)
{
    if (!saveWindows)
        return;
    TIniFile ini(iniFileName);
    if (!(window->windowState() & SpecialStates)) {
        const QRect outer = OuterGeometry(window);
        ini.WriteInteger(section, "Top", outer.top());
        ini.WriteInteger(section, "Left", outer.left());
        ini.WriteInteger(section, "Height", outer.height());
        ini.WriteInteger(section, "Width", outer.width());
    }
    ini.WriteBool(section, "Maximized", window->windowState() & Qt::WindowMaximized);
    ini.WriteString(section, "Index", table.IndexName());
    ini.WriteString(section, "Columns", Base64Encode(grid->SaveLayout()));
    ini.UpdateFile();
}

void DeleteWindowStates(const std::string& iniFileName)
{
    TIniFile ini(iniFileName);
    for (const char* section : {MainSection, "BadHostBrowse", "GoodHostBrowse"})
        ini.EraseSection(section);
    ini.UpdateFile();
}
