// Pictures of the 3D view: "Save Picture..." writes what the view shows as a
// PNG file; "Export Frames..." renders a run of frames at a fixed step and
// random seed to numbered PNG files, so the same settings give the same pictures.
#pragma once
#include <QDialog>
#include <QString>
#include <QStringList>
#include <vector>
#include <functional>
#include <optional>
#include <utility>

class QCheckBox;
class QSpinBox;
class CVantorView;

struct FrameExport {
    int frames = 60;
    int stepMs = 15;
    int seed = 1;
    // The timeline's loop range instead of a count: frames from the in point
    // (startMs) to the out point, every step.
    bool loopRange = false;
    int startMs = 0;
    bool allModels = false;  // every shown model, or the edited one only
};

// Which models an export draws: the one the pages edit, or every one shown.
struct DrawnModels {
    int edited = -1;       // the edited model, or -1 (then the scene is drawn as it is)
    QString editedName;    // its name, as the outliner shows it
    QStringList shown;     // the names of the models shown, the edited one among them
    QString entityPath;    // its file, whose name and folder an export proposes
};

class QFormLayout;
class QRadioButton;
namespace vantor {

class KorvidScene;
// Adds "Draws:" rows to an export dialog: the edited model only (the
// default) or all shown models, as two choices when more than one is shown.
// Returns the "current model only" choice, or null when there is none.
QRadioButton* addDrawnModelsRows(QWidget* dialog, QFormLayout* form, const DrawnModels& models, bool all);
// Hides every shown model but the edited one (unless `all`); returns those
// hidden, for showModelsAgain.
std::vector<int> hideOtherModels(KorvidScene& scene, const DrawnModels& models, bool all);
void showModelsAgain(KorvidScene& scene, const std::vector<int>& hidden);
// The entity's name with `extension` in its folder (or the working
// directory); empty when there is no name.
QString proposedExportName(const DrawnModels& models, const QString& extension);
}  // namespace vantor

// Asks for the number of frames, the step and the seed.
class CExportFramesDlg : public QDialog {
    Q_OBJECT
public:
    // Shows `initial` (the settings of the last export of the document).
    // `range` (in and out point, ms) offers the timeline's loop range.
    explicit CExportFramesDlg(QWidget* parent = nullptr, const FrameExport& initial = {},
                              std::optional<std::pair<int, int>> range = std::nullopt,
                              const DrawnModels& models = {});
    FrameExport settings() const;

private:
    std::optional<std::pair<int, int>> m_range;
    QCheckBox* m_loop = nullptr;
    QSpinBox* m_frames;
    QSpinBox* m_step;
    QSpinBox* m_seed;
    QRadioButton* m_currentOnly = nullptr;
};

namespace vantor {

// Tests answer the file dialog through this hook; an empty answer is Cancel.
// The second form is also given the name the dialog would propose.
void setPictureFileHook(std::function<QString()> hook);
void setProposingFileHook(std::function<QString(const QString& proposed)> hook);

// The name of a picture to write, from a dialog starting in the document's
// folder (`withJpeg`: JPEG beside PNG where Qt writes it) and proposing
// `proposed` when given; empty on Cancel.
QString choosePicture(QWidget* parent, const QString& caption, bool withJpeg, const QString& proposed = {});
// The name of an animated picture or video to write (.webp, .gif, .mp4, .webm).
QString chooseAnimation(QWidget* parent, const QString& proposed = {});

// Writes the view as it is drawn now, as JPEG for a .jpg or .jpeg name where
// Qt writes JPEG and as PNG otherwise; false after a message when it cannot.
bool savePicture(QWidget* parent, CVantorView* view, const QString& path);
// Writes frames as `<base>_0001.png`, `<base>_0002.png`, ... beside `path`
// (the name chosen, its extension left off); returns how many were written
// (fewer when cancelled or when a file cannot be written). Unless
// settings.allModels, only `models.edited` is drawn.
int exportFrames(QWidget* parent, CVantorView* view, const QString& path, const FrameExport& settings,
                 const DrawnModels& models = {});

// The menu commands. Save Picture takes the picture, then asks for the name;
// Export Frames asks, then exports.
void onSavePicture(QWidget* parent, CVantorView* view);
// `remembered` gives the dialog's first values and keeps the settings chosen.
void onExportFrames(QWidget* parent, CVantorView* view, FrameExport& remembered,
                    std::optional<std::pair<int, int>> range = std::nullopt, const DrawnModels& models = {});

}  // namespace vantor
