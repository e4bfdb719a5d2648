#include "app/file_commands.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "widgets/controls.h"
#include "dialogs/import_progress.h"
#include "document/vantor_doc.h"

namespace {
// The standard dialogs, each starting in the document's folder (the working directory).
class DialogQuestions : public FileQuestions {
public:
    QString fileToOpen(QWidget* parent, const QString& caption, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, QDir::currentPath(), filter);
    }
    QString fileToSave(QWidget* parent, const QString& proposed) override {
        QFileDialog dialog(parent, QString(), proposed.isEmpty() ? QDir::currentPath() : proposed,
                           QStringLiteral("ZOB Model (*.zob)"));
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

void FileCommands::tellFailure(const QString& path, const QString& text) {
    if (text.isEmpty()) return;
    // The library's words first, then the file they are about, unless they name it already.
    const QString native = QDir::toNativeSeparators(path);
    tell(text.contains(QFileInfo(path).fileName()) ? text : QStringLiteral("%1\n\nFile: %2").arg(text, native));
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
    // A relative path is taken from the working directory as it is now,
    // before entering the file's folder moves it.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    CVantorDoc::enterFolderOf(absolute);
    QString note;
    return answer(absolute, m_document.openFile(absolute, &note), note);
}

void FileCommands::onFileImport() {
    if (!saveModified()) return;
    // Without the reader program only the formats the library reads itself.
    QString all = QString::fromStdString(korvid::import::supportedPatterns());
    if (all.isEmpty()) all = QStringLiteral("*.obj *.stl");
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
    if (korvid::import::readByLibrary(absolute.toLocal8Bit().toStdString())) {
        const vantor::Refusal refusal = m_document.loadMesh(absolute);
        if (refusal.code != KORVID_FAILURE_MESH_FORMAT) return answer(absolute, refusal, QString());
    }
    const korvid::import::MeshRead read = vantor::readMeshWithProgress(m_window, absolute);
    QString note;
    return answer(absolute, m_document.addImportedMesh(absolute, read, &note), note);
}

bool FileCommands::onFileSave() {
    const QString own = m_document.ownZobFile();
    return own.isEmpty() ? saveWithDialog() : saveFile(own);
}

bool FileCommands::onFileSaveAs() { return saveWithDialog(); }

bool FileCommands::saveWithDialog() {
    // The dialog offers the document's name as a ZOB file in its folder.
    QString proposed;
    if (!m_document.pathName().isEmpty()) {
        const QFileInfo info(m_document.pathName());
        proposed = info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(".zob"));
    }
    QString path = m_questions->fileToSave(m_window, proposed);
    if (path.isEmpty()) return false;
    // A name typed without an extension gets the default one.
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".zob");
    CVantorDoc::enterFolderOf(path);
    return saveFile(path);
}

bool FileCommands::saveFile(const QString& path) { return answer(path, m_document.saveFile(path), {}); }

bool FileCommands::answer(const QString& path, const vantor::Refusal& refusal, const QString& note) {
    if (refusal) tellFailure(path, refusal.text);
    else tell(note);
    return !refusal;
}

bool FileCommands::saveModified() {
    // Typing not yet committed counts as a change, as it would once the field lost the focus.
    vantor::commitFocusedField();
    if (!m_document.isModified()) return true;
    const QString question = QStringLiteral("Save changes to %1?").arg(vantor::elideMiddle(m_document.title()));
    const int answer = m_questions->saveChanges(m_window, question);
    if (answer == QMessageBox::Save) return onFileSave();
    if (answer != QMessageBox::Discard) return false;
    m_document.discardChanges();
    return true;
}
