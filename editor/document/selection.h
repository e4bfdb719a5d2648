// Selection: what the pages edit (the model, its surface and its emitter).
// The outliner, the pages and undo follow its one signal.
#pragma once
#include <QObject>

namespace vantor {

class Selection : public QObject {
    Q_OBJECT
public:
    enum class What { Model, Surface, Emitter };
    using QObject::QObject;

    int model() const { return m_model; }
    int surface() const { return m_surface; }
    int emitter() const { return m_emitter; }  // -1: none

    // Each announces a change only when there is one, unless told to
    // announce always: a surface the user chose again is shown again by a
    // page that had let go of it.
    enum class Announce { OnChange, Always };
    void setModel(int model);
    void setSurface(int surface, Announce announce = Announce::OnChange);
    void setEmitter(int emitter);

signals:
    void currentChanged(vantor::Selection::What what);

private:
    int m_model = -1;
    int m_surface = 0;
    int m_emitter = -1;
};

}  // namespace vantor
