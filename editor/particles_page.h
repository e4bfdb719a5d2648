// CParticlesPage: the PARTICLES tab, emitters of the current model.
#pragma once
#include <QMap>
#include <QWidget>

class CVantorDoc;
class CVantorView;
class QCheckBox;
class QComboBox;
class QPushButton;
class CParticleBurstDialog;
namespace vantor {
class CommitEdit;
class Swatch;
}

class CParticlesPage : public QWidget {
    Q_OBJECT
public:
    CParticlesPage(CVantorDoc& document, CVantorView& view, QWidget* parent = nullptr);
    ~CParticlesPage() override;

    // Called once the library has started (the page's initialisation).
    void initialise();
    void refreshFromEmitter();
    void enableControls(bool on);
    // Only the emitter list and Add (a model without emitters).
    void enableListOnly();
    void showEmitterPosition();
    // File New emptied the entity; a model was opened.
    void documentCleared();
    void documentOpened();
    // Emitters were removed, or added or removed by undo or redo: the list follows.
    void showEmitters();

    QComboBox* emitterList() const { return m_emitterList; }
    QComboBox* imageList() const { return m_imageList; }
    CParticleBurstDialog* burstDialog() const { return m_burstDialog; }

    QString m_imageName = QStringLiteral("NONE");
    QString m_emitterName = QStringLiteral("<ADD>");
    // Remembered check states: reflect, burst, burst on ground, lighting,
    // alt alpha, lifespan, use object.
    int m_checks[7] = {0, 0, 0, 0, 0, 0, 0};

private:
    CVantorDoc& m_doc;
    CVantorView& m_view;
    void addEmitter();
    // Removes the current emitter from the library and the list.
    void removeEmitter();
    void selectEmitter(int index);
    void applyType(int index);
    void chooseImage(int index);
    void commit(int id);
    void toggle(int which);
    void setDependents();
    void selectColour(bool start);
    void rebuildSwatches();
    // Sends the working emitter as the change `change` (none when empty).
    void send(const QString& change, int field = -1);
    static bool isParticleLimitRefusal();

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
};

