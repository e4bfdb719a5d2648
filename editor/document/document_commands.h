// The commands of the document's history, one per user intent. Each makes
// its change in redo(), which the push runs first; a command whose first
// redo changed nothing (or was refused) makes itself obsolete, so the
// history drops it. Undo puts the state from before back.
#pragma once
#include <QUndoCommand>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "document/entity_snapshot.h"
#include "document/refusal.h"

namespace vantor {

// What the commands change and whom they tell: the document.
class CommandTarget {
public:
    // Writes a part and announces it (`restored` by undo or redo).
    virtual Refusal put(const EntitySnapshot& snapshot, int field, bool restored) = 0;
    virtual Refusal removeEmitterAt(int index, EmitterData* record, EmitterExtras* extras) = 0;
    virtual Refusal insertEmitterAt(const EmitterData& record, int index, const EmitterExtras& extras) = 0;
    virtual Refusal pasteEmitterAt(int index, const QString& text, EmitterData* record, EmitterExtras* extras) = 0;
    virtual void removeImage(const TextureInfo& info) = 0;
    virtual Refusal restoreImage(const TextureInfo& info, bool restored) = 0;
    // What a command's first redo (the push) answered.
    virtual void firstRedoAnswered(const Refusal& refusal) = 0;
    // An undo or redo the library refused: the user is told.
    virtual void tellRefused(const Refusal& refusal) = 0;

protected:
    ~CommandTarget() = default;
};

// What a command does for the user. Commits of the same intent, from the same
// control, on the same part, in a row merge into one command (its id).
enum class Intent {
    None = -1,
    EditSurface = 1,
    EditEmitter,
    EditBurst,
    EditCurve,
    EditShape,
    EditFields,
    EditColliders,
    EditLook,
};

class DocumentCommand : public QUndoCommand {
public:
    DocumentCommand(CommandTarget& doc, const QString& text) : QUndoCommand(text), m_doc(doc) {}
    void undo() final;
    void redo() final;
    // False for changes of the scene around the entity (lights, where the
    // model stands): undoable, but nothing a save would keep.
    virtual bool changesEntity() const { return true; }
    // Memory the command holds beyond its own object.
    virtual size_t bytes() const { return 0; }
    // Lets go of what the command holds to go back, when the history is past
    // its memory bound; such a command does nothing and leaves the stack
    // when undo reaches it.
    void trim();
    bool trimmed() const { return m_trimmed; }
    // What the first redo was refused with, for the intent that pushed it.
    const Refusal& refusal() const { return m_refusal; }

protected:
    // Makes the change; `first` on the push, when the change is the user's own edit.
    virtual Refusal apply(bool first) = 0;
    virtual Refusal takeBack() = 0;
    virtual void release() {}
    CommandTarget& m_doc;

private:
    friend class CompoundCommand;
    bool m_done = false;
    bool m_trimmed = false;
    Refusal m_refusal;
};

// One part of the entity set to a new state: redo writes `after`, undo
// writes `before` back.
class RecordCommand : public DocumentCommand {
public:
    RecordCommand(CommandTarget& doc, const QString& text, EntitySnapshot before, EntitySnapshot after,
                  Intent intent = Intent::None, int field = -1, int generation = 0)
        : DocumentCommand(doc, text), m_before(std::move(before)), m_after(std::move(after)), m_intent(intent),
          m_field(field), m_generation(generation) {}
    int id() const override { return m_intent != Intent::None && m_field >= 0 ? int(m_intent) : -1; }
    bool mergeWith(const QUndoCommand* other) override;
    bool changesEntity() const override {
        return m_before.part != EntityPart::Light && m_before.part != EntityPart::Position;
    }
    size_t bytes() const override { return m_before.bytes() + m_after.bytes(); }

protected:
    Refusal apply(bool first) override;
    Refusal takeBack() override;
    void release() override { m_before = m_after = EntitySnapshot(); }

private:
    EntitySnapshot m_before, m_after;
    Intent m_intent;
    int m_field;       // the control the commits came from
    int m_generation;  // the history's seal count when it was made
};

// An operation the library computes (scaling the geometry, smoothing a
// surface): redo runs it again, undo writes the state from before back.
class OperationCommand : public DocumentCommand {
public:
    OperationCommand(CommandTarget& doc, const QString& text, EntitySnapshot before, std::function<void(bool restored)> operation)
        : DocumentCommand(doc, text), m_before(std::move(before)), m_operation(std::move(operation)) {}
    size_t bytes() const override { return m_before.bytes(); }

protected:
    Refusal apply(bool first) override {
        m_operation(!first);
        return {};
    }
    Refusal takeBack() override;
    void release() override { m_before = EntitySnapshot(); }

private:
    EntitySnapshot m_before;
    std::function<void(bool restored)> m_operation;
};

// An emitter added at `index` (undo removes it) or removed from there (undo
// puts it back); the record, curves and shape travel with the command. An
// added emitter may come from clipboard text, read on the first redo.
class EmitterCommand : public DocumentCommand {
public:
    EmitterCommand(CommandTarget& doc, const QString& text, int index, bool added, const EmitterData& record = {},
                   EmitterExtras extras = {})
        : DocumentCommand(doc, text), m_index(index), m_added(added), m_record(record), m_extras(std::move(extras)) {}
    // The emitter comes from clipboard text on the first redo.
    void pasteFrom(const QString& clipboardText) { m_pasted = clipboardText; }

protected:
    Refusal apply(bool first) override;
    Refusal takeBack() override;

private:
    Refusal remove();
    Refusal insert(bool first);
    int m_index;
    bool m_added;
    EmitterData m_record;
    EmitterExtras m_extras;
    QString m_pasted;
};

// An image added to the library; undo takes it away, redo reads it again
// (from its absolute path: the working directory may have moved).
class ImageCommand : public DocumentCommand {
public:
    ImageCommand(CommandTarget& doc, const QString& text, const TextureInfo& info, const TextureInfo& again)
        : DocumentCommand(doc, text), m_info(info), m_again(again) {}

protected:
    Refusal apply(bool first) override;
    Refusal takeBack() override;

private:
    TextureInfo m_info;   // as the user gave it
    TextureInfo m_again;  // with the path made absolute
};

// Several changes made as one: redo makes them in order (a refusal takes the
// ones made back), undo takes them back in the opposite order.
class CompoundCommand : public DocumentCommand {
public:
    CompoundCommand(CommandTarget& doc, const QString& text) : DocumentCommand(doc, text) {}
    void add(DocumentCommand* part) { m_parts.emplace_back(part); }
    size_t bytes() const override;

protected:
    Refusal apply(bool first) override;
    Refusal takeBack() override;
    void release() override;

private:
    std::vector<std::unique_ptr<DocumentCommand>> m_parts;
};

}  // namespace vantor
