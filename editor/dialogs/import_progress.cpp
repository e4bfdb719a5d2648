#include "dialogs/import_progress.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace vantor {
namespace {

std::function<void()>& workerGate() {
    static std::function<void()> gate;
    return gate;
}

// What the worker and the dialog share; it lives until both are done with it.
struct ReadState {
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    korvid::import::MeshRead result;  // written by the worker before `done`
};

}  // namespace

void setImportWorkerGate(std::function<void()> gate) { workerGate() = std::move(gate); }

korvid::import::MeshRead readMeshWithProgress(QWidget* parent, const QString& path) {
    auto state = std::make_shared<ReadState>();
    const std::string file = path.toLocal8Bit().toStdString();
    std::function<void()> gate = workerGate();
    std::thread([state, file, gate] {
        if (gate) gate();
        korvid::import::ImportLimits limits;
        limits.cancel = &state->cancel;
        state->result = korvid::import::readMesh(file, limits);
        state->done.store(true);
    }).detach();

    // How long a read takes cannot be told in advance: the bar shows that it is busy.
    QProgressDialog dialog(QStringLiteral("Reading %1...").arg(QFileInfo(path).fileName()), QStringLiteral("Cancel"),
                           0, 0, parent);
    dialog.setWindowTitle(QString::fromLatin1(kImportProgressTitle));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(400);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setValue(0);

    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (state->done.load()) loop.quit();
        else dialog.setValue(0);
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&] {
        state->cancel.store(true);
        loop.quit();
    });
    poll.start(20);
    if (!state->done.load()) loop.exec();
    poll.stop();
    dialog.hide();

    if (!state->done.load()) {
        korvid::import::MeshRead cancelled;
        cancelled.code = korvid::import::ImportError::Cancelled;
        cancelled.error = file + ": the import was cancelled.";
        return cancelled;
    }
    return std::move(state->result);
}

}  // namespace vantor
