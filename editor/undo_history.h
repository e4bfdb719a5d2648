// The document's history of changes: undoable steps, merging of repeated
// edits of one field, a saved point, and a bound on memory.
#pragma once
#include <QObject>
#include <QString>

#include <cstddef>
#include <memory>
#include <vector>

class CVantorDoc;

namespace vantor {

// One user change. A step keeps what is needed to go back or forward again;
// most keep a single snapshot that they swap with the entity's current state.
class Step {
public:
    explicit Step(QString name) : m_name(std::move(name)) {}
    virtual ~Step() = default;
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

    const QString& name() const { return m_name; }
    virtual void undo(CVantorDoc& doc) = 0;
    virtual void redo(CVantorDoc& doc) = 0;
    // Memory the step holds beyond its own object.
    virtual size_t bytes() const { return 0; }
    // False for changes of the scene around the entity (lights, where the
    // model stands): undoable, but nothing a save would keep.
    virtual bool changesEntity() const { return true; }
    // Takes the newer step `next` into this one (a second edit of the same
    // field); false when the two stay separate steps.
    virtual bool absorb(const Step& next) {
        (void)next;
        return false;
    }

private:
    QString m_name;
};

class UndoHistory : public QObject {
    Q_OBJECT
public:
    // At most this many steps and about this much memory are kept; the oldest
    // steps are dropped first (the newest one always stays).
    static constexpr size_t kMaxSteps = 1000;
    static constexpr size_t kMaxBytes = size_t(512) << 20;

    explicit UndoHistory(CVantorDoc& doc) : m_doc(doc) {}

    // Records a change that has already been made.
    void push(std::unique_ptr<Step> step);
    void undo();
    void redo();
    void clear();

    bool canUndo() const { return m_next > 0; }
    bool canRedo() const { return m_next < m_steps.size(); }
    QString undoName() const { return canUndo() ? m_steps[m_next - 1]->name() : QString(); }
    QString redoName() const { return canRedo() ? m_steps[m_next]->name() : QString(); }
    size_t count() const { return m_steps.size(); }
    size_t bytes() const;

    // The entity as last opened or saved; an undo or redo back to it is
    // clean again, and so are steps that leave the entity alone.
    void markClean();
    bool isClean() const;

signals:
    void changed();

private:
    void trim();

    CVantorDoc& m_doc;
    std::vector<std::unique_ptr<Step>> m_steps;
    size_t m_next = 0;  // steps before this index are done
    long m_clean = 0;   // the index of the saved state; -1 when no longer reachable
};

}  // namespace vantor
