// Layout pieces shared by the particle windows: rows of widgets and the
// colour table of the emitter and burst colours.
#pragma once
#include <QMap>

#include <initializer_list>

class QGridLayout;
class QHBoxLayout;
class QWidget;

namespace vantor {

class CommitEdit;
class Swatch;

// One row of widgets laid out left to right, independent of the other rows.
QHBoxLayout* rowOf(std::initializer_list<QWidget*> widgets);

// The colour table of the particle windows: column heads R, G, B, A, then the
// rows Start (swatch, four edits, Select), Var, End (swatch, edits, Select)
// and Var, with the edits IDC_PART_START_R.., IDC_PART_START_VAR_R.., IDC_PART_END_R.. and IDC_PART_END_VAR_R...
QGridLayout* colourTable(QWidget* parent, const QMap<int, CommitEdit*>& edits, Swatch* startSwatch,
                         Swatch* endSwatch, QWidget* startSelect, QWidget* endSelect);

}  // namespace vantor
