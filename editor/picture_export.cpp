#include "picture_export.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QImage>
#include <QProgressDialog>
#include <QSpinBox>

#include "controls.h"
#include "korvid.h"
#include "vantor_view.h"

CExportFramesDlg::CExportFramesDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export Frames"));
    auto* form = new QFormLayout(this);
    const FrameExport defaults;
    m_frames = new QSpinBox(this);
    m_frames->setRange(1, 100000);
    m_frames->setValue(defaults.frames);
    m_step = new QSpinBox(this);
    m_step->setRange(0, 10000);
    m_step->setSuffix(QStringLiteral(" ms"));
    m_step->setValue(defaults.stepMs);
    m_seed = new QSpinBox(this);
    m_seed->setRange(0, 2147483647);
    m_seed->setValue(defaults.seed);
    form->addRow(QStringLiteral("Frames:"), m_frames);
    form->addRow(QStringLiteral("Step:"), m_step);
    form->addRow(QStringLiteral("Random seed:"), m_seed);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

FrameExport CExportFramesDlg::settings() const { return {m_frames->value(), m_step->value(), m_seed->value()}; }

namespace vantor {
namespace {

std::function<QString()>& fileHook() {
    static std::function<QString()> hook;
    return hook;
}

QString choosePng(QWidget* parent, const QString& caption) {
    if (fileHook()) return fileHook()();
    RedrawPause pause;
    QString path = QFileDialog::getSaveFileName(parent, caption, QDir::currentPath(),
                                                QStringLiteral("PNG Picture (*.png)"));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
    return path;
}

}  // namespace

void setPictureFileHook(std::function<QString()> hook) { fileHook() = std::move(hook); }

bool savePicture(QWidget* parent, CVantorView* view, const QString& path) {
    const QImage picture = view->grabFramebuffer();
    if (picture.isNull() || !picture.save(path, "PNG")) {
        message(parent, QStringLiteral("Unable to write the picture %1").arg(QFileInfo(path).fileName()));
        return false;
    }
    return true;
}

int exportFrames(QWidget* parent, CVantorView* view, const QString& path, const FrameExport& settings) {
    RedrawPause pause;
    const QFileInfo info(path);
    const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    QProgressDialog progress(QStringLiteral("Exporting frames..."), QStringLiteral("Cancel"), 0, settings.frames, parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    // Every frame advances the library's clock by the step; the effect starts
    // again from the seed, so the same settings always give the same pictures.
    view->makeCurrent();
    const bool wasPaused = objIsSimulationPaused();
    objPauseSimulation(false);
    objSetFixedFrameTime(settings.stepMs);
    objSeedRandom(static_cast<uint32_t>(settings.seed));
    objRestartEmitters();
    int written = 0;
    for (int i = 0; i < settings.frames; ++i) {
        progress.setValue(i);
        if (progress.wasCanceled()) break;
        const QString file = QStringLiteral("%1_%2.png").arg(base).arg(i + 1, 4, 10, QLatin1Char('0'));
        const QImage frame = view->grabFramebuffer();
        if (frame.isNull() || !frame.save(file, "PNG")) {
            message(parent, QStringLiteral("Unable to write the picture %1").arg(QFileInfo(file).fileName()));
            break;
        }
        ++written;
    }
    progress.setValue(settings.frames);
    view->makeCurrent();
    objSetFixedFrameTime(-1);
    objPauseSimulation(wasPaused);
    return written;
}

void onSavePicture(QWidget* parent, CVantorView* view) {
    const QString path = choosePng(parent, QStringLiteral("Save Picture"));
    if (!path.isEmpty()) savePicture(parent, view, path);
}

void onExportFrames(QWidget* parent, CVantorView* view) {
    FrameExport settings;
    {
        RedrawPause pause;
        CExportFramesDlg dialog(parent);
        if (dialog.exec() != QDialog::Accepted) return;
        settings = dialog.settings();
    }
    const QString path = choosePng(parent, QStringLiteral("Export Frames"));
    if (!path.isEmpty()) exportFrames(parent, view, path, settings);
}

}  // namespace vantor
