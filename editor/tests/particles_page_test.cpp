// The PARTICLES page and the Particle Burst dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include "resource.h"
#include "editor_test.h"
#include "dialogs/name_dlg.h"
#include "dialogs/particle_burst_dialog.h"
#include "pages/particles_page.h"

namespace vantor::testing {
namespace {

class ParticlesPageTest : public EditorTest {
protected:
    QWidget* page() { return particlesPage(); }
    QWidget* burst() { return particlesPage()->burstDialog(); }
    EmitterData library() {
        EmitterData e{};
        view().makeCurrent();
        objGetEmitter(&e);
        return e;
    }
    // Adds an emitter through "Add", answering the Name dialog with `name`
    // (an empty name cancels).
    void add(const QString& name) {
        QTimer::singleShot(30, [this, name] {
            auto* dialog = qobject_cast<CNameDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_FALSE(view().redrawTimerRunning());
            if (name.isEmpty()) {
                click(dialog, IDCANCEL);
                return;
            }
            control<QLineEdit>(dialog, IDC_NAME_EDIT)->setText(name);
            click(dialog, IDOK);
        });
        click(page(), IDC_PART_ADD);
    }
    QString text(QWidget* window, int id) { return control<QLineEdit>(window, id)->text(); }
};

TEST_F(ParticlesPageTest, FirstEmitterGetsTheEditorDefaults) {
    open(sample("launcher.raw"));
    add(QString());
    EXPECT_EQ(doc().lastEmitter(), -1) << "Cancel adds nothing";
    EXPECT_TRUE(view().redrawTimerRunning()) << "but restarts the timer";
    add(QStringLiteral("Jet"));
    EXPECT_EQ(doc().lastEmitter(), 0);
    EXPECT_EQ(doc().currentEmitter(), 0);
    EXPECT_TRUE(view().redrawTimerRunning());
    const EmitterData e = library();
    EXPECT_STREQ(e.name, "Jet");
    EXPECT_EQ(e.totalParticles, 1000);
    EXPECT_EQ(e.emitterPerCycle, 1);
    EXPECT_EQ(e.emitterTime, 20);
    EXPECT_EQ(e.life, 2000);
    EXPECT_EQ(e.lifespanTime, 5000);
    EXPECT_FLOAT_EQ(e.startSize, 2.0f);
    EXPECT_FLOAT_EQ(e.endSize, 2.0f);
    EXPECT_FLOAT_EQ(e.force[1], -0.0001f);
    EXPECT_FLOAT_EQ(e.pitch, 1.5707964f);
    EXPECT_FLOAT_EQ(e.endColor[3], 0.0f);
    EXPECT_EQ(e.burst.count, 10);
    EXPECT_EQ(text(page(), IDC_PART_PITCH), QStringLiteral("90.0"));
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_PART_END_SIZE)->isEnabled()) << "Points: no end size";
    EXPECT_EQ(particlesPage()->emitterList()->currentText(), QStringLiteral("Jet"));
}

TEST_F(ParticlesPageTest, FieldsParseAndFormat) {
    open(sample("launcher.raw"));
    add(QStringLiteral("Jet"));
    commit(page(), IDC_PART_TOTAL, QStringLiteral("lots"));
    EXPECT_EQ(text(page(), IDC_PART_TOTAL), QStringLiteral("0"));
    EXPECT_EQ(doc().emitter().totalParticles, 0);
    EXPECT_EQ(library().totalParticles, 1000) << "a pool below the batch size is refused by the library";
    commit(page(), IDC_PART_TOTAL, QStringLiteral("500"));
    EXPECT_EQ(library().totalParticles, 500);

    commit(page(), IDC_PART_YAW, QStringLiteral("45"));
    EXPECT_NEAR(library().yaw, 0.785398f, 1e-6);
    EXPECT_EQ(text(page(), IDC_PART_YAW), QStringLiteral("45")) << "angles keep the number as typed";
    particlesPage()->refreshFromEmitter();
    EXPECT_EQ(text(page(), IDC_PART_YAW), QStringLiteral("45.0"));
    commit(page(), IDC_PART_SPEED, QStringLiteral("0.5"));
    EXPECT_EQ(text(page(), IDC_PART_SPEED), QStringLiteral("0.5000"));
    commit(page(), IDC_PART_FORCE_X + 1, QStringLiteral("-0.002"));
    EXPECT_EQ(text(page(), IDC_PART_FORCE_X + 1), QStringLiteral("-0.00200"));
    commit(page(), IDC_PART_START_R, QStringLiteral("2"));
    EXPECT_EQ(control<Swatch>(page(), IDC_PART_START_SWATCH)->color().red(), 255) << "a channel takes 0..1";
    EXPECT_FLOAT_EQ(library().startColor[0], 1.0f);

    nextColour = QColor(0, 128, 255);
    click(page(), IDC_PART_END_SELECT);
    EXPECT_EQ(text(page(), IDC_PART_END_R + 1), QStringLiteral("0.502"));
    EXPECT_FLOAT_EQ(library().endColor[2], 1.0f);
    EXPECT_FLOAT_EQ(library().endColor[3], 0.0f);
}

TEST_F(ParticlesPageTest, PoolsPastTheParticleLimitAreRefusedWithAMessage) {
    open(sample("launcher.raw"));
    add(QStringLiteral("Jet"));
    commit(page(), IDC_PART_TOTAL, QString::number(KORVID_MAX_PARTICLES + 1));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Too many particles"))) << messages[0].toStdString();
    EXPECT_EQ(library().totalParticles, 1000);
    EXPECT_EQ(text(page(), IDC_PART_TOTAL), QStringLiteral("1000")) << "the page shows what the library kept";
    EXPECT_EQ(doc().emitter().totalParticles, 1000);
    commit(page(), IDC_PART_TOTAL, QStringLiteral("2000"));
    EXPECT_EQ(library().totalParticles, 2000);
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(ParticlesPageTest, TypesImagesAndCheckBoxes) {
    open(sample("smoke.zob"));
    EXPECT_TRUE(control<QComboBox>(page(), IDC_PART_IMAGE)->isEnabled()) << "Polygons: image box";
    EXPECT_EQ(control<QComboBox>(page(), IDC_PART_IMAGE)->currentText(), QStringLiteral("Puff"));
    choose(page(), IDC_PART_MODE, 0);  // Points
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_PART_START_SIZE_VAR)->isEnabled());
    EXPECT_FALSE(control<QComboBox>(page(), IDC_PART_IMAGE)->isEnabled());
    EXPECT_EQ(library().particleType, 0);
    choose(page(), IDC_PART_MODE, 3);
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_PART_END_SIZE_VAR)->isEnabled());
    choose(page(), IDC_PART_IMAGE, QStringLiteral("NONE"));
    EXPECT_EQ(library().textureId, 0u);
    EXPECT_STREQ(library().imageName, "");
    choose(page(), IDC_PART_IMAGE, QStringLiteral("Puff"));
    EXPECT_NE(library().textureId, 0u);

    EXPECT_FALSE(control<QLineEdit>(page(), IDC_PART_GROUND)->isEnabled());
    click(page(), IDC_PART_REFLECT);  // Reflect
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_PART_GROUND)->isEnabled());
    EXPECT_EQ(library().isReflected, 1);
    click(page(), IDC_PART_USE_OBJECT);  // Use Object
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_PART_POSITION_X)->isEnabled());
    EXPECT_EQ(library().isAttachToModel, 1);
    EXPECT_FALSE(control<QPushButton>(page(), IDC_PART_PROPERTIES)->isEnabled());
    click(page(), IDC_PART_BURST);  // Burst
    EXPECT_TRUE(control<QPushButton>(page(), IDC_PART_PROPERTIES)->isEnabled());
    EXPECT_TRUE(control<QCheckBox>(page(), IDC_PART_BURST_ON_GROUND)->isEnabled());
    EXPECT_TRUE(control<QLineEdit>(burst(), IDC_PART_TOTAL)->isEnabled());
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_PART_LIFESPAN)->isEnabled());
    click(page(), IDC_PART_USE_LIFESPAN);  // Emitter Life on
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_PART_LIFESPAN)->isEnabled());
    EXPECT_EQ(library().isLifespan, 1);

    // Reset Emitter Timer gives the emitter its whole emission time again.
    EXPECT_TRUE(QTest::qWaitFor([this] { return library().lifespanTime < doc().emitter().lifespanTime; }, 10000))
        << "the emitter life ran down";
    const EmitterData before = library();
    click(page(), IDC_PART_RESET_TIMER);
    const EmitterData after = library();
    EXPECT_EQ(after.lifespanTime, doc().emitter().lifespanTime);
    EXPECT_EQ(std::memcmp(&before.name, &after.name, sizeof before.name), 0);
    EXPECT_EQ(before.totalParticles, after.totalParticles);
}

TEST_F(ParticlesPageTest, EmittersKeepTheirNamesAndLongNamesAreCut) {
    open(sample("launcher.raw"));
    add(QStringLiteral("First"));
    add(QString(40, QLatin1Char('n')));
    EXPECT_EQ(doc().currentEmitter(), 1);
    EXPECT_EQ(QString::fromLatin1(library().name), QString(27, QLatin1Char('n')));
    choose(page(), IDC_PART_EMITTER, 0);
    EXPECT_STREQ(doc().emitter().name, "First");
    commit(page(), IDC_PART_LIFE, QStringLiteral("1234"));
    choose(page(), IDC_PART_EMITTER, 1);
    EXPECT_EQ(library().life, 2000);
    choose(page(), IDC_PART_EMITTER, 0);
    EXPECT_STREQ(library().name, "First");
    EXPECT_EQ(library().life, 1234);
}

// Names that would not read back from a saved file (a leading '/' is a
// comment line there, blanks split the word, a cut may split a character)
// are made safe as they are entered, and the entity opens again.
TEST_F(ParticlesPageTest, EmitterNamesReadBackFromTheSavedFile) {
    open(sample("launcher.raw"));
    add(QStringLiteral("/fire works"));
    add(QString(13, QChar(0xE9)) + QStringLiteral("xyz"));  // 13 two-byte characters, then "x" cut at 27 bytes
    EXPECT_STREQ(library().name, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
                                 "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9x");
    choose(page(), IDC_PART_EMITTER, 0);
    EXPECT_STREQ(library().name, "_fire_works");
    EXPECT_EQ(particlesPage()->emitterList()->itemText(0), QStringLiteral("_fire_works"));
    const auto saved = scratch() / "names.zob";
    answers.setSave([&] { return QString::fromStdString(saved.string()); });
    files().onFileSaveAs();
    ASSERT_TRUE(std::filesystem::exists(saved)) << messages.join(QStringLiteral("; ")).toStdString();
    open(saved.string());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(doc().modelInfo().emitterCount, 2);
    EXPECT_EQ(particlesPage()->emitterList()->itemText(0), QStringLiteral("_fire_works"));
}

TEST_F(ParticlesPageTest, BurstDialogShowsAndSendsTheBurst) {
    open(sample("launcher.raw"));
    add(QStringLiteral("Shells"));
    click(page(), IDC_PART_BURST);
    click(page(), IDC_PART_PROPERTIES);  // Properties
    ASSERT_TRUE(burst()->isVisible());
    EXPECT_EQ(text(burst(), IDC_PART_TOTAL), QStringLiteral("10"));
    EXPECT_EQ(text(burst(), IDC_PART_LIFE), QStringLiteral("500"));
    EXPECT_EQ(text(burst(), IDC_PART_LIFE_VAR), QStringLiteral("0"));
    EXPECT_EQ(text(burst(), IDC_PART_YAW), QStringLiteral("0.0"));
    EXPECT_EQ(text(burst(), IDC_PART_YAW_VAR), QStringLiteral("180.0"));
    EXPECT_EQ(text(burst(), IDC_PART_PITCH), QStringLiteral("90.0"));
    EXPECT_EQ(text(burst(), IDC_PART_PITCH_VAR), QStringLiteral("45.0"));
    EXPECT_EQ(text(burst(), IDC_PART_SPEED), QStringLiteral("0.0100"));
    EXPECT_EQ(text(burst(), IDC_PART_SPEED_VAR), QStringLiteral("0.0000"));
    EXPECT_EQ(text(burst(), IDC_PART_START_R), QStringLiteral("1.000"));
    EXPECT_EQ(text(burst(), IDC_PART_END_R), QStringLiteral("0.000"));
    EXPECT_EQ(text(burst(), IDC_PART_START_SIZE), QStringLiteral("1.000"));
    EXPECT_EQ(text(burst(), IDC_PART_END_SIZE), QStringLiteral("1.000"));
    choose(page(), IDC_PART_MODE, 1);  // Lines: no sizes
    EXPECT_FALSE(control<QLineEdit>(burst(), IDC_PART_START_SIZE)->isEnabled());

    commit(burst(), IDC_PART_PITCH, QStringLiteral("30"));
    BurstData b{};
    view().makeCurrent();
    objGetBurst(&b);
    EXPECT_NEAR(b.pitch, 0.523599f, 1e-6);
    EXPECT_EQ(text(burst(), IDC_PART_PITCH), QStringLiteral("30"));
    commit(burst(), IDC_PART_TOTAL, QStringLiteral("25"));
    objGetBurst(&b);
    EXPECT_EQ(b.count, 25);
    click(burst(), IDOK);
    EXPECT_FALSE(burst()->isVisible());
    EXPECT_EQ(text(burst(), IDC_PART_PITCH), QStringLiteral("30.0")) << "refreshed from the library when hidden";
}

TEST_F(ParticlesPageTest, NewDisablesEverything) {
    open(sample("fireworks.zob"));
    EXPECT_TRUE(control<QLineEdit>(page(), IDC_PART_TOTAL)->isEnabled());
    files().onFileNew();
    EXPECT_FALSE(control<QLineEdit>(page(), IDC_PART_TOTAL)->isEnabled());
    EXPECT_FALSE(control<QPushButton>(page(), IDC_PART_ADD)->isEnabled());
    EXPECT_EQ(text(page(), IDC_PART_TOTAL), QStringLiteral("1000"));
    ASSERT_EQ(control<QComboBox>(page(), IDC_PART_IMAGE)->count(), 1) << "only NONE stays";
    EXPECT_EQ(control<QComboBox>(page(), IDC_PART_IMAGE)->itemText(0), QStringLiteral("NONE"));
}

}  // namespace
}  // namespace vantor::testing
