#include "app/view_commands.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include "app/command_host.h"
#include "resource.h"
#include "document/vantor_doc.h"
#include "pages/entity_control_view.h"
#include "view/vantor_view.h"

namespace vantor {

void addViewCommands(const CommandHost& host, CVantorDoc& doc) {
    CVantorView* view = host.view;
    QMenu* menu = host.viewMenu;
    QAction* before = menu->actions().value(2);  // after Toolbar and Status Bar
    auto add = [&](QMenu* into, int id, const char* text, const char* prompt, const QList<QKeySequence>& keys) {
        QAction* a = host.addCommand(id, QString::fromUtf8(text), QString::fromUtf8(prompt));
        a->setShortcuts(keys);
        into == menu ? menu->insertAction(before, a) : into->addAction(a);
        return a;
    };
    menu->insertSeparator(before);
    QAction* all = add(menu, ID_VIEW_FRAME_ALL, "Frame &All", "Fit every model and its particles in the view\nFrame All",
                       {QKeySequence(Qt::Key_Home)});
    QAction* selected =
        add(menu, ID_VIEW_FRAME_SELECTED, "&Frame Selected",
            "Fit the current model, surface or emitter's particles in the view, as the page shown chooses\nFrame Selected",
            {QKeySequence(Qt::Key_F)});
    QObject::connect(all, &QAction::triggered, view, [view] { view->frame(KORVID_BOUNDS_SCENE); });
    QObject::connect(selected, &QAction::triggered, view, [host, &doc, view] {
        // The page shown says what is selected: a surface, an emitter's particles, or the model.
        const int page = host.currentPage();
        using Page = CEntityControlView::Page;
        if (page == Page::SurfacePage && view->frame(KORVID_BOUNDS_SURFACE, doc.currentSurface())) return;
        if (page == Page::ParticlesPage && doc.currentEmitter() >= 0 && view->frame(KORVID_BOUNDS_PARTICLES)) return;
        if (!view->frame(KORVID_BOUNDS_MODEL)) view->frame(KORVID_BOUNDS_SCENE);
    });
    // An entity opened shows whole.
    QObject::connect(&doc, &CVantorDoc::modelLoaded, view, [view] { view->frame(KORVID_BOUNDS_SCENE); });

    QMenu* sides = new QMenu(QStringLiteral("&Look From"), menu);
    menu->insertMenu(before, sides);
    for (const CVantorView::LookSide& s : CVantorView::lookSides()) {
        const QString status = QStringLiteral("Look at the scene from the %1 and fit it in the view\n%2")
                                   .arg(QString::fromUtf8(s.text).remove(QLatin1Char('&')).toLower(),
                                        QString::fromUtf8(s.text).remove(QLatin1Char('&')));
        QAction* a = host.addCommand(s.id, QString::fromUtf8(s.text), status);
        a->setShortcut(QKeySequence((s.opposite ? Qt::ControlModifier : Qt::NoModifier) | Qt::KeypadModifier | s.digit));
        sides->addAction(a);
        QObject::connect(a, &QAction::triggered, view, [view, rx = s.rx, ry = s.ry] { view->lookFrom(rx, ry); });
    }
    menu->insertSeparator(before);
    // Keys go to the window wherever the focus is, text fields keeping their own Home and F.
    for (QAction* a : sides->actions()) host.window->addAction(a);
}

}  // namespace vantor
