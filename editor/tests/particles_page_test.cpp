// The PARTICLES page and the Particle Burst dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include "editor_test.h"
#include "name_dlg.h"
#include "particle_burst_dialog.h"
#include "particles_page.h"

namespace vantor::testing {
namespace {

class ParticlesPageTest : public EditorTest {
protected:
    QWidget* page() { return g_pParticlesPage; }
    QWidget* burst() { return g_pParticlesPage->burstDialog(); }
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
                click(dialog, 2);
                return;
            }
            control<QLineEdit>(dialog, 1081)->setText(name);
            click(dialog, 1);
        });
        click(page(), 1074);
    }
    QString text(QWidget* window, int id) { return control<QLineEdit>(window, id)->text(); }
};

TEST_F(ParticlesPageTest, FirstEmitterGetsTheEditorDefaults) {
    open(sample("launcher.raw"));
    add(QString());
    EXPECT_EQ(view().m_lastEmitter, -1) << "Cancel adds nothing";
    EXPECT_TRUE(view().redrawTimerRunning()) << "but restarts the timer";
    add(QStringLiteral("Jet"));
    EXPECT_EQ(view().m_lastEmitter, 0);
    EXPECT_EQ(view().m_currentEmitter, 0);
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
    EXPECT_EQ(text(page(), 1107), QStringLiteral("90.0"));
    EXPECT_FALSE(control<QLineEdit>(page(), 1161)->isEnabled()) << "Points: no end size";
    EXPECT_EQ(g_pParticlesPage->emitterList()->currentText(), QStringLiteral("Jet"));
}

TEST_F(ParticlesPageTest, FieldsParseAndFormat) {
    open(sample("launcher.raw"));
    add(QStringLiteral("Jet"));
    commit(page(), 1128, QStringLiteral("lots"));
    EXPECT_EQ(text(page(), 1128), QStringLiteral("0"));
    EXPECT_EQ(view().m_emitter.totalParticles, 0);
    EXPECT_EQ(library().totalParticles, 1000) << "a pool below the batch size is refused by the library";
    commit(page(), 1128, QStringLiteral("500"));
    EXPECT_EQ(library().totalParticles, 500);

    commit(page(), 1168, QStringLiteral("45"));
    EXPECT_NEAR(library().yaw, 0.785398f, 1e-6);
    EXPECT_EQ(text(page(), 1168), QStringLiteral("45")) << "angles keep the number as typed";
    g_pParticlesPage->refreshFromEmitter();
    EXPECT_EQ(text(page(), 1168), QStringLiteral("45.0"));
    commit(page(), 1109, QStringLiteral("0.5"));
    EXPECT_EQ(text(page(), 1109), QStringLiteral("0.5000"));
    commit(page(), 1164, QStringLiteral("-0.002"));
    EXPECT_EQ(text(page(), 1164), QStringLiteral("-0.00200"));
    commit(page(), 1113, QStringLiteral("2"));
    EXPECT_EQ(control<Swatch>(page(), 1169)->color().red(), 254);
    EXPECT_FLOAT_EQ(library().startColor[0], 2.0f);

    nextColour = QColor(0, 128, 255);
    click(page(), 1141);
    EXPECT_EQ(text(page(), 1138), QStringLiteral("0.502"));
    EXPECT_FLOAT_EQ(library().endColor[2], 1.0f);
    EXPECT_FLOAT_EQ(library().endColor[3], 0.0f);
}

TEST_F(ParticlesPageTest, PoolsPastTheParticleLimitAreRefusedWithAMessage) {
    open(sample("launcher.raw"));
    add(QStringLiteral("Jet"));
    commit(page(), 1128, QString::number(KORVID_MAX_PARTICLES + 1));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Too many particles"))) << messages[0].toStdString();
    EXPECT_EQ(library().totalParticles, 1000);
    EXPECT_EQ(text(page(), 1128), QStringLiteral("1000")) << "the page shows what the library kept";
    EXPECT_EQ(view().m_emitter.totalParticles, 1000);
    commit(page(), 1128, QStringLiteral("2000"));
    EXPECT_EQ(library().totalParticles, 2000);
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(ParticlesPageTest, TypesImagesAndCheckBoxes) {
    open(sample("smoke.zob"));
    EXPECT_TRUE(control<QComboBox>(page(), 1039)->isEnabled()) << "Polygons: image box";
    EXPECT_EQ(control<QComboBox>(page(), 1039)->currentText(), QStringLiteral("Puff"));
    choose(page(), 1132, 0);  // Points
    EXPECT_FALSE(control<QLineEdit>(page(), 1159)->isEnabled());
    EXPECT_FALSE(control<QComboBox>(page(), 1039)->isEnabled());
    EXPECT_EQ(library().particleType, 0);
    choose(page(), 1132, 3);
    EXPECT_TRUE(control<QLineEdit>(page(), 1162)->isEnabled());
    choose(page(), 1039, QStringLiteral("NONE"));
    EXPECT_EQ(library().textureId, 0u);
    EXPECT_STREQ(library().imageName, "");
    choose(page(), 1039, QStringLiteral("Puff"));
    EXPECT_NE(library().textureId, 0u);

    EXPECT_FALSE(control<QLineEdit>(page(), 1157)->isEnabled());
    click(page(), 1150);  // Reflect
    EXPECT_TRUE(control<QLineEdit>(page(), 1157)->isEnabled());
    EXPECT_EQ(library().isReflected, 1);
    click(page(), 1155);  // Use Object
    EXPECT_FALSE(control<QLineEdit>(page(), 1151)->isEnabled());
    EXPECT_EQ(library().isAttachToModel, 1);
    EXPECT_FALSE(control<QPushButton>(page(), 1134)->isEnabled());
    click(page(), 1171);  // Burst
    EXPECT_TRUE(control<QPushButton>(page(), 1134)->isEnabled());
    EXPECT_TRUE(control<QCheckBox>(page(), 1172)->isEnabled());
    EXPECT_TRUE(control<QLineEdit>(burst(), 1128)->isEnabled());
    EXPECT_FALSE(control<QLineEdit>(page(), 1129)->isEnabled());
    click(page(), 1170);  // Emitter Life on
    EXPECT_TRUE(control<QLineEdit>(page(), 1129)->isEnabled());
    EXPECT_EQ(library().isLifespan, 1);

    // Reset Emitter Timer gives the emitter its whole emission time again.
    pump(200);
    EXPECT_LT(library().lifespanTime, view().m_emitter.lifespanTime) << "the emitter life ran down";
    const EmitterData before = library();
    click(page(), 1131);
    const EmitterData after = library();
    EXPECT_EQ(after.lifespanTime, view().m_emitter.lifespanTime);
    EXPECT_EQ(std::memcmp(&before.name, &after.name, sizeof before.name), 0);
    EXPECT_EQ(before.totalParticles, after.totalParticles);
}

TEST_F(ParticlesPageTest, EmittersKeepTheirNamesAndLongNamesAreCut) {
    open(sample("launcher.raw"));
    add(QStringLiteral("First"));
    add(QString(40, QLatin1Char('n')));
    EXPECT_EQ(view().m_currentEmitter, 1);
    EXPECT_EQ(QString::fromLatin1(library().name), QString(27, QLatin1Char('n')));
    choose(page(), 1167, 0);
    EXPECT_STREQ(view().m_emitter.name, "First");
    commit(page(), 1111, QStringLiteral("1234"));
    choose(page(), 1167, 1);
    EXPECT_EQ(library().life, 2000);
    choose(page(), 1167, 0);
    EXPECT_STREQ(library().name, "First");
    EXPECT_EQ(library().life, 1234);
}

TEST_F(ParticlesPageTest, BurstDialogShowsAndSendsTheBurst) {
    open(sample("launcher.raw"));
    add(QStringLiteral("Shells"));
    click(page(), 1171);
    click(page(), 1134);  // Properties
    ASSERT_TRUE(burst()->isVisible());
    EXPECT_EQ(text(burst(), 1128), QStringLiteral("10"));
    EXPECT_EQ(text(burst(), 1111), QStringLiteral("500"));
    EXPECT_EQ(text(burst(), 1112), QStringLiteral("0"));
    EXPECT_EQ(text(burst(), 1168), QStringLiteral("0.0"));
    EXPECT_EQ(text(burst(), 1106), QStringLiteral("180.0"));
    EXPECT_EQ(text(burst(), 1107), QStringLiteral("90.0"));
    EXPECT_EQ(text(burst(), 1108), QStringLiteral("45.0"));
    EXPECT_EQ(text(burst(), 1109), QStringLiteral("0.0100"));
    EXPECT_EQ(text(burst(), 1110), QStringLiteral("0.0000"));
    EXPECT_EQ(text(burst(), 1113), QStringLiteral("1.000"));
    EXPECT_EQ(text(burst(), 1137), QStringLiteral("0.000"));
    EXPECT_EQ(text(burst(), 1158), QStringLiteral("1.000"));
    EXPECT_EQ(text(burst(), 1161), QStringLiteral("1.000"));
    choose(page(), 1132, 1);  // Lines: no sizes
    EXPECT_FALSE(control<QLineEdit>(burst(), 1158)->isEnabled());

    commit(burst(), 1107, QStringLiteral("30"));
    BurstData b{};
    view().makeCurrent();
    objGetBurst(&b);
    EXPECT_NEAR(b.pitch, 0.523599f, 1e-6);
    EXPECT_EQ(text(burst(), 1107), QStringLiteral("30"));
    commit(burst(), 1128, QStringLiteral("25"));
    objGetBurst(&b);
    EXPECT_EQ(b.count, 25);
    click(burst(), 1);
    EXPECT_FALSE(burst()->isVisible());
    EXPECT_EQ(text(burst(), 1107), QStringLiteral("30.0")) << "refreshed from the library when hidden";
}

TEST_F(ParticlesPageTest, NewDisablesEverything) {
    open(sample("fireworks.zob"));
    EXPECT_TRUE(control<QLineEdit>(page(), 1128)->isEnabled());
    doc().onFileNew();
    EXPECT_FALSE(control<QLineEdit>(page(), 1128)->isEnabled());
    EXPECT_FALSE(control<QPushButton>(page(), 1074)->isEnabled());
    EXPECT_EQ(text(page(), 1128), QStringLiteral("1000"));
    ASSERT_EQ(control<QComboBox>(page(), 1039)->count(), 1) << "only NONE stays";
    EXPECT_EQ(control<QComboBox>(page(), 1039)->itemText(0), QStringLiteral("NONE"));
}

}  // namespace
}  // namespace vantor::testing
