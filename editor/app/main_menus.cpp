// The main window's menus and toolbar: the commands, their ids and shortcuts.
#include "app/main_frame.h"
#include "app/view_commands.h"
#include "app/emitter_clipboard.h"
#include "pages/outliner.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

#include <QActionGroup>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QDockWidget>
#include <QUndoView>
#include <QToolBar>

#include <algorithm>
#include <cmath>

#include "resource.h"
#include "widgets/controls.h"
#include "pages/entity_control_view.h"
#include "pages/object_page.h"
#include "pages/particles_page.h"
#include "pages/surface_page.h"
#include "export/effect_export.h"
#include "export/sheet_flipbook.h"
#include "app/file_commands.h"
#include "app/toolbar_icons.h"
#include "view/timeline_bar.h"
#include "app/recent_files.h"
#include "app/keyboard_state.h"
#include "export/picture_export.h"
#include "view/simulation_controls.h"
#include "document/vantor_doc.h"
#include "view/vantor_view.h"

using namespace vantor;

void CMainFrame::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* newFile = addCommand(ID_FILE_NEW, QStringLiteral("&New"), QStringLiteral("Create a new document\nNew"));
    newFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    QAction* open = addCommand(ID_FILE_OPEN, QStringLiteral("&Open..."), QStringLiteral("Open an existing document\nOpen"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* save = addCommand(ID_FILE_SAVE, QStringLiteral("&Save"), QStringLiteral("Save the active document\nSave"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* saveAs = addCommand(ID_FILE_SAVE_AS, QStringLiteral("Save &As..."),
                                 QStringLiteral("Save the active document with a new name\nSave As"));
    QAction* exit = addCommand(ID_APP_EXIT, QStringLiteral("E&xit"), QStringLiteral("Quit the application\nExit"));
    file->addAction(newFile);
    file->addAction(open);
    file->addAction(save);
    file->addAction(saveAs);
    file->addSeparator();
    QAction* import = file->addAction(QStringLiteral("&Import Model..."));
    import->setStatusTip(QStringLiteral("Add a model from an OBJ, STL, PLY, glTF, FBX, Collada or other mesh file"));
    connect(import, &QAction::triggered, m_files, &FileCommands::onFileImport);
    QAction* picture = file->addAction(QStringLiteral("Save &Picture..."));
    picture->setStatusTip(QStringLiteral("Save the 3D view as a PNG picture"));
    QAction* frames = file->addAction(QStringLiteral("Export &Frames..."));
    frames->setStatusTip(QStringLiteral("Save a run of frames at a fixed step and seed as PNG pictures"));
    connect(picture, &QAction::triggered, this, [this] { vantor::onSavePicture(this, m_view); });
    connect(frames, &QAction::triggered, this,
            [this] {
                // The timeline offers its loop range; the export leaves it at the moment it showed.
                std::optional<std::pair<int, int>> range;
                if (m_timeline->active()) range = std::make_pair(m_timeline->inPoint(), m_timeline->outPoint());
                const int shown = m_timeline->time();
                vantor::onExportFrames(this, m_view, m_frameExport, range, drawnModels());
                if (m_timeline->active()) m_timeline->resume(shown);
            });
    QMenu* exportMenu = file->addMenu(QStringLiteral("Ex&port"));
    QAction* sheet = exportMenu->addAction(QStringLiteral("&Sprite Sheet..."));
    sheet->setStatusTip(QStringLiteral("Write moments of the effect as one picture with alpha and a JSON description"));
    QAction* animation = exportMenu->addAction(QStringLiteral("&Animation..."));
    animation->setStatusTip(QStringLiteral("Write the effect as an animated WebP or GIF or an MP4 or WebM video"));
    for (auto [action, asSheet] : {std::pair{sheet, true}, std::pair{animation, false}})
        connect(action, &QAction::triggered, this, [this, asSheet = asSheet] {
            vantor::SceneLook look;
            const vantor::ViewSettings& view = m_view->settings();
            std::copy(view.clearColour, view.clearColour + 4, look.clearColour);
            look.grid = view.grid;
            look.outline = view.boundingBox;
            look.lights = view.showLights;
            look.models = drawnModels();
            look.hasEmitter = m_document->currentEmitter() >= 0;
            std::copy(m_document->emitter().position, m_document->emitter().position + 3, look.emitterOrigin);
            vantor::onExportEffect(this, m_view, m_timeline, asSheet, m_effectExport, look,
                                   [this](const QString& path, const vantor::EffectExport& settings) {
                                       vantor::useSheetAsFlipbook(this, *m_document, path, settings);
                                   });
        });
    QAction* live = addCommand(ID_FILE_LIVE_LINK, QStringLiteral("&Live Link"),
                               QStringLiteral("Let running games that host Korvid take every edit at once\nLive Link"),
                               true);
    file->addAction(live);
    file->addSeparator();
    m_recentMenu = file;
    file->setToolTipsVisible(true);  // the recent files' full paths
    m_recentSeparator = file->addSeparator();
    file->addAction(exit);
    connect(newFile, &QAction::triggered, m_files, &FileCommands::onFileNew);
    connect(open, &QAction::triggered, m_files, &FileCommands::onFileOpen);
    connect(save, &QAction::triggered, m_files, &FileCommands::onFileSave);
    connect(saveAs, &QAction::triggered, m_files, &FileCommands::onFileSaveAs);
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    const struct {
        int id;
        const char* text;
        const char* prompt;
        QKeySequence keys, alternate;
    } editCommands[] = {
        {ID_EDIT_UNDO, "&Undo\tCtrl+Z", "Undo the last action\nUndo", QKeySequence(Qt::CTRL | Qt::Key_Z),
         QKeySequence(Qt::ALT | Qt::Key_Backspace)},
        {ID_EDIT_CUT, "Cu&t\tCtrl+X", "Cut the selection and put it on the Clipboard\nCut", QKeySequence(Qt::CTRL | Qt::Key_X),
         QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
        {ID_EDIT_COPY, "&Copy\tCtrl+C", "Copy the selection and put it on the Clipboard\nCopy",
         QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)},
        {ID_EDIT_PASTE, "&Paste\tCtrl+V", "Insert Clipboard contents\nPaste", QKeySequence(Qt::CTRL | Qt::Key_V),
         QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
    };
    // Undo and Redo come from the document's undo stack, which names them
    // after the command ("Undo Shininess") and enables them.
    vantor::History& history = m_document->history();
    for (const auto& c : editCommands) {
        const QString text = QString::fromUtf8(c.text).section(QLatin1Char('\t'), 0, 0);
        QAction* a = c.id == ID_EDIT_UNDO ? addCommand(history.createAction(this, text, true), c.id, QString::fromLatin1(c.prompt))
                                          : addCommand(c.id, text, QString::fromLatin1(c.prompt));
        a->setShortcuts({c.keys, c.alternate});
        // Cut has nothing to do; Copy and Paste carry emitters (emitter_clipboard.cpp).
        if (c.id != ID_EDIT_UNDO) a->setEnabled(false);
        edit->addAction(a);
        if (c.id == ID_EDIT_UNDO) {
            QAction* redo = addCommand(history.createAction(this, QStringLiteral("&Redo"), false), ID_EDIT_REDO,
                                       QStringLiteral("Redo the previously undone action\nRedo"));
            redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
            edit->addAction(redo);
            edit->addSeparator();
        }
    }

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    m_viewMenu = view;
    QAction* toolbar = addCommand(ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"), QStringLiteral("Show or hide the toolbar\nToggle ToolBar"), true);
    QAction* status = addCommand(ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"), QStringLiteral("Show or hide the status bar\nToggle StatusBar"), true);
    toolbar->setChecked(true);
    status->setChecked(true);
    view->addAction(toolbar);
    view->addAction(status);
    connect(toolbar, &QAction::toggled, this, [this](bool on) { m_toolBar->setVisible(on); });
    connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    // View > History: the undo stack as a list; choosing a row undoes or
    // redoes up to it.
    auto* historyView = new QUndoView(m_document->history().stack());
    historyView->setEmptyLabel(QStringLiteral("<opened>"));
    view->addAction(addSideDock(QStringLiteral("History"), historyView, {260, 320}, ID_VIEW_HISTORY,
                                    QStringLiteral("&History"),
                                    QStringLiteral("Show or hide the list of changes that Undo and Redo go through")));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* about = addCommand(ID_APP_ABOUT, QStringLiteral("&About Vantor..."), QStringLiteral("Display program information, version number and copyright\nAbout"));
    help->addAction(about);
    connect(about, &QAction::triggered, this, &CMainFrame::about);

    // Pane switching: F6 and Shift+F6.
    QAction* next = addCommand(ID_NEXT_PANE, QStringLiteral("Next Pane"), QStringLiteral("Switch to the next window pane\nNext Pane"));
    next->setShortcut(QKeySequence(Qt::Key_F6));
    QAction* previous = addCommand(ID_PREV_PANE, QStringLiteral("Previous Pane"), QStringLiteral("Switch back to the previous window pane\nPrevious Pane"));
    previous->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    addAction(next);
    addAction(previous);
    connect(next, &QAction::triggered, this, [this] { nextPane(true); });
    connect(previous, &QAction::triggered, this, [this] { nextPane(false); });
    updateRecentFiles();
}

void CMainFrame::buildToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Standard"));
    m_toolBar->setObjectName(QStringLiteral("Standard"));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setIconSize(QSize(16, 15));
    const struct {
        int id;
        const char* text;
        const char* prompt;
        int style;  // 0 push, 1 check, 2 check group
    } buttons[] = {
        {ID_FILE_NEW, nullptr, nullptr, 0},
        {ID_FILE_OPEN, nullptr, nullptr, 0},
        {ID_FILE_SAVE, nullptr, nullptr, 0},
        {0, nullptr, nullptr, 0},
        {ID_APP_ABOUT, nullptr, nullptr, 0},
        {0, nullptr, nullptr, 0},
        {ID_IMAGES, "Images", "Image Properties\nImages", 0},
        {0, nullptr, nullptr, 0},
        {ID_ROTATE_Y, "Rotate Y", "Rotate About Y axis\nRotate Cam Y", 1},
        {ID_ROTATE_X, "Rotate X", "Rotate About X axis\nRotate Cam X", 1},
        {ID_RESET, "Reset", "Reset Rotation\nReset", 0},
        {0, nullptr, nullptr, 0},
        {ID_LOCK_X, "Lock X", "Lock & Free X axis\nLock X axis", 1},
        {ID_LOCK_Y, "Lock Y", "Lock & Free Y axis\nLock Y axis", 1},
        {ID_LOCK_Z, "Lock Z", "Lock & Free Z axis\nLock Z axis", 1},
        {0, nullptr, nullptr, 0},
        {ID_MOVE, "Move", "Move\nMove", 2},
        {ID_ROTATE, "Rotate", "Rotate\nRotate", 2},
        {0, nullptr, nullptr, 0},
        {ID_POS_CAMERA, "Camera", "Position Camera\nCamera", 2},
        {ID_POS_LIGHT, "Light", "Position Light\nLight", 2},
        {ID_POS_OBJECT, "Object", "Position Object\nObject", 2},
        {ID_POS_EMITTER, "Particle Emitter", "Position Particle Emitter\nParticle Emitter", 2},
    };
    QActionGroup* group = nullptr;
    for (const auto& b : buttons) {
        if (b.id == 0) {
            m_toolBar->addSeparator();
            group = nullptr;
            continue;
        }
        QAction* a = m_actions.value(b.id);
        if (!a) a = addCommand(b.id, QString::fromLatin1(b.text), QString::fromLatin1(b.prompt), b.style != 0);
        a->setIcon(toolIcon(b.id));
        if (b.style == 2) {
            if (!group) {
                group = new QActionGroup(this);
                group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
            }
            group->addAction(a);
        }
        m_toolBar->addAction(a);
    }
    connect(m_actions[ID_IMAGES], &QAction::triggered, this, [this] { m_controlView->surfacePage()->showImages(); });
    using vantor::ViewSettings;
    connect(m_actions[ID_ROTATE_Y], &QAction::triggered, this,
            [this] { m_view->changeSettings([](ViewSettings& s) { s.spinY = !s.spinY; }); });
    connect(m_actions[ID_ROTATE_X], &QAction::triggered, this,
            [this] { m_view->changeSettings([](ViewSettings& s) { s.spinX = !s.spinX; }); });
    connect(m_actions[ID_RESET], &QAction::triggered, this, [this] {
        m_view->changeSettings([](ViewSettings& s) { s.spinX = s.spinY = false; });
        m_view->fitCamera(45.0f);
    });
    for (int axis = 0; axis < 3; ++axis)
        connect(m_actions[ID_LOCK_X + axis], &QAction::triggered, this, [this, axis] {
            m_view->changeSettings([axis](ViewSettings& s) { s.axisFree[axis] = !s.axisFree[axis]; });
        });
    using vantor::DragMode;
    using vantor::DragTarget;
    const std::pair<int, DragMode> modes[] = {{ID_MOVE, DragMode::Move}, {ID_ROTATE, DragMode::Rotate}};
    for (const auto& [id, mode] : modes)
        connect(m_actions[id], &QAction::triggered, this,
                [this, mode = mode] { m_view->changeSettings([mode](ViewSettings& s) { s.dragMode = mode; }); });
    const std::pair<int, DragTarget> targets[] = {{ID_POS_CAMERA, DragTarget::Camera},
                                                  {ID_POS_LIGHT, DragTarget::Light},
                                                  {ID_POS_OBJECT, DragTarget::Model},
                                                  {ID_POS_EMITTER, DragTarget::Emitter}};
    for (const auto& [id, target] : targets)
        connect(m_actions[id], &QAction::triggered, this, [this, target = target] {
            m_view->changeSettings([target](ViewSettings& s) { s.dragTarget = target; });
        });
}
