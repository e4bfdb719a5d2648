// The kinds of steps in the document's history.
#pragma once
#include <QString>

#include "entity_snapshot.h"
#include "undo_history.h"

namespace vantor {

// A change of one part of the entity. The step holds one snapshot and swaps
// it with the part's current state on each undo and redo.
class RecordStep : public Step {
public:
    RecordStep(QString name, EntitySnapshot before, int field)
        : Step(std::move(name)), m_snapshot(std::move(before)), m_field(field) {}
    void undo(CVantorDoc& doc) override { swap(doc); }
    void redo(CVantorDoc& doc) override { swap(doc); }
    size_t bytes() const override { return m_snapshot.bytes(); }
    bool changesEntity() const override {
        return m_snapshot.part != EntityPart::Light && m_snapshot.part != EntityPart::Position;
    }
    // Another edit of the same field of the same part joins this step, which
    // keeps the state from before the first edit.
    bool absorb(const Step& next) override;

private:
    void swap(CVantorDoc& doc);
    EntitySnapshot m_snapshot;
    int m_field;  // the control the change came from; -1 never merges
};

// An emitter added at `index` (undo removes it) or removed from there (undo
// puts it back); the record travels with the step.
class EmitterStep : public Step {
public:
    EmitterStep(QString name, int index, bool added, const EmitterData& record)
        : Step(std::move(name)), m_index(index), m_added(added), m_record(record) {}
    void undo(CVantorDoc& doc) override;
    void redo(CVantorDoc& doc) override;

private:
    void remove(CVantorDoc& doc);
    void insert(CVantorDoc& doc);
    int m_index;
    bool m_added;
    EmitterData m_record;
};

// An image added to the library; undo takes it away, redo reads it again.
class ImageStep : public Step {
public:
    ImageStep(QString name, const TextureInfo& info) : Step(std::move(name)), m_info(info) {}
    void undo(CVantorDoc& doc) override;
    void redo(CVantorDoc& doc) override;

private:
    TextureInfo m_info;
};

}  // namespace vantor
