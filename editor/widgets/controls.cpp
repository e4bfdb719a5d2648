#include "widgets/controls.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include "widgets/number_text.h"

#include "korvid.h"

#include <cstring>

#include <QAbstractItemView>
#include <vector>
#include <QGridLayout>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QStyle>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vantor {

void setControlId(QWidget* control, int id) { control->setProperty("controlId", id); }

int controlId(const QWidget* control) {
    const QVariant v = control->property("controlId");
    return v.isValid() ? v.toInt() : -1;
}

QWidget* findControl(const QWidget* window, int id) {
    for (QWidget* w : window->findChildren<QWidget*>())
        if (controlId(w) == id) return w;
    return nullptr;
}

CommitEdit::CommitEdit(QWidget* parent) : QLineEdit(parent) {
    // Text the program puts in (not typing) is the value Escape goes back to.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!isModified()) m_committedText = text();
    });
}

bool CommitEdit::revertTyping() {
    if (!isModified()) return false;
    setText(m_committedText);
    setModified(false);
    return true;
}

void fitDropDown(QComboBox* box) {
    box->setMaxVisibleItems(20);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    box->view()->setTextElideMode(Qt::ElideNone);
    // The open list is as wide as its longest entry, whatever the box's width.
    const auto widen = [box] {
        const int wanted = box->view()->sizeHintForColumn(0) + box->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
        box->view()->setMinimumWidth(std::max(wanted, box->width()));
    };
    QObject::connect(box->model(), &QAbstractItemModel::rowsInserted, box, widen);
    QObject::connect(box->model(), &QAbstractItemModel::modelReset, box, widen);
    widen();
}

void CommitEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    commitNow();
}

bool CommitEdit::step(int steps, Qt::KeyboardModifiers modifiers) {
    const QString next = stepNumber(text(), steps, modifiers, m_low, m_high);
    if (next.isEmpty() || isReadOnly()) return false;
    setText(next);
    setModified(true);
    commitNow();
    return true;
}

void CommitEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
        if (step(event->key() == Qt::Key_Up ? 1 : -1, mods)) {
            m_stepping = true;
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void CommitEdit::keyReleaseEvent(QKeyEvent* event) {
    // Steps while the key repeats are one change; letting it go ends it.
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && !event->isAutoRepeat() && m_stepping) {
        m_stepping = false;
        emit stepsEnded();
    }
    QLineEdit::keyReleaseEvent(event);
}

void CommitEdit::wheelEvent(QWheelEvent* event) {
    // Only a field being worked in takes the wheel; otherwise the page scrolls.
    const int notches = event->angleDelta().y() / 120;
    if (!hasFocus() || notches == 0) {
        event->ignore();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    if (step(notches, mods)) {
        event->accept();
        return;
    }
    event->ignore();
}

void CommitEdit::commitNow() {
    // Only what the user edited is committed: a field the focus merely
    // passes through sends nothing.
    if (!isModified()) return;
    if (m_clampTyped) {
        const double typed = toFloat(text());
        if (typed < m_low) setText(formatG6(m_low));
        else if (typed > m_high) setText(formatG6(m_high));
    }
    setModified(false);
    m_committedText = text();
    emit committed();
}

QString elideMiddle(const QString& text, int maxChars) {
    if (text.size() <= maxChars || maxChars < 3) return text;
    const int keep = maxChars - 1;
    return text.left((keep + 1) / 2) + QChar(0x2026) + text.right(keep / 2);
}

namespace {

void collectInLayoutOrder(QLayout* layout, std::vector<QWidget*>& out);

// A widget that holds controls of its own (a group box) is entered; a
// control that takes the focus with Tab is taken.
void collectWidget(QWidget* w, std::vector<QWidget*>& out) {
    if (!w) return;
    if (w->layout() && !qobject_cast<QComboBox*>(w)) {
        collectInLayoutOrder(w->layout(), out);
        return;
    }
    if (w->focusPolicy() & Qt::TabFocus) out.push_back(w);
}

void collectItem(QLayoutItem* item, std::vector<QWidget*>& out) {
    if (!item) return;
    if (QWidget* w = item->widget()) collectWidget(w, out);
    else if (QLayout* l = item->layout()) collectInLayoutOrder(l, out);
}

void collectInLayoutOrder(QLayout* layout, std::vector<QWidget*>& out) {
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        // Row by row; an item spanning several cells counts once.
        std::vector<QLayoutItem*> seen;
        for (int r = 0; r < grid->rowCount(); ++r)
            for (int c = 0; c < grid->columnCount(); ++c) {
                QLayoutItem* item = grid->itemAtPosition(r, c);
                if (!item || std::find(seen.begin(), seen.end(), item) != seen.end()) continue;
                seen.push_back(item);
                collectItem(item, out);
            }
        return;
    }
    for (int i = 0; i < layout->count(); ++i) collectItem(layout->itemAt(i), out);
}

}  // namespace

void orderTabsByLayout(QWidget* window) {
    if (!window->layout()) return;
    std::vector<QWidget*> order;
    collectInLayoutOrder(window->layout(), order);
    for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void commitFocusedField() {
    if (auto* edit = qobject_cast<CommitEdit*>(QApplication::focusWidget())) edit->commitNow();
}

Swatch::Swatch(QWidget* parent) : QWidget(parent) { setMinimumSize(20, 16); }

void Swatch::setColor(const QColor& color) {
    color_ = color;
    update();
}

void Swatch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(color_);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

int swatchByte(float channel) {
    const double scaled = static_cast<double>(channel) * 255.0;
    if (!std::isfinite(scaled) || std::fabs(scaled) > 2.0e9) return 0;
    return static_cast<int>(static_cast<long long>(std::trunc(scaled)) & 0xff);
}

QColor swatchColor(const float rgb[3]) { return QColor(swatchByte(rgb[0]), swatchByte(rgb[1]), swatchByte(rgb[2])); }

void showNumber(QLineEdit* edit, double value, const QString& formatted, bool keepShown) {
    if (keepShown && !edit->text().isEmpty() && textShows(edit->text(), value)) return;
    edit->setText(formatted);
}


namespace {
std::function<void(const QString&)>& messageHook() {
    static std::function<void(const QString&)> hook;
    return hook;
}
std::function<std::optional<QColor>(const QColor&)>& colorHook() {
    static std::function<std::optional<QColor>(const QColor&)> hook;
    return hook;
}
}  // namespace

void setMessageHook(std::function<void(const QString&)> hook) { messageHook() = std::move(hook); }
void setColorHook(std::function<std::optional<QColor>(const QColor&)> hook) { colorHook() = std::move(hook); }

std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial, bool withAlpha) {
    if (colorHook()) return colorHook()(initial);
    const QColor chosen = QColorDialog::getColor(initial, parent, QString(),
                                                 withAlpha ? QColorDialog::ShowAlphaChannel
                                                           : QColorDialog::ColorDialogOptions());
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

void message(QWidget* parent, const QString& text) {
    if (messageHook()) {
        messageHook()(text);
        return;
    }
    QMessageBox box(QMessageBox::Information, QStringLiteral("Vantor"), text, QMessageBox::Ok, parent);
    box.exec();
}

bool selectColour(QWidget* parent, float colour[3], QLineEdit* const edits[3], Swatch* swatch, ByteScale scale) {
    const auto chosen = chooseColor(parent, swatchColor(colour));
    if (!chosen) return false;
    const int bytes[3] = {chosen->red(), chosen->green(), chosen->blue()};
    for (int c = 0; c < 3; ++c) {
        colour[c] = scale == ByteScale::Divide ? static_cast<float>(bytes[c]) / 255.0f
                                               : static_cast<float>(bytes[c]) * 0.003921569f;
        edits[c]->setText(format("%1.3f", colour[c]));
    }
    swatch->setColor(swatchColor(colour));
    return true;
}

QPushButton* makeButton(QWidget* parent, const QString& caption, int id) {
    auto* b = new QPushButton(caption, parent);
    if (id >= 0) setControlId(b, id);
    b->setAutoDefault(false);
    return b;
}

void copyText(char* field, size_t size, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    const size_t n = std::min<size_t>(static_cast<size_t>(bytes.size()), size - 1);
    std::memcpy(field, bytes.constData(), n);
    field[n] = '\0';
}

void removeEntry(QComboBox* box, const QString& text) {
    const QSignalBlocker block(box);
    const QString shown = box->currentText();
    box->removeItem(box->findText(text, Qt::MatchExactly));
    box->setEditText(shown);
}

}  // namespace vantor
