#pragma once
// Small helpers that every window uses to make its controls under their names.

#include <QGroupBox>
#include <QIcon>
#include <QString>
#include <QToolButton>

namespace mervalon::app {

/// Gives `widget` its object name, by which tests and the help find it.
template <typename Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

/// A glyph button with its hint, also given as its accessible name.
inline QToolButton* toolButton(QWidget* parent, const char* name, const QString& hint, const QIcon& icon)
{
    auto* button = named(new QToolButton(parent), name);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setIcon(icon);
    return button;
}

inline QGroupBox* groupBox(QWidget* parent, const char* name, const char* caption)
{
    return named(new QGroupBox(QLatin1String(caption), parent), name);
}

} // namespace mervalon::app
