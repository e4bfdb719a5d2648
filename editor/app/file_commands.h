// FileCommands: File New, Open, Save, Import Model, the recent files and
// dropped files. It runs the file dialogs and the save question around the
// document, which itself only reads and writes, and tells the user what the
// document answered.
#pragma once
#include <QObject>

#include "document/refusal.h"
#include <QString>

class CVantorDoc;
class QWidget;

// What FileCommands asks the user: a file to open, a name to save as (the
// dialog offers `proposed`, a full path or empty), and whether to save
// changes (QMessageBox::Save, Discard or Cancel). An empty name is Cancel. The main frame answers with the standard dialogs; tests
// answer with their own.
class FileQuestions {
public:
    virtual ~FileQuestions() = default;
    virtual QString fileToOpen(QWidget* parent, const QString& caption, const QString& filter) = 0;
    virtual QString fileToSave(QWidget* parent, const QString& proposed) = 0;
    virtual int saveChanges(QWidget* parent, const QString& question) = 0;
};

// The standard dialogs.
FileQuestions& standardFileQuestions();

class FileCommands : public QObject {
    Q_OBJECT
public:
    FileCommands(CVantorDoc& document, QWidget* window);

    void onFileNew();
    void onFileOpen();
    // File Save writes the document's own ZOB file when it has one, and
    // asks for a name only when it has none (Untitled, or a RAW or mesh
    // import); true when the entity was saved.
    bool onFileSave();
    // File Save As always asks, offering the current name.
    bool onFileSaveAs();
    void onFileImport();
    // The save dialog and the save; true when the entity was saved.
    bool saveWithDialog();
    // Opens a file chosen by any means (the recent-file list, a drop, the
    // command line); its folder becomes the working directory.
    bool openFile(const QString& path);
    bool importFile(const QString& path);
    bool saveFile(const QString& path);
    // When the entity is modified, asks whether to save it first: Save saves
    // (and goes on only when it did), Discard puts the model back as it was
    // last opened or saved and goes on, Cancel stops. True when the caller
    // may go on. Typing not yet committed counts as a change.
    bool saveModified();
    // Who answers the questions; null gives the standard dialogs back.
    void setQuestions(FileQuestions* questions);

private:
    QString chooseFileToOpen(const QString& caption, const QString& filter);
    void tell(const QString& text);
    // Tells a refusal to read or write `path`, naming the file.
    void tellFailure(const QString& path, const QString& text);
    // Tells the refusal to read or write `path`, or the note on a file that
    // was; true when it was not refused.
    bool answer(const QString& path, const vantor::Refusal& refusal, const QString& note);
    CVantorDoc& m_document;
    QWidget* m_window;
    FileQuestions* m_questions;
};
