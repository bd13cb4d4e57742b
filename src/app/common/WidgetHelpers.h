#pragma once
// Small helpers that every window uses to make its controls under their names.

#include <QFont>
#include <QFontDatabase>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QString>
#include <QToolButton>

namespace mervalon::app {

/// Gives `widget` its object name, by which tests and the help find it.
template <typename Widget> Widget* named(Widget* widget, const char* name)
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

/// The font of point files and reports: a fixed pitch keeps columns of figures under each other,
/// and the letter O must not pass for the digit 0 when a user looks for a faulty line. DejaVu
/// Sans Mono (Debian's fonts-dejavu-core) dots its zero; other desktops' fixed fonts are the
/// fallback.
inline QFont pointFileFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QString preferred = QStringLiteral("DejaVu Sans Mono");
    if (QFontDatabase::families().contains(preferred)) {
        font.setFamilies({preferred});
    }
    return font;
}

inline QGroupBox* groupBox(QWidget* parent, const char* name, const char* caption)
{
    return named(new QGroupBox(QLatin1String(caption), parent), name);
}

/// The white band with a bold line of text at the top of a dialog, saying what it is for.
inline QLabel* whiteHeader(QWidget* parent, const QString& text)
{
    auto* header = new QLabel(text, parent);
    header->setAutoFillBackground(true);
    QPalette palette = header->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    header->setPalette(palette);
    header->setContentsMargins(10, 10, 10, 10);
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    return header;
}

} // namespace mervalon::app
