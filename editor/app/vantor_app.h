// CVantorApp: start-up, the settings key with the recent-file list, and the
// program-wide key translation.
#pragma once
#include <QApplication>
#include <QStringList>

class CMainFrame;
class CVantorDoc;

class CVantorApp : public QApplication {
    Q_OBJECT
public:
    CVantorApp(int& argc, char** argv);
    ~CVantorApp() override;

    // Creates the document and the main frame; false when OpenGL is unusable.
    bool initInstance();
    // Opens `path` the way File Open does once the 3D view has started the library.
    void openWhenReady(const QString& path);
    // Shows the timeline once the library has started (vantor --timeline).
    void showTimelineWhenReady();
    CMainFrame* mainFrame() const { return m_frame; }
    CVantorDoc* document() const { return m_document; }


private:
    CVantorDoc* m_document = nullptr;
    CMainFrame* m_frame = nullptr;
};

// Escape is discarded and Enter becomes Tab everywhere but in the system's
// file, colour and message dialogs.
class KeyTranslator : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Sets the default surface format: a compatibility-profile context with
// RGBA 8 bits, depth 24 and stencil 8, double buffered.
void setVantorSurfaceFormat();
// True when an OpenGL context with that format can be created.
bool openGlUsable();
