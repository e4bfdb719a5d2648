// Faults a new user met: file dialogs that opened in a stale folder, and a
// caption and save question that did not follow the file.
#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <filesystem>

#include "editor_test.h"
#include "particles_page.h"
#include "picture_export.h"
#include "resource.h"
#include "simulation_controls.h"
#include <QLabel>

namespace vantor::testing {
namespace {

class NewUserTest : public EditorTest {
protected:
    // Copies a sample into `folder` under the scratch folder and returns its path.
    std::string copySample(const char* name, const char* folder) {
        const auto dir = scratch() / folder;
        std::filesystem::create_directories(dir);
        const auto to = dir / name;
        std::filesystem::copy_file(sample(name), to, std::filesystem::copy_options::overwrite_existing);
        return to.string();
    }
    // Runs `command` with the real file dialog and returns the folder it opened in.
    template <typename Command>
    QString dialogFolder(Command command) {
        QString shown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&shown] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QFileDialog*>(w);
                if (!dialog || !dialog->isVisible()) continue;
                shown = QFileInfo(dialog->directory().absolutePath()).canonicalFilePath();
                dialog->reject();
            }
        });
        poll.start(30);
        command();
        return shown;
    }
};

// Open a file in one folder, then one in another: every file dialog starts
// in the folder of the document, not where the last dialog was.
TEST_F(NewUserTest, FileDialogsStartInTheDocumentsFolder) {
    // A first file in "out", and a look around there in the real Open dialog,
    // which Qt remembers as the folder last visited.
    open(copySample("fireworks.zob", "out"));
    CVantorDoc::setOpenHook(nullptr);
    CVantorDoc::setSaveHook(nullptr);
    const QString out = QString::fromStdString((scratch() / "out").string());
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) {
                dialog->setDirectory(out);
                dialog->reject();
            }
    });
    look.start(30);
    doc().onFileOpen();
    look.stop();
    // The second comes as a recent file does, without a dialog.
    const QString second = QString::fromStdString(copySample("fireworks.zob", "work"));
    CVantorDoc::enterFolderOf(second);
    ASSERT_TRUE(doc().openFile(second));
    const QString work = QFileInfo(QString::fromStdString((scratch() / "work").string())).canonicalFilePath();
    EXPECT_EQ(dialogFolder([&] { doc().onFileSave(); }), work) << "File Save";
    EXPECT_EQ(dialogFolder([&] { doc().onFileOpen(); }), work) << "File Open";
    EXPECT_EQ(dialogFolder([&] { doc().onFileImport(); }), work) << "Import Model";
    EXPECT_EQ(dialogFolder([&] { onSavePicture(&frame(), &view()); }), work) << "Save Picture";
}

// After a save the caption and the save question name the saved file; after
// File New they say "Untitled".
TEST_F(NewUserTest, TheCaptionFollowsTheFile) {
    open(copySample("fireworks.zob", "here"));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("fireworks - Vantor"));
    const auto saved = scratch() / "here" / "work1.zob";
    CVantorDoc::setSaveHook([&] { return QString::fromStdString(saved.string()); });
    doc().onFileSave();
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("work1 - Vantor"));
    commit(g_pParticlesPage, IDC_PART_LIFE, QStringLiteral("1234"));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("work1* - Vantor"));
    doc().onFileNew();
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_EQ(prompts[0], QStringLiteral("Save changes to work1?"));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Untitled - Vantor"));
}

}  // namespace
}  // namespace vantor::testing

namespace vantor::testing {
namespace {

// With fireworks running and another model imported (and so current), the
// status bar still counts the rockets; one particle or burst is singular.
TEST_F(NewUserTest, TheStatusBarCountsEveryModel) {
    open(sample("fireworks.zob"));
    ASSERT_TRUE(doc().importFile(QString::fromStdString(sample("lantern.obj"))));
    pump(600);
    const QString text = frame().simulation()->statistics()->text();
    EXPECT_FALSE(text.startsWith(QStringLiteral("0 particles"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(" particles   "))) << text.toStdString();
}

}  // namespace
}  // namespace vantor::testing
