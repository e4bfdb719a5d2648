#include "app/main_frame.h"
#include "app/command_host.h"
#include "app/view_commands.h"
#include "app/emitter_clipboard.h"
#include "app/live_link.h"
#include "pages/outliner.h"

#include <QTabBar>
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
    // The live link's address and games, before the indicators while it serves.
    auto* liveStatus = new QLabel(this);
    liveStatus->setObjectName(QStringLiteral("liveLinkStatus"));
    statusBar()->insertPermanentWidget(0, liveStatus);
    m_liveLink = new vantor::LiveLinkControl(*m_document, action(ID_FILE_LIVE_LINK), liveStatus, this);

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
    vantor::CommandHost host;
    host.window = this;
    host.menuBar = menuBar();
    host.viewMenu = m_viewMenu;
    host.view = m_view;
    host.emitterList = m_controlView->particlesPage()->emitterList();
    host.currentPage = [tabs = m_controlView->tabs()] { return tabs->currentIndex(); };
    // Outlines of what the PARTICLES page edits show while it is shown.
    constexpr int kParticlesPage = 3;
    m_view->showEditOutlines(m_controlView->tabs()->currentIndex() == kParticlesPage);
    connect(m_controlView->tabs(), &QTabBar::currentChanged, m_view,
            [this](int page) { m_view->showEditOutlines(page == kParticlesPage); });
    host.addCommand = [this](int id, const QString& text, const QString& prompt) {
        return addCommand(id, text, prompt);
    };
    host.action = [this](int id) { return action(id); };
    vantor::addViewCommands(host, *m_document);
    vantor::addEmitterCommands(host, *m_document);
    buildOutliner();
    connect(m_view, &CVantorView::frameDrawn, m_simulation, &SimulationControls::frameDrawn);
    connect(m_view, &CVantorView::playPauseRequested, m_simulation->playPause(), &QAction::toggle);
    connect(m_view, &CVantorView::settingsChanged, this, &CMainFrame::updateCommands);
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
    const vantor::ViewSettings& view = m_view->settings();
    if (!view.spinY) m_actions[ID_ROTATE_Y]->setChecked(false);
    if (!view.spinX) m_actions[ID_ROTATE_X]->setChecked(false);
    m_actions[ID_ROTATE]->setEnabled(view.dragTarget == vantor::DragTarget::Camera);
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
