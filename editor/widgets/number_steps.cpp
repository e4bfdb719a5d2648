#include "widgets/number_steps.h"

#include <QLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>
#include <cmath>

#include "widgets/controls.h"

namespace vantor {


namespace {

// Drags on a label scrub the field after it.
class Scrubber : public QObject {
public:
    Scrubber(QLabel* label, CommitEdit* field) : QObject(label), m_field(field) {
        label->setCursor(Qt::SizeHorCursor);
        label->setToolTip(QStringLiteral("Drag left or right to change the value (Shift: faster, Ctrl: finer)"));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
            return false;
        // Only mouse events reach the cast.
        auto* mouse = static_cast<QMouseEvent*>(event);
        switch (type) {
        case QEvent::MouseButtonPress:
            if (mouse->button() != Qt::LeftButton || !m_field || !m_field->isEnabled()) return false;
            m_pressX = mouse->position().x();
            m_start = m_field->text();
            m_applied = 0;
            m_dragging = true;
            return true;
        case QEvent::MouseMove: {
            if (!m_dragging || !m_field) return false;
            const int steps = int((mouse->position().x() - m_pressX) / 4.0);
            if (steps == m_applied) return true;
            m_applied = steps;
            const QString next = stepNumber(m_start, steps, mouse->modifiers(), m_field->stepLow(), m_field->stepHigh());
            if (next.isEmpty() || next == m_field->text()) return true;
            m_field->setText(next);
            m_field->setModified(true);
            m_field->commitNow();  // the view follows the drag
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (!m_dragging) return false;
            m_dragging = false;
            if (m_field && m_applied != 0) emit m_field->stepsEnded();
            return true;
        default:
            return false;
        }
        (void)watched;
    }

private:
    QPointer<CommitEdit> m_field;
    qreal m_pressX = 0;
    QString m_start;
    int m_applied = 0;
    bool m_dragging = false;
};

void attachInLayout(QLayout* layout) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QLayout* inner = item->layout()) {
            attachInLayout(inner);
            continue;
        }
        auto* label = qobject_cast<QLabel*>(item->widget());
        if (!label || i + 1 >= layout->count()) continue;
        auto* field = qobject_cast<CommitEdit*>(layout->itemAt(i + 1)->widget());
        if (!field) continue;
        label->installEventFilter(new Scrubber(label, field));
    }
}

}  // namespace

void attachLabelScrubbing(QWidget* page) {
    for (QWidget* w : page->findChildren<QWidget*>())
        if (w->layout()) attachInLayout(w->layout());
    if (page->layout()) attachInLayout(page->layout());
}

}  // namespace vantor
