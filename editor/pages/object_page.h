// CObjectPage: the OBJECT tab, model summary, drawing options, clear colour,
// view angle and the six editor lights.
#pragma once
#include <QWidget>

#include <functional>

class CVantorDoc;
class CVantorView;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
namespace vantor {
struct ViewSettings;
class CommitEdit;
class Swatch;
}

class CObjectPage : public QWidget {
    Q_OBJECT
public:
    CObjectPage(CVantorDoc& document, CVantorView& view, QWidget* parent = nullptr);
    ~CObjectPage() override;

    // Page initialisation, once the library has started.
    void initialise();
    // Reads the current model's extents again and shows them.
    void showModelSize();
    // The light swatches show the working copies of the six lights.
    void showLights();
    void showLight(int index);
    // Shows the view's settings, its angle and the model's figures in their controls.
    void redisplay();
    // File New emptied the entity; a model was opened.
    void documentCleared();
    void documentOpened();
    QComboBox* objectList() const { return m_objectList; }

private:
    CVantorDoc& m_doc;
    CVantorView& m_view;
    void colourEdit(bool clear, int component);
    void colourDialog(bool clear);
    // Changes the view's settings, which hands them to the library.
    void changeView(const std::function<void(vantor::ViewSettings&)>& change);
    void zoomFromSlider(int value);
    void zoomFromEdit();
    void toggleLight(int n);
    void editLight(int n);
    void modifyGeometry();

    QSlider* m_slider;
    QComboBox* m_objectList;
    QRadioButton* m_selectionRadios[3];
    QCheckBox* m_options[6];
    vantor::CommitEdit* m_clearEdits[4];
    vantor::CommitEdit* m_ambientEdits[4];
    QLineEdit* m_polygonsEdit;
    QLineEdit* m_surfaceCountEdit;
    QLineEdit* m_heightEdit;
    QLineEdit* m_widthEdit;
    QLineEdit* m_depthEdit;
    vantor::CommitEdit* m_zoomEdit;
    vantor::Swatch* m_clearSwatch;
    vantor::Swatch* m_ambientSwatch;
    vantor::Swatch* m_lightSwatches[6];
    QRadioButton* m_dragRadios[6];
    QCheckBox* m_lightBoxes[6];
    QPushButton* m_swarm;
};

