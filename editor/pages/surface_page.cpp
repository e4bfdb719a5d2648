#include "pages/surface_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>

#include <GL/gl.h>

#include <cstring>

#include "resource.h"
#include "widgets/controls.h"
#include "dialogs/image_dlg.h"
#include "document/vantor_doc.h"
#include "view/vantor_view.h"
#include "pages/surface_tables.h"

using namespace vantor;
using namespace vantor::surface_tables;



CSurfacePage::CSurfacePage(CVantorDoc& document, CVantorView& view, QWidget* parent)
    : QWidget(parent), m_doc(document), m_view(view) {
    auto label = [this](const char* text) { return new QLabel(QString::fromLatin1(text), this); };
    auto* layout = new QGridLayout(this);

    m_surfaceList = new QComboBox(this);
    m_surfaceList->setEditable(true);
    m_surfaceList->setInsertPolicy(QComboBox::NoInsert);
    setControlId(m_surfaceList, IDC_SURF_LIST);
    layout->addWidget(label("Surface:"), 0, 0);
    layout->addWidget(m_surfaceList, 0, 1, 1, 3);

    auto* countBox = new QGroupBox(this);
    auto* cg = new QGridLayout(countBox);
    m_polygonsEdit = new QLineEdit(this);
    m_polygonsEdit->setReadOnly(true);
    setControlId(m_polygonsEdit, IDC_SURF_POLYGONS);
    m_verticesEdit = new QLineEdit(this);
    m_verticesEdit->setReadOnly(true);
    setControlId(m_verticesEdit, IDC_SURF_VERTICES);
    m_unselect = makeButton(this, QStringLiteral("Unselect"), IDC_SURF_UNSELECT);
    cg->addWidget(label("Polygons:"), 0, 0);
    cg->addWidget(m_polygonsEdit, 0, 1);
    cg->addWidget(label("Verticies:"), 0, 2);
    cg->addWidget(m_verticesEdit, 0, 3);
    cg->addWidget(m_unselect, 0, 4);
    layout->addWidget(countBox, 1, 0, 1, 4);

    auto* descriptionBox = new QGroupBox(QStringLiteral("Surface Discription"), this);
    auto* dg = new QGridLayout(descriptionBox);
    const char* heads[4] = {"R", "G", "B", "A"};
    for (int c = 0; c < 4; ++c) dg->addWidget(label(heads[c]), 0, 2 + c, Qt::AlignCenter);
    for (int r = 0; r < 4; ++r) {
        dg->addWidget(label(kColourLabels[r]), r + 1, 0);
        m_swatches[r] = new Swatch(this);
        setControlId(m_swatches[r], kSwatchIds[r]);
        m_swatches[r]->setColor(kGrey);
        dg->addWidget(m_swatches[r], r + 1, 1);
        for (int c = 0; c < 4; ++c) {
            m_colourEdits[r][c] = new CommitEdit(this);
            setControlId(m_colourEdits[r][c], kColourEditIds[r] + c);
            m_colourEdits[r][c]->setMinimumWidth(40);
            m_colourEdits[r][c]->setRange(0, 1);
            dg->addWidget(m_colourEdits[r][c], r + 1, 2 + c);
            connect(m_colourEdits[r][c], &CommitEdit::committed, this, [this, r, c] { commitColour(r, c); });
        }
        m_selects[r] = makeButton(this, QStringLiteral("Select"), kSelectIds[r]);
        dg->addWidget(m_selects[r], r + 1, 6);
        connect(m_selects[r], &QPushButton::clicked, this, [this, r] { selectColour(r); });
    }
    m_shininessEdit = new CommitEdit(this);
    setControlId(m_shininessEdit, IDC_SURF_SHININESS);
    m_shininessEdit->setRange(0, 128);
    m_smoothBox = new QCheckBox(QStringLiteral("Smooth"), this);
    setControlId(m_smoothBox, IDC_SURF_SMOOTH);
    m_angleEdit = new CommitEdit(this);
    setControlId(m_angleEdit, IDC_SURF_ANGLE);
    m_angleEdit->setRange(0, 180);
    dg->addWidget(label("Shininess:"), 5, 0);
    dg->addWidget(m_shininessEdit, 5, 1, 1, 2);
    dg->addWidget(m_smoothBox, 5, 3);
    dg->addWidget(label("Angle:"), 5, 4);
    dg->addWidget(m_angleEdit, 5, 5);
    layout->addWidget(descriptionBox, 2, 0, 1, 4);

    auto* switchBox = new QGroupBox(this);
    auto* sw = new QGridLayout(switchBox);
    m_blendingBox = new QCheckBox(QStringLiteral("Blending"), this);
    setControlId(m_blendingBox, IDC_SURF_BLENDING);
    m_cullingBox = new QCheckBox(QStringLiteral("Culling"), this);
    setControlId(m_cullingBox, IDC_SURF_CULLING);
    m_texture1 = new QRadioButton(QStringLiteral("Texture 1"), this);
    setControlId(m_texture1, IDC_SURF_TEXTURE1);
    m_texture2 = new QRadioButton(QStringLiteral("Texture 2"), this);
    setControlId(m_texture2, IDC_SURF_TEXTURE2);
    sw->addWidget(m_blendingBox, 0, 0);
    sw->addWidget(m_cullingBox, 0, 1);
    sw->addWidget(m_texture1, 0, 2);
    sw->addWidget(m_texture2, 0, 3);
    layout->addWidget(switchBox, 3, 0, 1, 4);

    auto* textureBox = new QGroupBox(QStringLiteral("Texture Properties"), this);
    auto* tg = new QGridLayout(textureBox);
    m_imageList = new QComboBox(this);
    m_imageList->setEditable(true);
    m_imageList->setInsertPolicy(QComboBox::NoInsert);
    setControlId(m_imageList, IDC_SURF_IMAGE);
    auto* images = makeButton(this, QStringLiteral("Images"), IDC_SURF_IMAGES);
    m_function = dropList(this, IDC_SURF_FUNCTION, {"MODULATE", "DECAL", "BLEND"});
    m_planeMode = dropList(this, IDC_SURF_PLANE, {"OBJECT_PLANE", "EYE_PLANE"});
    m_genMode = dropList(this, IDC_SURF_GEN_MODE, {"OBJECT_LINEAR", "EYE_LINEAR", "SPHERE_MAP"});
    tg->addWidget(label("Image:"), 0, 0);
    tg->addWidget(m_imageList, 0, 1, 1, 4);
    tg->addWidget(images, 0, 5, 1, 2);
    tg->addWidget(label("Function:"), 1, 0);
    tg->addWidget(m_function, 1, 1, 1, 2);
    tg->addWidget(label("Plane:"), 1, 3);
    tg->addWidget(m_planeMode, 1, 4, 1, 3);
    tg->addWidget(label("Generating Mode:"), 2, 0, 1, 2);
    tg->addWidget(m_genMode, 2, 2, 1, 3);
    const char* axes[3] = {"X", "Y", "Z"};
    auto axisButton = [&](int id, int axis) {
        auto* b = makeButton(this, QString::fromLatin1(axes[axis]), id);
        b->setCheckable(true);
        b->setMaximumWidth(28);
        return b;
    };
    tg->addWidget(label("sPlane:"), 3, 0);
    tg->addWidget(label("tPlane:"), 4, 0);
    for (int a = 0; a < 3; ++a) {
        m_sAxisBoxes[a] = axisButton(kSAxisIds[a], a);
        m_tAxisBoxes[a] = axisButton(kTAxisIds[a], a);
        tg->addWidget(m_sAxisBoxes[a], 3, 1 + a);
        tg->addWidget(m_tAxisBoxes[a], 4, 1 + a);
        connect(m_sAxisBoxes[a], &QPushButton::clicked, this, [this, a] { toggleAxis(true, a); });
        connect(m_tAxisBoxes[a], &QPushButton::clicked, this, [this, a] { toggleAxis(false, a); });
    }
    m_sScaleEdit = new CommitEdit(this);
    setControlId(m_sScaleEdit, IDC_SURF_S_SCALE);
    m_tScaleEdit = new CommitEdit(this);
    setControlId(m_tScaleEdit, IDC_SURF_T_SCALE);
    tg->addWidget(label("Scale ->"), 3, 4);
    tg->addWidget(m_sScaleEdit, 3, 5, 1, 2);
    tg->addWidget(label("Scale ->"), 4, 4);
    tg->addWidget(m_tScaleEdit, 4, 5, 1, 2);
    tg->addWidget(label("sPlane:"), 5, 0);
    tg->addWidget(label("tPlane:"), 6, 0);
    for (int a = 0; a < 3; ++a) {
        m_sCoefficients[a] = new CommitEdit(this);
        setControlId(m_sCoefficients[a], kSCoefficientIds[a]);
        m_tCoefficients[a] = new CommitEdit(this);
        setControlId(m_tCoefficients[a], kTCoefficientIds[a]);
        tg->addWidget(m_sCoefficients[a], 5, 1 + 2 * a, 1, 2);
        tg->addWidget(m_tCoefficients[a], 6, 1 + 2 * a, 1, 2);
        connect(m_sCoefficients[a], &CommitEdit::committed, this, [this, a] { commitCoefficient(true, a); });
        connect(m_tCoefficients[a], &CommitEdit::committed, this, [this, a] { commitCoefficient(false, a); });
    }
    tg->addWidget(label("P1X+P2Y+P3Z"), 7, 1, 1, 6, Qt::AlignCenter);
    layout->addWidget(textureBox, 4, 0, 1, 4);
    layout->setRowStretch(5, 1);

    m_surfaceList->setEditText(QStringLiteral("<Select Surface>"));
    m_imageList->setEditText(QStringLiteral("NONE"));

    connect(m_surfaceList, &QComboBox::activated, this, &CSurfacePage::chooseSurface);
    connect(m_unselect, &QPushButton::clicked, this, &CSurfacePage::unselect);
    connect(m_shininessEdit, &CommitEdit::committed, this, [this] {
        SurfaceData s = m_doc.surface();
        s.shininess = toFloat(m_shininessEdit->text());
        m_shininessEdit->setText(formatG6(s.shininess));
        writeBack(s, QStringLiteral("Shininess"), IDC_SURF_SHININESS);
    });
    connect(m_smoothBox, &QCheckBox::clicked, this, &CSurfacePage::toggleSmooth);
    connect(m_angleEdit, &CommitEdit::committed, this, &CSurfacePage::commitAngle);
    connect(m_blendingBox, &QCheckBox::clicked, this, [this] {
        SurfaceData s = m_doc.surface();
        s.blending = !s.blending;
        writeBack(s, QStringLiteral("Blending"));
    });
    connect(m_cullingBox, &QCheckBox::clicked, this, [this] {
        SurfaceData s = m_doc.surface();
        s.culling = !s.culling;
        writeBack(s, QStringLiteral("Culling"));
    });
    connect(m_texture1, &QRadioButton::clicked, this, [this] { loadSlot(0); });
    connect(m_texture2, &QRadioButton::clicked, this, [this] { loadSlot(1); });
    connect(m_imageList, &QComboBox::activated, this, &CSurfacePage::chooseImage);
    connect(images, &QPushButton::clicked, this, &CSurfacePage::showImages);
    connect(m_function, &QComboBox::activated, this, [this](int i) {
        if (i < 0) return;
        SurfaceData s = m_doc.surface();
        (m_slot == 0 ? s.texEnv1 : s.texEnv2) = kFunctions[i];
        writeBack(s, QStringLiteral("Texture Function"));
    });
    connect(m_genMode, &QComboBox::activated, this, [this](int i) {
        if (i < 0) return;
        SurfaceData s = m_doc.surface();
        (m_slot == 0 ? s.genMode1 : s.genMode2) = kGenModes[i];
        writeBack(s, QStringLiteral("Generating Mode"));
    });
    connect(m_planeMode, &QComboBox::activated, this, [this](int i) {
        if (i < 0) return;
        SurfaceData s = m_doc.surface();
        (m_slot == 0 ? s.planeMode1 : s.planeMode2) = kPlaneModes[i];
        writeBack(s, QStringLiteral("Texture Plane"));
    });
    connect(m_sScaleEdit, &CommitEdit::committed, this, [this] { commitScale(true); });
    connect(m_tScaleEdit, &CommitEdit::committed, this, [this] { commitScale(false); });
    {
        connect(&m_doc, &CVantorDoc::cleared, this, &CSurfacePage::documentCleared);
        connect(&m_doc, &CVantorDoc::opening, this, [this] { m_surfaceList->setEnabled(true); });
        connect(&m_doc, &CVantorDoc::opened, this, &CSurfacePage::documentOpened);
        connect(&m_doc, &CVantorDoc::imageAdded, this, [this](const QString& name) { m_imageList->addItem(name); });
        connect(&m_doc, &CVantorDoc::imageRemoved, this,
                [this](const QString& name) { removeEntry(m_imageList, name); });
        connect(&m_doc.selection(), &Selection::currentChanged, this, [this](Selection::What what) {
            if (what == Selection::What::Surface) followSelection();
        });
        connect(&m_doc, &CVantorDoc::changed, this, [this](const DocumentChange& change) {
            if (change.kind != EntityPart::Surface) return;
            // A renamed surface keeps its place in the list under its new name.
            const QStringList& names = m_doc.surfaceNames();
            if (change.index >= 0 && change.index < m_surfaceList->count() && change.index < names.size() &&
                m_surfaceList->itemText(change.index) != names[change.index]) {
                const QSignalBlocker block(m_surfaceList);
                m_surfaceList->setItemText(change.index, names[change.index]);
            }
            if (change.restored) showRestored(change.index);
            else if (change.index == m_doc.currentSurface()) showSurface();
        });
    }
}

void CSurfacePage::showRestored(int index) {
    // The surface whose change was taken back is shown, on the texture slot
    // that was shown before when it is the same surface.
    const bool same = index == m_doc.currentSurface() && m_unselect->isEnabled();
    const int slot = m_slot;
    {
        const QSignalBlocker block(m_surfaceList);
        m_surfaceList->setCurrentIndex(index);
    }
    chooseSurface(index);
    if (same && slot == 1 && m_doc.surface().textureCount > 0) {
        m_texture1->setChecked(false);
        m_texture2->setChecked(true);
        loadSlot(1);
    }
}

void CSurfacePage::documentCleared() {
    {
        const QSignalBlocker a(m_surfaceList);
        const QSignalBlocker b(m_imageList);
        m_surfaceList->setEnabled(false);
        m_surfaceList->clear();
        m_imageList->clear();
        // "NONE" stays offered: without it no texture could be taken off again.
        m_imageList->addItem(QStringLiteral("NONE"));
        m_imageList->setEditText(QStringLiteral("NONE"));
    }
    enableSurfaceControls(false);
    enableTextureControls(false);
    m_imageDialog->empty();
}

void CSurfacePage::documentOpened(bool zob) {
    if (zob) m_imageDialog->listLibrary();
    {
        const QSignalBlocker block(m_surfaceList);
        m_surfaceList->clear();
        m_surfaceList->addItems(m_doc.surfaceNames());
        m_surfaceList->setCurrentIndex(-1);
    }
    // No surface of the new model is chosen yet: the page must not go on
    // editing a surface of the model shown before.
    clearSurface();
}

CSurfacePage::~CSurfacePage() {
    delete m_imageDialog;
}

void CSurfacePage::initialise() {
    {
        const QSignalBlocker block(m_imageList);
        m_imageList->addItem(QStringLiteral("NONE"));
        m_imageList->setEditText(QStringLiteral("NONE"));
    }
    m_imageDialog = new CImageDlg(m_doc, window());
    m_imageDialog->hide();
    m_surfaceList->setEnabled(false);
    enableSurfaceControls(false);
    enableTextureControls(false);
}

void CSurfacePage::showImages() {
    if (m_imageDialog) {
        m_imageDialog->show();
        m_imageDialog->raise();
    }
}

void CSurfacePage::enableSurfaceControls(bool on) {
    m_unselect->setEnabled(on);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) m_colourEdits[r][c]->setEnabled(on);
        m_selects[r]->setEnabled(on);
    }
    m_shininessEdit->setEnabled(on);
    m_smoothBox->setEnabled(on);
    m_angleEdit->setEnabled(on);
    m_blendingBox->setEnabled(on);
    m_cullingBox->setEnabled(on);
    m_texture1->setEnabled(on);
    m_texture2->setEnabled(on);
}

void CSurfacePage::enableTextureControls(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_function, m_planeMode, m_genMode, m_imageList, m_sScaleEdit,
                                                      m_tScaleEdit})
        w->setEnabled(on);
    for (int a = 0; a < 3; ++a) {
        m_sAxisBoxes[a]->setEnabled(on);
        m_tAxisBoxes[a]->setEnabled(on);
        m_sCoefficients[a]->setEnabled(on);
        m_tCoefficients[a]->setEnabled(on);
    }
}

void CSurfacePage::writeBack(const SurfaceData& record, const QString& change, int field) {
    m_doc.editSurface(record, change, field);
}

void CSurfacePage::showValues(bool chosen, bool keepShown) {
    const SurfaceData& s = m_doc.surface();
    {
        const QSignalBlocker block(m_surfaceList);
        m_surfaceList->setEditText(QStringLiteral("<Select Surface>"));
    }
    m_polygonsEdit->setText(formatInt(chosen ? s.polygonCount : 0));
    m_verticesEdit->setText(formatInt(chosen ? s.vertexFloatCount / 3 : 0));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) showNumber(m_colourEdits[r][c], surfaceColour(s, r)[c], formatG6(surfaceColour(s, r)[c]), keepShown);
    showNumber(m_shininessEdit, s.shininess, formatG6(s.shininess), keepShown);
    // The angle field keeps an angle that was refused: smoothing uses what it shows.
    if (!chosen || m_angleEdit->text().isEmpty()) m_angleEdit->setText(formatG6(s.angle));
    m_smoothBox->setChecked(s.smooth != 0);
    m_blendingBox->setChecked(s.blending != 0);
    m_cullingBox->setChecked(s.culling != 0);
}

void CSurfacePage::rebuildSwatches() {
    for (int r = 0; r < 4; ++r) m_swatches[r]->setColor(swatchColor(surfaceColour(m_doc.surface(), r)));
}

void CSurfacePage::showSurface() {
    rebuildSwatches();
    showValues(true, true);
    showSlot(true);
}

void CSurfacePage::followSelection() {
    const int index = m_doc.currentSurface();
    if (m_choosing || index < 0 || index >= m_surfaceList->count()) return;
    if (index == m_surfaceList->currentIndex() && m_unselect->isEnabled()) return;  // shown already
    {
        const QSignalBlocker block(m_surfaceList);
        m_surfaceList->setCurrentIndex(index);
    }
    m_doc.highlightSurface(m_view.settings().selectionMode);
    showChosenSurface();
}

void CSurfacePage::chooseSurface(int index) {
    if (index < 0) return;
    {
        const QScopedValueRollback choosing(m_choosing, true);
        m_doc.chooseSurface(index, m_view.settings().selectionMode);
    }
    showChosenSurface();
}

void CSurfacePage::showChosenSurface() {
    const SurfaceData& s = m_doc.surface();
    enableSurfaceControls(true);
    enableTextureControls(true);
    rebuildSwatches();
    m_angleEdit->setText(formatG6(s.angle));
    if (!s.smooth) m_angleEdit->setEnabled(false);
    showValues(true);
    m_texture1->setChecked(true);
    m_texture2->setChecked(false);
    loadSlot(0);
}

void CSurfacePage::commitColour(int row, int component) {
    SurfaceData s = m_doc.surface();
    const float value = toFloat(m_colourEdits[row][component]->text());
    m_colourEdits[row][component]->setText(formatG6(value));
    surfaceColour(s, row)[component] = value;
    writeBack(s, kColourNames[row], kColourEditIds[row] + component);
}

void CSurfacePage::selectColour(int row) {
    SurfaceData s = m_doc.surface();
    QLineEdit* edits[3] = {m_colourEdits[row][0], m_colourEdits[row][1], m_colourEdits[row][2]};
    if (!vantor::selectColour(this, surfaceColour(s, row), edits, m_swatches[row])) return;
    writeBack(s, kColourNames[row]);
}

void CSurfacePage::smooth(const SurfaceData& record, const QString& change) {
    // No frame is drawn while the normals change.
    RedrawPause pause(&m_view);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_doc.smoothSurface(record, record.angle, change);
    QApplication::restoreOverrideCursor();
}

void CSurfacePage::toggleSmooth() {
    SurfaceData s = m_doc.surface();
    const float angle = toFloat(m_angleEdit->text());
    // The box shows the choice; without an angle above 1 degree nothing is smoothed yet.
    if (!m_smoothBox->isChecked()) {
        s.smooth = 0;
        m_angleEdit->setEnabled(false);
        writeBack(s, QStringLiteral("Smooth"));
        return;
    }
    m_angleEdit->setEnabled(true);
    if (!(angle > 1.0f)) return;
    const bool recompute = angle != s.angle;
    s.angle = angle;
    s.smooth = 1;
    if (recompute) smooth(s, QStringLiteral("Smooth"));
    else writeBack(s, QStringLiteral("Smooth"));
}

void CSurfacePage::commitAngle() {
    SurfaceData s = m_doc.surface();
    const float value = toFloat(m_angleEdit->text());
    m_angleEdit->setText(formatG6(value));
    if (!(value > 1.0f)) {
        message(this, QStringLiteral("Angle must be larger than 1.0 degree"));
        return;
    }
    if (value == s.angle) return;
    s.angle = value;
    s.smooth = m_smoothBox->isChecked() ? 1 : 0;
    smooth(s, QStringLiteral("Smoothing Angle"));
}

void CSurfacePage::unselect() {
    {
        const QSignalBlocker block(m_surfaceList);
        m_surfaceList->setCurrentIndex(-1);
        m_surfaceList->setEditText(QString());
    }
    m_doc.highlightSurface(KORVID_SELECT_NONE);
    // The list takes the focus first, so that disabling the field that had it
    // does not walk the focus through the other fields.
    m_surfaceList->setFocus();
    clearSurface();
}

void CSurfacePage::clearSurface() {
    for (Swatch* s : m_swatches) s->setColor(kGrey);
    enableSurfaceControls(false);
    enableTextureControls(false);
    showValues(false);
}
