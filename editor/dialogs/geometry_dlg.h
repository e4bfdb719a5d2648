// CGeometryDlg: scale, translate and rotate the vertices of the current model.
#pragma once
#include <QDialog>

class CVantorDoc;
class QLineEdit;

class CGeometryDlg : public QDialog {
    Q_OBJECT
public:
    explicit CGeometryDlg(CVantorDoc& document, QWidget* parent = nullptr);

    float m_scale[3] = {1, 1, 1};
    float m_translate[3] = {0, 0, 0};
    float m_rotate[3] = {0, 0, 0};  // degrees

    void accept() override;

private:
    // Reads the nine edits; false (after the message) when one is not a number.
    bool readAll();
    void scale();
    void translate();
    void rotate();
    CVantorDoc& m_doc;
    QLineEdit* m_edits[9];
};
