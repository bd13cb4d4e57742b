#include "app/help/HelpTopicsRules.h"

#include "app/shell/Interaction.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>

namespace mervalon::app {
namespace {

struct WindowName {
    HelpWindow window;
    QStringView objectName;
    QStringView caption;
};

// Windows are known by their object names or by their captions, which never change; the
// format editor by its caption alone.
constexpr std::array kWindows{
    WindowName{HelpWindow::Main, u"Form1", u"Mervalon 4.0"},
    WindowName{HelpWindow::ExtensionList, u"TForm9", u"Files extension list"},
    WindowName{HelpWindow::EntitiesOrder, u"crebloc", u"Entities order"},
    WindowName{HelpWindow::FormatEditor, u"", u"Format Editor"},
    WindowName{HelpWindow::DataModifiers, u"coordsmod", u"Data modifiers"},
};

struct Topic {
    HelpWindow window;
    QStringView control;
    int topic;
};

using W = HelpWindow;

// Topic 8 is unused; 30 belongs to no control (it is the page shown on switching on).
constexpr std::array kTopics{
    Topic{W::Main, u"sh1", 1},
    Topic{W::Main, u"fl1", 2},
    Topic{W::Main, u"Edit1", 3},
    Topic{W::Main, u"SpeedButton4", 3},
    Topic{W::Main, u"SpeedButton1", 3},
    Topic{W::Main, u"SpeedButton2", 3},
    Topic{W::Main, u"SpeedButton15", 4},
    Topic{W::Main, u"autosel", 5},
    Topic{W::Main, u"GroupBox3", 6},
    Topic{W::Main, u"GroupBox4", 7},
    Topic{W::Main, u"SpeedButton14", 7},
    Topic{W::Main, u"Label33", 7},
    Topic{W::Main, u"Button2", 9},
    Topic{W::Main, u"SpeedButton13", 10},
    Topic{W::Main, u"SpeedButton12", 11},
    Topic{W::EntitiesOrder, u"GroupBox1", 12},
    Topic{W::EntitiesOrder, u"GroupBox2", 13},
    Topic{W::ExtensionList, u"ListBox1", 14},
    Topic{W::ExtensionList, u"", 15},
    Topic{W::ExtensionList, u"Label1", 15},
    Topic{W::ExtensionList, u"Edit1", 15},
    Topic{W::ExtensionList, u"Label2", 16},
    Topic{W::ExtensionList, u"Edit2", 16},
    Topic{W::Main, u"pt_la", 17},
    Topic{W::Main, u"Edit4", 17},
    Topic{W::Main, u"Edit6", 17},
    Topic{W::Main, u"Edit8", 17},
    Topic{W::Main, u"Edit10", 17},
    Topic{W::Main, u"Edit13", 17},
    Topic{W::Main, u"Edit16", 17},
    Topic{W::Main, u"Edit2", 18},
    Topic{W::Main, u"Edit5", 18},
    Topic{W::Main, u"Edit7", 18},
    Topic{W::Main, u"Edit9", 18},
    Topic{W::Main, u"Edit12", 18},
    Topic{W::Main, u"Panel1", 19},
    Topic{W::Main, u"Panel2", 19},
    Topic{W::Main, u"Panel3", 19},
    Topic{W::Main, u"Panel4", 19},
    Topic{W::Main, u"Panel5", 19},
    Topic{W::Main, u"Panel6", 19},
    Topic{W::Main, u"Panel7", 19},
    Topic{W::Main, u"rb1", 20},
    Topic{W::Main, u"rb2", 20},
    Topic{W::Main, u"RadioButton1", 20},
    Topic{W::Main, u"RadioButton2", 20},
    Topic{W::Main, u"RadioButton3", 20},
    Topic{W::Main, u"RadioButton4", 20},
    Topic{W::Main, u"RadioButton5", 20},
    Topic{W::Main, u"RadioButton6", 20},
    Topic{W::Main, u"RadioButton7", 20},
    Topic{W::Main, u"RadioButton8", 20},
    Topic{W::Main, u"RadioButton9", 20},
    Topic{W::Main, u"RadioButton10", 20},
    Topic{W::Main, u"RadioButton11", 20},
    Topic{W::Main, u"RadioButton12", 20},
    Topic{W::FormatEditor, u"RadioButton11", 21},
    Topic{W::FormatEditor, u"Panel4", 21},
    Topic{W::FormatEditor, u"RadioButton12", 22},
    Topic{W::FormatEditor, u"Panel5", 22},
    Topic{W::FormatEditor, u"Edit5", 23},
    Topic{W::FormatEditor, u"Edit3", 23},
    Topic{W::FormatEditor, u"Edit21", 23},
    Topic{W::FormatEditor, u"Edit19", 23},
    Topic{W::FormatEditor, u"Edit17", 23},
    Topic{W::FormatEditor, u"Edit15", 23},
    Topic{W::FormatEditor, u"Edit4", 24},
    Topic{W::FormatEditor, u"Edit2", 24},
    Topic{W::FormatEditor, u"Edit20", 24},
    Topic{W::FormatEditor, u"Edit18", 24},
    Topic{W::FormatEditor, u"Edit16", 24},
    Topic{W::FormatEditor, u"Edit14", 24},
    Topic{W::FormatEditor, u"CheckBox4", 25},
    Topic{W::FormatEditor, u"CheckBox2", 25},
    Topic{W::FormatEditor, u"CheckBox20", 25},
    Topic{W::FormatEditor, u"CheckBox18", 25},
    Topic{W::FormatEditor, u"CheckBox16", 25},
    Topic{W::FormatEditor, u"CheckBox14", 25},
    Topic{W::FormatEditor, u"GroupBox2", 26},
    Topic{W::Main, u"BitBtn1", 27},
    Topic{W::Main, u"BitBtn2", 28},
    Topic{W::Main, u"BitBtn10", 29},
    Topic{W::Main, u"SpeedButton17", 31},
    Topic{W::DataModifiers, u"GroupBox1", 32},
    Topic{W::DataModifiers, u"GroupBox2", 33},
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
        if ((!known.objectName.isEmpty() && objectName == known.objectName) || title == known.caption) {
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
        return topic.window == window && topic.control == controlName;
    });
    return found == kTopics.end() ? 0 : found->topic;
}

QStringList helpTopicControls(HelpWindow window)
{
    QStringList names;
    for (const Topic& topic : kTopics) {
        if (topic.window == window && !topic.control.isEmpty()) {
            names << topic.control.toString();
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
