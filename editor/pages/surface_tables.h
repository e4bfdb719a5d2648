// The SURFACE page's control ids and value tables, shared by its files.
#pragma once
#include <QColor>
#include <QComboBox>
#include <QSignalBlocker>
#include <QString>

#include <GL/gl.h>

#include "korvid.h"
#include "resource.h"
#include "widgets/controls.h"

namespace vantor::surface_tables {
inline const int kColourEditIds[4] = {IDC_SURF_DIFFUSE_R, IDC_SURF_AMBIENT_R, IDC_SURF_SPECULAR_R, IDC_SURF_EMISSION_R};
inline const int kSelectIds[4] = {IDC_SURF_DIFFUSE_SELECT, IDC_SURF_AMBIENT_SELECT, IDC_SURF_SPECULAR_SELECT,
                           IDC_SURF_EMISSION_SELECT};
inline const int kSwatchIds[4] = {IDC_SURF_DIFFUSE_SWATCH, IDC_SURF_AMBIENT_SWATCH, IDC_SURF_SPECULAR_SWATCH,
                           IDC_SURF_EMISSION_SWATCH};
inline const char* kColourLabels[4] = {"Diffuse:", "Ambient:", "Specular:", "Emission:"};
inline const QString kColourNames[4] = {QStringLiteral("Diffuse"), QStringLiteral("Ambient"), QStringLiteral("Specular"),
                                 QStringLiteral("Emission")};
inline const int kFunctions[3] = {GL_MODULATE, GL_DECAL, GL_BLEND};
inline const int kGenModes[3] = {GL_OBJECT_LINEAR, GL_EYE_LINEAR, GL_SPHERE_MAP};
inline const int kPlaneModes[2] = {GL_OBJECT_PLANE, GL_EYE_PLANE};
inline constexpr const int (&kSAxisIds)[3] = IDC_SURF_S_AXIS;
inline constexpr const int (&kTAxisIds)[3] = IDC_SURF_T_AXIS;
inline constexpr const int (&kSCoefficientIds)[3] = IDC_SURF_S_COEFFICIENT;
inline constexpr const int (&kTCoefficientIds)[3] = IDC_SURF_T_COEFFICIENT;
inline const QColor kGrey(192, 192, 192);

inline float* surfaceColour(SurfaceData& s, int row) {
    return row == 0 ? s.diffuse : row == 1 ? s.ambient : row == 2 ? s.specular : s.emission;
}
inline const float* surfaceColour(const SurfaceData& s, int row) { return surfaceColour(const_cast<SurfaceData&>(s), row); }

inline QComboBox* dropList(QWidget* parent, int id, std::initializer_list<const char*> items) {
    auto* box = new QComboBox(parent);
    setControlId(box, id);
    for (const char* item : items) box->addItem(QString::fromLatin1(item));
    return box;
}

// Selects the item whose value matches; a value matching none leaves the box as it was.
template <size_t N>
void selectValue(QComboBox* box, const int (&values)[N], int value) {
    for (size_t i = 0; i < N; ++i) {
        if (values[i] == value) {
            const QSignalBlocker block(box);
            box->setCurrentIndex(static_cast<int>(i));
        }
    }
}
}  // namespace vantor::surface_tables
