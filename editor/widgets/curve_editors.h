// Editors of an emitter's curves over a particle's life: a gradient bar for
// colour and alpha, and a small graph for size. Each holds a working copy of
// the keys while the user works on it and announces `edited` once per
// gesture (a click that adds a key, the end of a drag, a colour chosen, a
// key deleted), so that every gesture is one change of the document.
#pragma once
#include <QWidget>

#include <vector>

#include "korvid.h"

namespace vantor {

// Keys of a curve as the editors work on them, with the rules the library
// checks: times in 0..1, each later than the one before, 1 to 16 keys.
class CurveKeys {
public:
    const std::vector<CurveKey>& keys() const { return m_keys; }
    void set(std::vector<CurveKey> keys) { m_keys = std::move(keys); }
    int count() const { return static_cast<int>(m_keys.size()); }
    // The curve's value at `time`, as the library evaluates it.
    void at(float time, float out[4]) const;
    // Adds a key at `time` holding the curve's value there; its index, or -1
    // when the curve is full or a key is already that close.
    int add(float time);
    // Moves key `index` to `time`, kept between its neighbours.
    void moveTo(int index, float time);
    // Takes key `index` out; a curve keeps at least one key.
    bool remove(int index);
    // The key nearest to `time` within `reach`, or -1.
    int nearest(float time, float reach) const;

private:
    std::vector<CurveKey> m_keys;
};

// The shared behaviour of both editors: keys picked, dragged, added and deleted.
class CurveEditor : public QWidget {
    Q_OBJECT
public:
    explicit CurveEditor(QWidget* parent = nullptr);
    void setKeys(const std::vector<CurveKey>& keys);
    const std::vector<CurveKey>& keys() const { return m_curve.keys(); }
    int selected() const { return m_selected; }
    void select(int index);

signals:
    // The keys after one gesture of the user.
    void edited(const std::vector<CurveKey>& keys);
    void selectionChanged(int index);

protected:
    // Where a key is drawn, and the time and value under a point.
    virtual QPointF placeOf(const CurveKey& key) const = 0;
    virtual float timeAt(const QPointF& point) const = 0;
    // A drag may also change a key's value (the size graph).
    virtual void dragValue(CurveKey&, const QPointF&) {}
    // A key added by a click takes the value under the cursor where the
    // editor shows values (the size graph); otherwise the curve's own there.
    virtual void clickValue(CurveKey&, const QPointF&) {}
    // How far `point` is from the key, in pixels, for picking it.
    virtual qreal distanceTo(const CurveKey& key, const QPointF& point) const;
    // What a double-click on a key does.
    virtual void openKey(int) {}
    // The rectangle the curve is drawn in.
    QRectF plotArea() const;
    void drawKeys(class QPainter& painter) const;

    void mousePressEvent(class QMouseEvent* event) override;
    void mouseMoveEvent(class QMouseEvent* event) override;
    void mouseReleaseEvent(class QMouseEvent* event) override;
    void mouseDoubleClickEvent(class QMouseEvent* event) override;
    void keyPressEvent(class QKeyEvent* event) override;

    CurveKeys m_curve;
    int m_selected = -1;
    bool m_dragging = false;
    bool m_moved = false;

private:
    int keyAt(const QPointF& point) const;
};

// Colour and alpha over life: the colours drawn over a checkerboard, keys as
// marks under the bar. Double-click a key for the colour dialog.
class GradientBar : public CurveEditor {
    Q_OBJECT
public:
    explicit GradientBar(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {200, 34}; }
    QSize minimumSizeHint() const override { return {120, 34}; }

protected:
    void paintEvent(class QPaintEvent* event) override;
    QPointF placeOf(const CurveKey& key) const override;
    float timeAt(const QPointF& point) const override;
    qreal distanceTo(const CurveKey& key, const QPointF& point) const override;
    void openKey(int index) override;
};

// Size over life: a line through the keys over a grid; keys are dragged in
// time and size alike.
class SizeGraph : public CurveEditor {
    Q_OBJECT
public:
    explicit SizeGraph(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {200, 80}; }
    QSize minimumSizeHint() const override { return {120, 64}; }
    // The size at the top of the graph; the graph grows to show every key.
    float top() const;

protected:
    void paintEvent(class QPaintEvent* event) override;
    QPointF placeOf(const CurveKey& key) const override;
    float timeAt(const QPointF& point) const override;
    void dragValue(CurveKey& key, const QPointF& point) override;
    void clickValue(CurveKey& key, const QPointF& point) override;
    void mousePressEvent(class QMouseEvent* event) override;

private:
    float valueAt(const QPointF& point, float top) const;
    float m_dragTop = 0;  // the graph's top held still while a key is dragged
};

}  // namespace vantor
