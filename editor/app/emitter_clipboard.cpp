#include "app/emitter_clipboard.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>

#include "widgets/controls.h"
#include "app/command_host.h"
#include "resource.h"
#include "document/vantor_doc.h"

namespace vantor {
namespace {

// The text field that owns the focus and so keeps Copy and Paste, if any:
// any line edit but the emitter list's own.
QWidget* textField(QComboBox* emitters) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return nullptr;
    if (emitters->isAncestorOf(focus) || focus == emitters) return nullptr;
    if (qobject_cast<QLineEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus)) return focus;
    return nullptr;
}

// The emitter list's field lets Ctrl+C and Ctrl+V reach Edit > Copy and Paste.
class LetEmitterKeysThrough : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Paste)) {
            event->ignore();
            return true;
        }
        return false;
    }
};

QString clipboardEmitter() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data) return {};
    if (data->hasFormat(kEmitterMimeType)) return QString::fromUtf8(data->data(kEmitterMimeType));
    // Plain text in the form is taken too (from a text editor, another program).
    const QString text = data->text();
    return text.trimmed().startsWith(QLatin1String("//Korvid emitter")) ? text : QString();
}

}  // namespace

void addEmitterCommands(const CommandHost& host, CVantorDoc& doc) {
    QAction* copy = host.action(ID_EDIT_COPY);
    QAction* paste = host.action(ID_EDIT_PASTE);
    QComboBox* emitters = host.emitterList;
    QWidget* window = host.window;
    // The list hands ShortcutOverride to its field itself, so the list is watched.
    emitters->installEventFilter(new LetEmitterKeysThrough(emitters));
    if (emitters->lineEdit()) emitters->lineEdit()->installEventFilter(new LetEmitterKeysThrough(emitters));

    QAction* duplicate = host.addCommand(ID_EDIT_DUPLICATE, QStringLiteral("&Duplicate Emitter"),
                                          QStringLiteral("Add a copy of the current emitter right after it\nDuplicate"));
    duplicate->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    for (QMenu* menu : host.menuBar->findChildren<QMenu*>())
        if (menu->actions().contains(paste)) {
            const int at = int(menu->actions().indexOf(paste));
            menu->insertAction(menu->actions().value(at + 1), duplicate);
        }
    window->addAction(duplicate);

    QObject::connect(copy, &QAction::triggered, window, [emitters, &doc] {
        if (QWidget* field = textField(emitters)) {
            QMetaObject::invokeMethod(field, "copy");
            return;
        }
        const QString text = doc.emitterText();
        if (text.isEmpty()) return;
        auto* data = new QMimeData;
        data->setData(kEmitterMimeType, text.toUtf8());
        data->setText(text);
        QApplication::clipboard()->setMimeData(data);
    });
    QObject::connect(paste, &QAction::triggered, window, [window, emitters, &doc] {
        if (QWidget* field = textField(emitters)) {
            QMetaObject::invokeMethod(field, "paste");
            return;
        }
        const QString text = clipboardEmitter();
        if (text.isEmpty()) return;
        QString note;
        const vantor::Refusal refusal = doc.pasteEmitter(text, &note);
        const QString told = refusal ? refusal.text : note;
        if (!told.isEmpty()) message(window, told);
    });
    QObject::connect(duplicate, &QAction::triggered, &doc, [&doc] { doc.duplicateEmitter(); });

    // Copy and Duplicate need an emitter; Paste a model and an emitter on the clipboard.
    // Guarded: focus moves while the window is being taken down.
    auto update = [&doc, copy = QPointer<QAction>(copy), paste = QPointer<QAction>(paste),
                   duplicate = QPointer<QAction>(duplicate), emitters = QPointer<QComboBox>(emitters)] {
        if (!copy || !paste || !duplicate || !emitters) return;
        const bool field = textField(emitters) != nullptr;
        copy->setEnabled(field || doc.currentEmitter() >= 0);
        paste->setEnabled(field || (doc.modelCount() > 0 && !clipboardEmitter().isEmpty()));
        duplicate->setEnabled(doc.currentEmitter() >= 0);
    };
    QObject::connect(QApplication::clipboard(), &QClipboard::dataChanged, window, update);
    QObject::connect(qApp, &QApplication::focusChanged, window, update);
    QObject::connect(&doc, &CVantorDoc::changed, window, update);
    QObject::connect(&doc, &CVantorDoc::opened, window, update);
    QObject::connect(&doc, &CVantorDoc::cleared, window, update);
    update();
}

}  // namespace vantor
