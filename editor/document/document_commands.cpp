#include "document/document_commands.h"

namespace vantor {

void DocumentCommand::undo() {
    if (!m_trimmed) m_doc.tellRefused(takeBack());
}

void DocumentCommand::redo() {
    if (m_trimmed) return;
    const bool first = !m_done;
    m_done = true;
    const Refusal refusal = apply(first);
    if (!first) {
        m_doc.tellRefused(refusal);
        return;
    }
    m_refusal = refusal;
    m_doc.firstRedoAnswered(refusal);
    if (refusal) setObsolete(true);
}

void DocumentCommand::trim() {
    m_trimmed = true;
    release();
    setObsolete(true);
}

Refusal RecordCommand::apply(bool first) {
    if (first && sameSnapshot(m_before, m_after)) {
        setObsolete(true);
        return {};
    }
    return m_doc.put(m_after, first ? m_field : -1, !first);
}

Refusal RecordCommand::takeBack() { return m_doc.put(m_before, -1, true); }

bool RecordCommand::mergeWith(const QUndoCommand* other) {
    const auto* next = dynamic_cast<const RecordCommand*>(other);
    if (!next || next->m_intent != m_intent || next->m_field != m_field || next->m_generation != m_generation ||
        next->m_after.part != m_after.part || next->m_after.index != m_after.index)
        return false;
    // The merged command keeps the state from before the first commit.
    m_after = next->m_after;
    if (sameSnapshot(m_before, m_after)) setObsolete(true);
    return true;
}

Refusal OperationCommand::takeBack() { return m_doc.put(m_before, -1, true); }

Refusal EmitterCommand::apply(bool first) { return m_added ? insert(first) : remove(); }

Refusal EmitterCommand::takeBack() { return m_added ? remove() : insert(false); }

Refusal EmitterCommand::remove() { return m_doc.removeEmitterAt(m_index, &m_record, &m_extras); }

Refusal EmitterCommand::insert(bool first) {
    if (first && !m_pasted.isEmpty()) return m_doc.pasteEmitterAt(m_index, m_pasted, &m_record, &m_extras);
    return m_doc.insertEmitterAt(m_record, m_index, m_extras);
}

Refusal ImageCommand::apply(bool first) { return m_doc.restoreImage(first ? m_info : m_again, !first); }

Refusal ImageCommand::takeBack() {
    m_doc.removeImage(m_info);
    return {};
}

size_t CompoundCommand::bytes() const {
    size_t total = 0;
    for (const auto& part : m_parts) total += part->bytes();
    return total;
}

Refusal CompoundCommand::apply(bool first) {
    for (size_t i = 0; i < m_parts.size(); ++i) {
        if (const Refusal refusal = m_parts[i]->apply(first)) {
            while (i-- > 0) m_parts[i]->takeBack();
            return refusal;
        }
    }
    return {};
}

Refusal CompoundCommand::takeBack() {
    Refusal first;
    for (size_t i = m_parts.size(); i-- > 0;)
        if (const Refusal refusal = m_parts[i]->takeBack(); refusal && !first) first = refusal;
    return first;
}

void CompoundCommand::release() {
    for (auto& part : m_parts) part->release();
}

}  // namespace vantor
