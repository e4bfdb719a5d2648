// CSurfacePage: the SURFACE tab, material, smoothing, blending, culling and
// the two texture units of one surface of the current model.
#pragma once
#include <QWidget>

struct SurfaceData;
class CVantorDoc;
class CVantorView;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class CImageDlg;
namespace vantor {
class CommitEdit;
class Swatch;
}

class CSurfacePage : public QWidget {
    Q_OBJECT
public:
    CSurfacePage(CVantorDoc& document, CVantorView& view, QWidget* parent = nullptr);
    ~CSurfacePage() override;

    void initialise();
    QComboBox* surfaceList() const { return m_surfaceList; }
    QComboBox* imageList() const { return m_imageList; }
    CImageDlg* imageDialog() const { return m_imageDialog; }
    void enableSurfaceControls(bool on);
    void enableTextureControls(bool on);
    void showImages();
    // No surface chosen: counts 0, grey swatches, the groups disabled.
    void clearSurface();
    // Shows the current surface's values (counts 0 when none is chosen); with
    // `keepShown` (the redraw after an edit) fields that show their value keep their text.
    void showValues(bool chosen, bool keepShown = false);
    // Redraws the whole surface after a change of it.
    void showSurface();
    // File New emptied the entity; a model was opened.
    void documentCleared();
    void documentOpened(bool zob);
    // Undo or redo put back a surface: it is shown with its values.
    void showRestored(int index);

    // The texture unit shown, its scales and which axes of its planes are on:
    // the page's own state, not the surface's.
    int m_slot = 0;
    float m_sScale = 1.0f, m_tScale = 1.0f;
    int m_sAxis[3] = {0, 0, 0}, m_tAxis[3] = {0, 0, 0};

private:
    // Shows the surface the document chose, unless this page chose it.
    void followSelection();
    // Fills the controls from the document's surface, on its first texture.
    void showChosenSurface();
    bool m_choosing = false;
    CVantorDoc& m_doc;
    CVantorView& m_view;
    void chooseSurface(int index);
    // Shows texture unit `slot` (0 or 1), its axes and scales taken from its planes.
    void loadSlot(int slot);
    void showSlot(bool keepShown = false);
    // Sends `record` as the surface's new state, as the command `change`
    // (repeated edits of one `field` merge into one command).
    void writeBack(const SurfaceData& record, const QString& change, int field = -1);
    void commitColour(int row, int component);
    void selectColour(int row);
    void rebuildSwatches();
    void toggleSmooth();
    void commitAngle();
    // Sends `record` with the normals recomputed for its angle.
    void smooth(const SurfaceData& record, const QString& change);
    void chooseImage(int index);
    void commitScale(bool sPlane);
    void commitCoefficient(bool sPlane, int axis);
    void toggleAxis(bool sPlane, int axis);
    void unselect();
    // The s or t plane of the slot shown, of the current surface or of `s`.
    const float* plane(bool sPlane) const;
    float* plane(SurfaceData& s, bool sPlane) const;

    QComboBox* m_surfaceList;
    QLineEdit* m_polygonsEdit;
    QLineEdit* m_verticesEdit;
    QPushButton* m_unselect;
    vantor::Swatch* m_swatches[4];
    vantor::CommitEdit* m_colourEdits[4][4];
    QPushButton* m_selects[4];
    vantor::CommitEdit* m_shininessEdit;
    QCheckBox* m_smoothBox;
    vantor::CommitEdit* m_angleEdit;
    QCheckBox* m_blendingBox;
    QCheckBox* m_cullingBox;
    QRadioButton* m_texture1;
    QRadioButton* m_texture2;
    QComboBox* m_imageList;
    QComboBox* m_function;
    QComboBox* m_planeMode;
    QComboBox* m_genMode;
    QPushButton* m_sAxisBoxes[3];
    QPushButton* m_tAxisBoxes[3];
    vantor::CommitEdit* m_sScaleEdit;
    vantor::CommitEdit* m_tScaleEdit;
    vantor::CommitEdit* m_sCoefficients[3];
    vantor::CommitEdit* m_tCoefficients[3];
    CImageDlg* m_imageDialog = nullptr;
};

