// Answers the modal dialog that a test's next step brings up.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs act on the modal dialog that the next step brings up, once it is up.
// A dialog that act leaves open is cancelled, so a failing test cannot hang;
// *opened records whether one came up.
template <class Form>
void WhenModal(std::function<void(Form&)> act, bool* opened = nullptr)
{
    QTimer::singleShot(0, [act, opened] {
        QWidget* w = QApplication::activeModalWidget();
        auto* form = qobject_cast<Form*>(w);
        if (opened)
            *opened = form != nullptr;
        if (!form) {
            if (w)
                w->close();
            return;
        }
        act(*form);
        if (form->isVisible())
            form->reject();
    });
}
