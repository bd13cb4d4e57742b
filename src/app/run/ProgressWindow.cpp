#include "app/run/ProgressWindow.h"

#include "app/common/ElidedLabel.h"
#include "app/common/WidgetHelpers.h"
#include "app/run/ProgressWindowControls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

namespace mervalon::app {
namespace {

int clampedToInt(std::size_t value)
{
    return static_cast<int>(std::min<std::size_t>(value, INT_MAX));
}

} // namespace

ProgressWindow::ProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QLatin1String(ProgressWindowControls::window));
    setWindowTitle(QStringLiteral(" Processing files ..."));

    auto* frame = groupBox(this, ProgressWindowControls::frame, "");
    auto* image = named(new QLabel(frame), ProgressWindowControls::picture);
    image->setPixmap(QIcon(QStringLiteral(":/mervalon/mervalon.png")).pixmap(32, 32));
    image->setFixedSize(32, 32);
    m_fileLabel = named(new ElidedLabel(frame), ProgressWindowControls::fileLabel);
    m_fileLabel->setFullText(QStringLiteral("Process"));
    m_fileLabel->setMinimumWidth(281);
    m_bar = named(new QProgressBar(frame), ProgressWindowControls::progressBar);
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 1);
    m_bar->setFixedHeight(17);
    auto* frameLayout = new QGridLayout(frame);
    frameLayout->setContentsMargins(8, 8, 8, 6);
    frameLayout->setHorizontalSpacing(8);
    frameLayout->setVerticalSpacing(3);
    frameLayout->addWidget(image, 0, 0, 2, 1, Qt::AlignTop);
    frameLayout->addWidget(m_fileLabel, 0, 1);
    frameLayout->addWidget(m_bar, 1, 1);

    m_fileCount = named(new QLabel(this), ProgressWindowControls::fileCountLabel);
    m_stopButton = named(new QToolButton(this), ProgressWindowControls::stopButton);
    m_stopButton->setText(QStringLiteral("Stop process"));
    m_stopButton->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
    m_stopButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_stopButton->setMinimumSize(113, 27);
    connect(m_stopButton, &QToolButton::clicked, this, &ProgressWindow::requestStop);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_fileCount, 1);
    bottom->addWidget(m_stopButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 3);
    layout->setSpacing(4);
    layout->addWidget(frame);
    layout->addLayout(bottom);

    // The designed client area is 361 x 92; larger fonts or scaling get what they need.
    setFixedSize(QSize(361, 92).expandedTo(minimumSizeHint()));
}

void ProgressWindow::begin()
{
    m_stopRequested = false;
    m_reading = false;
    m_position = 0;
    m_fileLabel->setFullText(QStringLiteral("Process"));
    m_fileCount->clear();
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
    m_schedule.restart();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    show();
    // The keyboard goes to the window: Escape, Enter or Space on the focused button stop the run.
    activateWindow();
    m_stopButton->setFocus();
    repaint();
}

void ProgressWindow::end()
{
    hide();
}

void ProgressWindow::fileStarted(std::size_t index, std::size_t count)
{
    m_fileCount->setText(QStringLiteral("Processing file %1 / %2  ").arg(index).arg(count));
    // A file's first line is shown at once, whatever the time since the last look.
    m_schedule.restart();
    m_reading = true;
    m_position = 0;
}

void ProgressWindow::setLineCount(std::size_t count)
{
    m_reading = false;
    // An empty range would make the bar an endless "busy" animation.
    m_bar->setRange(0, std::max(1, clampedToInt(count)));
    m_bar->setValue(0);
}

void ProgressWindow::setFileLabel(const std::string& destinationPath)
{
    m_fileLabel->setFullText(QString::fromStdString(destinationPath));
    repaint();
}

void ProgressWindow::pumpEvents()
{
    if (m_schedule.due()) {
        runEvents();
    }
}

bool ProgressWindow::isStopRequested() const
{
    if (m_reading) {
        // Not a const operation in truth: the window repaints and takes clicks.
        auto* self = const_cast<ProgressWindow*>(this);
        if (self->m_schedule.dueByClock()) {
            self->runEvents();
        }
    }
    return m_stopRequested;
}

void ProgressWindow::runEvents()
{
    m_bar->setValue(clampedToInt(m_position));
    emit pumping(static_cast<qint64>(m_position));
    QApplication::processEvents();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        requestStop();
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void ProgressWindow::closeEvent(QCloseEvent* event)
{
    // The window has no close box; a close from the desktop (Alt+F4) asks for the stop, and
    // the window goes when the run has ended.
    if (isVisible()) {
        requestStop();
    }
    event->ignore();
}

} // namespace mervalon::app
