// History: the document's undo stack. It owns the QUndoStack, keeps its memory
// within a budget (the oldest commands let go of their snapshots first and
// leave the stack once undo reaches them), says whether the entity differs
// from what was last opened or saved, and ends merging on request.
#pragma once
#include <QObject>
#include <QUndoStack>

class QAction;

#include <cstddef>

namespace vantor {

class DocumentCommand;

class History : public QObject {
    Q_OBJECT
public:
    explicit History(QObject* parent = nullptr);
    // The stack clears itself as it goes; nobody is told of that.
    ~History() override;

    QUndoStack* stack() { return &m_stack; }
    // Runs the command's redo (which makes the change) and keeps it, merged
    // with the last one where both allow it; a command that changed nothing
    // is dropped.
    void push(DocumentCommand* command);
    void undo();
    void redo();
    // The Undo (or Redo) menu command: named after the command it takes back
    // ("&Undo Shininess") and enabled while there is one.
    QAction* createAction(QObject* parent, const QString& prefix, bool undo);
    // Back to the state last opened or saved; false when the way there was trimmed.
    bool backToClean();
    // Forgets every command: a new entity or another model.
    void clear();
    void markClean();

    // The entity differs from what was last opened or saved: a command that
    // changes the entity (not only the lights or where the model stands) lies
    // between the clean point and the stack's index.
    bool isModified() const;
    // The history keeps at most 1000 commands and about this many bytes.
    void setBudget(size_t bytes);
    size_t bytes() const;
    // Commits after this one do not merge into the commands before it (a run
    // of steps or a scrub is over).
    void seal() { ++m_generation; }
    int generation() const { return m_generation; }

signals:
    // The modified state changed.
    void modifiedChanged(bool modified);

private:
    const DocumentCommand* commandAt(int index) const;
    // Lets the oldest commands go past the budget, and drops those undo has reached.
    void trim();
    void tellModified();

    QUndoStack m_stack;
    size_t m_budget = size_t(512) << 20;
    int m_generation = 0;
    bool m_shownModified = false;
};

}  // namespace vantor
