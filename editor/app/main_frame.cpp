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

CMainFrame::CMainFrame(CVantorDoc* document, QWidget* parent)
    : QMainWindow(parent), m_document(document), m_files(new FileCommands(*document, this)) {
    buildMenus();
    buildToolBar();

    // Status bar: the message pane and the three key indicators.
    statusBar()->showMessage(QStringLiteral("Ready"));
    // Each indicator shows its text while its lock key is on, and an empty
    // pane of the same width while it is off.
    int i = 0;
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(QString::fromLatin1(indicator), this);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->sizeHint().width());
        label->setObjectName(QString::fromLatin1(indicator));
        statusBar()->addPermanentWidget(label);
        m_indicators[i++] = label;
    }
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (text.isEmpty()) statusBar()->showMessage(QStringLiteral("Ready"));
    });

    // The splitter: the 3D view first, then the control view.
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_view = new CVantorView(*m_document, m_splitter);
    m_document->setGlAccess(m_view);
    m_controlView = new CEntityControlView(*m_document, *m_view, m_splitter);
    m_splitter->addWidget(m_view);
    m_splitter->addWidget(m_controlView);
    // Sizes are those of an 8-point dialog font, scaled by the font in use
    // (as dialog units scale), and widened if a page needs more.
    const double fontScale = std::max(1.0, QFontMetricsF(font()).averageCharWidth() / 6.0);
    m_columnWidth = std::max(static_cast<int>(std::lround(350 * fontScale)), m_controlView->requiredWidth());
    const double scale = m_columnWidth / 350.0;
    QSize size(static_cast<int>(std::lround(800 * scale)), static_cast<int>(std::lround(600 * scale)));
    // Never larger than the screen; the 3D view gives way, the column keeps its width.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.95);
    resize(size);
    m_splitter->setSizes({width() - m_columnWidth, m_columnWidth});
    m_splitter->setChildrenCollapsible(false);
    m_view->setMinimumWidth(10);
    m_controlView->setMinimumWidth(10);
    setCentralWidget(m_splitter);
    setAcceptDrops(true);
    m_splitterReady = true;

    connect(m_view, &CVantorView::libraryStarted, this, &CMainFrame::libraryStarted);
    m_simulation = new SimulationControls(this, m_view, m_viewMenu, m_toolBar);
    buildTimeline();
    vantor::addViewCommands(*this, *m_document);
    vantor::addEmitterCommands(*this, *m_document);
    buildOutliner();
    connect(m_view, &CVantorView::frameDrawn, m_simulation, &SimulationControls::frameDrawn);
    connect(m_view, &CVantorView::playPauseRequested, m_simulation->playPause(), &QAction::toggle);
    connect(m_document, &CVantorDoc::titleChanged, this, &CMainFrame::updateTitle);
    connect(m_document, &CVantorDoc::fileOpened, this, [this](const QString& path) {
        RecentFiles::add(path);
        updateRecentFiles();
    });
    connect(m_document, &CVantorDoc::refused, this, [this](const QString& text) { vantor::message(this, text); });
    updateTitle(m_document->title());

    // The command states follow the document and the view as they change.
    connect(m_document, &CVantorDoc::opened, this, &CMainFrame::updateCommands);
    connect(m_document, &CVantorDoc::cleared, this, &CMainFrame::updateCommands);
    connect(m_document, &CVantorDoc::changed, this, &CMainFrame::updateCommands);
    connect(m_document->history().stack(), &QUndoStack::indexChanged, this, &CMainFrame::updateCommands);
    // The lock-key panes follow the keys as they are pressed.
    qApp->installEventFilter(this);
    updateCommands();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
        event->type() == QEvent::ApplicationActivate)
        updateIndicators();
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::buildTimeline() {
    // View > Timeline: a dock under the view; while it is shown the effect is
    // a function of time and Restart goes back to the in point.
    auto* dock = new QDockWidget(QStringLiteral("Timeline"), this);
    dock->setObjectName(QStringLiteral("Timeline"));
    dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    m_timeline = new TimelineBar(*m_document, *m_view, *m_simulation, dock);
    dock->setWidget(m_timeline);
    addDockWidget(Qt::BottomDockWidgetArea, dock);
    dock->hide();
    QAction* show = dock->toggleViewAction();
    show->setText(QStringLiteral("&Timeline"));
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    show->setStatusTip(QStringLiteral("Show the timeline: scrub, loop and step through the effect exactly"));
    show->setProperty("commandId", ID_VIEW_TIMELINE);
    m_actions[ID_VIEW_TIMELINE] = show;
    m_viewMenu->insertAction(m_actions[ID_VIEW_HISTORY], show);
    connect(dock, &QDockWidget::visibilityChanged, this, [this, dock] {
        // A dock hidden behind another tab stays in use; closing it ends it.
        m_timeline->setActive(!dock->isHidden());
    });
    m_simulation->setRestartHandler([this]() -> bool {
        if (!m_timeline->active()) return false;
        m_timeline->seek(m_timeline->inPoint());
        return true;
    });
}

QAction* CMainFrame::addSideDock(const QString& title, QWidget* content, QSize size, int id, const QString& text,
                                     const QString& tip) {
    auto* dock = new QDockWidget(title, this);
    dock->setObjectName(title);
    content->setParent(dock);
    dock->setWidget(content);
    // Docked right of the pages' column, which keeps its width; the view gives way.
    addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->setMinimumWidth(size.width() * 3 / 4);
    dock->hide();
    QAction* show = dock->toggleViewAction();
    show->setText(text);
    show->setStatusTip(tip);
    show->setProperty("commandId", id);
    m_actions[id] = show;
    return show;
}

void CMainFrame::buildOutliner() {
    // View > Outliner: every model loaded, with its surfaces and emitters.
    m_outliner = new COutliner(*m_document, *m_controlView, [this] { return m_files->saveModified(); });
    QAction* show = addSideDock(QStringLiteral("Outliner"), m_outliner, {240, 360}, ID_VIEW_OUTLINER,
                                    QStringLiteral("&Outliner"),
                                    QStringLiteral("Show every model loaded with its surfaces and emitters"));
    m_viewMenu->insertAction(m_actions[ID_VIEW_HISTORY], show);
    // The history stands beside the outliner when both are shown.
    auto* outliner = qobject_cast<QDockWidget*>(m_outliner->parentWidget());
    auto* history = findChild<QDockWidget*>(QStringLiteral("History"));
    if (outliner && history) splitDockWidget(outliner, history, Qt::Horizontal);
}

void CMainFrame::libraryStarted() {
    m_controlView->objectPage()->initialise();
    m_controlView->surfacePage()->initialise();
    m_controlView->particlesPage()->initialise();
}

namespace {
QSettings windowSettings() {
    return QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Vantor"));
}
}  // namespace

void CMainFrame::saveWindowGeometry() {
    QSettings settings = windowSettings();
    settings.setValue(QStringLiteral("Settings/WindowGeometry"), saveGeometry());
    settings.setValue(QStringLiteral("Settings/WindowState"), saveState());
}

bool CMainFrame::restoreWindowGeometry() {
    const QSettings settings = windowSettings();
    const QByteArray saved = settings.value(QStringLiteral("Settings/WindowGeometry")).toByteArray();
    const QByteArray state = settings.value(QStringLiteral("Settings/WindowState")).toByteArray();
    // The docks go back where the user put them, shown or not.
    if (!state.isEmpty()) restoreState(state);
    return !saved.isEmpty() && restoreGeometry(saved);
}

namespace {
bool isModelFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("raw") || suffix == QLatin1String("zob");
}
}  // namespace

void CMainFrame::openDropped(const QString& path) {
    if (!isModelFile(path)) {
        vantor::message(this, QStringLiteral("Vantor opens RAW and ZOB models only: %1").arg(QFileInfo(path).fileName()));
        return;
    }
    if (!m_files->saveModified()) return;
    m_files->openFile(path);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !event->mimeData()->urls().isEmpty() &&
        event->mimeData()->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    openDropped(urls.first().toLocalFile());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_files->saveModified()) {
        event->ignore();
        return;
    }
    saveWindowGeometry();
    QMainWindow::closeEvent(event);
}

void CMainFrame::updateTitle(const QString& documentTitle) {
    setWindowTitle(vantor::elideMiddle(documentTitle) + QStringLiteral(" - Vantor"));
}

QAction* CMainFrame::addCommand(int id, const QString& text, const QString& prompt, bool checkable) {
    auto* action = addCommand(new QAction(text, this), id, prompt);
    action->setCheckable(checkable);
    return action;
}

QAction* CMainFrame::addCommand(QAction* action, int id, const QString& prompt) {
    action->setProperty("commandId", id);
    const int newline = prompt.indexOf(QLatin1Char('\n'));
    action->setStatusTip(newline >= 0 ? prompt.left(newline) : prompt);
    if (newline >= 0) action->setToolTip(prompt.mid(newline + 1));
    m_actions[id] = action;
    return action;
}

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
            vantor::onExportEffect(this, m_view, m_timeline, asSheet, m_effectExport, look);
        });
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

DrawnModels CMainFrame::drawnModels() const {
    DrawnModels models;
    models.edited = m_document->editedModel();
    const QStringList names = m_document->modelNames();
    models.editedName = names.value(models.edited);
    for (int m = 0; m < names.size(); ++m)
        if (m_document->shown(m, -1)) models.shown << names[m];
    models.entityPath = m_document->pathName();
    return models;
}

void CMainFrame::nextPane(bool) {
    // Two panes: either direction moves the focus to the other one.
    if (m_view->hasFocus() || m_view->isAncestorOf(QApplication::focusWidget())) m_controlView->setFocus();
    else m_view->setFocus();
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
    connect(m_actions[ID_ROTATE_Y], &QAction::triggered, this, [this] { m_view->m_spinY = !m_view->m_spinY; });
    connect(m_actions[ID_ROTATE_X], &QAction::triggered, this, [this] { m_view->m_spinX = !m_view->m_spinX; });
    connect(m_actions[ID_RESET], &QAction::triggered, this, [this] {
        m_view->m_spinX = m_view->m_spinY = 0;
        m_view->fitCamera(45.0f);
        updateCommands();
    });
    for (int axis = 0; axis < 3; ++axis)
        connect(m_actions[ID_LOCK_X + axis], &QAction::triggered, this,
                [this, axis] { m_view->m_axisFree[axis] = !m_view->m_axisFree[axis]; });
    using vantor::DragMode;
    using vantor::DragTarget;
    const std::pair<int, DragMode> modes[] = {{ID_MOVE, DragMode::Move}, {ID_ROTATE, DragMode::Rotate}};
    for (const auto& [id, mode] : modes)
        connect(m_actions[id], &QAction::triggered, this, [this, mode = mode] {
            m_view->m_dragMode = mode;
            updateCommands();
        });
    const std::pair<int, DragTarget> targets[] = {{ID_POS_CAMERA, DragTarget::Camera},
                                                  {ID_POS_LIGHT, DragTarget::Light},
                                                  {ID_POS_OBJECT, DragTarget::Model},
                                                  {ID_POS_EMITTER, DragTarget::Emitter}};
    for (const auto& [id, target] : targets)
        connect(m_actions[id], &QAction::triggered, this, [this, target = target] {
            m_view->m_target = target;
            updateCommands();
        });
}

void CMainFrame::updateIndicators() {
    const vantor::LockKeys keys = vantor::lockKeys();
    const bool on[3] = {keys.caps, keys.num, keys.scroll};
    const char* texts[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i)
        if (m_indicators[i]) m_indicators[i]->setText(on[i] ? QString::fromLatin1(texts[i]) : QString());
}

void CMainFrame::updateCommands() {
    updateIndicators();
    if (!m_view) return;
    if (!m_view->m_spinY) m_actions[ID_ROTATE_Y]->setChecked(false);
    if (!m_view->m_spinX) m_actions[ID_ROTATE_X]->setChecked(false);
    m_actions[ID_ROTATE]->setEnabled(m_view->m_target == vantor::DragTarget::Camera);
    m_actions[ID_POS_EMITTER]->setEnabled(m_document->currentEmitter() >= 0);
}

void CMainFrame::updateRecentFiles() {
    if (!m_recentMenu) return;
    for (QAction* a : m_recentMenu->actions())
        if (a->property("recentFile").isValid()) {
            m_recentMenu->removeAction(a);
            a->deleteLater();
        }
    const QStringList files = RecentFiles::list();
    if (files.isEmpty()) {
        // An empty list shows its place as a disabled entry.
        auto* a = new QAction(QStringLiteral("Recent File"), this);
        a->setProperty("recentFile", QString());
        a->setProperty("commandId", ID_FILE_MRU_FILE1);
        a->setEnabled(false);
        m_recentMenu->insertAction(m_recentSeparator, a);
        return;
    }
    int number = 1;
    for (const QString& path : files) {
        auto* a = new QAction(
            QStringLiteral("&%1 %2").arg(number++).arg(vantor::elideMiddle(QFileInfo(path).fileName())), this);
        a->setProperty("recentFile", path);
        a->setToolTip(path);
        a->setStatusTip(QStringLiteral("Open this document"));
        connect(a, &QAction::triggered, this, [this, path] {
            if (!m_files->saveModified()) return;
            m_files->openFile(path);
        });
        m_recentMenu->insertAction(m_recentSeparator, a);
    }
}

void CMainFrame::about() {
    QDialog box(this);
    box.setWindowTitle(QStringLiteral("About Vantor"));
    auto* grid = new QGridLayout(&box);
    auto* icon = new QLabel(&box);
    icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(new QLabel(QStringLiteral("Vantor Version 0.72"), &box), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("An editor for lit, textured 3D models with particle effects."), &box), 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Drawing by the Korvid library."), &box), 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Free software under the MIT license."), &box), 3, 1);
    auto* ok = makeButton(&box, QStringLiteral("OK"), IDOK);
    ok->setDefault(true);
    grid->addWidget(ok, 0, 2);
    connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    box.exec();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // The control view keeps its column; the 3D view takes the rest of the frame's outer width.
    const int w = frameGeometry().width() - m_columnWidth;
    if (m_splitterReady && w > 0) m_splitter->setSizes({w, m_columnWidth});
}
