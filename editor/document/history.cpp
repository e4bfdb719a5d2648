#include "document/history.h"

#include <QAction>

#include "document/document_commands.h"

namespace vantor {

History::History(QObject* parent) : QObject(parent) {
    m_stack.setUndoLimit(1000);
    // A command the History view moved past changes the modified state too.
    connect(&m_stack, &QUndoStack::indexChanged, this, &History::tellModified);
}

History::~History() { m_stack.blockSignals(true); }

const DocumentCommand* History::commandAt(int index) const {
    return static_cast<const DocumentCommand*>(m_stack.command(index));
}

void History::push(DocumentCommand* command) {
    m_stack.push(command);
    trim();
}

void History::undo() {
    m_stack.undo();
    trim();
}

void History::redo() {
    m_stack.redo();
    trim();
}

QAction* History::createAction(QObject* parent, const QString& prefix, bool undo) {
    auto* action = new QAction(prefix, parent);
    auto refresh = [this, action, prefix, undo] {
        const QString text = undo ? m_stack.undoText() : m_stack.redoText();
        action->setText(text.isEmpty() ? prefix : prefix + QLatin1Char(' ') + text);
        action->setEnabled(undo ? m_stack.canUndo() : m_stack.canRedo());
    };
    connect(&m_stack, &QUndoStack::indexChanged, action, refresh);
    connect(&m_stack, &QUndoStack::cleanChanged, action, refresh);
    connect(action, &QAction::triggered, this, undo ? &History::undo : &History::redo);
    refresh();
    return action;
}

bool History::backToClean() {
    const int clean = m_stack.cleanIndex();
    if (clean < 0) return false;
    for (int i = std::min(clean, m_stack.index()); i < std::max(clean, m_stack.index()); ++i)
        if (commandAt(i)->trimmed()) return false;
    m_stack.setIndex(clean);
    return true;
}

void History::clear() {
    m_stack.clear();
    tellModified();
}

void History::markClean() {
    m_stack.setClean();
    tellModified();
}

bool History::isModified() const {
    if (m_stack.isClean()) return false;
    const int clean = m_stack.cleanIndex();
    if (clean < 0) return true;
    const int index = m_stack.index();
    for (int i = std::min(clean, index); i < std::max(clean, index); ++i)
        if (commandAt(i)->changesEntity()) return true;
    return false;
}

size_t History::bytes() const {
    size_t total = 0;
    for (int i = 0; i < m_stack.count(); ++i) total += commandAt(i)->bytes();
    return total;
}

void History::setBudget(size_t bytes) {
    m_budget = bytes;
    trim();
}

void History::trim() {
    // Past the memory bound the oldest commands let go of their snapshots
    // (the newest one always stays whole) ...
    size_t total = bytes();
    for (int i = 0; i + 1 < m_stack.count() && total > m_budget; ++i) {
        auto* command = static_cast<DocumentCommand*>(const_cast<QUndoCommand*>(m_stack.command(i)));
        if (command->trimmed()) continue;
        total -= command->bytes();
        command->trim();
    }
    // ... and once undo reaches them they leave the stack (an obsolete
    // command is dropped when it is undone), changing nothing.
    while (m_stack.index() > 0 && commandAt(m_stack.index() - 1)->trimmed()) m_stack.undo();
    tellModified();
}

void History::tellModified() {
    const bool modified = isModified();
    if (modified == m_shownModified) return;
    m_shownModified = modified;
    emit modifiedChanged(modified);
}

}  // namespace vantor
