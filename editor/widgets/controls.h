// Small building blocks shared by Vantor's windows: control ids, edits that
// commit when they lose the focus, colour swatches, number conversions and
// formats, and message boxes.
#pragma once
#include <utility>
#include <QColor>
#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

#include "widgets/number_text.h"

class QAbstractButton;
class QPushButton;

class QComboBox;

namespace vantor {

// Every control with a numeric id carries it as the property "controlId".
void setControlId(QWidget* control, int id);
// A new control of type W, made from `args`, carrying `id`.
template <typename W, typename... Args>
W* controlWithId(int id, Args&&... args) {
    auto* control = new W(std::forward<Args>(args)...);
    setControlId(control, id);
    return control;
}
int controlId(const QWidget* control);
// The first control below `window` with the given id, or null.
QWidget* findControl(const QWidget* window, int id);
template <typename T>
T* control(const QWidget* window, int id) {
    return qobject_cast<T*>(findControl(window, id));
}

// A line edit that announces `committed` whenever it loses the focus. Up
// and Down, and the wheel while it has the focus, step its number by one unit
// of the last digit shown (Shift: ten, Ctrl: a tenth) and commit it.
class CommitEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CommitEdit(QWidget* parent = nullptr);
    // Commits typing not yet committed, exactly as losing the focus would.
    void commitNow();
    // The values steps keep to (typed values follow the page's own rules).
    void setStepRange(double low, double high) { m_low = low, m_high = high; }
    // The values the field takes at all: steps keep to them and a typed
    // number beyond them is committed as the nearest end, shown so.
    void setRange(double low, double high) {
        setStepRange(low, high);
        m_clampTyped = true;
    }
    // Escape while typing: the field shows the value it had again and
    // commits nothing. False when there was no typing to take back.
    bool revertTyping();
    double stepLow() const { return m_low; }
    double stepHigh() const { return m_high; }
    // Steps the number and commits it; false when the text is no number.
    bool step(int steps, Qt::KeyboardModifiers modifiers);
signals:
    void committed();
    // A run of steps is over (the key let go, a scrub ended): the next change is a new one.
    void stepsEnded();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    double m_low = -1e30;
    double m_high = 1e30;
    bool m_clampTyped = false;
    bool m_stepping = false;
    QString m_committedText;  // the text as last shown or committed
};

// `text` shortened in the middle to at most `maxChars` characters, with an
// ellipsis where the middle was; shorter text is returned as it is.
QString elideMiddle(const QString& text, int maxChars = 60);

// Orders Tab through the controls of `window` as its layouts place them:
// boxes and rows in the order they were laid out, a grid row by row, each
// row left to right. Call it once the window's layouts are built.
void orderTabsByLayout(QWidget* window);

// Commits the typing in the field that has the focus, if it is a CommitEdit
// with typing of its own, as losing the focus would.
void commitFocusedField();

// Lets a drop-down list show up to 20 entries and be as wide as its longest one.
void fitDropDown(QComboBox* box);
// Takes the entry `text` out of a drop-down list, keeping the text shown in
// its edit field and sending no signals.
void removeEntry(QComboBox* box, const QString& text);

// A filled rectangle with a black outline showing one colour.
class Swatch : public QWidget {
    Q_OBJECT
public:
    explicit Swatch(QWidget* parent = nullptr);
    void setColor(const QColor& color);
    QColor color() const { return color_; }
    QSize sizeHint() const override { return {24, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_{192, 192, 192};
};

// Swatch colour of a float colour: each of R, G, B times 255, truncated
// toward zero, low eight bits kept (2.0 gives 254).
QColor swatchColor(const float rgb[3]);
int swatchByte(float channel);

// Writes `formatted` into the edit; with `keepShown`, not when its text
// already shows `value`, so that the redraw after an edit leaves the fields
// that did not change (and their cursors) as they are.
void showNumber(QLineEdit* edit, double value, const QString& formatted, bool keepShown);


void copyText(char* field, size_t size, const QString& text);

// An information box with an OK button, titled "Vantor". Tests may divert
// the messages with a hook instead of showing boxes.
void message(QWidget* parent, const QString& text);
void setMessageHook(std::function<void(const QString&)> hook);

// The common colour dialog started on `initial` (with an alpha channel when
// `withAlpha`); empty on Cancel. Tests may answer it with a hook.
std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial, bool withAlpha = false);
void setColorHook(std::function<std::optional<QColor>(const QColor&)> hook);

// The "Select" rule of every colour row: the colour dialog opens on the
// row's swatch colour; on OK red, green and blue become the chosen bytes
// divided by 255 (or multiplied by 1/255 as a float where the row says so),
// the three edits show them with "%1.3f" and the swatch is repainted. Alpha is
// left alone. False on Cancel.
enum class ByteScale { Divide, MultiplyByInverse };
bool selectColour(QWidget* parent, float colour[3], QLineEdit* const edits[3], Swatch* swatch,
                  ByteScale scale = ByteScale::Divide);

// Creates a button, label or check box with an id in one line.
QPushButton* makeButton(QWidget* parent, const QString& caption, int id);

}  // namespace vantor
