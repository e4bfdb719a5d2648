// The PARTICLES page's groups for how an emitter's particles look: a
// flipbook of its image's cells (with a preview of the sheet), spin and
// stretch with the order they are drawn in, and trails. Each field is bound
// to one field of its library record through a table; every change is one
// change of the document, and the groups redraw from it.
#pragma once
#include <QGroupBox>
#include <QImage>
#include <QMap>
#include <QString>

#include <vector>

#include "korvid.h"
#include "widgets/field_bindings.h"

class CVantorDoc;
class QCheckBox;
class QComboBox;

namespace vantor {

class CommitEdit;

// A check box bound to an int32_t flag (0 or 1) of a record.
struct FlagBinding {
    int id;
    size_t offset;
    const char* caption;
};

// The edits and check boxes of one record: made from their tables, shown
// from a record, and read back into one.
class RecordControls {
public:
    RecordControls(QWidget* parent, std::vector<FieldBinding> fields, std::vector<FlagBinding> flags);
    CommitEdit* edit(int id) const { return m_edits.value(id); }
    QCheckBox* check(int id) const { return m_checks.value(id); }
    void show(const void* record, bool enabled, bool keepShown);
    // The record with the edit `id` committed into it.
    void commit(int id, void* record) const;
    // The record with the check box `id` as it is now.
    void toggle(int id, void* record) const;
    const std::vector<FieldBinding>& fields() const { return m_fields; }

private:
    std::vector<FieldBinding> m_fields;
    std::vector<FlagBinding> m_flags;
    QMap<int, CommitEdit*> m_edits;
    QMap<int, QCheckBox*> m_checks;
};

// The emitter's image with the grid of its cells; cells past the frames used are dimmed.
class FlipbookPreview : public QWidget {
    Q_OBJECT
public:
    explicit FlipbookPreview(QWidget* parent = nullptr);
    void show(const QString& imagePath, const Flipbook& flipbook);
    QSize sizeHint() const override { return {96, 96}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_path;
    QImage m_image;
    Flipbook m_flipbook{};
};

class FlipbookBox : public QGroupBox {
    Q_OBJECT
public:
    FlipbookBox(CVantorDoc& document, QWidget* parent = nullptr);
    void refresh(bool keepShown = false);

private:
    void send(Flipbook flipbook, int field);

    CVantorDoc& m_doc;
    RecordControls m_controls;
    FlipbookPreview* m_preview;
};

class SpinStretchBox : public QGroupBox {
    Q_OBJECT
public:
    SpinStretchBox(CVantorDoc& document, QWidget* parent = nullptr);
    void refresh(bool keepShown = false);

private:
    void send(const ParticleSpin& spin, int field);

    CVantorDoc& m_doc;
    RecordControls m_controls;
    QComboBox* m_sort;
};

class TrailBox : public QGroupBox {
    Q_OBJECT
public:
    TrailBox(CVantorDoc& document, QWidget* parent = nullptr);
    void refresh(bool keepShown = false);

private:
    void send(Trail trail, int field);

    CVantorDoc& m_doc;
    RecordControls m_controls;
};

}  // namespace vantor
