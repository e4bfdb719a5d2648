// CParticleBurstDialog: the burst settings of the selected emitter.
#pragma once
#include <QDialog>
#include <QMap>

class CVantorDoc;

namespace vantor {
class CommitEdit;
class Swatch;
}

class CParticleBurstDialog : public QDialog {
    Q_OBJECT
public:
    explicit CParticleBurstDialog(CVantorDoc& document, QWidget* parent = nullptr);

    // Fills every field from m_burst and rebuilds the swatches.
    void refreshFromBurst(bool keepShown = false);
    void enableAll(bool on);
    // The four size fields only for Polygons.
    void enableSizesByType();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    CVantorDoc& m_doc;
    void commit(int id);
    void selectColour(bool start);
    void rebuildSwatches();
    void reloadFromLibrary();
    QMap<int, vantor::CommitEdit*> m_edits;
    vantor::Swatch* m_startSwatch;
    vantor::Swatch* m_endSwatch;
    QWidget* m_selects[2];
};
