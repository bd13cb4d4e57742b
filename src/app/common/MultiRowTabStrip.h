#pragma once
// A tabbed panel whose tabs stand in several rows, so that every tab is seen at once (a
// QTabBar scrolls instead). The tabs are checkable buttons in one exclusive group over a stack
// of pages; a hidden tab's button leaves the rows and the others close up.

#include <QIcon>
#include <QWidget>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QGridLayout;
class QStackedWidget;
class QToolButton;

namespace mervalon::app {

class MultiRowTabStrip : public QWidget {
    Q_OBJECT
  public:
    explicit MultiRowTabStrip(int tabsPerRow, QWidget* parent = nullptr);

    int addTab(QWidget* page, const QString& caption);
    [[nodiscard]] int count() const;
    [[nodiscard]] QWidget* widget(int index) const;
    [[nodiscard]] QToolButton* tabButton(int index) const;

    void setTabVisible(int index, bool visible);
    [[nodiscard]] bool isTabVisible(int index) const;
    void setTabIcon(int index, const QIcon& icon);

    [[nodiscard]] int currentIndex() const;
    void setCurrentIndex(int index);

  signals:
    void currentChanged(int index);

  private:
    void arrangeTabs();

    int m_tabsPerRow;
    QGridLayout* m_rows = nullptr;
    QButtonGroup* m_group = nullptr;
    QStackedWidget* m_pages = nullptr;
    std::vector<QToolButton*> m_buttons;
    std::vector<bool> m_visible;
};

} // namespace mervalon::app
