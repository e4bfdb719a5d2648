#include "dialogs/geometry_dlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "resource.h"
#include "widgets/controls.h"
#include "korvid.h"
#include "document/vantor_doc.h"

using namespace vantor;

namespace {
// Runs a geometry change of the document with the wait cursor.
template <typename Call>
void withWaitCursor(Call call) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    call();
    QApplication::restoreOverrideCursor();
}
}  // namespace

CGeometryDlg::CGeometryDlg(CVantorDoc& document, QWidget* parent) : QDialog(parent), m_doc(document) {
    setWindowTitle(QStringLiteral("Calculate Geometery"));
    auto* grid = new QGridLayout(this);
    auto* note = new QLabel(QStringLiteral("These operations modifies the actual geometry of the object."), this);
    note->setAlignment(Qt::AlignCenter);
    grid->addWidget(note, 0, 0, 1, 5);
    const char* heads[3] = {"X", "Y", "Z"};
    for (int c = 0; c < 3; ++c) {
        auto* head = new QLabel(QString::fromLatin1(heads[c]), this);
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 1, c + 1);
    }
    const char* rows[3] = {"Scale:", "Translate:", "Rotate:"};
    const int editIds[3] = {IDC_GEO_SCALE_X, IDC_GEO_TRANSLATE_X, IDC_GEO_ROTATE_X};
    const int buttonIds[3] = {IDC_GEO_SCALE, IDC_GEO_TRANSLATE, IDC_GEO_ROTATE};
    float* values[3] = {m_scale, m_translate, m_rotate};
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(new QLabel(QString::fromLatin1(rows[r]), this), r + 2, 0);
        for (int c = 0; c < 3; ++c) {
            auto* edit = new QLineEdit(formatG6(values[r][c]), this);
            setControlId(edit, editIds[r] + c);
            m_edits[3 * r + c] = edit;
            grid->addWidget(edit, r + 2, c + 1);
        }
        auto* button = makeButton(this, QStringLiteral("Calculate"), buttonIds[r]);
        grid->addWidget(button, r + 2, 4);
    }
    auto* close = makeButton(this, QStringLiteral("Close"), IDOK);
    close->setDefault(true);
    grid->addWidget(close, 5, 4);
    connect(control<QPushButton>(this, IDC_GEO_SCALE), &QPushButton::clicked, this, &CGeometryDlg::scale);
    connect(control<QPushButton>(this, IDC_GEO_TRANSLATE), &QPushButton::clicked, this, &CGeometryDlg::translate);
    connect(control<QPushButton>(this, IDC_GEO_ROTATE), &QPushButton::clicked, this, &CGeometryDlg::rotate);
    connect(close, &QPushButton::clicked, this, &CGeometryDlg::accept);
    // Tab goes through the controls as they are laid out, row by row.
    orderTabsByLayout(this);
}

bool CGeometryDlg::readAll() {
    float* values[3] = {m_scale, m_translate, m_rotate};
    for (int i = 0; i < 9; ++i) {
        double v = 0;
        if (!isNumber(m_edits[i]->text(), &v)) {
            message(this, QStringLiteral("Please enter a number."));
            m_edits[i]->setFocus();
            return false;
        }
        values[i / 3][i % 3] = static_cast<float>(v);
    }
    return true;
}

void CGeometryDlg::scale() {
    if (!readAll()) return;
    if (m_scale[0] == 0 || m_scale[1] == 0 || m_scale[2] == 0) {
        message(this, QStringLiteral("Can not scale an object by zero"));
        return;
    }
    withWaitCursor([this] { m_doc.scaleGeometry(m_scale); });
}

void CGeometryDlg::translate() {
    if (!readAll()) return;
    withWaitCursor([this] { m_doc.translateGeometry(m_translate); });
}

void CGeometryDlg::rotate() {
    if (!readAll()) return;
    float radians[3];
    for (int i = 0; i < 3; ++i) radians[i] = m_rotate[i] * 0.017453292f;
    withWaitCursor([this, &radians] { m_doc.rotateGeometry(radians); });
}

void CGeometryDlg::accept() {
    if (readAll()) QDialog::accept();
}
