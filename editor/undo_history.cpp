#include "undo_history.h"

#include <algorithm>

namespace vantor {

void UndoHistory::push(std::unique_ptr<Step> step) {
    // A new change ends every step that was undone.
    if (m_clean > static_cast<long>(m_next)) m_clean = -1;
    m_steps.resize(m_next);
    // A repeated edit joins the step before it, unless that step is the
    // saved state, which must stay reachable.
    if (m_next > 0 && m_clean != static_cast<long>(m_next) && m_steps.back()->absorb(*step)) {
        emit changed();
        return;
    }
    m_steps.push_back(std::move(step));
    m_next = m_steps.size();
    trim();
    emit changed();
}

void UndoHistory::undo() {
    if (!canUndo()) return;
    m_next -= 1;
    m_steps[m_next]->undo(m_doc);
    emit changed();
}

void UndoHistory::redo() {
    if (!canRedo()) return;
    m_steps[m_next]->redo(m_doc);
    m_next += 1;
    emit changed();
}

void UndoHistory::clear() {
    m_steps.clear();
    m_next = 0;
    m_clean = 0;
    emit changed();
}

size_t UndoHistory::bytes() const {
    size_t total = 0;
    for (const auto& s : m_steps) total += s->bytes();
    return total;
}

bool UndoHistory::isClean() const {
    if (m_clean < 0) return false;
    const size_t saved = static_cast<size_t>(m_clean);
    for (size_t i = std::min(saved, m_next); i < std::max(saved, m_next); ++i)
        if (m_steps[i]->changesEntity()) return false;
    return true;
}

void UndoHistory::markClean() {
    m_clean = static_cast<long>(m_next);
    emit changed();
}

void UndoHistory::trim() {
    size_t total = bytes();
    size_t drop = 0;
    while (m_steps.size() - drop > 1 && (m_steps.size() - drop > kMaxSteps || total > kMaxBytes)) {
        total -= m_steps[drop]->bytes();
        ++drop;
    }
    if (drop == 0) return;
    m_steps.erase(m_steps.begin(), m_steps.begin() + static_cast<long>(drop));
    m_next -= drop;
    m_clean = m_clean >= static_cast<long>(drop) ? m_clean - static_cast<long>(drop) : -1;
}

}  // namespace vantor
