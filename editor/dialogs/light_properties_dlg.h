// CLightPropertiesDlg: colours, attenuation and kind of one light.
#pragma once
#include <QDialog>

class QRadioButton;
namespace vantor {
class CommitEdit;
class Swatch;
}

class CLightPropertiesDlg : public QDialog {
    Q_OBJECT
public:
    explicit CLightPropertiesDlg(QWidget* parent = nullptr);

    // The caller sets these before exec() and reads them after Update.
    float m_ambient[4] = {0, 0, 0, 0};
    float m_diffuse[4] = {0, 0, 0, 0};
    float m_specular[4] = {0, 0, 0, 0};
    int m_kind = 1;  // 0 Directional, 1 Point
    float m_constant = 0, m_linear = 0, m_quadratic = 0;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void commitColour(int row, int component);
    void selectColour(int row);
    float* colour(int row);
    vantor::CommitEdit* m_colourEdits[3][4];
    vantor::CommitEdit* m_falloff[3];
    vantor::Swatch* m_swatches[3];
    QRadioButton* m_directional;
    QRadioButton* m_point;
};
