// The OBJECT page with the Light Properties, Calculate Geometry and Name dialogs.
#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include <GL/gl.h>

#include <cmath>

#include "resource.h"
#include "editor_test.h"
#include "dialogs/geometry_dlg.h"
#include "dialogs/light_properties_dlg.h"
#include "dialogs/name_dlg.h"
#include "pages/object_page.h"
#include "pages/surface_page.h"

namespace vantor::testing {
namespace {

class ObjectPageTest : public EditorTest {
protected:
    QWidget* page() { return objectPage(); }
    Swatch* swatch(int id) { return control<Swatch>(page(), id); }

    float projectionScaleY() {
        view().makeCurrent();
        float m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        return m[5];
    }
};

TEST_F(ObjectPageTest, ZoomEditIsClampedAndSentToTheLibrary) {
    commit(page(), IDC_OBJ_ZOOM, QStringLiteral("200"));
    EXPECT_EQ(control<QLineEdit>(page(), IDC_OBJ_ZOOM)->text(), QStringLiteral("145"));
    EXPECT_EQ(control<QSlider>(page(), IDC_OBJ_ZOOM_SLIDER)->value(), 145);
    EXPECT_NEAR(projectionScaleY(), 1.0 / std::tan(72.5 * M_PI / 180), 1e-4);
    commit(page(), IDC_OBJ_ZOOM, QStringLiteral("wide"));
    EXPECT_EQ(control<QLineEdit>(page(), IDC_OBJ_ZOOM)->text(), QStringLiteral("5"));
    EXPECT_EQ(control<QSlider>(page(), IDC_OBJ_ZOOM_SLIDER)->value(), 5);
    control<QSlider>(page(), IDC_OBJ_ZOOM_SLIDER)->setValue(60);
    EXPECT_EQ(control<QLineEdit>(page(), IDC_OBJ_ZOOM)->text(), QStringLiteral("60"));
    EXPECT_NEAR(projectionScaleY(), 1.0 / std::tan(30 * M_PI / 180), 1e-4);
    commit(page(), IDC_OBJ_ZOOM, QStringLiteral("45"));
}

TEST_F(ObjectPageTest, ColourEditsSendTheWholeColourAndPaintTheSwatch) {
    // A colour channel takes 0..1: a number beyond is taken as the nearest end, and shown so.
    commit(page(), IDC_OBJ_CLEAR_R, QStringLiteral("2"));
    EXPECT_FLOAT_EQ(view().settings().clearColour[0], 1.0f);
    EXPECT_EQ(control<QLineEdit>(page(), IDC_OBJ_CLEAR_R)->text(), QStringLiteral("1"));
    EXPECT_EQ(swatch(IDC_OBJ_CLEAR_SWATCH)->color().red(), 255);
    view().makeCurrent();
    float clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 1.0f) << "OpenGL clamps what the library was given";
    const QColor before = swatch(IDC_OBJ_CLEAR_SWATCH)->color();
    commit(page(), IDC_OBJ_CLEAR_R + 3, QStringLiteral("0.5"));
    EXPECT_EQ(swatch(IDC_OBJ_CLEAR_SWATCH)->color(), before) << "alpha leaves the swatch";
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[3], 0.5f);

    nextColour = QColor(128, 64, 0);
    click(page(), IDC_OBJ_CLEAR_SELECT);
    EXPECT_EQ(control<QLineEdit>(page(), IDC_OBJ_CLEAR_R)->text(), QStringLiteral("0.502"));
    EXPECT_EQ(control<QLineEdit>(page(), IDC_OBJ_CLEAR_R + 1)->text(), QStringLiteral("0.251"));
    EXPECT_FLOAT_EQ(view().settings().clearColour[3], 0.5f) << "alpha stays";
    EXPECT_EQ(swatch(IDC_OBJ_CLEAR_SWATCH)->color(), QColor(128, 64, 0));
    objectPage()->redisplay();
    EXPECT_EQ(control<QLineEdit>(page(), IDC_OBJ_CLEAR_R)->text(), QStringLiteral("0.501961"));

    commit(page(), IDC_OBJ_AMBIENT_R + 1, QStringLiteral("0.75"));
    view().makeCurrent();
    float ambient[4];
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
    EXPECT_FLOAT_EQ(ambient[1], 0.75f);
    EXPECT_FLOAT_EQ(ambient[0], 0.3f);
    commit(page(), IDC_OBJ_CLEAR_R, QStringLiteral("0"));
    commit(page(), IDC_OBJ_CLEAR_R + 1, QStringLiteral("0"));
    commit(page(), IDC_OBJ_CLEAR_R + 2, QStringLiteral("0"));
    commit(page(), IDC_OBJ_CLEAR_R + 3, QStringLiteral("1"));
}

TEST_F(ObjectPageTest, LightSwitchesFollowTheCheckBoxes) {
    click(page(), IDC_OBJ_LIGHT_ON[2]);  // light 3 on
    view().makeCurrent();
    LightData light{};
    objGetLight(&light, 2);
    EXPECT_TRUE(light.on);
    EXPECT_TRUE(doc().light(2).on);
    click(page(), IDC_OBJ_LIGHT_ON[2]);
    objGetLight(&light, 2);
    EXPECT_FALSE(light.on);
    EXPECT_FALSE(doc().light(2).on);
    click(page(), IDC_OBJ_LIGHT_DRAG[3]);  // drag radio of light 4
    EXPECT_EQ(view().settings().dragLight, 3);
    click(page(), IDC_OBJ_LIGHT_DRAG[0]);
    EXPECT_EQ(view().settings().dragLight, 0);
    click(page(), IDC_OBJ_SWARM);
    EXPECT_TRUE(view().settings().swarm);
    click(page(), IDC_OBJ_SWARM);
    EXPECT_FALSE(view().settings().swarm);
}

TEST_F(ObjectPageTest, BothMarksTheChosenSurfaceAtOnce) {
    open(sample("launcher.raw"));
    surfacePage()->surfaceList()->setCurrentIndex(1);
    emit surfacePage()->surfaceList()->activated(1);
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
    click(page(), IDC_OBJ_SELECTION_NONE + 1);  // Bound Box: no glow
    const int outlined = greenPixels();
    click(page(), IDC_OBJ_SELECTION_NONE + 2);  // Both
    EXPECT_EQ(view().settings().selectionMode, 3);
    EXPECT_GT(greenPixels(), outlined + 50) << "the field glows green";
    click(page(), IDC_OBJ_SELECTION_NONE + 1);
}

TEST_F(ObjectPageTest, CancelledEditLightChangesNothing) {
    view().makeCurrent();
    LightData before{};
    objGetLight(&before, 1);
    const QColor swatchBefore = swatch(IDC_OBJ_LIGHT_SWATCH[1])->color();
    whenModal<CLightPropertiesDlg>([this](CLightPropertiesDlg* dialog) {
        EXPECT_FALSE(view().redrawTimerRunning());
        commit(dialog, IDC_LIGHT_DIFFUSE_R, QStringLiteral("0.1"));
        click(dialog, IDCANCEL);
    });
    click(page(), IDC_OBJ_LIGHT_EDIT[1]);
    LightData after{};
    view().makeCurrent();
    objGetLight(&after, 1);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    EXPECT_EQ(swatch(IDC_OBJ_LIGHT_SWATCH[1])->color(), swatchBefore);
    EXPECT_TRUE(view().redrawTimerRunning());
}

TEST_F(ObjectPageTest, EditLightRoundTripsKindAndAttenuation) {
    whenModal<CLightPropertiesDlg>([this](CLightPropertiesDlg* dialog) {
        EXPECT_TRUE(control<QRadioButton>(dialog, IDC_LIGHT_POINT)->isChecked()) << "w 1: Point";
        EXPECT_EQ(control<QLineEdit>(dialog, IDC_LIGHT_CONSTANT)->text(), QStringLiteral("1"));
        control<QRadioButton>(dialog, IDC_LIGHT_DIRECTIONAL)->setChecked(true);
        commit(dialog, IDC_LIGHT_LINEAR, QStringLiteral("0.5"));
        commit(dialog, IDC_LIGHT_DIFFUSE_R, QStringLiteral("2"));  // diffuse red
        EXPECT_EQ(control<Swatch>(dialog, IDC_LIGHT_DIFFUSE_SWATCH)->color().red(), 254);
        const QColor diffuse = control<Swatch>(dialog, IDC_LIGHT_DIFFUSE_SWATCH)->color();
        commit(dialog, IDC_LIGHT_DIFFUSE_R + 3, QStringLiteral("0.5"));  // diffuse alpha: swatch unchanged
        EXPECT_EQ(control<Swatch>(dialog, IDC_LIGHT_DIFFUSE_SWATCH)->color(), diffuse);
        click(dialog, IDOK);
    });
    click(page(), IDC_OBJ_LIGHT_EDIT[0]);
    view().makeCurrent();
    LightData light{};
    objGetLight(&light, 0);
    EXPECT_FLOAT_EQ(light.position[3], 0.0f) << "Directional";
    EXPECT_FLOAT_EQ(light.linearAttenuation, 0.5f);
    EXPECT_FLOAT_EQ(light.diffuse[0], 2.0f);
    EXPECT_FLOAT_EQ(light.diffuse[3], 0.5f);
    EXPECT_EQ(swatch(IDC_OBJ_LIGHT_SWATCH[0])->color().red(), 254);
    EXPECT_TRUE(view().redrawTimerRunning());

    // Letters in a field keep the dialog open with the message.
    whenModal<CLightPropertiesDlg>([this](CLightPropertiesDlg* dialog) {
        EXPECT_TRUE(control<QRadioButton>(dialog, IDC_LIGHT_DIRECTIONAL)->isChecked()) << "w 0: Directional";
        control<QLineEdit>(dialog, IDC_LIGHT_LINEAR)->setText(QStringLiteral("abc"));
        click(dialog, IDOK);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(messages.value(0), QStringLiteral("Please enter a number."));
        click(dialog, IDCANCEL);
    });
    click(page(), IDC_OBJ_LIGHT_EDIT[0]);
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
        EXPECT_EQ(control<QLineEdit>(dialog, IDC_GEO_SCALE_X)->text(), QStringLiteral("1"));
        control<QLineEdit>(dialog, IDC_GEO_SCALE_X)->setText(QStringLiteral("2"));
        control<QLineEdit>(dialog, IDC_GEO_SCALE_X + 1)->setText(QStringLiteral("0"));
        click(dialog, IDC_GEO_SCALE);
        EXPECT_EQ(messages.value(0), QStringLiteral("Can not scale an object by zero"));
        EXPECT_FLOAT_EQ(info().maxX, start.maxX);

        control<QLineEdit>(dialog, IDC_GEO_TRANSLATE_X)->setText(QStringLiteral("1"));
        click(dialog, IDC_GEO_TRANSLATE);
        click(dialog, IDC_GEO_TRANSLATE);
        EXPECT_NEAR(info().maxX, start.maxX + 2, 1e-5) << "translated twice";

        control<QLineEdit>(dialog, IDC_GEO_TRANSLATE_X)->setText(QStringLiteral("-2"));
        click(dialog, IDC_GEO_TRANSLATE);
        control<QLineEdit>(dialog, IDC_GEO_ROTATE_X)->setText(QStringLiteral("90"));
        click(dialog, IDC_GEO_ROTATE);
        const ModelInfo turned = info();
        EXPECT_NEAR(turned.maxZ, start.maxY, 1e-4) << "y turned into z";
        EXPECT_NEAR(turned.minY, -start.maxZ, 1e-4);

        control<QLineEdit>(dialog, IDC_GEO_ROTATE_X + 1)->setText(QStringLiteral("x"));
        click(dialog, IDOK);
        EXPECT_TRUE(dialog->isVisible()) << "Close refuses a field that is not a number";
        control<QLineEdit>(dialog, IDC_GEO_ROTATE_X + 1)->setText(QStringLiteral("0"));
        click(dialog, IDOK);
    });
    click(page(), IDC_OBJ_MODIFY_GEOMETRY);
    EXPECT_TRUE(view().redrawTimerRunning());
}

TEST_F(ObjectPageTest, GeometryAndNewShowTheModelAndLightsAsTheyAre) {
    open(sample("launcher.raw"));
    auto* height = control<QLineEdit>(page(), IDC_OBJ_HEIGHT);
    const double before = height->text().toDouble();
    whenModal<CGeometryDlg>([this](CGeometryDlg* dialog) {
        control<QLineEdit>(dialog, IDC_GEO_SCALE_X)->setText(QStringLiteral("1"));
        control<QLineEdit>(dialog, IDC_GEO_SCALE_X + 1)->setText(QStringLiteral("3"));
        control<QLineEdit>(dialog, IDC_GEO_SCALE_X + 2)->setText(QStringLiteral("1"));
        click(dialog, IDC_GEO_SCALE);
        click(dialog, IDOK);
    });
    click(page(), IDC_OBJ_MODIFY_GEOMETRY);
    EXPECT_NEAR(height->text().toDouble(), 3 * before, 1e-3 * before) << "the height shown is the new one";

    // A light edited to red shows white again after File New, as the library reset it.
    whenModal<CLightPropertiesDlg>([this](CLightPropertiesDlg* dialog) {
        commit(dialog, IDC_LIGHT_DIFFUSE_R + 1, QStringLiteral("0"));  // diffuse green
        commit(dialog, IDC_LIGHT_DIFFUSE_R + 2, QStringLiteral("0"));  // diffuse blue
        click(dialog, IDOK);
    });
    click(page(), IDC_OBJ_LIGHT_EDIT[0]);
    EXPECT_EQ(swatch(IDC_OBJ_LIGHT_SWATCH[0])->color(), QColor(255, 0, 0));
    files().onFileNew();
    EXPECT_EQ(swatch(IDC_OBJ_LIGHT_SWATCH[0])->color(), QColor(255, 255, 255));
}

TEST_F(ObjectPageTest, NameDialogRefusesOnlyTheEmptyText) {
    CNameDlg dialog(&frame());
    dialog.show();
    click(&dialog, IDOK);
    EXPECT_EQ(messages.value(0), QStringLiteral("Enter a name"));
    EXPECT_TRUE(dialog.isVisible());
    control<QLineEdit>(&dialog, IDC_NAME_EDIT)->setText(QStringLiteral("   "));
    click(&dialog, IDOK);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.name(), QStringLiteral("   "));
}

TEST_F(ObjectPageTest, OptionBoxesSwitchTheLibrary) {
    view().makeCurrent();
    click(page(), IDC_OBJ_ANTIALIAS_POLYS);
    EXPECT_TRUE(glIsEnabled(GL_POLYGON_SMOOTH));
    click(page(), IDC_OBJ_ANTIALIAS_POLYS);
    EXPECT_FALSE(glIsEnabled(GL_POLYGON_SMOOTH));
    click(page(), IDC_OBJ_ANTIALIAS_LINES);
    view().makeCurrent();
    EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
    click(page(), IDC_OBJ_ANTIALIAS_LINES);
    EXPECT_TRUE(view().settings().grid);
    click(page(), IDC_OBJ_GRID);
    EXPECT_FALSE(view().settings().grid);
    click(page(), IDC_OBJ_GRID);
    EXPECT_TRUE(view().settings().grid);
}

// Settings changed from elsewhere (a menu, a script, an undo of the view) show
// on the page at once; the toolbar's spin buttons follow Look From.
TEST_F(ObjectPageTest, ThePageAndToolbarFollowTheViewsSettings) {
    view().changeSettings([](ViewSettings& s) {
        s.grid = false;
        s.swarm = true;
        s.dragLight = 3;
        s.selectionMode = KORVID_SELECT_GLOW_OUTLINE;
        s.clearColour[1] = 0.5f;
    });
    EXPECT_FALSE(control<QAbstractButton>(page(), IDC_OBJ_GRID)->isChecked());
    EXPECT_TRUE(control<QAbstractButton>(page(), IDC_OBJ_SWARM)->isChecked());
    EXPECT_TRUE(control<QAbstractButton>(page(), IDC_OBJ_LIGHT_DRAG[3])->isChecked());
    EXPECT_TRUE(control<QAbstractButton>(page(), IDC_OBJ_SELECTION_NONE + 2)->isChecked());
    EXPECT_EQ(control<QLineEdit>(page(), IDC_OBJ_CLEAR_R + 1)->text(), QStringLiteral("0.5"));
    EXPECT_EQ(swatch(IDC_OBJ_CLEAR_SWATCH)->color().green(), 127);
    view().changeSettings([](ViewSettings& s) { s = ViewSettings{}; });
    EXPECT_TRUE(control<QAbstractButton>(page(), IDC_OBJ_GRID)->isChecked());
    EXPECT_TRUE(control<QAbstractButton>(page(), IDC_OBJ_SELECTION_NONE + 1)->isChecked()) << "the outline by default";

    frame().action(ID_ROTATE_Y)->trigger();
    EXPECT_TRUE(frame().action(ID_ROTATE_Y)->isChecked());
    view().lookFrom(90, 0);
    EXPECT_FALSE(view().settings().spinY);
    EXPECT_FALSE(frame().action(ID_ROTATE_Y)->isChecked()) << "looking from a side stops the spin";
}

}  // namespace
}  // namespace vantor::testing
