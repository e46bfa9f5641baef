// The control of a window by its object name and type; a missing one ends the test run with its name.
#pragma once

#include <QObject>
#include <QString>

template <class T>
T* Find(const QObject* parent, const QString& name)
{
    T* child = parent->findChild<T*>(name);
    if (!child)
        qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return child;
}
