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
#include <optional>
#include <string>

#include "controls.h"
#include "korvid.h"
#include "main_frame.h"
#include "vantor_app.h"
#include "vantor_doc.h"
#include "vantor_view.h"

namespace vantor::testing {

CVantorApp& app();

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    CMainFrame& frame() { return *app().mainFrame(); }
    CVantorDoc& doc() { return *app().document(); }
    CVantorView& view() { return *g_pView; }

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
    // Runs `inside` once the next modal dialog is up.
    template <typename Dialog, typename Inside>
    void whenModal(Inside inside) {
        QTimer::singleShot(30, [inside] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr) << "no modal dialog";
            inside(dialog);
        });
    }

    std::string sample(const char* name) const;
    std::filesystem::path scratch() const { return dir_; }

    QStringList messages;                   // message boxes shown
    QStringList prompts;                    // "Save changes to ...?" questions asked
    int promptAnswer = QMessageBox::Discard;
    std::optional<QColor> nextColour;       // answer of the next colour dialog
    std::optional<QColor> colourOffered;    // initial colour the dialog got

private:
    std::filesystem::path dir_;
    std::filesystem::path startFolder_;
};

}  // namespace vantor::testing
