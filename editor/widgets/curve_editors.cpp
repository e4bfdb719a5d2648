#include "widgets/curve_editors.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "document/korvid_scene.h"
#include "widgets/controls.h"

namespace vantor {
namespace {

constexpr float kGap = 0.001f;     // the least time between two keys
constexpr qreal kKeyReach = 6.0;   // pixels within which a press takes a key

float clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

}  // namespace

// ---- Keys ----------------------------------------------------------------------

void CurveKeys::at(float time, float out[4]) const { KorvidScene::curveValue(m_keys, time, out); }

int CurveKeys::add(float time) {
    time = clamp01(time);
    if (count() >= KORVID_MAX_CURVE_KEYS) return -1;
    for (const CurveKey& k : m_keys)
        if (std::fabs(k.time - time) < kGap) return -1;
    CurveKey key{time, {0, 0, 0, 0}};
    at(time, key.value);
    const auto place = std::upper_bound(m_keys.begin(), m_keys.end(), time,
                                        [](float t, const CurveKey& k) { return t < k.time; });
    const auto index = place - m_keys.begin();  // before the insert, which may move the keys
    m_keys.insert(place, key);
    return static_cast<int>(index);
}

void CurveKeys::moveTo(int index, float time) {
    if (index < 0 || index >= count()) return;
    const float low = index > 0 ? m_keys[size_t(index) - 1].time + kGap : 0.0f;
    const float high = index + 1 < count() ? m_keys[size_t(index) + 1].time - kGap : 1.0f;
    m_keys[size_t(index)].time = std::clamp(clamp01(time), low, std::max(low, high));
}

bool CurveKeys::remove(int index) {
    if (index < 0 || index >= count() || count() <= 1) return false;
    m_keys.erase(m_keys.begin() + index);
    return true;
}

int CurveKeys::nearest(float time, float reach) const {
    int best = -1;
    float bestDistance = reach;
    for (int i = 0; i < count(); ++i) {
        const float d = std::fabs(m_keys[size_t(i)].time - time);
        if (d <= bestDistance) best = i, bestDistance = d;
    }
    return best;
}

// ---- The shared editor -----------------------------------------------------------

CurveEditor::CurveEditor(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
}

void CurveEditor::setKeys(const std::vector<CurveKey>& keys) {
    // A redraw from the document does not disturb a drag in progress.
    if (m_dragging) return;
    m_curve.set(keys);
    if (m_selected >= m_curve.count()) select(m_curve.count() - 1);
    update();
}

void CurveEditor::select(int index) {
    if (index == m_selected) return;
    m_selected = index;
    update();
    emit selectionChanged(index);
}

qreal CurveEditor::distanceTo(const CurveKey& key, const QPointF& point) const {
    const QPointF place = placeOf(key);
    // Under the plot, the marks are taken by their column.
    if (point.y() > plotArea().bottom()) return std::fabs(place.x() - point.x());
    return std::hypot(place.x() - point.x(), place.y() - point.y());
}

QRectF CurveEditor::plotArea() const { return QRectF(rect()).adjusted(6, 3, -6, -12); }

int CurveEditor::keyAt(const QPointF& point) const {
    int best = -1;
    qreal bestDistance = kKeyReach;
    for (int i = 0; i < m_curve.count(); ++i) {
        const qreal d = distanceTo(m_curve.keys()[size_t(i)], point);
        if (d <= bestDistance) best = i, bestDistance = d;
    }
    return best;
}

void CurveEditor::drawKeys(QPainter& p) const {
    const QRectF area = plotArea();
    for (int i = 0; i < m_curve.count(); ++i) {
        const qreal x = placeOf(m_curve.keys()[size_t(i)]).x();
        QPainterPath mark;
        mark.moveTo(x, area.bottom() + 1);
        mark.lineTo(x - 5, area.bottom() + 10);
        mark.lineTo(x + 5, area.bottom() + 10);
        mark.closeSubpath();
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(i == m_selected ? QColor(255, 200, 40) : QColor(230, 230, 230));
        p.drawPath(mark);
    }
}

void CurveEditor::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) return;
    setFocus(Qt::MouseFocusReason);
    const int key = keyAt(event->position());
    if (key >= 0) {
        select(key);
        m_dragging = true;
        m_moved = false;
        return;
    }
    // A click away from the keys adds one there.
    const int added = m_curve.add(timeAt(event->position()));
    if (added < 0) return;
    std::vector<CurveKey> keys = m_curve.keys();
    clickValue(keys[size_t(added)], event->position());
    m_curve.set(std::move(keys));
    m_selected = -1;
    select(added);
    update();
    emit edited(m_curve.keys());
}

void CurveEditor::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || m_selected < 0) return;
    m_curve.moveTo(m_selected, timeAt(event->position()));
    std::vector<CurveKey> keys = m_curve.keys();
    dragValue(keys[size_t(m_selected)], event->position());
    m_curve.set(std::move(keys));
    m_moved = true;
    update();
}

void CurveEditor::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_dragging) return;
    m_dragging = false;
    if (m_moved) emit edited(m_curve.keys());
    m_moved = false;
    update();
}

void CurveEditor::mouseDoubleClickEvent(QMouseEvent* event) {
    const int key = keyAt(event->position());
    if (key < 0) return;
    m_dragging = false;
    select(key);
    openKey(key);
}

void CurveEditor::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && m_selected >= 0) {
        if (m_curve.remove(m_selected)) {
            const int next = std::min(m_selected, m_curve.count() - 1);
            m_selected = -1;
            select(next);
            emit edited(m_curve.keys());
        }
        return;
    }
    if ((event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) && m_curve.count() > 0) {
        // The arrows walk from key to key.
        const int step = event->key() == Qt::Key_Left ? -1 : 1;
        select(std::clamp(m_selected + step, 0, m_curve.count() - 1));
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---- Gradient bar -----------------------------------------------------------------

GradientBar::GradientBar(QWidget* parent) : CurveEditor(parent) {
    setToolTip(QStringLiteral("Colour and alpha over a particle's life: click to add a key, drag to move it, "
                              "double-click for its colour, Delete to remove it"));
}

QPointF GradientBar::placeOf(const CurveKey& key) const {
    const QRectF area = plotArea();
    return {area.left() + qreal(key.time) * area.width(), area.center().y()};
}

qreal GradientBar::distanceTo(const CurveKey& key, const QPointF& point) const {
    // A key is its whole column of the bar.
    return std::fabs(placeOf(key).x() - point.x());
}

float GradientBar::timeAt(const QPointF& point) const {
    const QRectF area = plotArea();
    return clamp01(float((point.x() - area.left()) / std::max<qreal>(1, area.width())));
}

void GradientBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF area = plotArea();
    // A checkerboard shows through where the colour is transparent.
    const int cell = 6;
    for (int y = 0; y * cell < area.height(); ++y)
        for (int x = 0; x * cell < area.width(); ++x)
            p.fillRect(QRectF(area.left() + x * cell, area.top() + y * cell, cell, cell)
                           .intersected(area),
                       (x + y) % 2 ? QColor(200, 200, 200) : QColor(140, 140, 140));
    if (m_curve.count() > 0) {
        for (int x = 0; x < int(area.width()); ++x) {
            float c[4];
            m_curve.at(float(x) / float(std::max(1, int(area.width()) - 1)), c);
            p.fillRect(QRectF(area.left() + x, area.top(), 1, area.height()),
                       QColor::fromRgbF(clamp01(c[0]), clamp01(c[1]), clamp01(c[2]), clamp01(c[3])));
        }
    }
    p.setPen(QPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    if (isEnabled()) drawKeys(p);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void GradientBar::openKey(int index) {
    const CurveKey key = m_curve.keys()[size_t(index)];
    const QColor initial = QColor::fromRgbF(clamp01(key.value[0]), clamp01(key.value[1]), clamp01(key.value[2]),
                                            clamp01(key.value[3]));
    const auto chosen = chooseColor(this, initial, true);
    if (!chosen) return;
    std::vector<CurveKey> keys = m_curve.keys();
    CurveKey& k = keys[size_t(index)];
    k.value[0] = float(chosen->redF());
    k.value[1] = float(chosen->greenF());
    k.value[2] = float(chosen->blueF());
    k.value[3] = float(chosen->alphaF());
    m_curve.set(std::move(keys));
    update();
    emit edited(m_curve.keys());
}

// ---- Size graph ---------------------------------------------------------------------

SizeGraph::SizeGraph(QWidget* parent) : CurveEditor(parent) {
    setToolTip(QStringLiteral("Size over a particle's life: click to add a key, drag it in time and size, "
                              "Delete to remove it"));
}

float SizeGraph::top() const {
    if (m_dragging && m_dragTop > 0) return m_dragTop;
    float highest = 0;
    for (const CurveKey& k : m_curve.keys()) highest = std::max(highest, k.value[0]);
    // Room above the highest key, in steps that do not jump with every change.
    const float wanted = std::max(1.0f, highest * 1.25f);
    return std::pow(2.0f, std::ceil(std::log2(wanted)));
}

QPointF SizeGraph::placeOf(const CurveKey& key) const {
    const QRectF area = plotArea();
    return {area.left() + qreal(key.time) * area.width(), area.bottom() - qreal(key.value[0] / top()) * area.height()};
}

float SizeGraph::timeAt(const QPointF& point) const {
    const QRectF area = plotArea();
    return clamp01(float((point.x() - area.left()) / std::max<qreal>(1, area.width())));
}

float SizeGraph::valueAt(const QPointF& point, float top) const {
    const QRectF area = plotArea();
    const float share = float((area.bottom() - point.y()) / std::max<qreal>(1, area.height()));
    return std::max(0.0f, share * top);
}

void SizeGraph::mousePressEvent(QMouseEvent* event) {
    // The scale of a drag is the one shown when the key was taken.
    m_dragTop = top();
    CurveEditor::mousePressEvent(event);
}

void SizeGraph::dragValue(CurveKey& key, const QPointF& point) {
    if (m_dragTop <= 0) m_dragTop = top();
    key.value[0] = valueAt(point, m_dragTop);
}

void SizeGraph::clickValue(CurveKey& key, const QPointF& point) {
    // The graph's own scale as drawn before the click, wherever the new key lands.
    key.value[0] = valueAt(point, m_dragTop > 0 ? m_dragTop : top());
}

void SizeGraph::paintEvent(QPaintEvent*) {
    if (!m_dragging) m_dragTop = 0;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = plotArea();
    p.fillRect(area, isEnabled() ? QColor(40, 40, 48) : QColor(90, 90, 90));
    p.setPen(QPen(QColor(80, 80, 95), 1));
    for (int i = 1; i < 4; ++i) {
        const qreal x = area.left() + area.width() * i / 4, y = area.top() + area.height() * i / 4;
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    if (m_curve.count() > 0) {
        QPainterPath line;
        const int steps = std::max(2, int(area.width()));
        for (int i = 0; i <= steps; ++i) {
            float v[4];
            const float t = float(i) / float(steps);
            m_curve.at(t, v);
            const QPointF at(area.left() + qreal(t) * area.width(), area.bottom() - qreal(v[0] / top()) * area.height());
            i == 0 ? line.moveTo(at) : line.lineTo(at);
        }
        p.setPen(QPen(QColor(120, 200, 255), 1.5));
        p.drawPath(line);
        for (int i = 0; i < m_curve.count(); ++i) {
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(i == m_selected ? QColor(255, 200, 40) : QColor(230, 230, 230));
            p.drawEllipse(placeOf(m_curve.keys()[size_t(i)]), 3.5, 3.5);
        }
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    p.setPen(QColor(200, 200, 210));
    p.drawText(area.adjusted(3, 1, -3, -1), Qt::AlignTop | Qt::AlignLeft, formatG6(top()));
    if (isEnabled()) drawKeys(p);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

}  // namespace vantor
