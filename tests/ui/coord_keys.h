#pragma once
// Key presses sent to a widget as the keyboard would send them.
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

inline void PressKey(QWidget* widget, int key, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

// Qt's key codes of letters, digits and '.' are their upper-case characters.
inline void TypeKeys(QWidget* widget, const QString& keys)
{
    for (QChar c : keys) PressKey(widget, c.toUpper().unicode(), QString(c));
}
