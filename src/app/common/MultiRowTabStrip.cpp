#include "app/common/MultiRowTabStrip.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace mervalon::app {

MultiRowTabStrip::MultiRowTabStrip(int tabsPerRow, QWidget* parent) : QWidget(parent), m_tabsPerRow(tabsPerRow)
{
    m_rows = new QGridLayout;
    m_rows->setSpacing(1);
    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
    m_pages = new QStackedWidget(this);
    m_pages->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(m_rows);
    layout->addWidget(m_pages, 1);
    connect(m_group, &QButtonGroup::idClicked, this, &MultiRowTabStrip::setCurrentIndex);
}

int MultiRowTabStrip::addTab(QWidget* page, const QString& caption)
{
    const int index = count();
    auto* button = new QToolButton(this);
    button->setText(caption);
    button->setCheckable(true);
    button->setAutoRaise(false);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_group->addButton(button, index);
    m_buttons.push_back(button);
    m_visible.push_back(true);
    m_pages->addWidget(page);
    arrangeTabs();
    if (index == 0) {
        setCurrentIndex(0);
    }
    return index;
}

int MultiRowTabStrip::count() const
{
    return static_cast<int>(m_buttons.size());
}

QWidget* MultiRowTabStrip::widget(int index) const
{
    return m_pages->widget(index);
}

QToolButton* MultiRowTabStrip::tabButton(int index) const
{
    return m_buttons.at(static_cast<std::size_t>(index));
}

void MultiRowTabStrip::setTabVisible(int index, bool visible)
{
    if (m_visible.at(static_cast<std::size_t>(index)) == visible) {
        return;
    }
    m_visible[static_cast<std::size_t>(index)] = visible;
    arrangeTabs();
    if (!visible && currentIndex() == index) {
        // The page of a hidden tab cannot stay in front: the first shown tab takes its place.
        for (int other = 0; other < count(); ++other) {
            if (isTabVisible(other)) {
                setCurrentIndex(other);
                break;
            }
        }
    }
}

bool MultiRowTabStrip::isTabVisible(int index) const
{
    return m_visible.at(static_cast<std::size_t>(index));
}

void MultiRowTabStrip::setTabIcon(int index, const QIcon& icon)
{
    tabButton(index)->setIcon(icon);
}

int MultiRowTabStrip::currentIndex() const
{
    return m_pages->currentIndex();
}

void MultiRowTabStrip::setCurrentIndex(int index)
{
    if (index < 0 || index >= count()) {
        return;
    }
    tabButton(index)->setChecked(true);
    if (m_pages->currentIndex() != index) {
        m_pages->setCurrentIndex(index);
        emit currentChanged(index);
    }
}

void MultiRowTabStrip::arrangeTabs()
{
    for (QToolButton* button : m_buttons) {
        m_rows->removeWidget(button);
    }
    int place = 0;
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i]->setVisible(m_visible[i]);
        if (m_visible[i]) {
            m_rows->addWidget(m_buttons[i], place / m_tabsPerRow, place % m_tabsPerRow);
            ++place;
        }
    }
}

} // namespace mervalon::app
