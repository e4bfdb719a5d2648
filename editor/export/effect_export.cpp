#include "export/effect_export.h"
#include "document/korvid_scene.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QImage>
#include <QOpenGLFramebufferObject>
#include <QProgressDialog>
#include <QSpinBox>

#include <algorithm>
#include <optional>
#include <cstring>

#include "animation_writer.h"
#include "frame_capture.h"
#include "widgets/controls.h"
#include "korvid.h"
#include "export/picture_export.h"
#include "sprite_sheet.h"
#include "resource.h"
#include "view/timeline_bar.h"
#include "view/vantor_view.h"

using korvid::support::Image;

namespace {
// The animation formats as the dialog offers them.
const struct {
    const char* extension;
    const char* name;
} kFormats[] = {{"webp", "Animated WebP"}, {"gif", "Animated GIF"}, {"mp4", "MP4 Video"}, {"webm", "WebM Video"}};
}  // namespace

bool vantor::formatHasAlpha(const QString& extension) {
    return extension.compare(QLatin1String("mp4"), Qt::CaseInsensitive) != 0;
}

CExportEffectDlg::CExportEffectDlg(QWidget* parent, const vantor::EffectExport& initial, const vantor::SceneLook& look)
    : QDialog(parent), m_initial(initial) {
    setWindowTitle(initial.sheet ? QStringLiteral("Export Sprite Sheet") : QStringLiteral("Export Animation"));
    auto* form = new QFormLayout(this);
    // What is drawn: the model being edited, or every model shown with it.
    m_currentOnly = vantor::addDrawnModelsRows(this, form, look.models, initial.allModels);
    if (!initial.sheet) {
        m_format = new QComboBox(this);
        for (const auto& f : kFormats)
            m_format->addItem(QString::fromLatin1(f.name), QString::fromLatin1(f.extension));
        const int chosen = m_format->findData(initial.format);
        m_format->setCurrentIndex(chosen >= 0 ? chosen : 0);
        form->addRow(QStringLiteral("Format:"), m_format);
    }
    auto spin = [this](int low, int high, int value, const QString& suffix = QString()) {
        auto* box = new QSpinBox(this);
        box->setRange(low, high);
        box->setValue(value);
        box->setSuffix(suffix);
        return box;
    };
    m_from = spin(0, 3600000, initial.from, QStringLiteral(" ms"));
    m_to = spin(1, 3600000, initial.to, QStringLiteral(" ms"));
    m_step = spin(1, 10000, initial.stepMs, QStringLiteral(" ms"));
    m_width = spin(2, 8192, initial.width, QStringLiteral(" px"));
    m_height = spin(2, 8192, initial.height, QStringLiteral(" px"));
    form->addRow(QStringLiteral("From:"), m_from);
    form->addRow(QStringLiteral("To:"), m_to);
    form->addRow(initial.sheet ? QStringLiteral("Steps on:") : QStringLiteral("Frame time:"), m_step);
    form->addRow(QStringLiteral("Frame width:"), m_width);
    form->addRow(QStringLiteral("Frame height:"), m_height);
    if (initial.sheet) {
        m_cols = spin(1, 64, initial.cols);
        m_rows = spin(1, 64, initial.rows);
        m_fit = new QCheckBox(QStringLiteral("Cut the frames to the effect's bounds"), this);
        m_fit->setChecked(initial.fit);
        form->addRow(QStringLiteral("Columns:"), m_cols);
        form->addRow(QStringLiteral("Rows:"), m_rows);
        form->addRow(QString(), m_fit);
        m_useAsFlipbook = vantor::controlWithId<QCheckBox>(IDC_EXPORT_USE_AS_FLIPBOOK,
                                                           QStringLiteral("Use as this emitter's flipbook"), this);
        m_useAsFlipbook->setToolTip(QStringLiteral(
            "The sheet, drawn over black, becomes the current emitter's image and plays as its flipbook "
            "(with Alt Alpha, so the black adds nothing)"));
        m_useAsFlipbook->setEnabled(look.hasEmitter);
        m_useAsFlipbook->setChecked(look.hasEmitter && initial.useAsFlipbook);
        form->addRow(QString(), m_useAsFlipbook);
    } else {
        m_lossy = new QCheckBox(QStringLiteral("Lossy WebP"), this);
        m_lossy->setChecked(initial.lossy);
        m_quality = spin(0, 100, initial.quality);
        form->addRow(QString(), m_lossy);
        form->addRow(QStringLiteral("Quality:"), m_quality);
    }
    m_transparent = new QCheckBox(QStringLiteral("Transparent background"), this);
    m_transparent->setChecked(initial.transparent);
    m_premultiplied = new QCheckBox(QStringLiteral("Premultiplied alpha"), this);
    m_premultiplied->setChecked(initial.premultiplied);
    m_premultiplied->setEnabled(initial.transparent);
    connect(m_transparent, &QCheckBox::toggled, this, &CExportEffectDlg::formatChosen);
    if (m_format) connect(m_format, &QComboBox::currentIndexChanged, this, &CExportEffectDlg::formatChosen);
    formatChosen();
    m_particlesOnly = new QCheckBox(QStringLiteral("Particles only (no grid, outline, lights or model)"), this);
    m_particlesOnly->setChecked(initial.particlesOnly);
    form->addRow(QString(), m_transparent);
    form->addRow(QString(), m_premultiplied);
    form->addRow(QString(), m_particlesOnly);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    vantor::orderTabsByLayout(this);
}

void CExportEffectDlg::formatChosen() {
    // A format without alpha cannot be transparent: the box says why.
    const bool alpha = !m_format || vantor::formatHasAlpha(m_format->currentData().toString());
    m_transparent->setEnabled(alpha);
    m_transparent->setToolTip(alpha ? QString()
                                    : QStringLiteral("MP4 video has no alpha channel: the background is drawn. "
                                                     "Choose WebP, GIF or WebM for a transparent one."));
    m_premultiplied->setEnabled(alpha && m_transparent->isChecked());
}

vantor::EffectExport CExportEffectDlg::settings() const {
    vantor::EffectExport s = m_initial;
    s.from = std::min(m_from->value(), m_to->value() - 1);
    s.to = m_to->value();
    s.stepMs = m_step->value();
    s.width = m_width->value();
    s.height = m_height->value();
    if (m_format) s.format = m_format->currentData().toString();
    s.useAsFlipbook = m_useAsFlipbook && m_useAsFlipbook->isChecked();
    s.allModels = m_currentOnly && !m_currentOnly->isChecked();
    // The choice is kept for formats with alpha; one without draws the background.
    s.transparent = m_transparent->isChecked() && (s.sheet || vantor::formatHasAlpha(s.format));
    s.premultiplied = m_premultiplied->isChecked();
    s.particlesOnly = m_particlesOnly->isChecked();
    if (m_cols) {
        s.cols = m_cols->value();
        s.rows = m_rows->value();
        s.fit = m_fit->isChecked();
    } else {
        s.lossy = m_lossy->isChecked();
        s.quality = m_quality->value();
    }
    return s;
}

namespace vantor {

namespace {

// One moment drawn into the bound framebuffer: once, or over black and over
// white for its coverage.
Image moment(const CameraData& camera, int ms, const EffectExport& s, const SceneLook& look) {
    korvid::media::CaptureLook capture;
    capture.width = s.width;
    capture.height = s.height;
    capture.transparent = s.transparent;
    capture.alpha = s.premultiplied ? korvid::media::AlphaMode::Premultiplied : korvid::media::AlphaMode::Straight;
    capture.background = look.clearColour;
    return korvid::media::captureMoment(camera, ms, capture);
}

void showScene(KorvidScene& scene, bool on, const SceneLook& look) {
    scene.setGrid(on && look.grid);
    scene.setBoundingBox(on && look.outline);
    scene.showLights(on && look.lights);
    scene.showModels(on);
    scene.showShapeOutline(on);
}

std::vector<int> momentsOf(const EffectExport& s) {
    if (s.sheet) return korvid::media::sheetMoments(s.from, s.to, s.cols * s.rows, s.stepMs);
    std::vector<int> times;
    const int step = std::max(1, s.stepMs);
    for (int t = s.from / step * step; t <= s.to; t += step) times.push_back(t);
    return times;
}

}  // namespace

bool exportEffect(QWidget* parent, CVantorView* view, const QString& path, const EffectExport& chosen,
                  const SceneLook& look) {
    RedrawPause pause(view);
    EffectExport s = chosen;
    // A file format without alpha gets the background drawn, never black.
    if (!s.sheet && !formatHasAlpha(QFileInfo(path).suffix())) s.transparent = false;
    const std::vector<int> times = momentsOf(s);
    QProgressDialog progress(QStringLiteral("Exporting the effect..."), QStringLiteral("Cancel"), 0,
                             static_cast<int>(times.size()), parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);

    // The pause and the frame time come back when the frames are drawn.
    std::optional<SimulationClock::Hold> hold(std::in_place, view->clock());
    view->clock().setFixedStep(std::max(1, s.stepMs));
    view->makeCurrent();
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    QOpenGLFramebufferObject fbo(s.width, s.height, format);
    fbo.bind();
    KorvidScene& scene = view->scene();
    scene.resize(s.width, s.height);
    if (s.particlesOnly) showScene(scene, false, look);
    // Only the edited model, unless every shown one was asked for: the
    // others are hidden for the export and shown again after it.
    const std::vector<int> hidden = hideOtherModels(scene, look.models, s.allModels);

    std::unique_ptr<korvid::media::AnimationWriter> writer;
    std::string error;
    if (!s.sheet) {
        korvid::media::AnimationOptions options;
        options.frameMs = std::max(1, s.stepMs);
        options.lossless = !s.lossy;
        options.quality = s.quality;
        writer = korvid::media::openAnimation(QFile::encodeName(path).toStdString(), s.width, s.height, options, &error);
    }
    std::vector<Image> frames;
    float pivot[2] = {0, 0};
    bool pivotFound = false;
    bool ok = s.sheet || writer != nullptr;
    for (size_t i = 0; ok && i < times.size(); ++i) {
        progress.setValue(static_cast<int>(i));
        if (progress.wasCanceled()) {
            ok = false;
            error.clear();
            break;
        }
        view->makeCurrent();
        fbo.bind();
        Image frame = moment(view->camera(), times[i], s, look);
        if (!pivotFound && look.hasEmitter)
            pivotFound = korvid::media::pictureSpot(look.emitterOrigin, s.width, s.height, pivot);
        if (s.sheet) frames.push_back(std::move(frame));
        else ok = writer->add(frame, &error);
    }
    if (ok && writer) ok = writer->finish(&error);

    // The view gets its size, its scene and its simulation back.
    view->makeCurrent();
    fbo.release();
    const qreal ratio = view->devicePixelRatioF();
    scene.resize(static_cast<int>(view->width() * ratio), static_cast<int>(view->height() * ratio));
    showScene(scene, true, look);
    showModelsAgain(scene, hidden);
    scene.setClearColour(look.clearColour);
    hold.reset();
    progress.setValue(static_cast<int>(times.size()));

    if (ok && s.sheet) {
        const auto sheet = korvid::media::layOutSheet(frames, s.cols, s.rows, s.fit);
        const std::string file = QFile::encodeName(path).toStdString();
        const std::string json = korvid::media::describeSheet(sheet, QFileInfo(path).fileName().toStdString(), s.cols,
                                                              s.rows, times,
                                                              !s.transparent ? "none" : s.premultiplied ? "premultiplied" : "straight",
                                                              pivotFound ? pivot : nullptr);
        QFile description(QString::fromStdString(korvid::media::descriptionPathFor(file)));
        ok = korvid::support::writePng(file, sheet.image, &error) && description.open(QIODevice::WriteOnly) &&
             description.write(json.data(), qint64(json.size())) == qint64(json.size());
        if (ok && !description.flush()) ok = false;
    }
    if (!ok) {
        if (writer || !s.sheet) QFile::remove(path);
        if (!error.empty()) message(parent, QStringLiteral("Unable to export %1: %2").arg(QFileInfo(path).fileName(), QString::fromStdString(error)));
    }
    return ok;
}

void onExportEffect(QWidget* parent, CVantorView* view, TimelineBar* timeline, bool sheet, EffectExport& remembered,
                    const SceneLook& look, const UseAsFlipbook& useAsFlipbook) {
    EffectExport initial = remembered;
    initial.sheet = sheet;
    if (timeline && timeline->active()) {
        initial.from = timeline->inPoint();
        initial.to = timeline->outPoint();
    }
    EffectExport settings;
    {
        CExportEffectDlg dialog(parent, initial, look);
        if (dialog.exec() != QDialog::Accepted) return;
        settings = dialog.settings();
    }
    remembered = settings;
    // The entity's name with the format's extension, in the document's folder.
    const QString extension = sheet ? QStringLiteral("png") : settings.format;
    const QString proposed = proposedExportName(look.models, extension);
    const QString path = sheet ? choosePicture(parent, QStringLiteral("Export Sprite Sheet"), false, proposed)
                               : chooseAnimation(parent, proposed);
    if (path.isEmpty()) return;
    const int shown = timeline ? timeline->time() : 0;
    const bool written = exportEffect(parent, view, path, settings, look);
    if (timeline && timeline->active()) timeline->resume(shown);
    if (written && sheet && settings.useAsFlipbook && useAsFlipbook) useAsFlipbook(path, settings);
}

}  // namespace vantor
