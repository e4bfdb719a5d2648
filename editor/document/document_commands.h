// The commands of the document's undo stack, one per user intent. A change is
// made first and pushed afterwards, so a command's first redo (the one push
// runs) does nothing; later undos and redos swap or replay the change.
#pragma once
#include <QUndoCommand>

#include <cstddef>

#include "document/entity_snapshot.h"

class CVantorDoc;

namespace vantor {

class DocumentCommand : public QUndoCommand {
public:
    DocumentCommand(CVantorDoc& doc, const QString& text) : QUndoCommand(text), m_doc(doc) {}
    void undo() final;
    void redo() final;
    // False for changes of the scene around the entity (lights, where the
    // model stands): undoable, but nothing a save would keep.
    virtual bool changesEntity() const { return true; }
    // Memory the command holds beyond its own object.
    virtual size_t bytes() const { return 0; }
    // Lets go of what the command holds to go back, when the history is past
    // its memory bound; such a command does nothing and leaves the stack
    // when it is reached.
    void trim();
    bool trimmed() const { return m_trimmed; }

protected:
    virtual void takeBack() = 0;
    virtual void doAgain() = 0;
    virtual void release() {}
    CVantorDoc& m_doc;

private:
    bool m_pushed = false;
    bool m_trimmed = false;
};

// A change of one part of the entity: the command holds one snapshot and
// swaps it with the part's current state on each undo and redo. Commits of
// the same field of the same part in a row merge into one command.
class RecordCommand : public DocumentCommand {
public:
    RecordCommand(CVantorDoc& doc, const QString& text, EntitySnapshot before, int field)
        : DocumentCommand(doc, text), m_snapshot(std::move(before)), m_field(field) {}
    int id() const override { return m_field >= 0 ? 1 + m_field : -1; }
    // Takes no more commits into this command: the next one is a change of its own.
    void seal() { m_field = -1; }
    bool mergeWith(const QUndoCommand* other) override;
    bool changesEntity() const override {
        return m_snapshot.part != EntityPart::Light && m_snapshot.part != EntityPart::Position;
    }
    size_t bytes() const override { return m_snapshot.bytes(); }

protected:
    void takeBack() override { swap(); }
    void doAgain() override { swap(); }
    void release() override { m_snapshot = EntitySnapshot(); }

private:
    void swap();
    EntitySnapshot m_snapshot;
    int m_field;  // the control the change came from; -1 never merges
};

// An emitter added at `index` (undo removes it) or removed from there (undo
// puts it back); the record, curves and shape travel with the command.
class EmitterCommand : public DocumentCommand {
public:
    EmitterCommand(CVantorDoc& doc, const QString& text, int index, bool added, const EmitterData& record,
                   EmitterExtras extras = {})
        : DocumentCommand(doc, text), m_index(index), m_added(added), m_record(record), m_extras(std::move(extras)) {}

protected:
    void takeBack() override { m_added ? remove() : insert(); }
    void doAgain() override { m_added ? insert() : remove(); }

private:
    void remove();
    void insert();
    int m_index;
    bool m_added;
    EmitterData m_record;
    EmitterExtras m_extras;
};

// An image added to the library; undo takes it away, redo reads it again.
class ImageCommand : public DocumentCommand {
public:
    ImageCommand(CVantorDoc& doc, const QString& text, const TextureInfo& info)
        : DocumentCommand(doc, text), m_info(info) {}

protected:
    void takeBack() override;
    void doAgain() override;

private:
    TextureInfo m_info;
};

}  // namespace vantor
