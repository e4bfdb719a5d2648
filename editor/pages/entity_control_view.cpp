#include "pages/entity_control_view.h"

#include <QStyle>

#include <algorithm>

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QTabBar>
#include <QVBoxLayout>

#include "resource.h"
#include "pages/animate_page.h"
#include "widgets/controls.h"
#include "widgets/number_steps.h"
#include "document/vantor_doc.h"
#include "pages/object_page.h"
#include "pages/particles_page.h"
#include "pages/surface_page.h"

namespace {
// The pages share one column: tight spacing, number fields wide enough for
// six-digit values, drop-down lists as tall and as wide as their entries.
void fitControls(QWidget* area) {
    for (QLayout* layout : area->findChildren<QLayout*>()) {
        // The pop-up lists of the drop-down lists have layouts of their own,
        // which must stay as Qt made them or the lists lose their height.
        bool inDropDown = false;
        for (QWidget* w = layout->parentWidget(); w && w != area; w = w->parentWidget())
            inDropDown = inDropDown || qobject_cast<QComboBox*>(w) != nullptr;
        if (inDropDown) continue;
        layout->setSpacing(3);
        layout->setContentsMargins(3, 3, 3, 3);
    }
    const QFontMetrics fm(area->font());
    // Frame and text margins of a line edit come on top of the text.
    const int numberWidth = fm.horizontalAdvance(QStringLiteral("0.333333")) + 10;
    for (QLineEdit* edit : area->findChildren<QLineEdit*>()) {
        if (qobject_cast<QComboBox*>(edit->parentWidget())) continue;
        edit->setMinimumWidth(numberWidth);
        edit->setMaximumWidth(numberWidth + fm.averageCharWidth() * 2);
    }
    for (vantor::Swatch* swatch : area->findChildren<vantor::Swatch*>()) swatch->setMaximumWidth(24);
    for (QComboBox* box : area->findChildren<QComboBox*>()) vantor::fitDropDown(box);
}
}  // namespace

CEntityControlView::CEntityControlView(CVantorDoc& document, CVantorView& view, QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_tabs = new QTabBar(this);
    vantor::setControlId(m_tabs, IDC_TABS);
    m_tabs->setExpanding(false);
    // Reachable with Tab; once there, the arrow keys choose the page.
    m_tabs->setFocusPolicy(Qt::TabFocus);
    layout->addWidget(m_tabs);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_scroll = scroll;
    m_area = new QWidget(scroll);
    auto* stack = new QVBoxLayout(m_area);
    stack->setContentsMargins(5, 5, 5, 5);
    scroll->setWidget(m_area);
    layout->addWidget(scroll);

    const char* captions[4] = {"OBJECT", "SURFACE", "ANIMATE", "PARTICLES"};
    m_objectPage = new CObjectPage(document, view, m_area);
    m_surfacePage = new CSurfacePage(document, view, m_area);
    m_particlesPage = new CParticlesPage(document, view, m_area);
    m_pages = {m_objectPage, m_surfacePage, new CAnimatePage(m_area), m_particlesPage};
    for (int i = 0; i < 4; ++i) {
        m_pages[i]->setFocusPolicy(Qt::ClickFocus);
        m_pages[i]->hide();
        stack->addWidget(m_pages[i]);
        m_tabs->insertTab(i, QString::fromLatin1(captions[i]));
    }
    fitControls(m_area);
    for (QWidget* page : m_pages) {
        vantor::orderTabsByLayout(page);
        vantor::attachLabelScrubbing(page);
    }
    // A run of steps in a field, or a scrub of its label, is one change.
    for (vantor::CommitEdit* edit : m_area->findChildren<vantor::CommitEdit*>())
        connect(edit, &vantor::CommitEdit::stepsEnded, &document, [&document] { document.history().seal(); });
    m_tabs->installEventFilter(this);
    // A page taller than the pane scrolls to whichever of its controls takes the focus.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && m_area->isAncestorOf(now)) m_scroll->ensureWidgetVisible(now, 8, 8);
    });
    m_tabs->setCurrentIndex(0);
    showCurrentPage();
    connect(m_tabs, &QTabBar::currentChanged, this, &CEntityControlView::showCurrentPage);

    // The keys of every tabbed desktop program step through the pages, from
    // anywhere in the window.
    const std::pair<QKeySequence, int> steps[] = {{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
                                                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
                                                  {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                                                  {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
    for (const auto& [keys, delta] : steps) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, delta = delta] { stepPage(delta); });
    }
}

void CEntityControlView::stepPage(int delta) {
    const int count = m_tabs->count();
    if (count == 0) return;
    const int next = ((m_tabs->currentIndex() + delta) % count + count) % count;
    if (QWidget* old = m_pages.value(m_tabs->currentIndex())) old->hide();
    m_tabs->setCurrentIndex(next);
}

int CEntityControlView::requiredWidth() const {
    int widest = 0;
    for (QWidget* page : m_pages) widest = std::max(widest, page->minimumSizeHint().width());
    const QMargins margins = m_area->layout()->contentsMargins();
    return widest + margins.left() + margins.right() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
}

bool CEntityControlView::eventFilter(QObject* watched, QEvent* event) {
    // The page of the old tab is hidden before the selection changes; a
    // click on the tab already chosen changes nothing, so its page stays.
    if (watched == m_tabs && event->type() == QEvent::MouseButtonPress) {
        const int clicked = m_tabs->tabAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (clicked >= 0 && clicked != m_tabs->currentIndex())
            if (QWidget* old = m_pages.value(m_tabs->currentIndex())) old->hide();
    }
    // Tab on the tab bar goes into the page it shows.
    if (watched == m_tabs && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
            if (QWidget* page = m_pages.value(m_tabs->currentIndex())) focusFirstControl(page);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CEntityControlView::showCurrentPage() {
    const int current = m_tabs->currentIndex();
    for (int i = 0; i < m_pages.size(); ++i)
        if (i != current) m_pages[i]->hide();
    if (QWidget* page = m_pages.value(current)) {
        page->show();
        // Arrowing along the tab bar keeps the focus there.
        if (m_tabs->hasFocus()) return;
        focusFirstControl(page);
    }
}

namespace {

bool takesTab(const QWidget* page, const QWidget* w) {
    return page->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(page) && (w->focusPolicy() & Qt::TabFocus);
}

// The control Tab (or Shift+Tab) would go to from `from` within the focus
// chain, as Qt chooses it: the next one that takes Tab.
QWidget* neighbour(QWidget* from, bool next) {
    for (QWidget* w = next ? from->nextInFocusChain() : from->previousInFocusChain(); w && w != from;
         w = next ? w->nextInFocusChain() : w->previousInFocusChain())
        if (w->isEnabled() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus)) return w;
    return nullptr;
}

QWidget* firstControl(QWidget* page) {
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain())
        if (takesTab(page, w)) return w;
    return nullptr;
}

}  // namespace

bool CEntityControlView::focusNextPrevChild(bool next) {
    QWidget* page = m_pages.value(m_tabs->currentIndex());
    QWidget* focus = QApplication::focusWidget();
    if (!page || !focus) return QWidget::focusNextPrevChild(next);
    QWidget* first = firstControl(page);
    if (focus == m_tabs) {
        if (next) {
            focusFirstControl(page);
        } else if (first) {
            // Shift+Tab from the tab bar: the page's last control in Tab order.
            QWidget* last = first;
            for (int guard = 0; guard < 10000; ++guard) {
                QWidget* to = neighbour(last, true);
                if (!to || to == first || !page->isAncestorOf(to)) break;
                last = to;
            }
            last->setFocus(Qt::BacktabFocusReason);
        }
        return true;
    }
    if (!page->isAncestorOf(focus)) return QWidget::focusNextPrevChild(next);
    QWidget* to = neighbour(focus, next);
    // Leaving the page, or wrapping round within it, lands on the tab bar.
    const bool wraps = !to || !page->isAncestorOf(to) || (next && to == first) || (!next && focus == first);
    if (wraps) {
        m_tabs->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void CEntityControlView::focusFirstControl(QWidget* page) {
    // The page takes the focus and hands it to its first control that accepts it.
    page->setFocus();
    if (QWidget* first = firstControl(page)) first->setFocus();
}

void CEntityControlView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    showCurrentPage();
}
