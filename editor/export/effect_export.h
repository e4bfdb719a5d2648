// File > Export > Sprite Sheet... and Animation...: the effect's moments, from
// the timeline's exact seek, as one picture with a JSON description or as an
// animated WebP or GIF or an MP4 or WebM video, with an optional transparent
// background and with the editor's grid, outline, lights and model left out.
#pragma once
#include <QDialog>
#include <QStringList>

#include <functional>

#include "alpha_bake.h"
#include "export/picture_export.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;
class CVantorView;
class TimelineBar;

namespace vantor {

// What the scene looks like apart from the effect, to be put back after an
// export, and which of its models is the document's.
struct SceneLook {
    float clearColour[4] = {0, 0, 0, 1};
    bool grid = true, outline = false, lights = true;
    DrawnModels models;  // the edited model and the others shown
    bool hasEmitter = false;           // an emitter is current: its place is the sheet's pivot
    float emitterOrigin[3] = {0, 0, 0};
};

// The animation formats, by file extension; MP4 (H.264) has no alpha.
bool formatHasAlpha(const QString& extension);

struct EffectExport {
    bool sheet = true;  // a sprite sheet, or an animation
    int from = 0, to = 2000, stepMs = 15;
    int width = 320, height = 240;
    bool transparent = true, particlesOnly = true;
    bool premultiplied = false;  // colour multiplied by alpha instead of straight
    int cols = 4, rows = 4;
    bool fit = true;
    bool lossy = false;
    int quality = 80;
    bool allModels = false;             // every shown model, or the edited one only
    bool useAsFlipbook = false;         // a sheet becomes the current emitter's image and flipbook
    QString format = QStringLiteral("webp");  // an animation's file extension
};

}  // namespace vantor

// The settings of an effect export.
class CExportEffectDlg : public QDialog {
    Q_OBJECT
public:
    CExportEffectDlg(QWidget* parent, const vantor::EffectExport& initial, const vantor::SceneLook& look = {});
    vantor::EffectExport settings() const;

private:
    void formatChosen();
    vantor::EffectExport m_initial;
    QRadioButton* m_currentOnly = nullptr;
    QComboBox* m_format = nullptr;
    QSpinBox *m_from, *m_to, *m_step, *m_width, *m_height, *m_cols = nullptr, *m_rows = nullptr, *m_quality = nullptr;
    QCheckBox *m_transparent, *m_premultiplied, *m_particlesOnly, *m_fit = nullptr, *m_lossy = nullptr;
    QCheckBox* m_useAsFlipbook = nullptr;
};

namespace vantor {

// Renders and writes the export to `path`; false after a message when it
// cannot (or was cancelled). The scene's look is put back afterwards.
bool exportEffect(QWidget* parent, CVantorView* view, const QString& path, const EffectExport& settings,
                  const SceneLook& look);

// A sheet just written at `path` with `settings`, to be played by the current emitter.
using UseAsFlipbook = std::function<void(const QString& path, const EffectExport& settings)>;

// The menu commands: the dialog, the file name, the export. The timeline, when
// shown, offers its in and out points and gets its moment back afterwards.
// A sheet asked to be the emitter's flipbook goes to `useAsFlipbook` once written.
void onExportEffect(QWidget* parent, CVantorView* view, TimelineBar* timeline, bool sheet, EffectExport& remembered,
                    const SceneLook& look, const UseAsFlipbook& useAsFlipbook = {});

}  // namespace vantor
