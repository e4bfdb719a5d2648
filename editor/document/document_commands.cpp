#include "document/document_commands.h"

#include "document/vantor_doc.h"

namespace vantor {

void DocumentCommand::undo() {
    if (!m_trimmed) takeBack();
}

void DocumentCommand::redo() {
    if (m_pushed && !m_trimmed) doAgain();
    m_pushed = true;
}

void DocumentCommand::trim() {
    m_trimmed = true;
    release();
    setObsolete(true);
}

bool RecordCommand::mergeWith(const QUndoCommand* other) {
    const auto* next = dynamic_cast<const RecordCommand*>(other);
    // The merged command keeps the state from before the first commit.
    return next && m_field >= 0 && next->m_field == m_field && next->m_snapshot.part == m_snapshot.part &&
           next->m_snapshot.index == m_snapshot.index;
}

void RecordCommand::swap() {
    EntitySnapshot current = m_doc.capture(m_snapshot.part, m_snapshot.index);
    m_doc.restore(m_snapshot);
    m_snapshot = std::move(current);
}

void EmitterCommand::remove() { m_doc.removeEmitterAt(m_index, &m_record, &m_extras); }

void EmitterCommand::insert() { m_doc.insertEmitterAt(m_record, m_index, m_extras); }

void ImageCommand::takeBack() { m_doc.removeImage(m_info); }

void ImageCommand::doAgain() { m_doc.restoreImage(m_info); }

}  // namespace vantor
