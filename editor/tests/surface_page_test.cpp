// The SURFACE page and the Image Add and Edit dialog.
#include <QAbstractButton>
#include <QCheckBox>
#include <QImage>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <GL/gl.h>

#include <clocale>
#include <fstream>
#include <iterator>
#include <regex>

#include <cstring>

#include "resource.h"
#include "editor_test.h"
#include "dialogs/image_dlg.h"
#include "pages/particles_page.h"
#include "pages/surface_page.h"

namespace vantor::testing {
namespace {

class SurfacePageTest : public EditorTest {
protected:
    QWidget* page() { return surfacePage(); }
    SurfaceData library(int index = -1) {
        SurfaceData s{};
        view().makeCurrent();
        objGetSurfaceData(&s, index < 0 ? doc().currentSurface() : index);
        return s;
    }
    void chooseSurface(int index) { choose(page(), IDC_SURF_LIST, index); }
    // A 24-bit bitmap in the scratch folder.
    std::string bitmap(const char* name) {
        const auto path = scratch() / name;
        std::filesystem::copy_file(sample("stripes.bmp"), path, std::filesystem::copy_options::overwrite_existing);
        return path.string();
    }
};

TEST_F(SurfacePageTest, ChoosingASurfaceFillsThePage) {
    open(sample("showcase.zob"));
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_SURF_DIFFUSE_R)->isEnabled()) << "no surface chosen yet";
    chooseSurface(0);
    EXPECT_EQ(doc().currentSurface(), 0);
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_SURF_DIFFUSE_R)->isEnabled());
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_POLYGONS)->text(), QStringLiteral("2304"));
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_VERTICES)->text(), QStringLiteral("6912"));
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_DIFFUSE_R)->text(), QStringLiteral("0.9"));
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_SHININESS)->text(), QStringLiteral("40"));
    EXPECT_TRUE(control<QCheckBox>(page(), IDC_SURF_SMOOTH)->isChecked());
    EXPECT_TRUE(control<QRadioButton>(page(), IDC_SURF_TEXTURE1)->isChecked());
    EXPECT_EQ(surfacePage()->imageList()->currentText(), QStringLiteral("Marble"));
    EXPECT_EQ(control<QComboBox>(page(), IDC_SURF_GEN_MODE)->currentText(), QStringLiteral("OBJECT_LINEAR"));
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_S_COEFFICIENT[0])->text(), QStringLiteral("0.500000"));
    EXPECT_TRUE(control<QPushButton>(page(), IDC_SURF_S_AXIS[0])->isChecked());
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_S_SCALE)->text(), QStringLiteral("0.500000"));
    EXPECT_EQ(control<Swatch>(page(), IDC_SURF_DIFFUSE_SWATCH)->color(), QColor(229, 216, 204));
    click(page(), IDC_SURF_TEXTURE2);  // Texture 2
    EXPECT_EQ(surfacePage()->imageList()->currentText(), QStringLiteral("Stripes"));
    EXPECT_EQ(control<QComboBox>(page(), IDC_SURF_GEN_MODE)->currentText(), QStringLiteral("SPHERE_MAP"));

    click(page(), IDC_SURF_UNSELECT);  // Unselect
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_SURF_DIFFUSE_R)->isEnabled());
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_POLYGONS)->text(), QStringLiteral("0"));
    EXPECT_EQ(control<Swatch>(page(), IDC_SURF_DIFFUSE_SWATCH)->color(), QColor(192, 192, 192));
}

// A second Open must not leave the page editing a surface of the first model.
TEST_F(SurfacePageTest, SecondOpenLeavesNoSurfaceChosen) {
    open(sample("showcase.zob"));
    chooseSurface(0);
    ASSERT_TRUE(control<QLineEdit>(page(), IDC_SURF_DIFFUSE_R)->isEnabled());
    open(sample("fountain.zob"));
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_SURF_DIFFUSE_R)->isEnabled())
        << "groups disabled until a surface is chosen";
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_SURF_DIFFUSE_R + 1)->isEnabled());
    EXPECT_EQ(control<QComboBox>(page(), IDC_SURF_LIST)->currentIndex(), -1);
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_POLYGONS)->text(), QStringLiteral("0"));
    const SurfaceData before = library(0);
    const auto saved = scratch() / "fountain.zob";
    answers.setSave([&] { return QString::fromStdString(saved.string()); });
    files().onFileSaveAs();
    view().makeCurrent();
    const SurfaceData after = library(0);
    EXPECT_STREQ(after.name, before.name);
    EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0) << "the fountain's surface is untouched";
    chooseSurface(0);
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_SURF_DIFFUSE_R)->isEnabled());
    EXPECT_STREQ(doc().surface().name, before.name);
}

// Unselect greys the swatches, and fields the focus passes through send nothing.
TEST_F(SurfacePageTest, UnselectGreysAndCommitsOnlyWhatWasEdited) {
    open(sample("launcher.raw"));
    chooseSurface(0);
    const SurfaceData before = library();
    auto* angle = control<QLineEdit>(page(), IDC_SURF_ANGLE);
    auto* shininess = control<QLineEdit>(page(), IDC_SURF_SHININESS);
    shininess->setFocus();
    QTest::keyClick(shininess, Qt::Key_Tab);  // passes through without an edit
    angle->setFocus();
    click(page(), IDC_SURF_UNSELECT);  // Unselect
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    for (int id :
         {IDC_SURF_DIFFUSE_SWATCH, IDC_SURF_AMBIENT_SWATCH, IDC_SURF_SPECULAR_SWATCH, IDC_SURF_EMISSION_SWATCH})
        EXPECT_EQ(control<Swatch>(page(), id)->color(), QColor(192, 192, 192));
    EXPECT_FALSE(angle->isEnabled());
    const SurfaceData after = library(0);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
}

TEST_F(SurfacePageTest, SmoothingAngleRules) {
    open(sample("launcher.raw"));
    chooseSurface(0);
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_SURF_ANGLE)->isEnabled()) << "smooth 0 leaves Angle disabled";
    click(page(), IDC_SURF_SMOOTH);  // Smooth on with the angle 1.0
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_SURF_ANGLE)->isEnabled());
    EXPECT_EQ(library().smooth, 0) << "nothing sent for an angle of 1";
    commit(page(), IDC_SURF_ANGLE, QStringLiteral("0.5"));
    EXPECT_EQ(messages.value(0), QStringLiteral("Angle must be larger than 1.0 degree"));
    EXPECT_EQ(library().smooth, 0);
    commit(page(), IDC_SURF_ANGLE, QStringLiteral("45"));
    EXPECT_EQ(library().smooth, 1);
    EXPECT_FLOAT_EQ(library().angle, 45.0f);
    EXPECT_TRUE(view().redrawTimerRunning());
    commit(page(), IDC_SURF_ANGLE, QStringLiteral("45"));
    EXPECT_EQ(messages.size(), 1);
    click(page(), IDC_SURF_SMOOTH);  // Smooth off
    EXPECT_EQ(library().smooth, 0);
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_SURF_ANGLE)->isEnabled());
    click(page(), IDC_SURF_SMOOTH);  // on again with the page's angle 45: no recompute needed, switch on
    EXPECT_EQ(library().smooth, 1);
}

TEST_F(SurfacePageTest, TexturesSlotsAndPlanes) {
    open(sample("launcher.raw"));
    chooseSurface(1);
    click(page(), IDC_SURF_TEXTURE2);  // Texture 2 without textures
    EXPECT_FALSE(control<QComboBox>(page(), IDC_SURF_GEN_MODE)->isEnabled());
    click(page(), IDC_SURF_TEXTURE1);
    EXPECT_TRUE(control<QComboBox>(page(), IDC_SURF_GEN_MODE)->isEnabled());

    // sPlane X and Z ticked with a scale of 2.
    click(page(), IDC_SURF_S_AXIS[2]);  // Z
    commit(page(), IDC_SURF_S_SCALE, QStringLiteral("2"));
    EXPECT_FLOAT_EQ(library().sPlane1[0], 2);
    EXPECT_FLOAT_EQ(library().sPlane1[1], 0);
    EXPECT_FLOAT_EQ(library().sPlane1[2], 2);
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_S_COEFFICIENT[0])->text(), QStringLiteral("2.000000"));
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_S_COEFFICIENT[2])->text(), QStringLiteral("2.000000"));
    click(page(), IDC_SURF_S_AXIS[0]);  // X off
    EXPECT_FLOAT_EQ(library().sPlane1[0], 0);
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_S_COEFFICIENT[0])->text(), QStringLiteral("0.000000"));

    commit(page(), IDC_SURF_T_COEFFICIENT[1], QStringLiteral("0"));  // tPlane Y
    EXPECT_FALSE(control<QPushButton>(page(), IDC_SURF_T_AXIS[1])->isChecked());
    commit(page(), IDC_SURF_T_COEFFICIENT[1], QStringLiteral("0.5"));
    EXPECT_TRUE(control<QPushButton>(page(), IDC_SURF_T_AXIS[1])->isChecked());
    EXPECT_FLOAT_EQ(library().tPlane1[1], 0.5f);

    // "Plane:" changes only the plane mode of the slot.
    choose(page(), IDC_SURF_PLANE, 1);
    EXPECT_EQ(library().planeMode1, GL_EYE_PLANE);
    EXPECT_EQ(library().genMode1, GL_OBJECT_LINEAR);
    EXPECT_EQ(library().planeMode2, GL_OBJECT_PLANE);
    choose(page(), IDC_SURF_FUNCTION, 2);
    EXPECT_EQ(library().texEnv1, GL_BLEND);
    choose(page(), IDC_SURF_GEN_MODE, 1);
    EXPECT_EQ(library().genMode1, GL_EYE_LINEAR);
}

TEST_F(SurfacePageTest, ImageBoxSetsTheTextureCount) {
    open(sample("showcase.zob"));
    chooseSurface(0);
    ASSERT_EQ(library().textureCount, 2);
    click(page(), IDC_SURF_TEXTURE2);
    choose(page(), IDC_SURF_IMAGE, QStringLiteral("NONE"));
    EXPECT_EQ(library().textureCount, 1) << "slot 1 NONE keeps texture 1";
    EXPECT_STREQ(library().texture1Name, "Marble");
    choose(page(), IDC_SURF_IMAGE, QStringLiteral("Marble"));
    EXPECT_EQ(library().textureCount, 2);
    EXPECT_STREQ(library().texture2Name, "Marble");
    commit(page(), IDC_SURF_T_COEFFICIENT[2], QStringLiteral("0.75"));  // tPlane Z on slot 1
    EXPECT_FLOAT_EQ(library().tPlane2[2], 0.75f);
    EXPECT_FLOAT_EQ(library().tPlane1[2], 0.0f);
    click(page(), IDC_SURF_TEXTURE1);
    choose(page(), IDC_SURF_IMAGE, QStringLiteral("Stripes"));
    EXPECT_EQ(library().textureCount, 1) << "an image for slot 0 sets the count to 1";
    EXPECT_EQ(library().texture1Id, objGetTextureId("Stripes"));
    choose(page(), IDC_SURF_IMAGE, QStringLiteral("NONE"));
    EXPECT_EQ(library().textureCount, 0);
}

TEST_F(SurfacePageTest, EachColourEditWritesItsOwnComponent) {
    open(sample("launcher.raw"));
    chooseSurface(0);
    const int first[4] = {IDC_SURF_DIFFUSE_R, IDC_SURF_AMBIENT_R, IDC_SURF_SPECULAR_R, IDC_SURF_EMISSION_R};
    for (int row = 0; row < 4; ++row) {
        for (int c = 0; c < 4; ++c) {
            const SurfaceData before = library();
            const float value = 0.1f * (row + 1) + 0.01f * (c + 1);
            commit(page(), first[row] + c, QString::number(value));
            SurfaceData after = library();
            const float* colours[4] = {after.diffuse, after.ambient, after.specular, after.emission};
            EXPECT_FLOAT_EQ(colours[row][c], value) << row << "," << c;
            float* restore[4] = {after.diffuse, after.ambient, after.specular, after.emission};
            const float* old[4] = {before.diffuse, before.ambient, before.specular, before.emission};
            restore[row][c] = old[row][c];
            EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0) << "only that component changed";
        }
    }
    EXPECT_EQ(control<Swatch>(page(), IDC_SURF_EMISSION_SWATCH)->color(),
              QColor(int(0.41f * 255), int(0.42f * 255), int(0.43f * 255)));
    nextColour = QColor(255, 0, 128);
    click(page(), IDC_SURF_AMBIENT_SELECT);
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_AMBIENT_R + 2)->text(), QStringLiteral("0.502"));
    EXPECT_FLOAT_EQ(library().ambient[0], 1.0f);
    EXPECT_FLOAT_EQ(library().ambient[3], 0.24f) << "alpha unchanged";
    click(page(), IDC_SURF_BLENDING);
    EXPECT_EQ(library().blending, 1);
    click(page(), IDC_SURF_CULLING);
    EXPECT_EQ(library().culling, 0);
}

// Qt sets the C library's locale from LANG; under a comma locale the fields
// must still show and accept numbers with a dot, and saved files keep it.
TEST_F(SurfacePageTest, NumbersKeepTheDotInACommaLocale) {
    const std::string previous = setlocale(LC_ALL, nullptr);
    bool comma = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
        if (setlocale(LC_ALL, name) && std::string(localeconv()->decimal_point) == ",") {
            comma = true;
            break;
        }
    if (!comma) {
        setlocale(LC_ALL, previous.c_str());
        GTEST_SKIP() << "no locale with a decimal comma is installed (Debian package locales-all)";
    }
    open(sample("showcase.zob"));
    chooseSurface(0);
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_S_COEFFICIENT[0])->text(), QStringLiteral("0.500000"));
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_DIFFUSE_R)->text(), QStringLiteral("0.9"));
    commit(page(), IDC_SURF_DIFFUSE_R, QStringLiteral("0.25"));
    EXPECT_FLOAT_EQ(library().diffuse[0], 0.25f);
    commit(page(), IDC_SURF_S_COEFFICIENT[0], QStringLiteral("1.75"));
    EXPECT_FLOAT_EQ(library().sPlane1[0], 1.75f);
    nextColour = QColor(255, 0, 128);
    click(page(), IDC_SURF_AMBIENT_SELECT);
    EXPECT_EQ(control<QLineEdit>(page(), IDC_SURF_AMBIENT_R + 2)->text(), QStringLiteral("0.502"));
    EXPECT_FLOAT_EQ(library().ambient[1], 0.0f);
    view().makeCurrent();
    const std::string saved = (scratch() / "comma.zob").string();
    EXPECT_TRUE(objSaveZOB(saved.c_str()));
    std::ifstream in(saved);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("0.250000 "), std::string::npos);
    EXPECT_FALSE(std::regex_search(text, std::regex("[0-9],[0-9]"))) << "no decimal comma anywhere in the file";
    setlocale(LC_ALL, previous.c_str());
}

// Pictures in other formats become 24-bit bitmaps beside the entity; their
// transparency becomes the white colour key that the alpha range 255 to 255 clears.
TEST_F(SurfacePageTest, OtherPicturesAreConvertedToBitmapsWithTheirTransparency) {
    open(sample("launcher.raw"));
    std::filesystem::current_path(scratch());  // as if the entity had been saved here
    CImageDlg* images = surfacePage()->imageDialog();
    surfacePage()->showImages();
    QImage picture(4, 2, QImage::Format_ARGB32);
    picture.fill(qRgba(200, 30, 40, 255));
    picture.setPixel(0, 0, qRgba(0, 0, 0, 0));        // transparent
    picture.setPixel(1, 0, qRgba(255, 255, 255, 255));  // opaque white stays opaque
    const auto png = scratch() / "pictures" / "leaf.png";
    std::filesystem::create_directories(png.parent_path());
    ASSERT_TRUE(picture.save(QString::fromStdString(png.string())));
    CImageDlg::setBrowseHook([&] { return QString::fromStdString(png.string()); });
    click(images, IDC_IMAGE_BROWSE);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("leaf.bmp"))) << messages[0].toStdString();
    EXPECT_TRUE(std::filesystem::exists(scratch() / "leaf.bmp")) << "saved beside the entity";
    EXPECT_TRUE(control<QCheckBox>(images, IDC_IMAGE_ALPHA)->isChecked());
    EXPECT_EQ(control<QLineEdit>(images, IDC_IMAGE_LOW)->text(), QStringLiteral("255"));
    EXPECT_EQ(control<QLineEdit>(images, IDC_IMAGE_HIGH)->text(), QStringLiteral("255"));
    click(images, IDC_IMAGE_ADD);  // Add
    ASSERT_EQ(messages.size(), 1) << messages.join(QStringLiteral("; ")).toStdString();
    view().makeCurrent();
    TextureInfo t{};
    ASSERT_TRUE(objGetTexture(&t, "leaf"));
    EXPECT_EQ(t.alpha, 1);
    ASSERT_EQ(t.width, 4);
    // Rows are stored bottom row first: the picture's top row is the second.
    const unsigned char* top = t.pixels + 4 * 4;
    EXPECT_EQ(top[3], 0) << "the transparent pixel is clear";
    EXPECT_EQ(top[4 + 3], 255) << "opaque white stays opaque";
    EXPECT_EQ(top[8 + 0], 200);
    EXPECT_EQ(top[8 + 3], 255);

    const auto junk = scratch() / "junk.png";
    std::ofstream(junk) << "not a picture";
    CImageDlg::setBrowseHook([&] { return QString::fromStdString(junk.string()); });
    click(images, IDC_IMAGE_BROWSE);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1], QStringLiteral("Unable to read the picture junk.png"));
    images->hide();
}

// The whole road: an OBJ model and a PNG picture brought in, put together,
// saved as an entity that opens again with its texture.
TEST_F(SurfacePageTest, ImportedModelAndPictureSaveAsAnEntityThatLoadsAgain) {
    const auto folder = scratch() / "imported";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(sample("lantern.obj"), folder / "lantern.obj");
    std::filesystem::copy_file(sample("leaf.png"), folder / "leaf.png");
    answers.setOpen([&] { return QString::fromStdString((folder / "lantern.obj").string()); });
    files().onFileImport();
    ASSERT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    ASSERT_EQ(doc().modelInfo().surfaceCount, 2);

    CImageDlg* images = surfacePage()->imageDialog();
    surfacePage()->showImages();
    CImageDlg::setBrowseHook([&] { return QString::fromStdString((folder / "leaf.png").string()); });
    click(images, IDC_IMAGE_BROWSE);
    click(images, IDC_IMAGE_ADD);  // Add
    images->hide();
    ASSERT_EQ(messages.size(), 1) << messages.join(QStringLiteral("; ")).toStdString();
    chooseSurface(1);
    click(page(), IDC_SURF_TEXTURE1);  // Texture 1
    choose(page(), IDC_SURF_IMAGE, QStringLiteral("leaf"));
    ASSERT_EQ(library(1).textureCount, 1);

    const auto saved = folder / "lantern.zob";
    answers.setSave([&] { return QString::fromStdString(saved.string()); });
    files().onFileSaveAs();
    ASSERT_EQ(messages.size(), 1) << messages.join(QStringLiteral("; ")).toStdString();
    files().onFileNew();
    open(saved.string());
    ASSERT_EQ(messages.size(), 1) << messages.join(QStringLiteral("; ")).toStdString();
    view().makeCurrent();
    EXPECT_EQ(objGetTextureCnt(), 1);
    const SurfaceData roof = library(1);
    EXPECT_STREQ(roof.texture1Name, "leaf");
    EXPECT_NE(roof.texture1Id, 0u);
    EXPECT_EQ(doc().modelInfo().polygonCount, 12 + 6);
}

TEST_F(SurfacePageTest, ImageDialogAddsChecksAndLists) {
    open(sample("launcher.raw"));
    CImageDlg* images = surfacePage()->imageDialog();
    surfacePage()->showImages();
    const std::string a = bitmap("a.bmp"), b = bitmap("b.bmp");
    auto browse = [&](const std::string& path) {
        CImageDlg::setBrowseHook([path] { return QString::fromStdString(path); });
        click(images, IDC_IMAGE_BROWSE);
    };
    browse(a);
    EXPECT_EQ(control<QLineEdit>(images, IDC_IMAGE_NAME)->text(), QStringLiteral("a"));
    EXPECT_FALSE(control<QCheckBox>(images, IDC_IMAGE_AVERAGE)->isEnabled());
    click(images, IDC_IMAGE_ADD);
    ASSERT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    ASSERT_EQ(images->list()->topLevelItemCount(), 1);
    EXPECT_EQ(images->list()->topLevelItem(0)->text(1), QStringLiteral("BILINEAR"));
    EXPECT_TRUE(images->hasPreview());
    EXPECT_GE(surfacePage()->imageList()->findText(QStringLiteral("a")), 0);
    EXPECT_GE(particlesPage()->imageList()->findText(QStringLiteral("a")), 0);

    click(images, IDC_IMAGE_ADD);
    EXPECT_EQ(messages.value(0), QStringLiteral("Already Exists"));
    browse(b);
    control<QCheckBox>(images, IDC_IMAGE_ALPHA)->click();  // Alpha
    EXPECT_TRUE(control<QLineEdit>(images, IDC_IMAGE_LOW)->isEnabled());
    control<QLineEdit>(images, IDC_IMAGE_LOW)->setText(QStringLiteral("10"));
    control<QLineEdit>(images, IDC_IMAGE_HIGH)->setText(QStringLiteral("300"));
    click(images, IDC_IMAGE_ADD);
    EXPECT_EQ(messages.value(1), QStringLiteral("Please enter an integer between 0 and 255."));
    control<QLineEdit>(images, IDC_IMAGE_HIGH)->setText(QStringLiteral("200"));
    control<QComboBox>(images, IDC_IMAGE_FILTER)->setEditText(QStringLiteral("TRILINEAR"));
    click(images, IDC_IMAGE_ADD);
    ASSERT_EQ(images->list()->topLevelItemCount(), 2);
    EXPECT_EQ(images->list()->topLevelItem(1)->text(2), QStringLiteral("10 to 200"));
    EXPECT_EQ(surfacePage()->imageDialog()->image().filter, 4);
    browse(a);
    control<QLineEdit>(images, IDC_IMAGE_NAME)->setText(QStringLiteral("again"));
    control<QCheckBox>(images, IDC_IMAGE_ALPHA)->click();
    control<QCheckBox>(images, IDC_IMAGE_AVERAGE)->click();  // Average
    EXPECT_FALSE(control<QLineEdit>(images, IDC_IMAGE_LOW)->isEnabled());
    click(images, IDC_IMAGE_ADD);
    ASSERT_EQ(images->list()->topLevelItemCount(), 3) << "A, B, A: only the last path counts";
    EXPECT_EQ(images->list()->topLevelItem(2)->text(2), QStringLiteral("Averaged"));

    // Choosing the row of an image without alpha clears the boxes.
    images->list()->setCurrentItem(images->list()->topLevelItem(0));
    EXPECT_FALSE(control<QCheckBox>(images, IDC_IMAGE_ALPHA)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(images, IDC_IMAGE_AVERAGE)->isEnabled());
    EXPECT_FALSE(control<QLineEdit>(images, IDC_IMAGE_LOW)->isEnabled());
    EXPECT_EQ(control<QLineEdit>(images, IDC_IMAGE_SIZE_X)->text(), QStringLiteral("32"));
    images->list()->setCurrentItem(images->list()->topLevelItem(1));
    EXPECT_TRUE(control<QCheckBox>(images, IDC_IMAGE_ALPHA)->isChecked());
    EXPECT_EQ(control<QLineEdit>(images, IDC_IMAGE_HIGH)->text(), QStringLiteral("200"));

    const int shown = messages.size();
    click(images, IDC_IMAGE_UPDATE);
    click(images, IDC_IMAGE_REMOVE);
    EXPECT_EQ(messages.mid(shown), QStringList({QStringLiteral("Currently not supported"),
                                                QStringLiteral("Currently not supported")}));

    // The 25th image is refused by the library.
    for (int i = 3; i < 24; ++i) {
        const std::string path = bitmap(("i" + std::to_string(i) + ".bmp").c_str());
        browse(path);
        click(images, IDC_IMAGE_ADD);
    }
    view().makeCurrent();
    EXPECT_EQ(objGetTextureCnt(), 24);
    browse(bitmap("last.bmp"));
    click(images, IDC_IMAGE_ADD);
    EXPECT_EQ(messages.last(), QStringLiteral("The maximum number of textures is currently loaded."));
    EXPECT_EQ(images->list()->topLevelItemCount(), 24);

    // After File New the list is empty and the same path may be added again.
    files().onFileNew();
    EXPECT_EQ(images->list()->topLevelItemCount(), 0);
    EXPECT_FALSE(images->hasPreview());
    browse(a);
    click(images, IDC_IMAGE_ADD);
    EXPECT_EQ(images->list()->topLevelItemCount(), 1);
    click(images, IDOK);
    EXPECT_FALSE(images->isVisible());
}

TEST_F(SurfacePageTest, ImageListColumnsFitAndTheSelectedRowStaysReadable) {
    open(sample("showcase.zob"));
    CImageDlg* dialog = surfacePage()->imageDialog();
    surfacePage()->showImages();
    pump(100);
    QTreeWidget* list = dialog->list();
    ASSERT_GE(list->topLevelItemCount(), 2);
    const QFontMetrics fm = list->fontMetrics();
    EXPECT_GE(list->columnWidth(1), fm.horizontalAdvance(QStringLiteral("TRILINEAR")) + 8);
    for (int r = 0; r < list->topLevelItemCount(); ++r)
        EXPECT_GE(list->columnWidth(0), fm.horizontalAdvance(list->topLevelItem(r)->text(0)) + 8);
    list->setCurrentItem(list->topLevelItem(0));
    pump(50);
    const QRect row = list->visualItemRect(list->topLevelItem(0)).adjusted(2, 2, -2, -2);
    const QImage shot = list->viewport()->grab(row).toImage();
    const QColor highlight = list->palette().color(QPalette::Highlight);
    const QColor text = list->palette().color(QPalette::HighlightedText);
    int background = 0, letters = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c == highlight) ++background;
            if (std::abs(c.lightness() - text.lightness()) < 40 && std::abs(c.lightness() - highlight.lightness()) > 60)
                ++letters;
        }
    EXPECT_GT(background, shot.width() * shot.height() / 3) << "the row is highlighted";
    EXPECT_GT(letters, 10) << "and its text is drawn in the highlighted-text colour";
    dialog->hide();
}

TEST_F(SurfacePageTest, OpeningEntitiesListsTheirImagesOnce) {
    open(sample("showcase.zob"));
    CImageDlg* images = surfacePage()->imageDialog();
    EXPECT_EQ(images->list()->topLevelItemCount(), 2);
    open(sample("smoke.zob"));
    EXPECT_EQ(images->list()->topLevelItemCount(), 3);
    open(sample("showcase.zob"));
    EXPECT_EQ(images->list()->topLevelItemCount(), 3) << "each image once";
}

}  // namespace
}  // namespace vantor::testing
