// COutliner: View > Outliner, a tree of every model loaded with its surfaces
// and emitters. A click makes one current (the pages follow), F2 or a
// double-click renames it (surfaces and emitters as one undo step each), the
// eye hides a model or an emitter from the view, Delete removes an emitter or
// closes a model (asking to save the edited model's changes first).
#pragma once
#include <QTreeWidget>

#include <functional>

class CEntityControlView;
class CVantorDoc;

class COutliner : public QTreeWidget {
    Q_OBJECT
public:
    // `saveModified` asks whether to save the edited model's changes before
    // it is closed; false stops the close.
    COutliner(CVantorDoc& document, CEntityControlView& pages, std::function<bool()> saveModified,
              QWidget* parent = nullptr);
    // What an entry stands for.
    enum class Kind { Model = 1, Surface = 2, Emitter = 3 };
    static constexpr int kEyeColumn = 1;
    // The entry of model `model`'s surface or emitter `index` (-1: the model itself).
    QTreeWidgetItem* entry(int model, Kind kind = Kind::Model, int index = -1) const;
    // Builds the tree again from the library.
    void rebuild();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void activate(QTreeWidgetItem* item, int column);
    void renamed(QTreeWidgetItem* item, int column);
    void rename(Kind kind, int model, int index, const QString& typed);
    void removeEntry(QTreeWidgetItem* item);
    // Makes `model` the edited one, asking to save the current one's changes; false when refused.
    bool edit(int model);
    void markCurrent();

    CVantorDoc& m_doc;
    CEntityControlView& m_pages;
    std::function<bool()> m_saveModified;
    bool m_building = false;
};
