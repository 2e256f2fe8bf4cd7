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

inline void TypeKeys(QWidget* widget, const QString& keys)
{
    for (QChar c : keys) {
        const QChar upper = c.toUpper();
        int key = Qt::Key_Space;
        if (upper >= u'A' && upper <= u'Z') key = Qt::Key_A + (upper.unicode() - u'A');
        if (c >= u'0' && c <= u'9') key = Qt::Key_0 + (c.unicode() - u'0');
        if (c == u'.') key = Qt::Key_Period;
        PressKey(widget, key, QString(c));
    }
}
