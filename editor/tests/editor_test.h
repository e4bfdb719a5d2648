// Shared set-up of the editor tests: one running Vantor (the library context
// is process-wide), hooks that answer message boxes, colour and file dialogs,
// and helpers that drive the real widgets.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QLineEdit>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <memory>
#include <optional>
#include <string>

#include "widgets/controls.h"
#include "pages/entity_control_view.h"
#include "app/file_commands.h"
#include "pages/object_page.h"
#include "pages/particles_page.h"
#include "pages/surface_page.h"
#include "korvid.h"
#include "app/main_frame.h"
#include "app/vantor_app.h"
#include "document/vantor_doc.h"
#include "view/vantor_view.h"

namespace vantor::testing {

CVantorApp& app();

// Answers File Open, File Save and the save question for the tests; with no
// answer set, the standard dialogs come up.
class TestAnswers : public FileQuestions {
public:
    void setOpen(std::function<QString()> answer) { open_ = std::move(answer); }
    void setSave(std::function<QString()> answer) { save_ = std::move(answer); }
    // The question "Save changes to ...?" is shown for real.
    void setRealPrompts() { realPrompts_ = true; }
    QString fileToOpen(QWidget* parent, const QString& caption, const QString& filter) override;
    QString fileToSave(QWidget* parent, const QString& proposed) override;
    QString proposedSaveName;  // what the last save dialog offered
    int saveChanges(QWidget* parent, const QString& question) override;
    QStringList* prompts = nullptr;
    int* promptAnswer = nullptr;

private:
    std::function<QString()> open_, save_;
    bool realPrompts_ = false;
};

// A refusal about a file as the editor shows it: the library's words, then
// the file's path (unless the words name the file already).
inline QString aboutFile(const QString& text, const std::filesystem::path& file) {
    return text + QStringLiteral("\n\nFile: ") + QString::fromStdString(file.string());
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    CMainFrame& frame() { return *app().mainFrame(); }
    CVantorDoc& doc() { return *app().document(); }
    CVantorView& view() { return *app().mainFrame()->view(); }
    FileCommands& files() { return frame().files(); }
    CObjectPage* objectPage() { return frame().controlView()->objectPage(); }
    CSurfacePage* surfacePage() { return frame().controlView()->surfacePage(); }
    CParticlesPage* particlesPage() { return frame().controlView()->particlesPage(); }

    // Opens a file through File Open, the dialog answered with `path`.
    void open(const std::string& path);
    // Types into an edit and moves the focus away so that it commits.
    void commit(QWidget* window, int id, const QString& text);
    void click(QWidget* window, int id);
    // Chooses an entry of a combo box the way a user does.
    void choose(QWidget* window, int id, int index);
    void choose(QWidget* window, int id, const QString& text);
    // Lets the event loop run for a while (timer ticks, redraws).
    static void pump(int milliseconds);
    // Runs `inside` once the next modal dialog is up. A dialog waited for
    // that never opens fails the test when it ends.
    template <typename Dialog, typename Inside>
    void whenModal(Inside inside) {
        ++*pendingModals_;
        std::weak_ptr<int> pending = pendingModals_;
        QTimer::singleShot(30, [inside, pending] {
            const std::shared_ptr<int> count = pending.lock();
            if (!count) return;  // the test that asked has ended
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (!dialog) return;  // still pending: the test fails at its end
            --*count;
            inside(dialog);
        });
    }

    std::string sample(const char* name) const;
    // A copy of a sample in `folder` under the scratch folder, for tests
    // that save: File Save writes a file opened from a sample in place.
    std::string copyOfSample(const char* name, const char* folder = "own");
    std::filesystem::path scratch() const { return dir_; }

    TestAnswers answers;                    // file dialogs and the save question
    QStringList messages;                   // message boxes shown
    QStringList prompts;                    // "Save changes to ...?" questions asked
    int promptAnswer = QMessageBox::Discard;
    std::optional<QColor> nextColour;       // answer of the next colour dialog
    std::optional<QColor> colourOffered;    // initial colour the dialog got

private:
    std::filesystem::path dir_;
    std::shared_ptr<int> pendingModals_ = std::make_shared<int>(0);  // dialogs waited for, not yet seen
    std::filesystem::path startFolder_;
};

}  // namespace vantor::testing
