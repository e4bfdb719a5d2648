// CSurfacePage: the SURFACE tab, material, smoothing, blending, culling and
// the two texture units of one surface of the current model.
#pragma once
#include <QWidget>

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
    // Shows the page's values in its controls.
    // No surface chosen: counts 0, grey swatches, the groups disabled.
    void clearSurface();
    void showValues();
    // File New emptied the entity; a model was opened.
    void documentCleared();
    void documentOpened(bool zob);
    // Undo or redo put back a surface: it is shown with its values.
    void showRestored(int index);

    // Mirrors of the surface being edited.
    float m_colours[4][4] = {};  // diffuse, ambient, specular, emission
    float m_shininess = 0;
    int m_blending = 0, m_culling = 0, m_smooth = 0;
    float m_angle = 0;
    int m_polygons = 0, m_vertices = 0;
    int m_slot = 0;
    float m_sScale = 1.0f, m_tScale = 1.0f;
    int m_sAxis[3] = {0, 0, 0}, m_tAxis[3] = {0, 0, 0};

private:
    CVantorDoc& m_doc;
    CVantorView& m_view;
    void chooseSurface(int index);
    void loadSlot(int slot);
    // Sends the working surface to the library as the change `change`
    // (repeated edits of one `field` merge into one step).
    void writeBack(const QString& change, int field = -1);
    void commitColour(int row, int component);
    void selectColour(int row);
    void rebuildSwatch(int row);
    void toggleSmooth();
    void commitAngle();
    void recomputeNormals(float angle);
    void chooseImage(int index);
    void commitScale(bool sPlane);
    void commitCoefficient(bool sPlane, int axis);
    void toggleAxis(bool sPlane, int axis);
    void unselect();
    float* plane(bool sPlane);

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

