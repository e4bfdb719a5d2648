// CNameDlg: asks for a non-empty name.
#pragma once
#include <QDialog>

class QLineEdit;

class CNameDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNameDlg(QWidget* parent = nullptr);
    QString name() const { return m_name; }

    void accept() override;

private:
    QLineEdit* m_edit;
    QString m_name;
};
