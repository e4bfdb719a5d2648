// The SURFACE page's texture slots: the image, its function and scale, and
// how texture coordinates are generated.
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

void CSurfacePage::loadSlot(int slot) {
    const SurfaceData& s = m_doc.surface();
    if (slot == 0) {
        m_slot = 0;
        enableTextureControls(true);
    } else {
        if (s.textureCount == 0) {
            enableTextureControls(false);
            return;
        }
        m_slot = 1;
        enableTextureControls(true);
    }
    // The axis buttons and the scale start from the slot's planes.
    for (int which = 0; which < 2; ++which) {
        const bool sPlane = which == 0;
        const float* p = plane(sPlane);
        int* flags = sPlane ? m_sAxis : m_tAxis;
        for (int a = 0; a < 3; ++a) {
            flags[a] = p[a] > 0;
            if (flags[a]) (sPlane ? m_sScale : m_tScale) = p[a];
        }
    }
    showSlot();
}

void CSurfacePage::showSlot(bool keepShown) {
    const SurfaceData& s = m_doc.surface();
    QString image = QStringLiteral("NONE");
    if (m_slot == 0 && s.textureCount >= 1) image = QString::fromLocal8Bit(s.texture1Name);
    if (m_slot == 1 && s.textureCount == 2) image = QString::fromLocal8Bit(s.texture2Name);
    {
        const QSignalBlocker block(m_imageList);
        m_imageList->setEditText(image);
    }
    selectValue(m_genMode, kGenModes, m_slot == 0 ? s.genMode1 : s.genMode2);
    selectValue(m_function, kFunctions, m_slot == 0 ? s.texEnv1 : s.texEnv2);
    selectValue(m_planeMode, kPlaneModes, m_slot == 0 ? s.planeMode1 : s.planeMode2);
    for (int which = 0; which < 2; ++which) {
        const bool sPlane = which == 0;
        const float* p = plane(sPlane);
        const int* flags = sPlane ? m_sAxis : m_tAxis;
        QPushButton** boxes = sPlane ? m_sAxisBoxes : m_tAxisBoxes;
        CommitEdit** edits = sPlane ? m_sCoefficients : m_tCoefficients;
        const float scale = sPlane ? m_sScale : m_tScale;
        showNumber(sPlane ? m_sScaleEdit : m_tScaleEdit, scale, format("%f", scale), keepShown);
        for (int a = 0; a < 3; ++a) {
            boxes[a]->setChecked(flags[a] != 0);
            showNumber(edits[a], p[a], format("%f", p[a]), keepShown);
        }
    }
}

const float* CSurfacePage::plane(bool sPlane) const {
    const SurfaceData& s = m_doc.surface();
    if (m_slot == 0) return sPlane ? s.sPlane1 : s.tPlane1;
    return sPlane ? s.sPlane2 : s.tPlane2;
}

float* CSurfacePage::plane(SurfaceData& s, bool sPlane) const {
    if (m_slot == 0) return sPlane ? s.sPlane1 : s.tPlane1;
    return sPlane ? s.sPlane2 : s.tPlane2;
}

void CSurfacePage::chooseImage(int index) {
    if (index < 0) return;
    SurfaceData s = m_doc.surface();
    const QString text = m_imageList->itemText(index);
    if (text == QLatin1String("NONE")) {
        s.textureCount = m_slot == 0 ? 0 : 1;
        writeBack(s, QStringLiteral("Texture"));
        return;
    }
    const QByteArray name = text.toLocal8Bit();
    const uint32_t id = m_doc.textureId(text);
    if (id != 0) {
        char* field = m_slot == 0 ? s.texture1Name : s.texture2Name;
        std::memset(field, 0, KORVID_NAME_SIZE);
        std::memcpy(field, name.constData(), std::min<size_t>(name.size(), KORVID_NAME_SIZE - 1));
        if (m_slot == 0) {
            s.textureCount = 1;
            s.texture1Id = id;
        } else {
            s.textureCount = 2;
            s.texture2Id = id;
        }
        writeBack(s, QStringLiteral("Texture"));
        return;
    }
    if (const vantor::Refusal refusal = m_doc.scene().glError()) message(this, refusal.text);
}

void CSurfacePage::commitScale(bool sPlane) {
    CommitEdit* edit = sPlane ? m_sScaleEdit : m_tScaleEdit;
    float& scale = sPlane ? m_sScale : m_tScale;
    scale = toFloat(edit->text());
    SurfaceData s = m_doc.surface();
    float* p = plane(s, sPlane);
    const int* flags = sPlane ? m_sAxis : m_tAxis;
    for (int a = 0; a < 3; ++a)
        if (flags[a]) p[a] = scale;
    edit->setText(format("%f", scale));
    writeBack(s, sPlane ? QStringLiteral("sPlane Scale") : QStringLiteral("tPlane Scale"));
}

void CSurfacePage::commitCoefficient(bool sPlane, int axis) {
    CommitEdit* edit = (sPlane ? m_sCoefficients : m_tCoefficients)[axis];
    const float value = toFloat(edit->text());
    SurfaceData s = m_doc.surface();
    plane(s, sPlane)[axis] = value;
    (sPlane ? m_sAxis : m_tAxis)[axis] = value > 0;
    writeBack(s, sPlane ? QStringLiteral("sPlane") : QStringLiteral("tPlane"),
              (sPlane ? IDC_SURF_S_COEFFICIENT : IDC_SURF_T_COEFFICIENT)[axis]);
}

void CSurfacePage::toggleAxis(bool sPlane, int axis) {
    int* flags = sPlane ? m_sAxis : m_tAxis;
    flags[axis] = !flags[axis];
    SurfaceData s = m_doc.surface();
    plane(s, sPlane)[axis] = flags[axis] ? (sPlane ? m_sScale : m_tScale) : 0;
    writeBack(s, sPlane ? QStringLiteral("sPlane") : QStringLiteral("tPlane"));
}

