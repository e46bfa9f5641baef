// The single guard for unexpected failures, and the application object that is its last line of defence.
#pragma once

#include <QApplication>

#include <concepts>
#include <functional>
#include <string>
#include <utility>

class QWidget;

// Headless: no window can be shown, so a failure is printed and ends the program.
void SetHeadless(bool headless);
bool IsHeadless();

// The program's default error report. In a window session: the error dialog
// with the program's title as caption, owned by owner (may be null). Headless:
// "Quillon: " + text on standard error, then the program ends with status 1.
void ReportError(QWidget* owner, const std::string& text);

// Runs action; an EQuillonError or any other exception escaping it is
// reported with ReportError. Returns true when the action completed. The
// action restores what it changed (cursor, buttons, captions) through RAII
// before the report is shown.
bool Guarded(QWidget* owner, const std::function<void()>& action);

// A slot for connect() that runs the callable through the guard. Takes as many
// of the signal's arguments as the callable accepts:
//   connect(btnAddHost, &QPushButton::clicked, this, GuardedSlot(this, [this] { AddHost(); }));
template <typename F>
auto GuardedSlot(QWidget* owner, F action)
{
    // clang-format 14 cannot lay out a lambda's requires clause.
    // clang-format off
    return [owner, action = std::move(action)](auto&&... args)
        requires std::invocable<const F&, decltype(args)...>
    {
        Guarded(owner, [&] { std::invoke(action, std::forward<decltype(args)>(args)...); });
    };
    // clang-format on
}

// The same for a member function of a window, which also owns the report:
//   connect(actGroups, &QAction::triggered, this, GuardedSlot(this, &TMainForm::GroupsExecute));
template <typename W, typename R, typename... Args>
auto GuardedSlot(W* window, R (W::*method)(Args...))
{
    return GuardedSlot(window, [window, method](Args... args) { (window->*method)(args...); });
}

// Installs the application hooks of the core (hourglass cursor, ending the
// program) for a running Qt application.
void InstallApplicationHooks();
void RemoveApplicationHooks();

// The application object: installs the hooks, and reports anything that
// escapes an event handler instead of letting it end the program unreported.
class TQuillonApplication : public QApplication {
public:
    TQuillonApplication(int& argc, char** argv);
    ~TQuillonApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;
};
