#include "entity_control_view.h"

#include <QStyle>

#include <algorithm>

#include <QComboBox>
#include <QEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QTabBar>
#include <QVBoxLayout>

#include "resource.h"
#include "animate_page.h"
#include "controls.h"
#include "object_page.h"
#include "particles_page.h"
#include "surface_page.h"

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

CEntityControlView::CEntityControlView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_tabs = new QTabBar(this);
    vantor::setControlId(m_tabs, IDC_TABS);
    m_tabs->setExpanding(false);
    m_tabs->setFocusPolicy(Qt::NoFocus);
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
    m_pages = {new CObjectPage(m_area), new CSurfacePage(m_area), new CAnimatePage(m_area),
               new CParticlesPage(m_area)};
    for (int i = 0; i < 4; ++i) {
        m_pages[i]->setFocusPolicy(Qt::ClickFocus);
        m_pages[i]->hide();
        stack->addWidget(m_pages[i]);
        m_tabs->insertTab(i, QString::fromLatin1(captions[i]));
    }
    fitControls(m_area);
    for (QWidget* page : m_pages) vantor::orderTabsByLayout(page);
    m_tabs->installEventFilter(this);
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
    // The page of the old tab is hidden before the selection changes.
    if (watched == m_tabs && event->type() == QEvent::MouseButtonPress) {
        if (QWidget* old = m_pages.value(m_tabs->currentIndex())) old->hide();
    }
    return QWidget::eventFilter(watched, event);
}

void CEntityControlView::showCurrentPage() {
    const int current = m_tabs->currentIndex();
    for (int i = 0; i < m_pages.size(); ++i)
        if (i != current) m_pages[i]->hide();
    if (QWidget* page = m_pages.value(current)) {
        page->show();
        // The page takes the focus and hands it to its first control that accepts it.
        page->setFocus();
        for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
            if (page->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(page) && (w->focusPolicy() & Qt::TabFocus)) {
                w->setFocus();
                break;
            }
        }
    }
}

void CEntityControlView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    showCurrentPage();
}
