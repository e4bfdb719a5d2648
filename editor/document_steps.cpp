#include "document_steps.h"

#include "vantor_doc.h"

namespace vantor {

bool RecordStep::absorb(const Step& next) {
    const auto* other = dynamic_cast<const RecordStep*>(&next);
    return other && m_field >= 0 && other->m_field == m_field && other->m_snapshot.part == m_snapshot.part &&
           other->m_snapshot.index == m_snapshot.index;
}

void RecordStep::swap(CVantorDoc& doc) {
    EntitySnapshot current = doc.capture(m_snapshot.part, m_snapshot.index);
    doc.restore(m_snapshot);
    m_snapshot = std::move(current);
}

void EmitterStep::undo(CVantorDoc& doc) { m_added ? remove(doc) : insert(doc); }

void EmitterStep::redo(CVantorDoc& doc) { m_added ? insert(doc) : remove(doc); }

void EmitterStep::remove(CVantorDoc& doc) { doc.removeEmitterAt(m_index, &m_record); }

void EmitterStep::insert(CVantorDoc& doc) { doc.insertEmitterAt(m_record, m_index); }

void ImageStep::undo(CVantorDoc& doc) { doc.removeImage(m_info); }

void ImageStep::redo(CVantorDoc& doc) { doc.restoreImage(m_info); }

}  // namespace vantor
