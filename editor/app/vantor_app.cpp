#include "app/vantor_app.h"

#include <QAction>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>
#include <QSurfaceFormat>

#include "widgets/controls.h"
#include "app/main_frame.h"
#include "resource.h"
#include "document/vantor_doc.h"
#include "view/vantor_view.h"

namespace {
QIcon programIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(40, 60, 140));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(1, 1, 30, 30, 6, 6);
    p.setPen(QPen(QColor(255, 200, 80), 2));
    for (QPoint d : {QPoint(16, 4), QPoint(6, 10), QPoint(26, 10), QPoint(9, 20), QPoint(23, 20)})
        p.drawLine(16, 27, d.x(), d.y());
    return QIcon(pixmap);
}
}  // namespace

CVantorApp::CVantorApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Vantor"));
    setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    setWindowIcon(programIcon());
    installEventFilter(new KeyTranslator(this));
}

CVantorApp::~CVantorApp() {
    delete m_frame;
    delete m_document;
}

bool CVantorApp::initInstance() {
    if (!openGlUsable()) {
        QMessageBox::information(nullptr, QStringLiteral("Vantor"), QStringLiteral("OpenGL failed to initialized."));
        return false;
    }
    m_document = new CVantorDoc;
    m_frame = new CMainFrame(m_document);
    m_frame->restoreWindowGeometry();
    m_frame->show();
    return true;
}

void CVantorApp::openWhenReady(const QString& path) {
    const auto open = [this, path] { m_frame->openDropped(path); };
    CVantorView* view = m_frame->view();
    if (view->libraryReady()) open();
    else connect(view, &CVantorView::libraryStarted, this, open, Qt::SingleShotConnection);
}

void CVantorApp::showTimelineWhenReady() {
    const auto show = [this] {
        if (QAction* timeline = m_frame->action(ID_VIEW_TIMELINE); timeline && !timeline->isChecked())
            timeline->trigger();
    };
    CVantorView* view = m_frame->view();
    if (view->libraryReady()) show();
    else connect(view, &CVantorView::libraryStarted, this, show, Qt::SingleShotConnection);
}

namespace {
enum class HistoryKey { None, Undo, Redo };

HistoryKey historyKey(QKeyEvent* key) {
    const QKeyCombination k = key->keyCombination();
    if (key->matches(QKeySequence::Undo) || k == QKeyCombination(Qt::CTRL, Qt::Key_Z) ||
        k == QKeyCombination(Qt::ALT, Qt::Key_Backspace))
        return HistoryKey::Undo;
    if (key->matches(QKeySequence::Redo) || k == QKeyCombination(Qt::CTRL, Qt::Key_Y) ||
        k == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z))
        return HistoryKey::Redo;
    return HistoryKey::None;
}

// Ctrl+Z and Ctrl+Y (and their other keys) go to a text field only while it
// has typing of its own to take back; otherwise to Edit > Undo and Redo.
bool leavesUndoToTheDocument(QObject* watched, QKeyEvent* key) {
    const HistoryKey which = historyKey(key);
    if (which == HistoryKey::None) return false;
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit) return true;
    return which == HistoryKey::Undo ? !edit->isUndoAvailable() : !edit->isRedoAvailable();
}
}  // namespace

bool KeyTranslator::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Not claiming the keys lets the menu's shortcut have them.
        if (!qobject_cast<QLineEdit*>(watched) || !leavesUndoToTheDocument(watched, static_cast<QKeyEvent*>(event)))
            return false;
        event->ignore();
        return true;
    }
    // The editor's own dialogs are windows of their own, which the main
    // window's shortcuts do not reach: their undo and redo keys are handed
    // to Edit > Undo and Redo here, by the same rule for typing.
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* app = qobject_cast<CVantorApp*>(parent());
        auto* key = static_cast<QKeyEvent*>(event);
        CMainFrame* frame = app ? app->mainFrame() : nullptr;
        QWidget* top = widget ? widget->window() : nullptr;
        if (frame && top && top != frame && qobject_cast<QDialog*>(top) && !qobject_cast<QFileDialog*>(top) &&
            !qobject_cast<QColorDialog*>(top) && !qobject_cast<QMessageBox*>(top) &&
            leavesUndoToTheDocument(watched, key)) {
            QAction* action = frame->action(historyKey(key) == HistoryKey::Undo ? ID_EDIT_UNDO : ID_EDIT_REDO);
            frame->updateCommands();
            if (action && action->isEnabled()) action->trigger();
            return true;
        }
    }
    if (event->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    QWidget* top = widget->window();
    // The system's dialogs keep their usual keys, and so do menus, drop-down
    // lists, completers and other pop-ups, which run their own loop on the
    // original platform; so does the menu bar while it has the keyboard.
    if (qobject_cast<QFileDialog*>(top) || qobject_cast<QColorDialog*>(top) || qobject_cast<QMessageBox*>(top))
        return false;
    if (top->windowType() == Qt::Popup || qobject_cast<QMenuBar*>(widget)) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
        // Escape closes nothing; in a field being typed in it takes the typing back.
        if (auto* edit = qobject_cast<vantor::CommitEdit*>(widget)) edit->revertTyping();
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, key->modifiers() & ~Qt::KeypadModifier);
        QCoreApplication::sendEvent(watched, &tab);
        return true;
    }
    return false;
}

void setVantorSurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(8);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    QSurfaceFormat::setDefaultFormat(format);
}

bool openGlUsable() {
    QOpenGLContext context;
    if (!context.create()) return false;
    QOffscreenSurface surface;
    surface.create();
    if (!context.makeCurrent(&surface)) return false;
    context.doneCurrent();
    return true;
}
