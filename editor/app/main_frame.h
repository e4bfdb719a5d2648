// CMainFrame: menus, toolbar, status bar and the splitter with the 3D view
// and the control view.
#pragma once
#include <QMainWindow>
#include <QMap>

#include "export/effect_export.h"
#include "export/picture_export.h"

class QAction;
class QLabel;
class SimulationControls;
class QMenu;
class QSplitter;
class QToolBar;
class CEntityControlView;
class CVantorDoc;
class CVantorView;
class FileCommands;
class TimelineBar;
namespace vantor {
class LiveLinkControl;
}

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CVantorDoc* document, QWidget* parent = nullptr);

    QAction* action(int id) const { return m_actions.value(id); }
    QToolBar* toolBar() const { return m_toolBar; }
    QSplitter* splitter() const { return m_splitter; }
    CVantorView* view() const { return m_view; }
    CEntityControlView* controlView() const { return m_controlView; }
    // The settings of File > Export Frames, kept for the editor's session.
    FrameExport& frameExportSettings() { return m_frameExport; }
    // Enables and checks the toolbar commands from the working state.
    void updateCommands();
    // The CAP, NUM and SCRL panes follow the lock keys.
    void updateIndicators();
    FileCommands& files() const { return *m_files; }
    // File > Live Link.
    vantor::LiveLinkControl& liveLink() const { return *m_liveLink; }
    void updateRecentFiles();
    void about();
    // The width of the control column (350 pixels at the 8-point dialog font).
    int columnWidth() const { return m_columnWidth; }
    SimulationControls* simulation() const { return m_simulation; }
    TimelineBar* timeline() const { return m_timeline; }
    class COutliner* outliner() const { return m_outliner; }
    // Opens a file named on the command line or dropped on the window:
    // .raw and .zob as File Open does, anything else refused with a message.
    void openDropped(const QString& path);
    // The window's size and position, and where its docks are, kept between runs.
    void saveWindowGeometry();
    bool restoreWindowGeometry();

    // Registers a command under its id, with its status text and tooltip
    // ("status\ntooltip"), so that code and tests find it by id.
    QAction* addCommand(int id, const QString& text, const QString& prompt, bool checkable = false);
    QAction* addCommand(QAction* action, int id, const QString& prompt);
    QMenu* viewMenu() const { return m_viewMenu; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void buildMenus();
    void buildToolBar();
    void buildTimeline();
    void buildOutliner();
    // A dock right of the pages' column, hidden, with its View command `id`.
    QAction* addSideDock(const QString& title, QWidget* content, QSize size, int id, const QString& text,
                             const QString& tip);
    void libraryStarted();
    // The models an export draws, as the document has them now.
    struct DrawnModels drawnModels() const;
    void updateTitle(const QString& documentTitle);
    void nextPane(bool forward);

    CVantorDoc* m_document;
    FileCommands* m_files;
    vantor::LiveLinkControl* m_liveLink = nullptr;
    QMap<int, QAction*> m_actions;
    QToolBar* m_toolBar = nullptr;
    QSplitter* m_splitter = nullptr;
    CVantorView* m_view = nullptr;
    FrameExport m_frameExport;
    CEntityControlView* m_controlView = nullptr;
    class COutliner* m_outliner = nullptr;
    QMenu* m_recentMenu = nullptr;
    QAction* m_recentSeparator = nullptr;
    bool m_splitterReady = false;
    int m_columnWidth = 350;
    QLabel* m_indicators[3] = {nullptr, nullptr, nullptr};
    QMenu* m_viewMenu = nullptr;
    SimulationControls* m_simulation = nullptr;
    TimelineBar* m_timeline = nullptr;
    vantor::EffectExport m_effectExport;  // the settings of the last effect export
};
