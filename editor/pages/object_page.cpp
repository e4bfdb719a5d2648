#include "pages/object_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include "resource.h"
#include "widgets/controls.h"
#include "dialogs/geometry_dlg.h"
#include "dialogs/light_properties_dlg.h"
#include "document/vantor_doc.h"
#include "view/vantor_view.h"

using namespace vantor;


namespace {
// Per editor light 1..6: drag radio, on/off box, swatch, edit button.
constexpr const int (&kDragIds)[6] = IDC_OBJ_LIGHT_DRAG;
constexpr const int (&kOnIds)[6] = IDC_OBJ_LIGHT_ON;
constexpr const int (&kSwatchIds)[6] = IDC_OBJ_LIGHT_SWATCH;
constexpr const int (&kEditIds)[6] = IDC_OBJ_LIGHT_EDIT;

// The zoom slider draws a single tick mark, at the default angle of 45 degrees.
class ZoomSlider : public QSlider {
public:
    explicit ZoomSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QSlider::paintEvent(event);
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        const int span = groove.width() - handle.width();
        const int x = groove.left() + handle.width() / 2 +
                      QStyle::sliderPositionFromValue(minimum(), maximum(), 45, span);
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawLine(x, height() - 4, x, height() - 1);
    }
};

QLineEdit* readOnly(QWidget* parent, int id) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setMaximumWidth(72);
    setControlId(edit, id);
    return edit;
}
}  // namespace

CObjectPage::CObjectPage(CVantorDoc& document, CVantorView& view, QWidget* parent)
    : QWidget(parent), m_doc(document), m_view(view) {
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    auto* layout = new QGridLayout(this);

    // Top: the object list.
    m_objectList = new QComboBox(this);
    setControlId(m_objectList, IDC_OBJ_LIST);
    layout->addWidget(label(QStringLiteral("Object:")), 0, 0);
    layout->addWidget(m_objectList, 0, 1, 1, 3);

    // "Object": counts and sizes.
    auto* objectBox = new QGroupBox(QStringLiteral("Object"), this);
    auto* o = new QGridLayout(objectBox);
    m_polygonsEdit = readOnly(this, IDC_OBJ_POLYGONS);
    m_surfaceCountEdit = readOnly(this, IDC_OBJ_SURFACES);
    m_heightEdit = readOnly(this, IDC_OBJ_HEIGHT);
    m_widthEdit = readOnly(this, IDC_OBJ_WIDTH);
    m_depthEdit = readOnly(this, IDC_OBJ_DEPTH);
    auto* modify = makeButton(this, QStringLiteral("Modify Geometry"), IDC_OBJ_MODIFY_GEOMETRY);
    o->addWidget(label(QStringLiteral("Polygons:")), 0, 0);
    o->addWidget(m_polygonsEdit, 0, 1);
    o->addWidget(label(QStringLiteral("Surf Cnt:")), 0, 2);
    o->addWidget(m_surfaceCountEdit, 0, 3);
    o->addWidget(modify, 0, 4, 1, 2);
    o->addWidget(label(QStringLiteral("Height:")), 1, 0);
    o->addWidget(m_heightEdit, 1, 1);
    o->addWidget(label(QStringLiteral("Width:")), 1, 2);
    o->addWidget(m_widthEdit, 1, 3);
    o->addWidget(label(QStringLiteral("Depth:")), 1, 4);
    o->addWidget(m_depthEdit, 1, 5);
    layout->addWidget(objectBox, 1, 0, 1, 4);

    // "Options".
    auto* optionsBox = new QGroupBox(QStringLiteral("Options"), this);
    auto* op = new QGridLayout(optionsBox);
    const char* optionNames[6] = {"Render Object Bounding Box", "Render Grid", "Show Lights", "Antialias Points",
                                  "Antialias Lines", "Antialias Polygons"};
    const int optionIds[6] = {IDC_OBJ_BOUNDING_BOX,    IDC_OBJ_GRID,
                              IDC_OBJ_SHOW_LIGHTS,     IDC_OBJ_ANTIALIAS_POINTS,
                              IDC_OBJ_ANTIALIAS_LINES, IDC_OBJ_ANTIALIAS_POLYS};
    for (int i = 0; i < 6; ++i) {
        m_options[i] = new QCheckBox(QString::fromLatin1(optionNames[i]), this);
        setControlId(m_options[i], optionIds[i]);
        op->addWidget(m_options[i], i, 0);
    }
    layout->addWidget(optionsBox, 2, 0, 1, 2);

    // "Selection Mode".
    auto* selectionBox = new QGroupBox(QStringLiteral("Selection Mode"), this);
    auto* sl = new QGridLayout(selectionBox);
    const char* modes[3] = {"Color", "Bound Box", "Both"};
    auto* selectionGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_selectionRadios[i] = new QRadioButton(QString::fromLatin1(modes[i]), this);
        setControlId(m_selectionRadios[i], IDC_OBJ_SELECTION_NONE + i);
        selectionGroup->addButton(m_selectionRadios[i], i);
        sl->addWidget(m_selectionRadios[i], i, 0);
    }
    layout->addWidget(selectionBox, 2, 2, 1, 2);

    // Clear colour.
    m_clearSwatch = new Swatch(this);
    setControlId(m_clearSwatch, IDC_OBJ_CLEAR_SWATCH);
    auto* clearRow = new QGridLayout;
    clearRow->addWidget(label(QStringLiteral("Clear Color")), 0, 0);
    clearRow->addWidget(m_clearSwatch, 0, 1);
    const char* rgba[4] = {"R", "G", "B", "A"};
    for (int c = 0; c < 4; ++c) {
        m_clearEdits[c] = new CommitEdit(this);
        setControlId(m_clearEdits[c], IDC_OBJ_CLEAR_R + c);
        m_clearEdits[c]->setRange(0, 1);
        clearRow->addWidget(label(QString::fromLatin1(rgba[c])), 0, 2 + 2 * c);
        clearRow->addWidget(m_clearEdits[c], 0, 3 + 2 * c);
        connect(m_clearEdits[c], &CommitEdit::committed, this, [this, c] { colourEdit(true, c); });
    }
    auto* clearSelect = makeButton(this, QStringLiteral("Select"), IDC_OBJ_CLEAR_SELECT);
    clearRow->addWidget(clearSelect, 0, 10);
    layout->addLayout(clearRow, 3, 0, 1, 4);

    // "Camera".
    auto* cameraBox = new QGroupBox(QStringLiteral("Camera"), this);
    auto* cam = new QGridLayout(cameraBox);
    m_zoomEdit = new CommitEdit(this);
    setControlId(m_zoomEdit, IDC_OBJ_ZOOM);
    m_zoomEdit->setStepRange(5, 145);
    m_slider = new ZoomSlider(this);
    setControlId(m_slider, IDC_OBJ_ZOOM_SLIDER);
    cam->addWidget(label(QStringLiteral("Zoom Angle:")), 0, 0);
    cam->addWidget(m_zoomEdit, 0, 1);
    cam->addWidget(label(QStringLiteral("5°")), 1, 0);
    cam->addWidget(m_slider, 1, 1, 1, 2);
    cam->addWidget(label(QStringLiteral("145°")), 1, 3);
    layout->addWidget(cameraBox, 4, 0, 1, 4);

    // "Lighting".
    auto* lightingBox = new QGroupBox(QStringLiteral("Lighting"), this);
    auto* li = new QGridLayout(lightingBox);
    li->addWidget(label(QStringLiteral("Drag  on/off")), 0, 0, 1, 2);
    li->addWidget(label(QStringLiteral("Drag  on/off")), 0, 4, 1, 2);
    auto* dragGroup = new QButtonGroup(this);
    for (int i = 0; i < 6; ++i) {
        const int column = i < 3 ? 0 : 4, row = 1 + i % 3;
        m_dragRadios[i] = new QRadioButton(this);
        setControlId(m_dragRadios[i], kDragIds[i]);
        dragGroup->addButton(m_dragRadios[i], i);
        m_lightBoxes[i] = new QCheckBox(this);
        setControlId(m_lightBoxes[i], kOnIds[i]);
        m_lightSwatches[i] = new Swatch(this);
        setControlId(m_lightSwatches[i], kSwatchIds[i]);
        m_lightSwatches[i]->setColor(Qt::white);
        auto* edit = makeButton(this, QStringLiteral("Edit Light %1").arg(i + 1), kEditIds[i]);
        li->addWidget(m_dragRadios[i], row, column);
        li->addWidget(m_lightBoxes[i], row, column + 1);
        li->addWidget(m_lightSwatches[i], row, column + 2);
        li->addWidget(edit, row, column + 3);
        connect(m_dragRadios[i], &QRadioButton::clicked, this,
                [this, i] { changeView([i](ViewSettings& v) { v.dragLight = i; }); });
        connect(m_lightBoxes[i], &QCheckBox::clicked, this, [this, i] { toggleLight(i + 1); });
        connect(edit, &QPushButton::clicked, this, [this, i] { editLight(i + 1); });
    }
    m_swarm = makeButton(this, QStringLiteral("Light Swarm"), IDC_OBJ_SWARM);
    m_swarm->setCheckable(true);
    li->addWidget(m_swarm, 4, 0, 1, 4);
    m_ambientSwatch = new Swatch(this);
    setControlId(m_ambientSwatch, IDC_OBJ_AMBIENT_SWATCH);
    auto* ambientRow = new QGridLayout;
    ambientRow->addWidget(label(QStringLiteral("Ambient")), 0, 0);
    ambientRow->addWidget(m_ambientSwatch, 0, 1);
    for (int c = 0; c < 4; ++c) {
        m_ambientEdits[c] = new CommitEdit(this);
        setControlId(m_ambientEdits[c], IDC_OBJ_AMBIENT_R + c);
        m_ambientEdits[c]->setRange(0, 1);
        ambientRow->addWidget(label(QString::fromLatin1(rgba[c])), 0, 2 + 2 * c);
        ambientRow->addWidget(m_ambientEdits[c], 0, 3 + 2 * c);
        connect(m_ambientEdits[c], &CommitEdit::committed, this, [this, c] { colourEdit(false, c); });
    }
    auto* ambientSelect = makeButton(this, QStringLiteral("Select"), IDC_OBJ_AMBIENT_SELECT);
    ambientRow->addWidget(ambientSelect, 0, 10);
    li->addLayout(ambientRow, 5, 0, 1, 8);
    layout->addWidget(lightingBox, 5, 0, 1, 4);
    layout->setRowStretch(6, 1);

    connect(selectionGroup, &QButtonGroup::idClicked, this, [this](int index) {
        // Color, Bound Box and Both are the glow, the outline and the two together.
        changeView([index](ViewSettings& v) { v.selectionMode = KORVID_SELECT_GLOW + index; });
        m_doc.highlightSurface(m_view.settings().selectionMode);
    });
    bool ViewSettings::*const options[6] = {&ViewSettings::boundingBox,     &ViewSettings::grid,
                                            &ViewSettings::showLights,      &ViewSettings::antialiasPoints,
                                            &ViewSettings::antialiasLines,  &ViewSettings::antialiasPolys};
    for (int i = 0; i < 6; ++i)
        connect(m_options[i], &QCheckBox::clicked, this, [this, option = options[i]] {
            changeView([option](ViewSettings& v) { v.*option = !(v.*option); });
        });
    connect(clearSelect, &QPushButton::clicked, this, [this] { colourDialog(true); });
    connect(ambientSelect, &QPushButton::clicked, this, [this] { colourDialog(false); });
    connect(m_slider, &QSlider::valueChanged, this, &CObjectPage::zoomFromSlider);
    connect(m_zoomEdit, &CommitEdit::committed, this, &CObjectPage::zoomFromEdit);
    connect(m_swarm, &QPushButton::clicked, this, [this] { changeView([](ViewSettings& v) { v.swarm = !v.swarm; }); });
    connect(&m_view, &CVantorView::settingsChanged, this, &CObjectPage::redisplay);
    connect(modify, &QPushButton::clicked, this, &CObjectPage::modifyGeometry);
    {
        connect(&m_doc, &CVantorDoc::cleared, this, &CObjectPage::documentCleared);
        connect(&m_doc, &CVantorDoc::opening, this, [this] { m_objectList->setEnabled(true); });
        connect(&m_doc, &CVantorDoc::opened, this, &CObjectPage::documentOpened);
        connect(&m_doc, &CVantorDoc::changed, this, [this](const DocumentChange& change) {
            if (change.kind == EntityPart::Geometry) showModelSize();
            if (change.kind == EntityPart::Light) showLight(change.index);
        });
    }

    {
        const QSignalBlocker block(m_slider);
        m_slider->setRange(5, 145);
        m_slider->setValue(45);
    }
    redisplay();
}

CObjectPage::~CObjectPage() {
}

void CObjectPage::initialise() {
    redisplay();
    m_objectList->setEnabled(false);
    const QSignalBlocker block(m_slider);
    m_slider->setRange(5, 145);
    m_slider->setValue(45);
}

void CObjectPage::redisplay() {
    const ViewSettings& v = m_view.settings();
    const int selection = v.selectionMode - KORVID_SELECT_GLOW;
    if (selection >= 0 && selection < 3) m_selectionRadios[selection]->setChecked(true);
    const bool options[6] = {v.boundingBox, v.grid, v.showLights, v.antialiasPoints, v.antialiasLines, v.antialiasPolys};
    for (int i = 0; i < 6; ++i) m_options[i]->setChecked(options[i]);
    for (int c = 0; c < 4; ++c) {
        m_clearEdits[c]->setText(formatG6(v.clearColour[c]));
        m_ambientEdits[c]->setText(formatG6(v.ambient[c]));
    }
    m_clearSwatch->setColor(swatchColor(v.clearColour));
    m_ambientSwatch->setColor(swatchColor(v.ambient));
    // An empty entity shows zeros rather than the extents' starting values.
    const ModelInfo& m = m_doc.modelInfo();
    const bool model = m.polygonCount > 0 || m.surfaceCount > 0;
    m_heightEdit->setText(formatG6(model ? m.maxY - m.minY : 0));
    m_widthEdit->setText(formatG6(model ? m.maxX - m.minX : 0));
    m_depthEdit->setText(formatG6(model ? m.maxZ - m.minZ : 0));
    m_polygonsEdit->setText(formatInt(m.polygonCount));
    m_surfaceCountEdit->setText(formatInt(m.surfaceCount));
    m_zoomEdit->setText(formatInt(m_view.fieldOfView()));
    for (int i = 0; i < 6; ++i) m_lightBoxes[i]->setChecked(m_doc.light(i).on != 0);
    m_swarm->setChecked(v.swarm);
    m_dragRadios[v.dragLight]->setChecked(true);
}

void CObjectPage::changeView(const std::function<void(ViewSettings&)>& change) {
    ViewSettings settings = m_view.settings();
    change(settings);
    m_view.setSettings(settings);
}

void CObjectPage::colourEdit(bool clear, int c) {
    CommitEdit* edit = clear ? m_clearEdits[c] : m_ambientEdits[c];
    const float value = toFloat(edit->text());
    edit->setText(formatG6(value));
    changeView([clear, c, value](ViewSettings& v) { (clear ? v.clearColour : v.ambient)[c] = value; });
}

void CObjectPage::colourDialog(bool clear) {
    ViewSettings settings = m_view.settings();
    float* working = clear ? settings.clearColour : settings.ambient;
    CommitEdit** edits = clear ? m_clearEdits : m_ambientEdits;
    QLineEdit* rgb[3] = {edits[0], edits[1], edits[2]};
    if (!selectColour(this, working, rgb, clear ? m_clearSwatch : m_ambientSwatch, ByteScale::MultiplyByInverse))
        return;
    // The edits keep the dialog's three decimals until the page is next shown afresh.
    QString shown[3];
    for (int c = 0; c < 3; ++c) shown[c] = rgb[c]->text();
    m_view.setSettings(settings);
    for (int c = 0; c < 3; ++c) rgb[c]->setText(shown[c]);
}

void CObjectPage::zoomFromSlider(int value) {
    m_zoomEdit->setText(QString::asprintf("%d", value));
    m_view.setFieldOfView(value);
}

void CObjectPage::zoomFromEdit() {
    int angle = toInt(m_zoomEdit->text());
    if (angle < 5) {
        angle = 5;
        m_zoomEdit->setText(QStringLiteral("5"));
    } else if (angle > 145) {
        angle = 145;
        m_zoomEdit->setText(QStringLiteral("145"));
    }
    m_zoomEdit->setText(formatInt(angle));
    {
        const QSignalBlocker block(m_slider);
        m_slider->setValue(angle);
    }
    m_view.setFieldOfView(angle);
}

void CObjectPage::toggleLight(int n) {
    const int i = n - 1;
    m_doc.switchLight(i, m_doc.light(i).on == 0);
}

void CObjectPage::editLight(int n) {
    const int i = n - 1;
    LightData light = m_doc.light(i);
    CLightPropertiesDlg dialog(this);
    std::copy(light.ambient, light.ambient + 4, dialog.m_ambient);
    std::copy(light.diffuse, light.diffuse + 4, dialog.m_diffuse);
    std::copy(light.specular, light.specular + 4, dialog.m_specular);
    dialog.m_kind = static_cast<int>(light.position[3]);
    dialog.m_constant = light.constantAttenuation;
    dialog.m_linear = light.linearAttenuation;
    dialog.m_quadratic = light.quadraticAttenuation;
    if (dialog.exec() != QDialog::Accepted) return;
    std::copy(dialog.m_ambient, dialog.m_ambient + 4, light.ambient);
    std::copy(dialog.m_diffuse, dialog.m_diffuse + 4, light.diffuse);
    std::copy(dialog.m_specular, dialog.m_specular + 4, light.specular);
    light.constantAttenuation = dialog.m_constant;
    light.linearAttenuation = dialog.m_linear;
    light.quadraticAttenuation = dialog.m_quadratic;
    light.position[3] = static_cast<float>(dialog.m_kind);
    m_doc.editLight(i, light);
}

void CObjectPage::modifyGeometry() {
    CGeometryDlg dialog(m_doc, this);
    dialog.exec();
    showModelSize();
}

void CObjectPage::showModelSize() {
    // The geometry operations change the vertices, so the extents are read again.
    m_doc.refreshModelInfo();
    redisplay();
}

void CObjectPage::showLight(int i) {
    m_lightBoxes[i]->setChecked(m_doc.light(i).on != 0);
    m_lightSwatches[i]->setColor(swatchColor(m_doc.light(i).diffuse));
}

void CObjectPage::showLights() {
    for (int i = 0; i < 6; ++i) showLight(i);
}

void CObjectPage::documentCleared() {
    m_objectList->clear();
    m_objectList->setEnabled(false);
    showLights();
}

void CObjectPage::documentOpened() {
    m_objectList->addItem(m_doc.fileTitle());
    m_objectList->model()->sort(0);
    m_objectList->setCurrentIndex(0);
    redisplay();
}
