#include "export/picture_export.h"
#include "document/korvid_scene.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QImageWriter>
#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QFileInfo>
#include <QFormLayout>
#include <QImage>
#include <QProgressDialog>
#include <QCheckBox>
#include <QSpinBox>

#include <algorithm>
#include <optional>

#include "widgets/controls.h"
#include "korvid.h"
#include "resource.h"
#include "view/vantor_view.h"

CExportFramesDlg::CExportFramesDlg(QWidget* parent, const FrameExport& defaults, std::optional<std::pair<int, int>> range,
                                   const DrawnModels& models)
    : QDialog(parent), m_range(range) {
    setWindowTitle(QStringLiteral("Export Frames"));
    auto* form = new QFormLayout(this);
    m_currentOnly = vantor::addDrawnModelsRows(this, form, models, defaults.allModels);
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
    if (m_range) {
        m_loop = new QCheckBox(QStringLiteral("The loop range, %1 to %2 ms").arg(m_range->first).arg(m_range->second), this);
        vantor::setControlId(m_loop, IDC_EXPORT_LOOP);
        m_loop->setChecked(defaults.loopRange);
        m_frames->setEnabled(!defaults.loopRange);
        connect(m_loop, &QCheckBox::toggled, this, [this](bool on) { m_frames->setEnabled(!on); });
        form->addRow(QString(), m_loop);
    }
    form->addRow(QStringLiteral("Step:"), m_step);
    form->addRow(QStringLiteral("Random seed:"), m_seed);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

FrameExport CExportFramesDlg::settings() const {
    FrameExport s{m_frames->value(), m_step->value(), m_seed->value(), false, 0, false};
    s.allModels = m_currentOnly && !m_currentOnly->isChecked();
    if (m_loop && m_loop->isChecked()) {
        // Every step from the in point to the out point, both shown.
        const int step = std::max(1, s.stepMs);
        s.loopRange = true;
        s.startMs = m_range->first;
        s.frames = std::max(1, (m_range->second - m_range->first) / step + 1);
    }
    return s;
}

namespace vantor {
namespace {

std::function<QString(const QString&)>& fileHook() {
    static std::function<QString(const QString&)> hook;
    return hook;
}

bool canWriteJpeg() { return QImageWriter::supportedImageFormats().contains("jpeg"); }

// JPEG for a name ending in .jpg or .jpeg where Qt writes it, PNG otherwise.
const char* formatFor(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) && canWriteJpeg() ? "JPEG" : "PNG";
}

bool writePicture(QWidget* parent, const QImage& picture, const QString& path) {
    if (picture.isNull() || !picture.save(path, formatFor(path))) {
        message(parent, QStringLiteral("Unable to write the picture %1").arg(QFileInfo(path).fileName()));
        return false;
    }
    return true;
}

}  // namespace

void setPictureFileHook(std::function<QString()> hook) {
    if (hook) fileHook() = [hook = std::move(hook)](const QString&) { return hook(); };
    else fileHook() = nullptr;
}

void setProposingFileHook(std::function<QString(const QString&)> hook) { fileHook() = std::move(hook); }

QString choosePicture(QWidget* parent, const QString& caption, bool withJpeg, const QString& proposed) {
    if (fileHook()) return fileHook()(proposed);
    QString filter = QStringLiteral("PNG Picture (*.png)");
    if (withJpeg && canWriteJpeg()) filter += QStringLiteral(";;JPEG Picture (*.jpg *.jpeg)");
    QString path = QFileDialog::getSaveFileName(parent, caption, proposed.isEmpty() ? QDir::currentPath() : proposed, filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
    return path;
}

QString chooseAnimation(QWidget* parent, const QString& proposed) {
    if (fileHook()) return fileHook()(proposed);
    // The filter of the proposed name's format comes first.
    QStringList filters = {QStringLiteral("Animated WebP (*.webp)"), QStringLiteral("Animated GIF (*.gif)"),
                           QStringLiteral("MP4 Video (*.mp4)"), QStringLiteral("WebM Video (*.webm)")};
    const QString wanted = QStringLiteral("*.") + QFileInfo(proposed).suffix().toLower() + QLatin1Char(')');
    for (int i = 0; i < filters.size(); ++i)
        if (!proposed.isEmpty() && filters[i].endsWith(wanted)) filters.move(i, 0);
    QString chosen;
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Export Animation"),
                                                proposed.isEmpty() ? QDir::currentPath() : proposed,
                                                filters.join(QStringLiteral(";;")), &chosen);
    // A name without an extension takes the one of the filter chosen.
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        const int star = chosen.indexOf(QStringLiteral("*."));
        path += star >= 0 ? chosen.mid(star + 1, chosen.indexOf(QLatin1Char(')'), star) - star - 1) : QStringLiteral(".webp");
    }
    return path;
}

bool savePicture(QWidget* parent, CVantorView* view, const QString& path) {
    return writePicture(parent, view->grabFramebuffer(), path);
}

QRadioButton* addDrawnModelsRows(QWidget* dialog, QFormLayout* form, const DrawnModels& models, bool all) {
    if (models.shown.size() > 1) {
        auto* current = new QRadioButton(
            QStringLiteral("Current model only: %1").arg(elideMiddle(models.editedName, 40)), dialog);
        auto* every = new QRadioButton(
            QStringLiteral("All shown models: %1").arg(elideMiddle(models.shown.join(QStringLiteral(", ")), 40)), dialog);
        auto* group = new QButtonGroup(dialog);
        group->addButton(current);
        group->addButton(every);
        (all ? every : current)->setChecked(true);
        form->addRow(QStringLiteral("Draws:"), current);
        form->addRow(QString(), every);
        return current;
    }
    const QString what = models.editedName.isEmpty() ? QStringLiteral("the scene") : models.editedName;
    form->addRow(QStringLiteral("Draws:"), new QLabel(elideMiddle(what, 40), dialog));
    return nullptr;
}

std::vector<int> hideOtherModels(KorvidScene& scene, const DrawnModels& models, bool all) {
    std::vector<int> hidden;
    if (all || models.edited < 0) return hidden;
    for (int m = 0; m < scene.modelCount(); ++m)
        if (m != models.edited && scene.shown(m, -1) && scene.setShown(m, -1, false)) hidden.push_back(m);
    return hidden;
}

void showModelsAgain(KorvidScene& scene, const std::vector<int>& hidden) {
    for (int m : hidden) scene.setShown(m, -1, true);
}

QString proposedExportName(const DrawnModels& models, const QString& extension) {
    if (!models.entityPath.isEmpty()) {
        const QFileInfo entity(models.entityPath);
        return entity.absoluteDir().filePath(entity.completeBaseName() + QLatin1Char('.') + extension);
    }
    if (!models.editedName.isEmpty()) return QDir::current().filePath(models.editedName + QLatin1Char('.') + extension);
    return {};
}

int exportFrames(QWidget* parent, CVantorView* view, const QString& path, const FrameExport& settings,
                 const DrawnModels& models) {
    RedrawPause pause(view);
    const QFileInfo info(path);
    const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    QProgressDialog progress(QStringLiteral("Exporting frames..."), QStringLiteral("Cancel"), 0, settings.frames, parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    // Every frame advances the library's clock by the step; the effect starts
    // again from the seed, so the same settings always give the same pictures.
    SimulationClock& clock = view->clock();
    std::optional<SimulationClock::Hold> hold(std::in_place, clock);
    clock.setPaused(false);
    clock.setFixedStep(settings.stepMs);
    clock.seed(static_cast<uint32_t>(settings.seed));
    // Each frame drawn advances one step, so the first shows the in point;
    // an in point at 0 is drawn held, as nothing comes before it.
    const bool holdFirst = settings.loopRange && settings.startMs < settings.stepMs;
    if (settings.loopRange) {
        clock.seek(std::max(0, settings.startMs - settings.stepMs));
        if (holdFirst) clock.setPaused(true);
    } else {
        clock.restart();
    }
    view->makeCurrent();
    const std::vector<int> hidden = hideOtherModels(view->scene(), models, settings.allModels);
    int written = 0;
    for (int i = 0; i < settings.frames; ++i) {
        progress.setValue(i);
        if (progress.wasCanceled()) break;
        const QString file = QStringLiteral("%1_%2.png").arg(base).arg(i + 1, 4, 10, QLatin1Char('0'));
        const QImage frame = view->grabFramebuffer();
        if (holdFirst && i == 0) clock.setPaused(false);
        if (frame.isNull() || !frame.save(file, "PNG")) {
            message(parent, QStringLiteral("Unable to write the picture %1").arg(QFileInfo(file).fileName()));
            break;
        }
        ++written;
    }
    progress.setValue(settings.frames);
    view->makeCurrent();
    showModelsAgain(view->scene(), hidden);
    hold.reset();
    return written;
}

void onSavePicture(QWidget* parent, CVantorView* view) {
    // The picture is what is on screen when the command is chosen, not a
    // frame drawn after the time spent in the file dialog.
    const QImage picture = view->grabFramebuffer();
    const QString path = choosePicture(parent, QStringLiteral("Save Picture"), true);
    if (!path.isEmpty()) writePicture(parent, picture, path);
}

void onExportFrames(QWidget* parent, CVantorView* view, FrameExport& remembered,
                    std::optional<std::pair<int, int>> range, const DrawnModels& models) {
    FrameExport settings;
    {
        CExportFramesDlg dialog(parent, remembered, range, models);
        if (dialog.exec() != QDialog::Accepted) return;
        settings = dialog.settings();
    }
    remembered = settings;
    const QString path =
        choosePicture(parent, QStringLiteral("Export Frames"), false, proposedExportName(models, QStringLiteral("png")));
    if (!path.isEmpty()) exportFrames(parent, view, path, settings, models);
}

}  // namespace vantor
