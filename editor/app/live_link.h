// LiveLinkControl: File > Live Link. While it is checked the editor serves
// its scene on a socket of its user's, shows the address and the games
// connected in the status bar, and publishes the scene after every change,
// undo and redo, at most once every 50 ms.
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class CVantorDoc;
class QAction;
class QLabel;
class QWidget;

namespace vantor {

class LiveLinkControl : public QObject {
    Q_OBJECT
public:
    // The shortest time between two publications.
    static constexpr int kPublishIntervalMs = 50;

    LiveLinkControl(CVantorDoc& document, QAction* toggle, QLabel* status, QWidget* window);
    ~LiveLinkControl() override;
    bool serving() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    int games() const { return m_games; }

    void setServing(bool on);
    // Something in the scene changed: it is published now, or when the interval has passed.
    void sceneChanged();

private:
    void publish();
    void poll();
    void showStatus();
    // Where the socket is served: in $XDG_RUNTIME_DIR when that folder is
    // the user's alone, else in a private folder made for it.
    QString socketPath();

    CVantorDoc& m_document;
    QAction* m_toggle;
    QLabel* m_status;
    QWidget* m_window;
    QTimer m_publishTimer, m_pollTimer;
    QElapsedTimer m_sincePublish;
    QString m_address;
    QString m_madeFolder;  // a folder made for the socket, removed when the link closes
    int m_games = 0;
};

}  // namespace vantor
