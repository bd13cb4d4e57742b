// The windows with the desktop's own message boxes: a QtInteraction whose QMessageBox is answered
// by a timer with a real key, which records how many boxes were open at once and where the focus
// is once the box has closed. A real box takes the focus from the window, which the recording
// fake does not; faults that live in that focus change (a check running again on it, the focus
// lost afterwards) show only here.

#include "app/AppTestSupport.h"
#include "app/codes/CodeLibraryEditor.h"
#include "app/common/FieldCheck.h"
#include "app/entities/EntityPages.h"
#include "app/entities/EntityPanels.h"
#include "app/files/FilePages.h"
#include "app/mainwindow/MainWindowControls.h"
#include "app/mainwindow/MainWindowPage.h"
#include "app/order/EntitiesOrderDialog.h"
#include "app/order/EntitiesOrderPage.h"
#include "app/run/ProgressWindow.h"
#include "app/shell/QtInteraction.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

using namespace mervalon;
using namespace mervalon::app;
using namespace mervalon::app::testing;
using mervalon::config::EntityKind;

namespace {

/// The desktop's interaction, its message boxes answered by a key after they have shown.
class AnsweringInteraction : public QtInteraction {
  public:
    AnsweringInteraction()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start();
    }

    MessageAnswer showMessage(MessageIcon icon, MessageButtons buttons, const QString& text) override
    {
        texts << text;
        return QtInteraction::showMessage(icon, buttons, text);
    }
    void beep(int, int) override {}

    /// The key that answers every box.
    Qt::Key answerKey = Qt::Key_Return;
    QStringList texts;
    /// The most boxes seen open at once.
    qsizetype mostOpen = 0;
    /// The texts of the boxes seen staying on top.
    QStringList onTop;
    /// The other modal windows seen (and closed).
    QStringList dialogs;

  private:
    void answer()
    {
        QList<QMessageBox*> open;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
                open << box;
            }
        }
        mostOpen = std::max(mostOpen, open.size());
        for (const QMessageBox* shown : open) {
            if (shown->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
                onTop << shown->text();
            }
        }
        QWidget* modal = QApplication::activeModalWidget();
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr && modal != nullptr) {
            // One of our own dialogs, opened past a refusal: noted and closed.
            dialogs << modal->objectName();
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            }
            return;
        }
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target != nullptr && box->isAncestorOf(target) ? target : box, answerKey);
    }

    QTimer m_timer;
};

void activate(QWidget& window)
{
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

void clickAsTheWindowSystem(QWidget& target)
{
    QWidget* window = target.window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, target.mapTo(window, target.rect().center()));
}

} // namespace

class RealMessageBoxesTest : public QObject {
    Q_OBJECT
  public:
    explicit RealMessageBoxesTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init()
    {
        m_environment.reset();
        (void)TestEnvironment::install();
    }

    void aBadLayerLeftGivesOneBoxAndTheFocusBack_data()
    {
        QTest::addColumn<QString>("leaving");
        QTest::newRow("Tab") << "tab";
        QTest::newRow("Enter") << "enter";
        QTest::newRow("click on another tab") << "tab:2";
        QTest::newRow("click on Data modifiers") << QString::fromLatin1(MainWindowControls::dataModifiersButton);
        QTest::newRow("click on Exit") << QString::fromLatin1(MainWindowControls::lastReportButton);
    }

    void aBadLayerLeftGivesOneBoxAndTheFocusBack()
    {
        QFETCH(QString, leaving);
        AnsweringInteraction interaction;
        Program program(interaction);
        MainWindow& window = program.mainWindow();
        activate(window);
        auto* edit = EntityPanelsPage(window).layerEdit(EntityKind::Point);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("bad name"));
        if (leaving == QLatin1String("tab")) {
            QTest::keyClick(edit, Qt::Key_Tab);
        } else if (leaving == QLatin1String("enter")) {
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (leaving.startsWith(QLatin1String("tab:"))) {
            clickAsTheWindowSystem(*window.entityPanels().tabButton(leaving.mid(4).toInt()));
        } else {
            clickAsTheWindowSystem(*control<QWidget>(window, leaving.toLatin1().constData()));
        }
        QCOMPARE(interaction.texts, QStringList{EntityPanels::kBadLayerName});
        QCOMPARE(interaction.dialogs, QStringList());
        QCOMPARE(interaction.mostOpen, 1);
        QCOMPARE(window.entityPanels().currentIndex(), 0);
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->selectedText(), QStringLiteral("bad name"));
        QVERIFY(window.isVisible());
        // The next key replaces the refused name.
        QTest::keyClicks(edit, QStringLiteral("Good"));
        QCOMPARE(edit->text(), QStringLiteral("Good"));
    }

    // The warning of a format that does not fit the file comes before anything is written: one
    // box, Escape cancels the run, and the window gets the keyboard back with its field focused.
    void aMisfitWarningIsOneBoxAndEscapeWritesNothing()
    {
        const QString survey = m_environment.home() + "/survey";
        const QString drawings = m_environment.home() + "/drawings";
        writeFile(survey + "/export.txt", "1;512000,25;5401000,5;12,75\n2;512001,25;5401001,5;12,5\n");
        QDir().mkpath(drawings);
        storeValue("lastpath", survey);
        storeValue("lastpath2", drawings);
        storeValue("locked", 0);
        AnsweringInteraction interaction;
        interaction.answerKey = Qt::Key_Escape;
        Program program(interaction);
        MainWindow& window = program.mainWindow();
        activate(window);
        FileSelectionPage(window).fileList()->selectAll();
        auto* edit = EntityPanelsPage(window).layerEdit(config::EntityKind::Point);
        edit->setFocus();
        clickAsTheWindowSystem(*MainWindowPage(window).createButton());
        QCOMPARE(interaction.texts.size(), 1);
        QVERIFY(interaction.texts[0].startsWith(QStringLiteral("The format \"!default\" does not fit \"export.txt\"")));
        QCOMPARE(interaction.mostOpen, 1);
        QCOMPARE(interaction.dialogs, QStringList());
        QVERIFY(QDir(drawings).isEmpty());
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        QTRY_COMPARE(QApplication::focusWidget(), edit);
    }

    void aBoxStaysAboveTheProgressWindow()
    {
        AnsweringInteraction interaction;
        Program program(interaction);
        activate(program.mainWindow());
        interaction.showMessage(MessageIcon::Information, MessageButtons::Ok, QStringLiteral("no run"));
        program.progressWindow().show();
        interaction.showMessage(MessageIcon::Confirmation, MessageButtons::YesNo, QStringLiteral("during a run"));
        program.progressWindow().hide();
        QCOMPARE(interaction.texts, (QStringList{"no run", "during a run"}));
        QCOMPARE(interaction.onTop, QStringList{"during a run"});
    }

    void aBadHeightLeftByAClickOnAnotherTabStaysInView()
    {
        AnsweringInteraction interaction;
        Program program(interaction);
        MainWindow& window = program.mainWindow();
        activate(window);
        EntityPanels& panels = window.entityPanels();
        panels.setCurrentIndex(1);
        auto* edit = EntityPanelsPage(window).heightEdit(EntityKind::Number);
        edit->setFocus();
        edit->setText(QStringLiteral("abcX"));
        clickAsTheWindowSystem(*panels.tabButton(0));
        QCOMPARE(interaction.texts, QStringList{EntityPanels::kBadHeight});
        QCOMPARE(interaction.mostOpen, 1);
        QCOMPARE(panels.currentIndex(), 1);
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->selectedText(), QStringLiteral("abcX"));
    }

    void aDistanceRefusedAtOkGivesOneBoxAndIsSelected_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("comma") << "1,5"
                               << "0.00";
        QTest::newRow("letters") << "abc"
                                 << "0.00";
    }

    void aDistanceRefusedAtOkGivesOneBoxAndIsSelected()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        AnsweringInteraction interaction;
        EntitiesOrderDialog dialog(interaction);
        activate(dialog);
        auto* edit = EntitiesOrderPage(dialog).distanceEdit();
        edit->setFocus();
        edit->setText(typed);
        clickAsTheWindowSystem(*EntitiesOrderPage(dialog).okButton());
        QCOMPARE(interaction.texts, QStringList{"Give a distance please. Use the decimal point, not the comma."});
        QCOMPARE(interaction.mostOpen, 1);
        QVERIFY(dialog.isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->selectedText(), shown);
        QTest::keyClick(edit, Qt::Key_9);
        QCOMPARE(edit->text(), QStringLiteral("9"));
    }

    void theEntitiesOrderButtonsAreReachedByTabAndEnterIsOk()
    {
        AnsweringInteraction interaction;
        EntitiesOrderDialog dialog(interaction);
        for (QComboBox* list : dialog.findChildren<QComboBox*>()) {
            list->setEnabled(false); // no text created: nothing to place
        }
        activate(dialog);
        auto* edit = EntitiesOrderPage(dialog).distanceEdit();
        edit->setFocus();
        edit->setText(QStringLiteral("2"));
        QStringList reached;
        for (int i = 0; i < 12; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached << QApplication::focusWidget()->objectName();
        }
        for (const char* button : {EntitiesOrderControls::okButton, EntitiesOrderControls::cancelButton,
                                   EntitiesOrderControls::helpButton}) {
            QVERIFY2(reached.contains(QLatin1String(button)), button);
        }
        QCOMPARE(edit->text(), QStringLiteral("2.000"));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(interaction.texts, QStringList());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    // Escape in the code library editor with unsaved changes: one real box; Escape there keeps
    // the editor open with the keyboard, Return (Yes) saves and closes it.
    void theCodeLibraryEditorAsksOnceBeforeClosingWithChanges()
    {
        AnsweringInteraction interaction;
        const QString install = TestEnvironment::install();
        const QString library = install + QStringLiteral("/codes/road-and-building.csv");
        const QByteArray before = readFile(library);
        CodeLibraryEditor editor(interaction);
        QVERIFY(editor.open(library, install + QStringLiteral("/symbols")));
        activate(editor);
        editor.deleteRow();
        interaction.answerKey = Qt::Key_Escape;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(interaction.texts,
                 QStringList{"The code library \"road-and-building.csv\" has changed. Do you want to save it?"});
        QCOMPARE(interaction.mostOpen, qsizetype{1});
        QVERIFY(editor.isVisible());
        QTRY_COMPARE(QApplication::activeWindow(), &editor);
        QCOMPARE(readFile(library), before);

        interaction.answerKey = Qt::Key_Return;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(interaction.texts.size(), qsizetype{2});
        QVERIFY(!editor.isVisible());
        QCOMPARE(readFile(library).count('\n'), before.count('\n') - 1);
    }

    // Save as... onto another library: one real box; Escape keeps that library and the editor,
    // Return (Yes) replaces it.
    void theCodeLibraryEditorAsksOnceBeforeReplacingAnotherLibrary()
    {
        // The name is typed into the editor's own question; the message boxes stay real.
        class NamingInteraction : public AnsweringInteraction {
          public:
            int execDialog(QDialog& dialog) override
            {
                dynamic_cast<QInputDialog&>(dialog).setTextValue(QStringLiteral("other"));
                return QDialog::Accepted;
            }
        } interaction;
        const QString install = TestEnvironment::install();
        const QString codes = install + QStringLiteral("/codes");
        const QByteArray other = "code,layer\n*,OTHER\n";
        writeFile(codes + QStringLiteral("/other.csv"), other);
        CodeLibraryEditor editor(interaction);
        editor.setCodesFolder(codes);
        QVERIFY(editor.open(codes + QStringLiteral("/road-and-building.csv"), install + QStringLiteral("/symbols")));
        activate(editor);
        interaction.answerKey = Qt::Key_Escape;
        QVERIFY(!editor.saveAs());
        QCOMPARE(interaction.texts,
                 QStringList{"The code library \"other\" already exists. Do you want to replace it?"});
        QCOMPARE(interaction.mostOpen, qsizetype{1});
        QCOMPARE(readFile(codes + QStringLiteral("/other.csv")), other);
        QVERIFY(editor.isVisible());
        QTRY_COMPARE(QApplication::activeWindow(), &editor);

        interaction.answerKey = Qt::Key_Return;
        QVERIFY(editor.saveAs());
        QCOMPARE(interaction.texts.size(), qsizetype{2});
        QVERIFY(readFile(codes + QStringLiteral("/other.csv")).startsWith("code,layer,colour,symbol"));
        QCOMPARE(editor.filePath(), codes + QStringLiteral("/other.csv"));
    }

  private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(RealMessageBoxesTest)
#include "RealMessageBoxes_test.moc"
