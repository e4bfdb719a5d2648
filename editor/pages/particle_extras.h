// The PARTICLES page's groups for what an emitter has beyond its record:
// colour and size over a particle's life, and the shape particles are born
// in. Both redraw from the document and change it through its intents.
#pragma once
#include <QGroupBox>

#include <vector>

#include "korvid.h"

class CVantorDoc;
class QCheckBox;
class QComboBox;
class QLabel;

namespace vantor {

class CommitEdit;
class GradientBar;
class SizeGraph;

class LifeCurvesBox : public QGroupBox {
    Q_OBJECT
public:
    LifeCurvesBox(CVantorDoc& document, QWidget* parent = nullptr);
    // Shows the current emitter's curves (with `keepShown`, typed fields that
    // show their value keep their text).
    void refresh(bool keepShown = false);
    GradientBar* gradient() const { return m_gradient; }
    SizeGraph* graph() const { return m_graph; }

private:
    void toggle(int which);
    void send(int which, const std::vector<CurveKey>& keys, int field = -1);
    void showSelectedKey(bool keepShown);
    void commitKey(int id);

    CVantorDoc& m_doc;
    QCheckBox* m_colourOn;
    QCheckBox* m_sizeOn;
    GradientBar* m_gradient;
    SizeGraph* m_graph;
    CommitEdit* m_keyTime;
    CommitEdit* m_keySize;
};

class ShapeBox : public QGroupBox {
    Q_OBJECT
public:
    ShapeBox(CVantorDoc& document, QWidget* parent = nullptr);
    void refresh(bool keepShown = false);

private:
    void send(EmitterShape shape, int field = -1);
    void chooseKind(int kind);

    CVantorDoc& m_doc;
    QComboBox* m_kind;
    QLabel* m_sizeLabel;
    CommitEdit* m_sizes[3];
    QCheckBox* m_shell;
};

}  // namespace vantor
