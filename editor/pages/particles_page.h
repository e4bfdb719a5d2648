// CParticlesPage: the PARTICLES tab, emitters of the current model.
#pragma once
#include <QMap>
#include <QWidget>

struct EmitterData;
class CVantorDoc;
class CVantorView;
class QCheckBox;
class QComboBox;
class QPushButton;
class CParticleBurstDialog;
namespace vantor {
struct DocumentChange;
class CommitEdit;
class LifeCurvesBox;
class ShapeBox;
class ForcesBox;
class CollidersBox;
class FlipbookBox;
class SpinStretchBox;
class TrailBox;
class Swatch;
}

class CParticlesPage : public QWidget {
    Q_OBJECT
public:
    CParticlesPage(CVantorDoc& document, CVantorView& view, QWidget* parent = nullptr);
    ~CParticlesPage() override;

    // Called once the library has started (the page's initialisation).
    void initialise();
    // Shows the current emitter; with `keepShown` (the redraw after an edit)
    // fields that already show their value keep their text.
    void refreshFromEmitter(bool keepShown = false);
    void enableControls(bool on);
    // Only the emitter list and Add (a model without emitters).
    void enableListOnly();
    // File New emptied the entity; a model was opened.
    void documentCleared();
    void documentOpened();
    // Emitters were removed, or added or removed by undo or redo: the list follows.
    void showEmitters();

    QComboBox* emitterList() const { return m_emitterList; }
    QComboBox* imageList() const { return m_imageList; }
    CParticleBurstDialog* burstDialog() const { return m_burstDialog; }
    vantor::LifeCurvesBox* lifeCurves() const { return m_lifeCurves; }

    QString m_imageName = QStringLiteral("NONE");
    QString m_emitterName = QStringLiteral("<ADD>");

private:
    // Shows the emitter the document chose, unless this page chose it.
    void followSelection();
    bool m_choosing = false;
    CVantorDoc& m_doc;
    CVantorView& m_view;
    void addEmitter();
    // Removes the current emitter from the library and the list.
    void removeEmitter();
    void selectEmitter(int index);
    // Enables the fields that the particle type uses.
    void showType(int index);
    // Redraws what the change touched.
    void documentChanged(const vantor::DocumentChange& change);
    void chooseImage(int index);
    void commit(int id);
    void toggle(int which);
    void setDependents();
    void selectColour(bool start);
    void rebuildSwatches();
    // Greys the start and end values that the emitter's curves replace.
    void showCurveUse();
    // Sends `record` as the emitter's new state, as the command `change`
    // (none when empty).
    void send(const EmitterData& record, const QString& change, int field = -1);

    QComboBox* m_emitterList;
    QComboBox* m_modeList;
    QComboBox* m_imageList;
    CParticleBurstDialog* m_burstDialog = nullptr;
    QMap<int, vantor::CommitEdit*> m_edits;
    QCheckBox* m_boxes[7];
    vantor::Swatch* m_startSwatch;
    vantor::Swatch* m_endSwatch;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_resetTimer;
    QPushButton* m_properties;
    QPushButton* m_startSelect;
    QPushButton* m_endSelect;
    vantor::LifeCurvesBox* m_lifeCurves;
    vantor::ShapeBox* m_shape;
    vantor::ForcesBox* m_forces;
    vantor::CollidersBox* m_colliders;
    vantor::FlipbookBox* m_flipbook;
    vantor::SpinStretchBox* m_spin;
    vantor::TrailBox* m_trail;
};

