// The OBJECT page with the Light Properties, Calculate Geometry and Name dialogs.
#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include <GL/gl.h>

#include <cmath>

#include "editor_test.h"
#include "geometry_dlg.h"
#include "light_properties_dlg.h"
#include "name_dlg.h"
#include "object_page.h"
#include "surface_page.h"

namespace vantor::testing {
namespace {

class ObjectPageTest : public EditorTest {
protected:
    QWidget* page() { return g_pObjectPage; }
    Swatch* swatch(int id) { return control<Swatch>(page(), id); }

    // Runs `inside` once the next modal dialog is up.
    template <typename Dialog, typename Inside>
    void whenModal(Inside inside) {
        QTimer::singleShot(30, [inside] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr) << "no modal dialog";
            inside(dialog);
        });
    }
    float projectionScaleY() {
        view().makeCurrent();
        float m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        return m[5];
    }
};

TEST_F(ObjectPageTest, ZoomEditIsClampedAndSentToTheLibrary) {
    commit(page(), 1103, QStringLiteral("200"));
    EXPECT_EQ(control<QLineEdit>(page(), 1103)->text(), QStringLiteral("145"));
    EXPECT_EQ(control<QSlider>(page(), 1097)->value(), 145);
    EXPECT_NEAR(projectionScaleY(), 1.0 / std::tan(72.5 * M_PI / 180), 1e-4);
    commit(page(), 1103, QStringLiteral("wide"));
    EXPECT_EQ(control<QLineEdit>(page(), 1103)->text(), QStringLiteral("5"));
    EXPECT_EQ(control<QSlider>(page(), 1097)->value(), 5);
    control<QSlider>(page(), 1097)->setValue(60);
    EXPECT_EQ(control<QLineEdit>(page(), 1103)->text(), QStringLiteral("60"));
    EXPECT_NEAR(projectionScaleY(), 1.0 / std::tan(30 * M_PI / 180), 1e-4);
    commit(page(), 1103, QStringLiteral("45"));
}

TEST_F(ObjectPageTest, ColourEditsSendTheWholeColourAndPaintTheSwatch) {
    commit(page(), 1105, QStringLiteral("2"));
    EXPECT_FLOAT_EQ(g_pObjectPage->m_clearColour[0], 2.0f);
    EXPECT_EQ(swatch(1104)->color().red(), 254) << "510, low eight bits";
    view().makeCurrent();
    float clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 1.0f) << "OpenGL clamps what the library was given";
    const QColor before = swatch(1104)->color();
    commit(page(), 1108, QStringLiteral("0.5"));
    EXPECT_EQ(swatch(1104)->color(), before) << "alpha leaves the swatch";
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[3], 0.5f);

    nextColour = QColor(128, 64, 0);
    click(page(), 1109);
    EXPECT_EQ(control<QLineEdit>(page(), 1105)->text(), QStringLiteral("0.502"));
    EXPECT_EQ(control<QLineEdit>(page(), 1106)->text(), QStringLiteral("0.251"));
    EXPECT_FLOAT_EQ(g_pObjectPage->m_clearColour[3], 0.5f) << "alpha stays";
    EXPECT_EQ(swatch(1104)->color(), QColor(128, 64, 0));
    g_pObjectPage->redisplay();
    EXPECT_EQ(control<QLineEdit>(page(), 1105)->text(), QStringLiteral("0.501961"));

    commit(page(), 1024, QStringLiteral("0.75"));
    view().makeCurrent();
    float ambient[4];
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
    EXPECT_FLOAT_EQ(ambient[1], 0.75f);
    EXPECT_FLOAT_EQ(ambient[0], 0.3f);
    commit(page(), 1105, QStringLiteral("0"));
    commit(page(), 1106, QStringLiteral("0"));
    commit(page(), 1107, QStringLiteral("0"));
    commit(page(), 1108, QStringLiteral("1"));
}

TEST_F(ObjectPageTest, LightSwitchesFollowTheCheckBoxes) {
    click(page(), 1141);  // light 3 on
    view().makeCurrent();
    LightData light{};
    objGetLight(&light, 2);
    EXPECT_TRUE(light.on);
    EXPECT_TRUE(view().m_lights[2].on);
    click(page(), 1141);
    objGetLight(&light, 2);
    EXPECT_FALSE(light.on);
    EXPECT_FALSE(view().m_lights[2].on);
    click(page(), 1126);  // drag radio of light 4
    EXPECT_EQ(view().m_dragLight, 3);
    click(page(), 1115);
    EXPECT_EQ(view().m_dragLight, 0);
    click(page(), 1118);
    EXPECT_EQ(view().m_swarmOn, 1);
    click(page(), 1118);
    EXPECT_EQ(view().m_swarmOn, 0);
}

TEST_F(ObjectPageTest, BothMarksTheChosenSurfaceAtOnce) {
    open(sample("launcher.raw"));
    g_pSurfacePage->surfaceList()->setCurrentIndex(1);
    emit g_pSurfacePage->surfaceList()->activated(1);
    auto greenPixels = [this] {
        pump(60);
        const QImage picture = view().grabFramebuffer();
        int n = 0;
        for (int y = 0; y < picture.height(); y += 2)
            for (int x = 0; x < picture.width(); x += 2) {
                const QColor c = picture.pixelColor(x, y);
                if (c.green() > 150 && c.red() < 100 && c.blue() < 100) ++n;
            }
        return n;
    };
    click(page(), 1014);  // Bound Box: no glow
    const int outlined = greenPixels();
    click(page(), 1015);  // Both
    EXPECT_EQ(view().m_selectionMode, 3);
    EXPECT_GT(greenPixels(), outlined + 50) << "the field glows green";
    click(page(), 1014);
}

TEST_F(ObjectPageTest, CancelledEditLightChangesNothing) {
    view().makeCurrent();
    LightData before{};
    objGetLight(&before, 1);
    const QColor swatchBefore = swatch(1131)->color();
    whenModal<CLightPropertiesDlg>([this](CLightPropertiesDlg* dialog) {
        EXPECT_FALSE(view().redrawTimerRunning());
        commit(dialog, 1018, QStringLiteral("0.1"));
        click(dialog, 2);
    });
    click(page(), 1132);
    LightData after{};
    view().makeCurrent();
    objGetLight(&after, 1);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    EXPECT_EQ(swatch(1131)->color(), swatchBefore);
    EXPECT_TRUE(view().redrawTimerRunning());
}

TEST_F(ObjectPageTest, EditLightRoundTripsKindAndAttenuation) {
    whenModal<CLightPropertiesDlg>([this](CLightPropertiesDlg* dialog) {
        EXPECT_TRUE(control<QRadioButton>(dialog, 1014)->isChecked()) << "w 1: Point";
        EXPECT_EQ(control<QLineEdit>(dialog, 1122)->text(), QStringLiteral("1"));
        control<QRadioButton>(dialog, 1013)->setChecked(true);
        commit(dialog, 1123, QStringLiteral("0.5"));
        commit(dialog, 1018, QStringLiteral("2"));  // diffuse red
        EXPECT_EQ(control<Swatch>(dialog, 1114)->color().red(), 254);
        const QColor diffuse = control<Swatch>(dialog, 1114)->color();
        commit(dialog, 1021, QStringLiteral("0.5"));  // diffuse alpha: swatch unchanged
        EXPECT_EQ(control<Swatch>(dialog, 1114)->color(), diffuse);
        click(dialog, 1);
    });
    click(page(), 1112);
    view().makeCurrent();
    LightData light{};
    objGetLight(&light, 0);
    EXPECT_FLOAT_EQ(light.position[3], 0.0f) << "Directional";
    EXPECT_FLOAT_EQ(light.linearAttenuation, 0.5f);
    EXPECT_FLOAT_EQ(light.diffuse[0], 2.0f);
    EXPECT_FLOAT_EQ(light.diffuse[3], 0.5f);
    EXPECT_EQ(swatch(1111)->color().red(), 254);
    EXPECT_TRUE(view().redrawTimerRunning());

    // Letters in a field keep the dialog open with the message.
    whenModal<CLightPropertiesDlg>([this](CLightPropertiesDlg* dialog) {
        EXPECT_TRUE(control<QRadioButton>(dialog, 1013)->isChecked()) << "w 0: Directional";
        control<QLineEdit>(dialog, 1123)->setText(QStringLiteral("abc"));
        click(dialog, 1);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(messages.value(0), QStringLiteral("Please enter a number."));
        click(dialog, 2);
    });
    click(page(), 1112);
}

TEST_F(ObjectPageTest, GeometryDialogScalesTranslatesAndRotates) {
    open(sample("launcher.raw"));
    auto info = [this] {
        ModelInfo m{};
        view().makeCurrent();
        objGetModelData(&m);
        return m;
    };
    const ModelInfo start = info();
    whenModal<CGeometryDlg>([this, start, info](CGeometryDlg* dialog) {
        EXPECT_EQ(control<QLineEdit>(dialog, 1112)->text(), QStringLiteral("1"));
        control<QLineEdit>(dialog, 1112)->setText(QStringLiteral("2"));
        control<QLineEdit>(dialog, 1113)->setText(QStringLiteral("0"));
        click(dialog, 1111);
        EXPECT_EQ(messages.value(0), QStringLiteral("Can not scale an object by zero"));
        EXPECT_FLOAT_EQ(info().maxX, start.maxX);

        control<QLineEdit>(dialog, 1116)->setText(QStringLiteral("1"));
        click(dialog, 1115);
        click(dialog, 1115);
        EXPECT_NEAR(info().maxX, start.maxX + 2, 1e-5) << "translated twice";

        control<QLineEdit>(dialog, 1116)->setText(QStringLiteral("-2"));
        click(dialog, 1115);
        control<QLineEdit>(dialog, 1120)->setText(QStringLiteral("90"));
        click(dialog, 1119);
        const ModelInfo turned = info();
        EXPECT_NEAR(turned.maxZ, start.maxY, 1e-4) << "y turned into z";
        EXPECT_NEAR(turned.minY, -start.maxZ, 1e-4);

        control<QLineEdit>(dialog, 1121)->setText(QStringLiteral("x"));
        click(dialog, 1);
        EXPECT_TRUE(dialog->isVisible()) << "Close refuses a field that is not a number";
        control<QLineEdit>(dialog, 1121)->setText(QStringLiteral("0"));
        click(dialog, 1);
    });
    click(page(), 1098);
    EXPECT_TRUE(view().redrawTimerRunning());
}

TEST_F(ObjectPageTest, GeometryAndNewShowTheModelAndLightsAsTheyAre) {
    open(sample("launcher.raw"));
    auto* height = control<QLineEdit>(page(), 1005);
    const double before = height->text().toDouble();
    whenModal<CGeometryDlg>([this](CGeometryDlg* dialog) {
        control<QLineEdit>(dialog, 1112)->setText(QStringLiteral("1"));
        control<QLineEdit>(dialog, 1113)->setText(QStringLiteral("3"));
        control<QLineEdit>(dialog, 1114)->setText(QStringLiteral("1"));
        click(dialog, 1111);
        click(dialog, 1);
    });
    click(page(), 1098);
    EXPECT_NEAR(height->text().toDouble(), 3 * before, 1e-3 * before) << "the height shown is the new one";

    // A light edited to red shows white again after File New, as the library reset it.
    whenModal<CLightPropertiesDlg>([this](CLightPropertiesDlg* dialog) {
        commit(dialog, 1019, QStringLiteral("0"));  // diffuse green
        commit(dialog, 1020, QStringLiteral("0"));  // diffuse blue
        click(dialog, 1);
    });
    click(page(), 1112);
    EXPECT_EQ(swatch(1111)->color(), QColor(255, 0, 0));
    doc().onFileNew();
    EXPECT_EQ(swatch(1111)->color(), QColor(255, 255, 255));
}

TEST_F(ObjectPageTest, NameDialogRefusesOnlyTheEmptyText) {
    CNameDlg dialog(&frame());
    dialog.show();
    click(&dialog, 1);
    EXPECT_EQ(messages.value(0), QStringLiteral("Enter a name"));
    EXPECT_TRUE(dialog.isVisible());
    control<QLineEdit>(&dialog, 1081)->setText(QStringLiteral("   "));
    click(&dialog, 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.name(), QStringLiteral("   "));
}

TEST_F(ObjectPageTest, OptionBoxesSwitchTheLibrary) {
    view().makeCurrent();
    click(page(), 1176);
    EXPECT_TRUE(glIsEnabled(GL_POLYGON_SMOOTH));
    click(page(), 1176);
    EXPECT_FALSE(glIsEnabled(GL_POLYGON_SMOOTH));
    click(page(), 1175);
    view().makeCurrent();
    EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
    click(page(), 1175);
    EXPECT_EQ(g_pObjectPage->m_grid, 1);
    click(page(), 1099);
    EXPECT_EQ(g_pObjectPage->m_grid, 0);
    click(page(), 1099);
    EXPECT_EQ(g_pObjectPage->m_grid, 1);
}

}  // namespace
}  // namespace vantor::testing
