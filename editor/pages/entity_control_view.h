// CEntityControlView: the right pane, a tab control with the four pages.
#pragma once
#include <QList>
#include <QWidget>

class CObjectPage;
class CParticlesPage;
class CSurfacePage;
class CVantorDoc;
class CVantorView;
class QTabBar;

class QScrollArea;

class CEntityControlView : public QWidget {
    Q_OBJECT
public:
    // The tabs, in order.
    enum Page { ObjectPage = 0, SurfacePage = 1, AnimatePage = 2, ParticlesPage = 3 };
    CEntityControlView(CVantorDoc& document, CVantorView& view, QWidget* parent = nullptr);
    CObjectPage* objectPage() const { return m_objectPage; }
    CSurfacePage* surfacePage() const { return m_surfacePage; }
    CParticlesPage* particlesPage() const { return m_particlesPage; }
    QTabBar* tabs() const { return m_tabs; }
    QWidget* page(int index) const { return m_pages.value(index); }
    void showCurrentPage();
    // Gives the focus to the page's first control that takes Tab.
    void focusFirstControl(QWidget* page);
    // Shows the page `delta` places on, round the end (Ctrl+Tab, Ctrl+PgDn and back).
    void stepPage(int delta);
    // The column width at which every page shows without a horizontal scroll bar.
    int requiredWidth() const;
    QScrollArea* scrollArea() const { return m_scroll; }

protected:
    void focusInEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tab runs from the tab bar through the page shown and back to the tab bar.
    bool focusNextPrevChild(bool next) override;

private:
    QTabBar* m_tabs;
    QWidget* m_area;
    QScrollArea* m_scroll = nullptr;
    QList<QWidget*> m_pages;
    CObjectPage* m_objectPage;
    CSurfacePage* m_surfacePage;
    CParticlesPage* m_particlesPage;
};
