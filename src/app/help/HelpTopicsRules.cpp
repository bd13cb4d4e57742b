#include "app/help/HelpTopicsRules.h"

#include "app/configuration/ConfigurationControls.h"
#include "app/entities/EntityPanelsControls.h"
#include "app/files/ExtensionListControls.h"
#include "app/files/FileSelectionControls.h"
#include "app/formats/FormatEditorControls.h"
#include "app/mainwindow/MainWindowControls.h"
#include "app/modifiers/DataModifiersControls.h"
#include "app/order/EntitiesOrderControls.h"
#include "app/shell/Interaction.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>

namespace mervalon::app {
namespace {

struct WindowName {
    HelpWindow window;
    const char* objectName; // "": known by its caption alone
    QStringView caption;
};

// Windows are known by their object names or by their captions, which never change; the
// format editor by its caption alone.
constexpr std::array kWindows{
    WindowName{HelpWindow::Main, MainWindowControls::window, u"Mervalon 4.0"},
    WindowName{HelpWindow::ExtensionList, ExtensionListControls::window, u"Files extension list"},
    WindowName{HelpWindow::EntitiesOrder, EntitiesOrderControls::window, u"Entities order"},
    WindowName{HelpWindow::FormatEditor, "", u"Format Editor"},
    WindowName{HelpWindow::DataModifiers, DataModifiersControls::window, u"Data modifiers"},
};

struct Topic {
    HelpWindow window;
    const char* control; // kFreeArea: the window's own free area
    int topic;
};

constexpr char kFreeArea[] = "";

using W = HelpWindow;
using config::EntityKind;

// Topic 8 is unused; 30 belongs to no control (it is the page shown on switching on).
constexpr std::array kTopics{
    Topic{W::Main, FileSelectionControls::folderTree, 1},
    Topic{W::Main, FileSelectionControls::fileList, 2},
    Topic{W::Main, FileSelectionControls::destinationEdit, 3},
    Topic{W::Main, FileSelectionControls::browseButton, 3},
    Topic{W::Main, FileSelectionControls::lockedButton, 3},
    Topic{W::Main, FileSelectionControls::unlockedButton, 3},
    Topic{W::Main, FileSelectionControls::extensionsButton, 4},
    Topic{W::Main, FileSelectionControls::autoSelectBox, 5},
    Topic{W::Main, MainWindowControls::entitiesGroup, 6},
    Topic{W::Main, MainWindowControls::formatGroup, 7},
    Topic{W::Main, MainWindowControls::formatEditorButton, 7},
    Topic{W::Main, MainWindowControls::formatDescription, 7},
    Topic{W::Main, MainWindowControls::entitiesOrderButton, 9},
    Topic{W::Main, ConfigurationControls::saveButton, 10},
    Topic{W::Main, ConfigurationControls::loadButton, 11},
    Topic{W::EntitiesOrder, EntitiesOrderControls::positionGroup, 12},
    Topic{W::EntitiesOrder, EntitiesOrderControls::distanceGroup, 13},
    Topic{W::ExtensionList, ExtensionListControls::entryList, 14},
    Topic{W::ExtensionList, kFreeArea, 15},
    Topic{W::ExtensionList, ExtensionListControls::nameLabel, 15},
    Topic{W::ExtensionList, ExtensionListControls::nameEdit, 15},
    Topic{W::ExtensionList, ExtensionListControls::extensionsLabel, 16},
    Topic{W::ExtensionList, ExtensionListControls::extensionsEdit, 16},
    Topic{W::Main, EntityPanelsControls::layerEdit(EntityKind::Point), 17},
    Topic{W::Main, EntityPanelsControls::layerEdit(EntityKind::Number), 17},
    Topic{W::Main, EntityPanelsControls::layerEdit(EntityKind::X), 17},
    Topic{W::Main, EntityPanelsControls::layerEdit(EntityKind::Y), 17},
    Topic{W::Main, EntityPanelsControls::layerEdit(EntityKind::Elevation), 17},
    Topic{W::Main, EntityPanelsControls::layerEdit(EntityKind::Description), 17},
    Topic{W::Main, EntityPanelsControls::layerEdit(EntityKind::Polyline), 17},
    Topic{W::Main, EntityPanelsControls::heightEdit(EntityKind::Number), 18},
    Topic{W::Main, EntityPanelsControls::heightEdit(EntityKind::X), 18},
    Topic{W::Main, EntityPanelsControls::heightEdit(EntityKind::Y), 18},
    Topic{W::Main, EntityPanelsControls::heightEdit(EntityKind::Elevation), 18},
    Topic{W::Main, EntityPanelsControls::heightEdit(EntityKind::Description), 18},
    Topic{W::Main, EntityPanelsControls::colorPanel(EntityKind::Point), 19},
    Topic{W::Main, EntityPanelsControls::colorPanel(EntityKind::Number), 19},
    Topic{W::Main, EntityPanelsControls::colorPanel(EntityKind::Elevation), 19},
    Topic{W::Main, EntityPanelsControls::colorPanel(EntityKind::Description), 19},
    Topic{W::Main, EntityPanelsControls::colorPanel(EntityKind::Polyline), 19},
    Topic{W::Main, EntityPanelsControls::colorPanel(EntityKind::X), 19},
    Topic{W::Main, EntityPanelsControls::colorPanel(EntityKind::Y), 19},
    Topic{W::Main, EntityPanelsControls::flatButton(EntityKind::Point), 20},
    Topic{W::Main, EntityPanelsControls::spatialButton(EntityKind::Point), 20},
    Topic{W::Main, EntityPanelsControls::flatButton(EntityKind::Polyline), 20},
    Topic{W::Main, EntityPanelsControls::spatialButton(EntityKind::Polyline), 20},
    Topic{W::Main, EntityPanelsControls::flatButton(EntityKind::Number), 20},
    Topic{W::Main, EntityPanelsControls::spatialButton(EntityKind::Number), 20},
    Topic{W::Main, EntityPanelsControls::flatButton(EntityKind::X), 20},
    Topic{W::Main, EntityPanelsControls::spatialButton(EntityKind::X), 20},
    Topic{W::Main, EntityPanelsControls::flatButton(EntityKind::Y), 20},
    Topic{W::Main, EntityPanelsControls::spatialButton(EntityKind::Y), 20},
    Topic{W::Main, EntityPanelsControls::flatButton(EntityKind::Elevation), 20},
    Topic{W::Main, EntityPanelsControls::spatialButton(EntityKind::Elevation), 20},
    Topic{W::Main, EntityPanelsControls::flatButton(EntityKind::Description), 20},
    Topic{W::Main, EntityPanelsControls::spatialButton(EntityKind::Description), 20},
    Topic{W::FormatEditor, FormatEditorControls::textKindButton, 21},
    Topic{W::FormatEditor, FormatEditorControls::separatorPanel, 21},
    Topic{W::FormatEditor, FormatEditorControls::excelKindButton, 22},
    Topic{W::FormatEditor, FormatEditorControls::sheetPanel, 22},
    Topic{W::FormatEditor, FormatEditorControls::positionEdits[0], 23},
    Topic{W::FormatEditor, FormatEditorControls::positionEdits[1], 23},
    Topic{W::FormatEditor, FormatEditorControls::positionEdits[2], 23},
    Topic{W::FormatEditor, FormatEditorControls::positionEdits[3], 23},
    Topic{W::FormatEditor, FormatEditorControls::positionEdits[4], 23},
    Topic{W::FormatEditor, FormatEditorControls::positionEdits[5], 23},
    Topic{W::FormatEditor, FormatEditorControls::prefixEdits[0], 24},
    Topic{W::FormatEditor, FormatEditorControls::prefixEdits[1], 24},
    Topic{W::FormatEditor, FormatEditorControls::prefixEdits[2], 24},
    Topic{W::FormatEditor, FormatEditorControls::prefixEdits[3], 24},
    Topic{W::FormatEditor, FormatEditorControls::prefixEdits[4], 24},
    Topic{W::FormatEditor, FormatEditorControls::prefixEdits[5], 24},
    Topic{W::FormatEditor, FormatEditorControls::keepBoxes[0], 25},
    Topic{W::FormatEditor, FormatEditorControls::keepBoxes[1], 25},
    Topic{W::FormatEditor, FormatEditorControls::keepBoxes[2], 25},
    Topic{W::FormatEditor, FormatEditorControls::keepBoxes[3], 25},
    Topic{W::FormatEditor, FormatEditorControls::keepBoxes[4], 25},
    Topic{W::FormatEditor, FormatEditorControls::keepBoxes[5], 25},
    Topic{W::FormatEditor, FormatEditorControls::formatsGroup, 26},
    Topic{W::Main, MainWindowControls::createButton, 27},
    Topic{W::Main, MainWindowControls::exitButton, 28},
    Topic{W::Main, MainWindowControls::lastReportButton, 29},
    Topic{W::Main, MainWindowControls::dataModifiersButton, 31},
    Topic{W::DataModifiers, DataModifiersControls::renumberingGroup, 32},
    Topic{W::DataModifiers, DataModifiersControls::coordinatesGroup, 33},
};

bool isInnerPart(const QString& name)
{
    return name.isEmpty() || name.startsWith(QLatin1String("qt_"));
}

} // namespace

HelpWindow helpWindowOf(QStringView objectName, QStringView caption)
{
    const QStringView title = caption.trimmed();
    for (const WindowName& known : kWindows) {
        const QLatin1String knownName(known.objectName);
        if ((!knownName.isEmpty() && objectName == knownName) || title == known.caption) {
            return known.window;
        }
    }
    return HelpWindow::Other;
}

int helpTopicOf(HelpWindow window, QStringView controlName)
{
    if (window == HelpWindow::Other) {
        return 0;
    }
    const auto found = std::find_if(kTopics.begin(), kTopics.end(), [&](const Topic& topic) {
        return topic.window == window && controlName == QLatin1String(topic.control);
    });
    return found == kTopics.end() ? 0 : found->topic;
}

QStringList helpTopicControls(HelpWindow window)
{
    QStringList names;
    for (const Topic& topic : kTopics) {
        if (topic.window == window && *topic.control != '\0') {
            names << QLatin1String(topic.control);
        }
    }
    return names;
}

int helpTopicUnderPointer(HelpWindow window, const QStringList& chain)
{
    for (const QString& name : chain) {
        if (!isInnerPart(name)) {
            return helpTopicOf(window, name);
        }
    }
    return helpTopicOf(window, {});
}

QString helpTopicAddress(const QString& installDir, int topic)
{
    return installDir + QStringLiteral("/activehelp/qvh.htm#") + QString::number(topic);
}

QString helpFilePath(const QString& installDir)
{
    return installDir + QStringLiteral("/help/index.html");
}

void showHelpFile(Interaction& interaction, const QString& installDir)
{
    const QString path = helpFilePath(installDir);
    if (!QFileInfo(path).isFile()) {
        interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, missingManualMessage(path));
        return;
    }
    interaction.showManual(path);
}

QString missingManualMessage(const QString& path)
{
    return QStringLiteral("The manual cannot be shown: %1 is missing. Start the program again to have its "
                          "installation repaired.")
        .arg(QDir::toNativeSeparators(path));
}

namespace {

/// `position` moved only as far as needed to keep a window of `size` whole on `available`; right
/// and bottom first, so that a window larger than the screen keeps its top left corner.
QPoint keptOnScreen(QPoint position, const QSize& size, const QRect& available)
{
    position.setX(std::min(position.x(), available.left() + available.width() - size.width()));
    position.setY(std::min(position.y(), available.top() + available.height() - size.height()));
    position.setX(std::max(position.x(), available.left()));
    position.setY(std::max(position.y(), available.top()));
    return position;
}

bool standsApart(QPoint help, const QSize& helpFrame, const QRect& mainFrame, const QRect& available)
{
    const QRect helpRect(help, helpFrame);
    return available.contains(helpRect) && !helpRect.intersects(mainFrame);
}

} // namespace

ActiveHelpPlacement activeHelpPlacement(const QRect& mainFrame, const QSize& helpFrame, const QRect& available,
                                        int offset)
{
    const QPoint wanted(mainFrame.left() - offset, mainFrame.top());
    if (available.isEmpty()) {
        return {wanted, std::nullopt};
    }
    const QPoint onTheLeft = keptOnScreen(wanted, helpFrame, available);
    if (!QRect(onTheLeft, helpFrame).intersects(mainFrame)) {
        return {onTheLeft, std::nullopt};
    }
    // The same gap as on the left, on the other side.
    const int gap = std::max(0, offset - helpFrame.width());
    const QPoint onTheRight = keptOnScreen(QPoint(mainFrame.right() + 1 + gap, mainFrame.top()), helpFrame, available);
    if (standsApart(onTheRight, helpFrame, mainFrame, available)) {
        return {onTheRight, std::nullopt};
    }
    const int mainLeft = available.left() + helpFrame.width() + gap;
    if (mainLeft + mainFrame.width() <= available.left() + available.width()) {
        const QPoint main(mainLeft, mainFrame.top());
        return {QPoint(available.left(), onTheLeft.y()), main};
    }
    return {onTheLeft, std::nullopt};
}

} // namespace mervalon::app
