#include "dialogs/light_properties_dlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "resource.h"
#include "widgets/controls.h"

using namespace vantor;

namespace {
// Rows: ambient, diffuse, specular.
const int kEditIds[3] = {IDC_LIGHT_AMBIENT_R, IDC_LIGHT_DIFFUSE_R, IDC_LIGHT_SPECULAR_R};
const int kSwatchIds[3] = {IDC_LIGHT_AMBIENT_SWATCH, IDC_LIGHT_DIFFUSE_SWATCH, IDC_LIGHT_SPECULAR_SWATCH};
const int kSelectIds[3] = {IDC_LIGHT_AMBIENT_SELECT, IDC_LIGHT_DIFFUSE_SELECT, IDC_LIGHT_SPECULAR_SELECT};
const char* kRowLabels[3] = {"Ambient:", "Difuse:", "Specular:"};
}  // namespace

CLightPropertiesDlg::CLightPropertiesDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Light Properties"));
    auto* layout = new QGridLayout(this);
    auto* properties = new QGroupBox(QStringLiteral("Properties"), this);
    auto* grid = new QGridLayout(properties);
    const char* heads[4] = {"R", "G", "B", "A"};
    for (int c = 0; c < 4; ++c) {
        auto* head = new QLabel(QString::fromLatin1(heads[c]), properties);
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 0, c + 2);
    }
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(new QLabel(QString::fromLatin1(kRowLabels[r]), properties), r + 1, 0);
        m_swatches[r] = new Swatch(properties);
        setControlId(m_swatches[r], kSwatchIds[r]);
        grid->addWidget(m_swatches[r], r + 1, 1);
        for (int c = 0; c < 4; ++c) {
            auto* edit = new CommitEdit(properties);
            setControlId(edit, kEditIds[r] + c);
            m_colourEdits[r][c] = edit;
            grid->addWidget(edit, r + 1, c + 2);
            connect(edit, &CommitEdit::committed, this, [this, r, c] { commitColour(r, c); });
        }
        auto* select = makeButton(properties, QStringLiteral("Select"), kSelectIds[r]);
        grid->addWidget(select, r + 1, 6);
        connect(select, &QPushButton::clicked, this, [this, r] { selectColour(r); });
    }
    layout->addWidget(properties, 0, 0, 1, 3);

    auto* falloff = new QGroupBox(QStringLiteral("Falloff"), this);
    auto* fgrid = new QGridLayout(falloff);
    const char* names[3] = {"Constant:", "Linear:", "Quad:"};
    for (int i = 0; i < 3; ++i) {
        fgrid->addWidget(new QLabel(QString::fromLatin1(names[i]), falloff), i, 0);
        m_falloff[i] = new CommitEdit(falloff);
        setControlId(m_falloff[i], IDC_LIGHT_CONSTANT + i);
        fgrid->addWidget(m_falloff[i], i, 1);
    }
    layout->addWidget(falloff, 1, 0);

    auto* kind = new QGroupBox(QStringLiteral("Static"), this);
    auto* kgrid = new QGridLayout(kind);
    m_directional = new QRadioButton(QStringLiteral("Directional"), kind);
    m_point = new QRadioButton(QStringLiteral("Point"), kind);
    setControlId(m_directional, IDC_LIGHT_DIRECTIONAL);
    setControlId(m_point, IDC_LIGHT_POINT);
    kgrid->addWidget(m_directional, 0, 0);
    kgrid->addWidget(m_point, 1, 0);
    layout->addWidget(kind, 1, 1);

    auto* update = makeButton(this, QStringLiteral("Update"), IDOK);
    auto* cancel = makeButton(this, QStringLiteral("Cancel"), IDCANCEL);
    update->setDefault(true);
    auto* buttons = new QGridLayout;
    buttons->addWidget(update, 0, 0);
    buttons->addWidget(cancel, 1, 0);
    layout->addLayout(buttons, 1, 2);
    connect(update, &QPushButton::clicked, this, &CLightPropertiesDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CLightPropertiesDlg::reject);
    // Tab goes through the controls as they are laid out, row by row.
    orderTabsByLayout(this);
}

float* CLightPropertiesDlg::colour(int row) { return row == 0 ? m_ambient : row == 1 ? m_diffuse : m_specular; }

void CLightPropertiesDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    for (int r = 0; r < 3; ++r) {
        m_swatches[r]->setColor(swatchColor(colour(r)));
        for (int c = 0; c < 4; ++c) m_colourEdits[r][c]->setText(formatG6(colour(r)[c]));
    }
    m_falloff[0]->setText(formatG6(m_constant));
    m_falloff[1]->setText(formatG6(m_linear));
    m_falloff[2]->setText(formatG6(m_quadratic));
    (m_kind == 0 ? m_directional : m_point)->setChecked(true);
}

void CLightPropertiesDlg::commitColour(int row, int component) {
    colour(row)[component] = toFloat(m_colourEdits[row][component]->text());
    if (component < 3) m_swatches[row]->setColor(swatchColor(colour(row)));
}

void CLightPropertiesDlg::selectColour(int row) {
    QLineEdit* edits[3] = {m_colourEdits[row][0], m_colourEdits[row][1], m_colourEdits[row][2]};
    vantor::selectColour(this, colour(row), edits, m_swatches[row]);
}

void CLightPropertiesDlg::accept() {
    double values[15];
    CommitEdit* fields[15];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) fields[4 * r + c] = m_colourEdits[r][c];
    for (int i = 0; i < 3; ++i) fields[12 + i] = m_falloff[i];
    for (int i = 0; i < 15; ++i) {
        if (!isNumber(fields[i]->text(), &values[i])) {
            message(this, QStringLiteral("Please enter a number."));
            fields[i]->setFocus();
            return;
        }
    }
    // The colours are those last committed from the edits or set by Select.
    m_constant = static_cast<float>(values[12]);
    m_linear = static_cast<float>(values[13]);
    m_quadratic = static_cast<float>(values[14]);
    m_kind = m_directional->isChecked() ? 0 : 1;
    QDialog::accept();
}
