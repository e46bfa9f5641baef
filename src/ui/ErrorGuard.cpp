// Default error report, the guard around every handler, and the application object.
#include "ui/ErrorGuard.h"

#include "core/AppHooks.h"
#include "core/Messages.h"

#include <QMetaObject>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

bool headless = false;

QWidget* OwnerOf(QObject* receiver)
{
    if (auto* widget = qobject_cast<QWidget*>(receiver))
        return widget->window();
    return QApplication::activeWindow();
}

}   // namespace

void SetHeadless(bool on) { headless = on; }

bool IsHeadless() { return headless; }

void ReportError(QWidget* owner, const std::string& text)
{
    if (headless) {
        std::fprintf(stderr, "%s: %s\n", AppTitle, text.c_str());
        std::fflush(stderr);
        std::exit(1);
    }
    ErrorDlg(text, AppTitle, owner);
}

bool Guarded(QWidget* owner, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        ReportError(owner, e.what());
    } catch (...) {
        // Whatever is thrown that is not a std::exception still deserves a report.
        ReportError(owner, UnexpectedErrorText);
    }
    return false;
}

void InstallApplicationHooks()
{
    apphooks::SetBusy = [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    // exit() rather than quit(): quit() would first close the windows, and a
    // program asked to end must not run the main window's save steps.
    // Headless, a program that had to end early did not do what its job asked.
    apphooks::Terminate = [] {
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(IsHeadless() ? 1 : 0); }, Qt::QueuedConnection);
    };
}

void RemoveApplicationHooks()
{
    apphooks::SetBusy = nullptr;
    apphooks::Terminate = nullptr;
}

TQuillonApplication::TQuillonApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    InstallApplicationHooks();
}

TQuillonApplication::~TQuillonApplication() { RemoveApplicationHooks(); }

bool TQuillonApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ReportError(OwnerOf(receiver), e.what());
    } catch (...) {
        ReportError(OwnerOf(receiver), UnexpectedErrorText);
    }
    return false;
}
