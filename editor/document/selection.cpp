#include "document/selection.h"

namespace vantor {

void Selection::setModel(int model) {
    if (model == m_model) return;
    m_model = model;
    emit currentChanged(What::Model);
}

void Selection::setSurface(int surface, Announce announce) {
    if (surface == m_surface && announce == Announce::OnChange) return;
    m_surface = surface;
    emit currentChanged(What::Surface);
}

void Selection::setEmitter(int emitter) {
    if (emitter == m_emitter) return;
    m_emitter = emitter;
    emit currentChanged(What::Emitter);
}

}  // namespace vantor
