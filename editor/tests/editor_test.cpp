#include "editor_test.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>

#include "dialogs/image_dlg.h"

namespace vantor::testing {

CVantorApp& app() { return *static_cast<CVantorApp*>(QCoreApplication::instance()); }

QString TestAnswers::fileToOpen(QWidget* parent, const QString& caption, const QString& filter) {
    return open_ ? open_() : standardFileQuestions().fileToOpen(parent, caption, filter);
}

QString TestAnswers::fileToSave(QWidget* parent, const QString& proposed) {
    proposedSaveName = proposed;
    return save_ ? save_() : standardFileQuestions().fileToSave(parent, proposed);
}

int TestAnswers::saveChanges(QWidget* parent, const QString& question) {
    if (realPrompts_) return standardFileQuestions().saveChanges(parent, question);
    *prompts << question;
    return *promptAnswer;
}

void EditorTest::SetUp() {
    ASSERT_NE(app().mainFrame(), nullptr);
    for (int i = 0; i < 200 && !view().libraryReady(); ++i) pump(20);
    ASSERT_TRUE(view().libraryReady()) << "the 3D view did not start the library";
    setMessageHook([this](const QString& text) { messages << text; });
    // "Save changes to ...?" is answered with `promptAnswer` (Discard unless a test says otherwise).
    answers.prompts = &prompts;
    answers.promptAnswer = &promptAnswer;
    files().setQuestions(&answers);
    setColorHook([this](const QColor& initial) {
        colourOffered = initial;
        auto answer = nextColour;
        nextColour.reset();
        return answer;
    });
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // One folder per process, so that builds testing side by side never share one.
    dir_ = std::filesystem::temp_directory_path() / ("vantor-tests-" + std::to_string(::getpid())) /
           (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    // Choosing files moves the working directory; each test starts from the same one.
    startFolder_ = std::filesystem::current_path();
    // Xvfb has no window manager: the frame is made the active window by hand
    // so that focus changes happen as they do on a desktop.
    QApplication::setActiveWindow(app().mainFrame());
    files().onFileNew();
    messages.clear();
    prompts.clear();
}

void EditorTest::TearDown() {
    EXPECT_EQ(*pendingModals_, 0) << "a modal dialog the test waited for never opened";
    files().setQuestions(nullptr);
    CImageDlg::setBrowseHook(nullptr);
    setMessageHook(nullptr);
    setColorHook(nullptr);
    std::error_code ec;
    std::filesystem::current_path(startFolder_, ec);
    std::filesystem::remove_all(dir_, ec);
    std::filesystem::remove(dir_.parent_path(), ec);  // the process's folder, once empty
}

std::string EditorTest::copyOfSample(const char* name, const char* folder) {
    const auto dir = dir_ / folder;
    std::filesystem::create_directories(dir);
    const auto to = dir / name;
    std::filesystem::copy_file(sample(name), to, std::filesystem::copy_options::overwrite_existing);
    // The images an entity names are found beside it.
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(sample(name)).parent_path()))
        if (entry.path().extension() == ".bmp")
            std::filesystem::copy_file(entry.path(), dir / entry.path().filename(),
                                       std::filesystem::copy_options::overwrite_existing);
    return to.string();
}

void EditorTest::open(const std::string& path) {
    answers.setOpen([path] { return QString::fromStdString(path); });
    files().onFileOpen();
    answers.setOpen(nullptr);
}

void EditorTest::commit(QWidget* window, int id, const QString& text) {
    auto* edit = control<QLineEdit>(window, id);
    ASSERT_NE(edit, nullptr) << "no edit " << id;
    edit->setFocus();
    edit->setText(text);
    edit->setModified(true);  // as typing does
    // Losing the focus commits the edit.
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &out);
}

void EditorTest::click(QWidget* window, int id) {
    auto* button = control<QAbstractButton>(window, id);
    ASSERT_NE(button, nullptr) << "no button " << id;
    button->click();
}

void EditorTest::choose(QWidget* window, int id, int index) {
    auto* box = control<QComboBox>(window, id);
    ASSERT_NE(box, nullptr) << "no combo box " << id;
    ASSERT_LT(index, box->count());
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void EditorTest::choose(QWidget* window, int id, const QString& text) {
    auto* box = control<QComboBox>(window, id);
    ASSERT_NE(box, nullptr) << "no combo box " << id;
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    choose(window, id, index);
}

void EditorTest::pump(int milliseconds) { QTest::qWait(milliseconds); }

std::string EditorTest::sample(const char* name) const { return std::string(VANTOR_SAMPLES) + "/" + name; }

}  // namespace vantor::testing

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

int main(int argc, char** argv) {
    // Listing the tests needs no window system.
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--gtest_list_tests") {
            ::testing::InitGoogleTest(&argc, argv);
            return RUN_ALL_TESTS();
        }
    }
    // The tests keep their settings (recent files, window state) apart from the user's.
    QStandardPaths::setTestModeEnabled(true);
    setVantorSurfaceFormat();
    CVantorApp application(argc, argv);
    if (!application.initInstance()) return 1;
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#if defined(__SANITIZE_ADDRESS__)
    // Leaks, when looked for, are looked for while the OpenGL driver is still
    // loaded: Mesa unloads it with the last context, and what it kept would
    // then have no module to be named or suppressed by.
    __lsan_do_leak_check();
#endif
    return result;
}
