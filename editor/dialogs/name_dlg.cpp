#include "dialogs/name_dlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "resource.h"
#include "widgets/controls.h"

using namespace vantor;

CNameDlg::CNameDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Name"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Enter a name"), this), 0, 0);
    m_edit = new QLineEdit(this);
    setControlId(m_edit, IDC_NAME_EDIT);
    grid->addWidget(m_edit, 1, 0);
    auto* ok = makeButton(this, QStringLiteral("OK"), IDOK);
    auto* cancel = makeButton(this, QStringLiteral("Cancel"), IDCANCEL);
    ok->setDefault(true);
    grid->addWidget(ok, 0, 1);
    grid->addWidget(cancel, 1, 1);
    connect(ok, &QPushButton::clicked, this, &CNameDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CNameDlg::reject);
    m_edit->setFocus();
}

void CNameDlg::accept() {
    const QString text = m_edit->text();
    if (text.isEmpty()) {
        message(this, QStringLiteral("Enter a name"));
        return;
    }
    m_name = text;
    QDialog::accept();
}
