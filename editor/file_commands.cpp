#include "file_commands.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "controls.h"
#include "import_progress.h"
#include "vantor_doc.h"

namespace {
// The standard dialogs, each starting in the document's folder (the working directory).
class DialogQuestions : public FileQuestions {
public:
    QString fileToOpen(QWidget* parent, const QString& caption, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, QDir::currentPath(), filter);
    }
    QString fileToSave(QWidget* parent) override {
        // No name is offered: the user types one.
        QFileDialog dialog(parent, QString(), QDir::currentPath(), QStringLiteral("ZOB Model (*.zob)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("zob"));
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().first();
    }
    int saveChanges(QWidget* parent, const QString& question) override {
        return QMessageBox::question(parent, QStringLiteral("Vantor"), question,
                                     QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    }
};

}  // namespace

FileQuestions& standardFileQuestions() {
    static DialogQuestions dialogs;
    return dialogs;
}

FileCommands::FileCommands(CVantorDoc& document, QWidget* window)
    : QObject(window), m_document(document), m_window(window), m_questions(&standardFileQuestions()) {}

void FileCommands::setQuestions(FileQuestions* questions) {
    m_questions = questions ? questions : &standardFileQuestions();
}

void FileCommands::tell(const QString& text) {
    if (!text.isEmpty()) vantor::message(m_window, text);
}

void FileCommands::onFileNew() {
    if (!saveModified()) return;
    m_document.clear();
}

// The file chosen in an open dialog, its folder made the working directory;
// empty when cancelled.
QString FileCommands::chooseFileToOpen(const QString& caption, const QString& filter) {
    const QString path = m_questions->fileToOpen(m_window, caption, filter);
    if (!path.isEmpty()) CVantorDoc::enterFolderOf(path);
    return path;
}

void FileCommands::onFileOpen() {
    if (!saveModified()) return;
    const QString path = chooseFileToOpen(QString(), QStringLiteral("RAW Model (*.raw);;ZOB Model (*.zob)"));
    if (!path.isEmpty()) openFile(path);
}

bool FileCommands::openFile(const QString& path) {
    CVantorDoc::enterFolderOf(path);
    const CVantorDoc::FileResult result = m_document.openFile(QFileInfo(path).absoluteFilePath());
    tell(result.message);
    return result.ok;
}

void FileCommands::onFileImport() {
    if (!saveModified()) return;
    const QString all = QString::fromStdString(korvid::import::supportedPatterns());
    const QString path = chooseFileToOpen(
        QStringLiteral("Import Model"),
        QStringLiteral("All supported (%1);;Wavefront OBJ (*.obj);;STL (*.stl);;PLY (*.ply);;glTF (*.gltf *.glb);;"
                       "FBX (*.fbx);;Collada (*.dae);;All files (*)")
            .arg(all));
    if (!path.isEmpty()) importFile(path);
}

bool FileCommands::importFile(const QString& path) {
    // The file is read on a worker while the window keeps drawing; the
    // model is added here, on the view's thread.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const korvid::import::MeshRead read = vantor::readMeshWithProgress(m_window, absolute);
    const CVantorDoc::FileResult result = m_document.addImportedMesh(absolute, read);
    tell(result.message);
    return result.ok;
}

void FileCommands::onFileSave() { saveWithDialog(); }

bool FileCommands::saveWithDialog() {
    QString path = m_questions->fileToSave(m_window);
    if (path.isEmpty()) return false;
    // A name typed without an extension gets the default one.
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".zob");
    CVantorDoc::enterFolderOf(path);
    return saveFile(path);
}

bool FileCommands::saveFile(const QString& path) {
    const CVantorDoc::FileResult result = m_document.saveFile(path);
    tell(result.message);
    return result.ok;
}

bool FileCommands::saveModified() {
    // Typing not yet committed counts as a change, as it would once the field lost the focus.
    vantor::commitFocusedField();
    if (!m_document.isModified()) return true;
    const QString question = QStringLiteral("Save changes to %1?").arg(vantor::elideMiddle(m_document.title()));
    const int answer = m_questions->saveChanges(m_window, question);
    if (answer == QMessageBox::Save) return saveWithDialog();
    return answer == QMessageBox::Discard;
}
