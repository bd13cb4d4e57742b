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

QList<EditorCommand> editorCommands(const QString& filePath, const QString& visual, const QString& editor)
{
    QList<EditorCommand> commands;
    for (const QString& variable : {visual, editor}) {
        QStringList words = QProcess::splitCommand(variable);
        if (!words.isEmpty()) {
            const QString program = words.takeFirst();
            commands.append({program, words << filePath});
        }
    }
    commands.append({QStringLiteral("xdg-open"), {filePath}});
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
