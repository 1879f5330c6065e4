#pragma once
#include "FileBytes.h"
#include "data/Utf8.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QString>
#include <QWidget>

// Helpers the tests share.

// A program built beside the tests or the programs: its name as the system runs it.
inline QString executable(const QString& path)
{
#ifdef Q_OS_WIN
    return path + QStringLiteral(".exe");
#else
    return path;
#endif
}

// The named child of a window. A missing child ends the run with its name: every later step
// of the test would fail on it anyway.
template <typename T> T* child(const QObject* parent, const char* name)
{
    T* c = parent->findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no child %s", name);
    return c;
}

// The text of a window's named label, "<missing NAME>" when there is none: compared like any
// text, a missing label fails the check that reads it and the test goes on.
inline QString labelText(const QObject* window, const QString& name)
{
    auto* l = window->findChild<QLabel*>(name);
    return l ? l->text() : QStringLiteral("<missing %1>").arg(name);
}

// The pointer resting on (5, 5) of a widget, and the left button released there.
inline void hover(QWidget* target)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
}

inline void release(QWidget* target)
{
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                   Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &up);
}
