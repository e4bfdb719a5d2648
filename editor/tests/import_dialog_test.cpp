// File > Import Model reads on a worker behind a progress dialog: a refused
// file gets its message, and Cancel gives the window back at once.
#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <fstream>
#include <memory>
#include <thread>

#include "editor_test.h"
#include "dialogs/import_progress.h"
#include "view/vantor_view.h"

namespace vantor::testing {
namespace {

class ImportDialogTest : public EditorTest {
protected:
    void TearDown() override {
        setImportWorkerGate({});
        EditorTest::TearDown();
    }
};

// A PLY whose face names a vertex one past the end: refused with a message
// that names the file, and nothing is added.
TEST_F(ImportDialogTest, ARefusedFileIsReportedAndAddsNothing) {
    open(sample("fireworks.zob"));
    const int models = doc().modelCount();
    const auto ply = scratch() / "past-end.ply";
    std::ofstream(ply) << "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                          "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
                          "0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n";
    answers.setOpen([&] { return QString::fromStdString(ply.string()); });
    files().onFileImport();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("past-end.ply"))) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(QStringLiteral("refers to vertex 3"))) << messages[0].toStdString();
    EXPECT_EQ(doc().modelCount(), models);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("fireworks - Vantor"));
}

// The worker is held inside the read; the progress dialog comes up, the view
// goes on drawing behind it, and Cancel ends the import without a message.
TEST_F(ImportDialogTest, CancelEndsTheImportAtOnce) {
    open(sample("fireworks.zob"));
    const int models = doc().modelCount();
    QObject counter;  // the connection to the view ends with the test
    auto release = std::make_shared<std::atomic<bool>>(false);
    setImportWorkerGate([release] {
        while (!release->load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    int frames = 0, framesBehindDialog = -1;
    QObject::connect(&view(), &CVantorView::frameDrawn, &counter, [&frames] { ++frames; });
    bool sawDialog = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QProgressDialog*>(w);
            if (!dialog || !dialog->isVisible() || sawDialog) continue;
            sawDialog = true;
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Import Model"));
            // The read is held until the test lets it go: the view must
            // draw frames meanwhile, however slowly this machine draws them.
            const int before = frames;
            EXPECT_TRUE(QTest::qWaitFor([&] { return frames - before > 3; }, 10000));
            framesBehindDialog = frames - before;
            auto* cancel = dialog->findChild<QPushButton*>();
            ASSERT_NE(cancel, nullptr);
            QTest::mouseClick(cancel, Qt::LeftButton);
        }
    });
    poll.start(20);
    // A format only the importer reads (STL and OBJ the library reads at once).
    const auto ply = scratch() / "plate.ply";
    std::ofstream(ply) << "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                          "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
                          "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    EXPECT_FALSE(files().importFile(QString::fromStdString(ply.string())));
    poll.stop();
    release->store(true);
    EXPECT_TRUE(sawDialog);
    EXPECT_GT(framesBehindDialog, 3) << "the view kept drawing while the file was read";
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(doc().modelCount(), models);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("fireworks - Vantor"));
}

}  // namespace
}  // namespace vantor::testing
