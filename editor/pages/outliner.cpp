#include "pages/outliner.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTabBar>

#include <utility>

#include "widgets/controls.h"
#include "pages/entity_control_view.h"
#include "pages/particles_page.h"
#include "resource.h"
#include "pages/surface_page.h"
#include "document/vantor_doc.h"

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kModelRole = Qt::UserRole + 1;
constexpr int kIndexRole = Qt::UserRole + 2;

// An open eye, or one struck through for something hidden.
QIcon eyeIcon(bool open) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(open ? QColor(30, 30, 30) : QColor(150, 150, 150), 1.3));
    p.setBrush(Qt::NoBrush);
    QPainterPath lid;
    lid.moveTo(1.5, 8);
    lid.quadTo(8, 1.5, 14.5, 8);
    lid.quadTo(8, 14.5, 1.5, 8);
    p.drawPath(lid);
    if (open) {
        p.setBrush(QColor(30, 30, 30));
        p.drawEllipse(QPointF(8, 8), 2.3, 2.3);
    } else {
        p.drawLine(QPointF(2.5, 13.5), QPointF(13.5, 2.5));
    }
    return QIcon(pixmap);
}

}  // namespace

COutliner::COutliner(CVantorDoc& document, CEntityControlView& pages, std::function<bool()> saveModified,
                     QWidget* parent)
    : QTreeWidget(parent), m_doc(document), m_pages(pages), m_saveModified(std::move(saveModified)) {
    vantor::setControlId(this, IDC_OUTLINER);
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("Name"), QString()});
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setSectionResizeMode(kEyeColumn, QHeaderView::Fixed);
    header()->resizeSection(kEyeColumn, 24);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemClicked, this, &COutliner::activate);
    connect(this, &QTreeWidget::itemChanged, this, &COutliner::renamed);
    connect(&m_doc, &CVantorDoc::modelsChanged, this, &COutliner::rebuild);
    connect(&m_doc, &CVantorDoc::changed, this, [this](const vantor::DocumentChange& change) {
        // Names and the emitter list follow the edits, undo and redo.
        if (change.kind == vantor::EntityPart::EmitterList || change.kind == vantor::EntityPart::Emitter ||
            change.kind == vantor::EntityPart::Surface)
            rebuild();
    });
    connect(&m_doc, &CVantorDoc::cleared, this, &COutliner::rebuild);
    // The tree marks what the pages edit, whoever chose it.
    connect(&m_doc.selection(), &vantor::Selection::currentChanged, this, [this] {
        if (!m_building) markCurrent();
    });
    rebuild();
}

QTreeWidgetItem* COutliner::entry(int model, Kind kind, int index) const {
    QTreeWidgetItem* top = topLevelItem(model);
    if (!top || kind == Kind::Model) return top;
    for (int i = 0; i < top->childCount(); ++i) {
        QTreeWidgetItem* group = top->child(i);
        for (int j = 0; j < group->childCount(); ++j) {
            QTreeWidgetItem* item = group->child(j);
            if (item->data(0, kKindRole).toInt() == int(kind) && item->data(0, kIndexRole).toInt() == index) return item;
        }
    }
    return nullptr;
}

void COutliner::rebuild() {
    if (m_building) return;
    m_building = true;
    const QSignalBlocker block(this);
    clear();
    vantor::KorvidScene& scene = m_doc.scene();
    const QStringList names = m_doc.modelNames();
    const int edited = m_doc.editedModel();
    for (int m = 0; m < names.size(); ++m) {
        auto* model = new QTreeWidgetItem(this, {names[m]});
        model->setData(0, kKindRole, int(Kind::Model));
        model->setData(0, kModelRole, m);
        model->setFlags(model->flags() | Qt::ItemIsEditable);
        model->setIcon(kEyeColumn, eyeIcon(m_doc.shown(m, -1)));
        model->setToolTip(kEyeColumn, QStringLiteral("Show or hide in the view"));
        auto* surfaces = new QTreeWidgetItem(model, {QStringLiteral("Surfaces")});
        auto* emitters = new QTreeWidgetItem(model, {QStringLiteral("Emitters")});
        for (auto* group : {surfaces, emitters}) {
            group->setData(0, kModelRole, m);
            group->setFlags(Qt::ItemIsEnabled);
        }
        const QStringList surfaceNames = scene.surfaceNames(m);
        for (int s = 0; s < surfaceNames.size(); ++s) {
            auto* item = new QTreeWidgetItem(surfaces, {surfaceNames[s]});
            item->setData(0, kKindRole, int(Kind::Surface));
            item->setData(0, kModelRole, m);
            item->setData(0, kIndexRole, s);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
        }
        const QStringList emitterNames = scene.emitterNames(m);
        for (int e = 0; e < emitterNames.size(); ++e) {
            auto* item = new QTreeWidgetItem(emitters, {emitterNames[e]});
            item->setData(0, kKindRole, int(Kind::Emitter));
            item->setData(0, kModelRole, m);
            item->setData(0, kIndexRole, e);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            item->setIcon(kEyeColumn, eyeIcon(m_doc.shown(m, e)));
            item->setToolTip(kEyeColumn, QStringLiteral("Show or hide in the view"));
        }
        model->setExpanded(m == edited);
        surfaces->setExpanded(true);
        emitters->setExpanded(true);
    }
    markCurrent();
    m_building = false;
}

void COutliner::markCurrent() {
    // A font set on an entry reports it as changed, which would read as a rename.
    const QSignalBlocker block(this);
    const int edited = m_doc.editedModel();
    for (int m = 0; m < topLevelItemCount(); ++m) {
        QFont font = topLevelItem(m)->font(0);
        font.setBold(m == edited);
        topLevelItem(m)->setFont(0, font);
    }
    if (edited < 0) return;
    const int page = m_pages.tabs()->currentIndex();
    QTreeWidgetItem* current = entry(edited);
    if (page == CEntityControlView::ParticlesPage && m_doc.currentEmitter() >= 0)
        current = entry(edited, Kind::Emitter, m_doc.currentEmitter());
    else if (page == CEntityControlView::SurfacePage && m_doc.currentSurface() >= 0 && m_doc.currentSurface() < m_doc.modelInfo().surfaceCount)
        current = entry(edited, Kind::Surface, m_doc.currentSurface());
    if (current) setCurrentItem(current);
}

bool COutliner::edit(int model) {
    if (model == m_doc.editedModel()) return true;
    if (!m_saveModified()) return false;
    return m_doc.chooseModel(model);
}

void COutliner::activate(QTreeWidgetItem* item, int column) {
    if (!item || !item->data(0, kKindRole).isValid()) return;
    const Kind kind = Kind(item->data(0, kKindRole).toInt());
    const int model = item->data(0, kModelRole).toInt();
    const int index = item->data(0, kIndexRole).toInt();
    if (column == kEyeColumn && kind != Kind::Surface) {
        const int emitter = kind == Kind::Emitter ? index : -1;
        m_doc.setShown(model, emitter, !m_doc.shown(model, emitter));
        return;
    }
    if (!edit(model)) {
        markCurrent();
        return;
    }
    // Entries were built anew if the model changed; the pages follow the
    // document's choice by themselves.
    if (kind == Kind::Surface) {
        m_pages.tabs()->setCurrentIndex(CEntityControlView::SurfacePage);
        m_doc.chooseSurface(index);
    } else if (kind == Kind::Emitter) {
        m_pages.tabs()->setCurrentIndex(CEntityControlView::ParticlesPage);
        m_doc.chooseEmitter(index);
    }
    markCurrent();
}

void COutliner::renamed(QTreeWidgetItem* item, int column) {
    if (m_building || column != 0 || !item->data(0, kKindRole).isValid()) return;
    const Kind kind = Kind(item->data(0, kKindRole).toInt());
    const int model = item->data(0, kModelRole).toInt();
    const int index = item->data(0, kIndexRole).toInt();
    const QString typed = item->text(0);
    // The tree is built anew by the rename: after the editor has let go of its item.
    QMetaObject::invokeMethod(
        this, [this, kind, model, index, typed] { rename(kind, model, index, typed); }, Qt::QueuedConnection);
}

void COutliner::rename(Kind kind, int model, int index, const QString& typed) {
    if (kind == Kind::Model) {
        m_doc.renameModel(model, typed);
        return;
    }
    if (!edit(model)) {
        rebuild();
        return;
    }
    // Names keep the library's rules: one word, cut to fit.
    const QByteArray name = vantor::KorvidScene::safeName(typed, KORVID_NAME_SIZE).toLocal8Bit();
    if (name.isEmpty()) {
        rebuild();
        return;
    }
    if (kind == Kind::Surface) {
        m_doc.chooseSurface(index);
        SurfaceData record = m_doc.surface();
        vantor::copyText(record.name, sizeof record.name, QString::fromLocal8Bit(name));
        m_doc.editSurface(record, QStringLiteral("Rename Surface"));
    } else {
        m_doc.chooseEmitter(index);
        EmitterData record = m_doc.emitter();
        vantor::copyText(record.name, sizeof record.name, QString::fromLocal8Bit(name));
        m_doc.editEmitter(record, QStringLiteral("Rename Emitter"));
    }
    rebuild();
}

void COutliner::removeEntry(QTreeWidgetItem* item) {
    if (!item || !item->data(0, kKindRole).isValid()) return;
    const Kind kind = Kind(item->data(0, kKindRole).toInt());
    const int model = item->data(0, kModelRole).toInt();
    if (kind == Kind::Emitter) {
        if (!edit(model)) return;
        m_doc.chooseEmitter(item->data(0, kIndexRole).toInt());
        m_doc.removeEmitter();
        return;
    }
    if (kind != Kind::Model) return;
    // Closing the edited model loses its unsaved changes unless they are saved first.
    if (model == m_doc.editedModel() && !m_saveModified()) return;
    m_doc.closeModel(model);
}

void COutliner::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && state() != QAbstractItemView::EditingState) {
        removeEntry(currentItem());
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) &&
        state() != QAbstractItemView::EditingState) {
        activate(currentItem(), event->key() == Qt::Key_Space ? kEyeColumn : 0);
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
