// CEntityControlView: the right pane, a tab control with the four pages.
#pragma once
#include <QList>
#include <QWidget>

class QTabBar;

class CEntityControlView : public QWidget {
    Q_OBJECT
public:
    explicit CEntityControlView(QWidget* parent = nullptr);
    QTabBar* tabs() const { return m_tabs; }
    QWidget* page(int index) const { return m_pages.value(index); }
    void showCurrentPage();

protected:
    void focusInEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTabBar* m_tabs;
    QWidget* m_area;
    QList<QWidget*> m_pages;
};
