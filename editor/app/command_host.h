// What the main window gives the commands that other files add to it: the
// window their actions and messages hang on, its menus and view, the
// PARTICLES page's emitter list, and a way to add a command with its id and
// status-bar prompt. The commands never reach back into the window itself.
#pragma once
#include <QString>

#include <functional>

class CVantorView;
class QAction;
class QComboBox;
class QMenu;
class QMenuBar;
class QWidget;

namespace vantor {

struct CommandHost {
    QWidget* window = nullptr;
    QMenuBar* menuBar = nullptr;
    QMenu* viewMenu = nullptr;
    CVantorView* view = nullptr;
    QComboBox* emitterList = nullptr;
    // The page shown: 0 OBJECT, 1 SURFACE, 2 ANIMATE, 3 PARTICLES.
    std::function<int()> currentPage;
    std::function<QAction*(int id, const QString& text, const QString& prompt)> addCommand;
    std::function<QAction*(int id)> action;
};

}  // namespace vantor
