// The PARTICLES page's groups for what moves an emitter's particles beyond
// its force and ground: force fields and colliders. Each is a list with Add
// and Remove and the chosen entry's values; every change is one change of
// the document, and the groups redraw from it.
#pragma once
#include <QGroupBox>

#include <vector>

#include "korvid.h"

class CVantorDoc;
class QComboBox;
class QListWidget;
class QPushButton;

namespace vantor {

class CommitEdit;

class ForcesBox : public QGroupBox {
    Q_OBJECT
public:
    ForcesBox(CVantorDoc& document, QWidget* parent = nullptr);
    void refresh(bool keepShown = false);

private:
    void send(std::vector<ForceField> fields, int field = -1);
    void commitNumber(int id, float value);

    CVantorDoc& m_doc;
    QListWidget* m_list;
    QPushButton* m_add;
    QPushButton* m_remove;
    QComboBox* m_kind;
    CommitEdit* m_position[3];
    CommitEdit* m_axis[3];
    CommitEdit* m_strength;
    CommitEdit* m_radius;
    CommitEdit* m_frequency;
};

class CollidersBox : public QGroupBox {
    Q_OBJECT
public:
    CollidersBox(CVantorDoc& document, QWidget* parent = nullptr);
    void refresh(bool keepShown = false);

private:
    void send(std::vector<Collider> colliders, int field = -1);
    void commitNumber(int id, float value);

    CVantorDoc& m_doc;
    QListWidget* m_list;
    QPushButton* m_add;
    QPushButton* m_remove;
    QComboBox* m_kind;
    QComboBox* m_model;
    CommitEdit* m_position[3];
    CommitEdit* m_axis[3];
    CommitEdit* m_size[3];
    CommitEdit* m_bounce;
    CommitEdit* m_friction;
    QComboBox* m_response;
};

}  // namespace vantor
