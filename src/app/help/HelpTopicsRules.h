#pragma once
// Which help topic belongs to which control, and where the help lives in the installation.
// The Active Help window asks this table for the control under the pointer; the table names
// windows and controls by their object names, so a window finds its topics as soon as it
// exists, without code of its own.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace mervalon::app {

class Interaction;

/// The windows whose controls have help topics; every other window has none.
enum class HelpWindow { Other, Main, EntitiesOrder, ExtensionList, FormatEditor, DataModifiers };

/// The topic shown when the Active Help window is switched on and at window start.
inline constexpr int kStartHelpTopic = 30;

/// Recognises a window by its object name or, for windows whose object name is free, by its
/// caption (surrounding blanks ignored).
HelpWindow helpWindowOf(QStringView objectName, QStringView caption);

/// The topic of one control of a window; an empty name stands for the window's own free area.
/// 0 when the control has none.
int helpTopicOf(HelpWindow window, QStringView controlName);

/// The names of the controls of a window that have a topic (the window's own free area left out).
QStringList helpTopicControls(HelpWindow window);

/// The topic under the pointer. `chain` holds the object names from the widget under the
/// pointer up to, not including, its window. Unnamed widgets and Qt's own inner parts
/// ("qt_..." such as a list's viewport) stand for the control around them; the first named
/// control decides: its topic, or none when it has none (a group box answers only for its own
/// free area, each child control for itself). When the chain holds no named control the
/// pointer is over the window's free area.
int helpTopicUnderPointer(HelpWindow window, const QStringList& chain);

/// "<InstallDir>/activehelp/qvh.htm#<topic>".
QString helpTopicAddress(const QString& installDir, int topic);

/// The manual's entry page: "<InstallDir>/help/index.html".
QString helpFilePath(const QString& installDir);

/// Shows the manual in the program's help window, or says that its first page is missing.
void showHelpFile(Interaction& interaction, const QString& installDir);

/// What the help says when the manual's first page is not installed.
QString missingManualMessage(const QString& path);

/// Where the Active Help window goes, and where the main window goes if it has to make room.
struct ActiveHelpPlacement {
    QPoint help;
    /// Set only when the main window must move so that the two stand side by side.
    std::optional<QPoint> main;
};

/// The Active Help window goes `offset` pixels left of the main window's left edge, level with
/// its top, moved only as far as needed to keep it whole on the `available` area. Kept on the
/// screen there, it may cover the main window (its left side and first tab, when the screen is
/// small or scaled): it then goes to the main window's right at the same distance, and failing
/// that, to the screen's left edge with the main window moved right beside it. Only when the
/// two cannot stand side by side on the screen at all does it cover the main window.
ActiveHelpPlacement activeHelpPlacement(const QRect& mainFrame, const QSize& helpFrame, const QRect& available,
                                        int offset);

} // namespace mervalon::app
