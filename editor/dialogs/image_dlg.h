// CImageDlg: "Image Add and Edit", loads bitmaps into the image library and
// lists the images with a preview.
#pragma once
#include <QDialog>
#include <QImage>
#include <functional>

#include "korvid.h"

class CVantorDoc;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

class CImageDlg : public QDialog {
    Q_OBJECT
public:
    explicit CImageDlg(CVantorDoc& document, QWidget* parent = nullptr);

    // Appends every image of the library, skipping names already listed.
    void listLibrary();
    // Empties the list and the fields (File New).
    void empty();
    QTreeWidget* list() const { return m_list; }
    bool hasPreview() const { return !m_preview.isNull(); }

    // Tests answer the bitmap file dialog through this hook.
    static void setBrowseHook(std::function<QString()> hook);

    void accept() override;
    void reject() override {}

    // The image being added, or the one last shown from the list.
    const TextureInfo& image() const { return m_image; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CVantorDoc& m_doc;
    TextureInfo m_image{};
    void browse();
    void add();
    void chooseRow();
    // Reads Low and High; false after the message when one is not an integer 0..255.
    bool readRange(int& low, int& high);
    void appendRow(const TextureInfo& info);
    void loadPreview(const QString& path);
    void offerName(const QString& name);
    void setAlphaControls();
    void fitColumns();
    // A picture in another format saved as a 24-bit bitmap; the new path, or
    // empty after a message. `keyed`: its transparency was turned into a colour key.
    QString convertToBitmap(const QString& path, bool& keyed);

    QTreeWidget* m_list;
    QWidget* m_previewFrame;
    QLineEdit* m_path;
    QLineEdit* m_name;
    QComboBox* m_filter;
    QCheckBox* m_alpha;
    QCheckBox* m_average;
    QLineEdit* m_low;
    QLineEdit* m_high;
    QLineEdit* m_sizeX;
    QLineEdit* m_sizeY;
    QImage m_preview;
    int m_lastAppended = -1;
    int m_lastHandled = -1;
    QString m_chosenName;
};
