#pragma once
// What every widget test needs: a private home, settings store and installation folder made
// before the application exists, a program started with a FakeInteraction, and finding
// controls by their names.

#include "app/FakeInteraction.h"
#include "app/mainwindow/MainWindow.h"
#include "app/shell/Program.h"

#include <QApplication>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace mervalon::app::testing {

/// Points HOME and the XDG folders into a temporary folder and switches QStandardPaths to its
/// test mode, so that neither the settings store nor the installation touch the user's own.
class TestEnvironment {
  public:
    TestEnvironment();

    [[nodiscard]] QString root() const { return m_dir.path(); }
    /// The home folder the tests use.
    [[nodiscard]] QString home() const;
    /// The file QSettings writes the settings store to.
    [[nodiscard]] static QString settingsFile();

    /// Empties the settings store and removes the per-user installation and the home contents.
    void reset() const;

    /// Makes a fresh per-user installation with the initial option values; returns InstallDir.
    [[nodiscard]] static QString install();

  private:
    QTemporaryDir m_dir;
};

/// Reads one settings value as the store holds it ("1", "0", a path; empty when absent).
QString storedValue(const QString& name);
void storeValue(const QString& name, const QVariant& value);
void removeValue(const QString& name);

/// Creates a file with the given content (and its folders).
void writeFile(const QString& path, const QByteArray& content = {});
QByteArray readFile(const QString& path);

/// A started program: built with `interaction`, its main window shown (which runs its start).
std::unique_ptr<Program> startProgram(FakeInteraction& interaction, Program::CommandsFactory commandsFactory = {});

template <typename Widget> Widget* control(const QWidget& window, const char* name)
{
    auto* widget = window.findChild<Widget*>(QLatin1String(name));
    if (widget == nullptr) {
        qFatal("no control named %s", name);
    }
    return widget;
}

} // namespace mervalon::app::testing

/// main() of a widget test: the environment first, then the application, then the test class.
#define MERVALON_APP_TEST_MAIN(TestClass)                                                                              \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        mervalon::app::testing::TestEnvironment environment;                                                           \
        QApplication application(argc, argv);                                                                          \
        TestClass test(environment);                                                                                   \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
