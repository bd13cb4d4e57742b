#include "app/shell/Interaction.h"

#include <QProcess>

namespace mervalon::app {

QString messageTitle(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
        return QStringLiteral("Error");
    case MessageIcon::Information:
        return QStringLiteral("Information");
    case MessageIcon::Confirmation:
        return QStringLiteral("Confirm");
    case MessageIcon::Warning:
        return QStringLiteral("Warning");
    }
    return {};
}

QList<EditorCommand> editorCommands(const QString& filePath, const QString& visual, const QString& editor,
                                    bool onDesktop)
{
    const EditorCommand desktopHandler{QStringLiteral("xdg-open"), {filePath}};
    QList<EditorCommand> commands;
    if (onDesktop) {
        commands.append(desktopHandler);
    }
    for (const QString& variable : {visual, editor}) {
        QStringList words = QProcess::splitCommand(variable);
        if (words.isEmpty()) {
            continue;
        }
        words << filePath;
        if (onDesktop) {
            commands.append({QStringLiteral("x-terminal-emulator"), QStringList{QStringLiteral("-e")} + words});
        } else {
            const QString program = words.takeFirst();
            commands.append({program, words});
        }
    }
    if (!onDesktop) {
        commands.append(desktopHandler);
    }
    return commands;
}

int execDialogDimming(Interaction& interaction, QDialog& dialog, QWidget* dimmed)
{
    if (dimmed != nullptr) {
        interaction.setWindowOpacity(*dimmed, 200);
    }
    const int result = interaction.execDialog(dialog);
    if (dimmed != nullptr) {
        interaction.setWindowOpacity(*dimmed, 255);
    }
    return result;
}

} // namespace mervalon::app
