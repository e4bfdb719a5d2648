#include "app/live_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>

#include "document/vantor_doc.h"
#include "widgets/controls.h"

namespace vantor {

LiveLinkControl::LiveLinkControl(CVantorDoc& document, QAction* toggle, QLabel* status, QWidget* window)
    : QObject(window), m_document(document), m_toggle(toggle), m_status(status), m_window(window) {
    m_publishTimer.setSingleShot(true);
    connect(&m_publishTimer, &QTimer::timeout, this, &LiveLinkControl::publish);
    // Games are taken in and sent to between publications too.
    m_pollTimer.setInterval(20);
    connect(&m_pollTimer, &QTimer::timeout, this, &LiveLinkControl::poll);
    connect(m_toggle, &QAction::toggled, this, &LiveLinkControl::setServing);
    m_status->hide();
    // Every change of the entity, made or put back, and every file opened or emptied.
    connect(&m_document, &CVantorDoc::changed, this, &LiveLinkControl::sceneChanged);
    connect(&m_document, &CVantorDoc::modelLoaded, this, &LiveLinkControl::sceneChanged);
    connect(&m_document, &CVantorDoc::cleared, this, &LiveLinkControl::sceneChanged);
    connect(&m_document, &CVantorDoc::modelsChanged, this, &LiveLinkControl::sceneChanged);
    connect(&m_document, &CVantorDoc::imageAdded, this, &LiveLinkControl::sceneChanged);
    connect(&m_document, &CVantorDoc::imageRemoved, this, &LiveLinkControl::sceneChanged);
}

LiveLinkControl::~LiveLinkControl() {
    if (serving()) m_document.scene().closeLiveLink();
    if (!m_madeFolder.isEmpty()) QDir(m_madeFolder).removeRecursively();
}

QString LiveLinkControl::socketPath() {
    const QString name = QStringLiteral("vantor-live-%1.sock").arg(QCoreApplication::applicationPid());
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (!runtime.isEmpty() && ::stat(runtime.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == ::geteuid() && (info.st_mode & 077) == 0)
        return QString::fromLocal8Bit(runtime) + QLatin1Char('/') + name;
    if (m_madeFolder.isEmpty()) {
        QByteArray folder = QDir::tempPath().toLocal8Bit() + "/vantor-live-XXXXXX";
        if (!::mkdtemp(folder.data())) return {};
        m_madeFolder = QString::fromLocal8Bit(folder);
    }
    return m_madeFolder + QLatin1Char('/') + name;
}

void LiveLinkControl::setServing(bool on) {
    KorvidScene& scene = m_document.scene();
    if (!on) {
        m_pollTimer.stop();
        m_publishTimer.stop();
        scene.closeLiveLink();
        m_address.clear();
        m_games = 0;
        showStatus();
        return;
    }
    if (serving()) return;
    const QString path = socketPath();
    const Refusal refusal = path.isEmpty() ? Refusal{Refusal::NothingToDo, QStringLiteral("No private folder for the live link's socket could be made.")}
                                           : scene.serveLiveLink(QStringLiteral("unix:") + path);
    if (refusal) {
        vantor::message(m_window, refusal.text);
        const QSignalBlocker quiet(m_toggle);
        m_toggle->setChecked(false);
        return;
    }
    m_address = scene.liveLinkAddress();
    m_games = 0;
    publish();
    m_pollTimer.start();
    showStatus();
}

void LiveLinkControl::sceneChanged() {
    if (!serving() || m_publishTimer.isActive()) return;
    const qint64 since = m_sincePublish.isValid() ? m_sincePublish.elapsed() : kPublishIntervalMs;
    if (since >= kPublishIntervalMs) publish();
    else m_publishTimer.start(int(kPublishIntervalMs - since));
}

void LiveLinkControl::publish() {
    if (!serving()) return;
    m_document.scene().publishLiveLink();
    m_sincePublish.start();
}

void LiveLinkControl::poll() {
    const int games = m_document.scene().pollLiveLink();
    if (games == m_games) return;
    m_games = games;
    showStatus();
}

void LiveLinkControl::showStatus() {
    if (!serving()) {
        m_status->hide();
        return;
    }
    m_status->setText(QStringLiteral("Live link: %1 · %2 %3")
                          .arg(m_address)
                          .arg(m_games)
                          .arg(m_games == 1 ? QStringLiteral("game") : QStringLiteral("games")));
    m_status->show();
}

}  // namespace vantor
