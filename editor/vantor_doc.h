// CVantorDoc: File New, Open and Save against the library.
#pragma once
#include <QObject>
#include <QString>
#include <functional>

class CVantorDoc : public QObject {
    Q_OBJECT
public:
    explicit CVantorDoc(QObject* parent = nullptr);

    QString m_pathName;
    QString m_fileTitle;
    QString m_extension;
    QString title() const { return m_title; }

    void onFileNew();
    void onFileOpen();
    void onFileSave();
    // Opens a file chosen by any means (File Open, the recent-file list).
    bool openFile(const QString& path);
    // File > Import Model...: a mesh file of another format, read through
    // Assimp, shown as an opened file is; not added to the recent files.
    void onFileImport();
    bool importFile(const QString& path);
    bool saveFile(const QString& path);
    // Makes the folder of a file the user chose the working directory.
    static void enterFolderOf(const QString& path);

    // Tests answer the file dialogs through these hooks; an empty answer is Cancel.
    static void setOpenHook(std::function<QString()> hook);
    static void setSaveHook(std::function<QString()> hook);

signals:
    void titleChanged(const QString& title);
    void fileOpened(const QString& path);

private:
    bool load(const QString& path, bool import);
    QString m_title = QStringLiteral("Untitled");
};

extern CVantorDoc* g_pDoc;
