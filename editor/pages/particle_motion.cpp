#include "pages/particle_motion.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

#include "document/vantor_doc.h"
#include "resource.h"
#include "widgets/controls.h"
#include "widgets/number_text.h"

namespace vantor {

namespace {

const char* const kFieldKinds[] = {"Wind", "Drag", "Attractor", "Vortex", "Noise"};
const char* const kColliderKinds[] = {"Plane", "Sphere", "Box", "Model"};
const char* const kResponses[] = {"Bounce", "Stick", "Die", "Burst"};

CommitEdit* numberField(QWidget* parent, int id) {
    auto* edit = controlWithId<CommitEdit>(id, parent);
    edit->setMaximumWidth(70);
    return edit;
}

QComboBox* list(QWidget* parent, int id, std::initializer_list<const char*> items) {
    auto* box = controlWithId<QComboBox>(id, parent);
    for (const char* item : items) box->addItem(QString::fromLatin1(item));
    return box;
}

QPushButton* button(QWidget* parent, const QString& caption, int id) {
    return controlWithId<QPushButton>(id, caption, parent);
}

QListWidget* entryList(QWidget* parent, int id) {
    auto* l = controlWithId<QListWidget>(id, parent);
    l->setMaximumHeight(80);
    return l;
}

QHBoxLayout* row(QWidget* parent, const QString& caption, std::initializer_list<QWidget*> widgets) {
    auto* r = new QHBoxLayout;
    if (!caption.isEmpty()) r->addWidget(new QLabel(caption, parent));
    for (QWidget* w : widgets) r->addWidget(w);
    r->addStretch(1);
    return r;
}

// The entries' list with Add and Remove beside it.
QHBoxLayout* listWithButtons(QListWidget* list, QPushButton* add, QPushButton* remove) {
    auto* top = new QHBoxLayout;
    top->addWidget(list, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    top->addLayout(buttons);
    return top;
}

// Calls `commit` with the id and the number of any of `box`'s fields committed.
template <typename Commit>
void onEveryCommit(QWidget* box, Commit commit) {
    for (CommitEdit* edit : box->findChildren<CommitEdit*>())
        QObject::connect(edit, &CommitEdit::committed, box,
                         [edit, commit] { commit(controlId(edit), toFloat(edit->text())); });
}

// Shows `value` in `edit` when `shown`, else clears it; enables it when `on`.
void showField(CommitEdit* edit, bool on, float value, bool keepShown) {
    edit->setEnabled(on);
    if (on) showNumber(edit, value, formatG6(value), keepShown);
    else edit->clear();
}

// Keeps the list's rows in step with `labels`, the chosen row kept where it can be.
void fillList(QListWidget* list, const QStringList& labels) {
    const QSignalBlocker block(list);
    const int chosen = list->currentRow();
    if (list->count() != labels.size()) {
        list->clear();
        list->addItems(labels);
    } else {
        for (int i = 0; i < labels.size(); ++i) list->item(i)->setText(labels[i]);
    }
    if (!labels.isEmpty()) list->setCurrentRow(std::clamp(chosen, 0, int(labels.size()) - 1));
}

}  // namespace

// ---- Force fields ------------------------------------------------------------------

ForcesBox::ForcesBox(CVantorDoc& document, QWidget* parent)
    : QGroupBox(QStringLiteral("Forces"), parent), m_doc(document) {
    m_list = entryList(this, IDC_PART_FIELD_LIST);
    m_add = button(this, QStringLiteral("Add"), IDC_PART_FIELD_ADD);
    m_remove = button(this, QStringLiteral("Remove"), IDC_PART_FIELD_REMOVE);
    m_kind = list(this, IDC_PART_FIELD_KIND, {"Wind", "Drag", "Attractor", "Vortex", "Noise"});
    for (int a = 0; a < 3; ++a) {
        m_position[a] = numberField(this, IDC_PART_FIELD_POS_X + a);
        m_axis[a] = numberField(this, IDC_PART_FIELD_AXIS_X + a);
    }
    m_strength = numberField(this, IDC_PART_FIELD_STRENGTH);
    m_radius = numberField(this, IDC_PART_FIELD_RADIUS);
    m_radius->setStepRange(0, 1e9);
    m_frequency = numberField(this, IDC_PART_FIELD_FREQUENCY);
    m_frequency->setStepRange(0, 1e9);
    m_strength->setToolTip(QStringLiteral("Per frame, like the force: wind and attractor add it, drag takes this "
                                          "share of the speed, a vortex turns at it, noise pushes by it"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(listWithButtons(m_list, m_add, m_remove));
    layout->addLayout(row(this, QStringLiteral("Kind:"), {m_kind}));
    layout->addLayout(row(this, QStringLiteral("Centre:"), {m_position[0], m_position[1], m_position[2]}));
    layout->addLayout(row(this, QStringLiteral("Axis:"), {m_axis[0], m_axis[1], m_axis[2]}));
    layout->addLayout(row(this, QStringLiteral("Strength:"), {m_strength, new QLabel(QStringLiteral("Radius:"), this),
                                                              m_radius, new QLabel(QStringLiteral("Cells:"), this),
                                                              m_frequency}));

    connect(m_list, &QListWidget::currentRowChanged, this, [this] { refresh(); });
    connect(m_add, &QPushButton::clicked, this, [this] {
        std::vector<ForceField> fields = m_doc.extras().fields;
        if (fields.size() >= size_t(KORVID_MAX_FIELDS)) return;
        ForceField f{};
        f.kind = KORVID_FIELD_NOISE;
        f.axis[1] = 1;
        f.strength = 0.002f;
        f.frequency = 1;
        fields.push_back(f);
        send(fields);
        m_list->setCurrentRow(int(fields.size()) - 1);
    });
    connect(m_remove, &QPushButton::clicked, this, [this] {
        std::vector<ForceField> fields = m_doc.extras().fields;
        const int row = m_list->currentRow();
        if (row < 0 || row >= int(fields.size())) return;
        fields.erase(fields.begin() + row);
        send(fields);
    });
    connect(m_kind, &QComboBox::activated, this, [this](int kind) {
        std::vector<ForceField> fields = m_doc.extras().fields;
        const int row = m_list->currentRow();
        if (row < 0 || row >= int(fields.size()) || fields[size_t(row)].kind == kind) return;
        ForceField& f = fields[size_t(row)];
        f.kind = kind;
        // A wind or vortex needs an axis; a noise a size of its cells.
        if (f.axis[0] == 0 && f.axis[1] == 0 && f.axis[2] == 0) f.axis[1] = 1;
        if (kind == KORVID_FIELD_NOISE && f.frequency <= 0) f.frequency = 1;
        send(fields);
    });
    onEveryCommit(this, [this](int id, float value) { commitNumber(id, value); });
}

void ForcesBox::commitNumber(int id, float value) {
    std::vector<ForceField> fields = m_doc.extras().fields;
    const int row = m_list->currentRow();
    if (row < 0 || row >= int(fields.size())) return;
    ForceField& f = fields[size_t(row)];
    if (id >= IDC_PART_FIELD_POS_X && id < IDC_PART_FIELD_POS_X + 3) f.position[id - IDC_PART_FIELD_POS_X] = value;
    else if (id >= IDC_PART_FIELD_AXIS_X && id < IDC_PART_FIELD_AXIS_X + 3) f.axis[id - IDC_PART_FIELD_AXIS_X] = value;
    else if (id == IDC_PART_FIELD_STRENGTH) f.strength = value;
    else if (id == IDC_PART_FIELD_RADIUS) f.radius = std::max(0.0f, value);
    else f.frequency = std::max(0.0f, value);
    send(fields, id);
}

void ForcesBox::send(std::vector<ForceField> fields, int field) {
    if (const Refusal refusal = m_doc.editFields(fields, field); refusal) {
        if (!refusal.text.isEmpty()) message(this, refusal.text);
        refresh();
    }
}

void ForcesBox::refresh(bool keepShown) {
    const std::vector<ForceField>& fields = m_doc.extras().fields;
    QStringList labels;
    for (const ForceField& f : fields)
        labels << QStringLiteral("%1  %2").arg(QString::fromLatin1(kFieldKinds[std::clamp(f.kind, 0, 4)]),
                                                formatG6(f.strength));
    fillList(m_list, labels);
    const bool enabled = m_list->isEnabled();
    const int row = m_list->currentRow();
    const bool chosen = enabled && row >= 0 && row < int(fields.size());
    m_add->setEnabled(enabled && fields.size() < size_t(KORVID_MAX_FIELDS));
    m_remove->setEnabled(chosen);
    m_kind->setEnabled(chosen);
    const ForceField f = chosen ? fields[size_t(row)] : ForceField{};
    {
        const QSignalBlocker block(m_kind);
        m_kind->setCurrentIndex(chosen ? std::clamp(f.kind, 0, 4) : -1);
    }
    const bool centred = f.kind == KORVID_FIELD_ATTRACTOR || f.kind == KORVID_FIELD_VORTEX;
    const bool axis = f.kind == KORVID_FIELD_WIND || f.kind == KORVID_FIELD_VORTEX;
    for (int a = 0; a < 3; ++a) {
        showField(m_position[a], chosen && centred, f.position[a], keepShown);
        showField(m_axis[a], chosen && axis, f.axis[a], keepShown);
    }
    showField(m_strength, chosen, f.strength, keepShown);
    showField(m_radius, chosen && centred, f.radius, keepShown);
    showField(m_frequency, chosen && f.kind == KORVID_FIELD_NOISE, f.frequency, keepShown);
}

// ---- Colliders -----------------------------------------------------------------------

CollidersBox::CollidersBox(CVantorDoc& document, QWidget* parent)
    : QGroupBox(QStringLiteral("Colliders"), parent), m_doc(document) {
    m_list = entryList(this, IDC_PART_COLLIDER_LIST);
    m_add = button(this, QStringLiteral("Add"), IDC_PART_COLLIDER_ADD);
    m_remove = button(this, QStringLiteral("Remove"), IDC_PART_COLLIDER_REMOVE);
    m_kind = list(this, IDC_PART_COLLIDER_KIND, {"Plane", "Sphere", "Box", "Model"});
    m_model = controlWithId<QComboBox>(IDC_PART_COLLIDER_MODEL, this);
    for (int a = 0; a < 3; ++a) {
        m_position[a] = numberField(this, IDC_PART_COLLIDER_POS_X + a);
        m_axis[a] = numberField(this, IDC_PART_COLLIDER_AXIS_X + a);
        m_size[a] = numberField(this, IDC_PART_COLLIDER_SIZE_X + a);
        m_size[a]->setStepRange(0, 1e9);
    }
    m_bounce = numberField(this, IDC_PART_COLLIDER_BOUNCE);
    m_bounce->setRange(0, 1);
    m_friction = numberField(this, IDC_PART_COLLIDER_FRICTION);
    m_friction->setRange(0, 1);
    m_response = list(this, IDC_PART_COLLIDER_RESPONSE, {"Bounce", "Stick", "Die", "Burst"});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(listWithButtons(m_list, m_add, m_remove));
    layout->addLayout(row(this, QStringLiteral("Kind:"), {m_kind, new QLabel(QStringLiteral("Model:"), this), m_model}));
    layout->addLayout(row(this, QStringLiteral("Position:"), {m_position[0], m_position[1], m_position[2]}));
    layout->addLayout(row(this, QStringLiteral("Normal:"), {m_axis[0], m_axis[1], m_axis[2]}));
    layout->addLayout(row(this, QStringLiteral("Size:"), {m_size[0], m_size[1], m_size[2]}));
    layout->addLayout(row(this, QStringLiteral("Response:"),
                          {m_response, new QLabel(QStringLiteral("Bounce:"), this), m_bounce,
                           new QLabel(QStringLiteral("Friction:"), this), m_friction}));

    auto change = [this](auto edit) {
        std::vector<Collider> colliders = m_doc.extras().colliders;
        const int row = m_list->currentRow();
        if (row < 0 || row >= int(colliders.size())) return;
        edit(colliders[size_t(row)]);
        send(colliders);
    };
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { refresh(); });
    connect(m_add, &QPushButton::clicked, this, [this] {
        std::vector<Collider> colliders = m_doc.extras().colliders;
        if (colliders.size() >= size_t(KORVID_MAX_COLLIDERS)) return;
        // A ground plane under the emitter to start with.
        Collider c{};
        c.kind = KORVID_COLLIDER_PLANE;
        c.axis[1] = 1;
        c.position[1] = m_doc.emitter().groundPosition;
        c.bounce = 0.5f;
        c.size[0] = c.size[1] = c.size[2] = 0.5f;
        colliders.push_back(c);
        send(colliders);
        m_list->setCurrentRow(int(colliders.size()) - 1);
    });
    connect(m_remove, &QPushButton::clicked, this, [this] {
        std::vector<Collider> colliders = m_doc.extras().colliders;
        const int row = m_list->currentRow();
        if (row < 0 || row >= int(colliders.size())) return;
        colliders.erase(colliders.begin() + row);
        send(colliders);
    });
    connect(m_kind, &QComboBox::activated, this, [change](int kind) {
        change([kind](Collider& c) {
            c.kind = kind;
            if (c.axis[0] == 0 && c.axis[1] == 0 && c.axis[2] == 0) c.axis[1] = 1;
            if (kind == KORVID_COLLIDER_MODEL && c.model < 0) c.model = 0;
        });
    });
    connect(m_model, &QComboBox::activated, this, [change](int model) { change([model](Collider& c) { c.model = model; }); });
    connect(m_response, &QComboBox::activated, this,
            [change](int response) { change([response](Collider& c) { c.response = response; }); });
    onEveryCommit(this, [this](int id, float value) { commitNumber(id, value); });
}

void CollidersBox::commitNumber(int id, float value) {
    std::vector<Collider> colliders = m_doc.extras().colliders;
    const int row = m_list->currentRow();
    if (row < 0 || row >= int(colliders.size())) return;
    Collider& c = colliders[size_t(row)];
    if (id >= IDC_PART_COLLIDER_POS_X && id < IDC_PART_COLLIDER_POS_X + 3) c.position[id - IDC_PART_COLLIDER_POS_X] = value;
    else if (id >= IDC_PART_COLLIDER_AXIS_X && id < IDC_PART_COLLIDER_AXIS_X + 3)
        c.axis[id - IDC_PART_COLLIDER_AXIS_X] = value;
    else if (id >= IDC_PART_COLLIDER_SIZE_X && id < IDC_PART_COLLIDER_SIZE_X + 3)
        c.size[id - IDC_PART_COLLIDER_SIZE_X] = std::max(0.0f, value);
    else if (id == IDC_PART_COLLIDER_BOUNCE) c.bounce = std::clamp(value, 0.0f, 1.0f);
    else c.friction = std::clamp(value, 0.0f, 1.0f);
    send(colliders, id);
}

void CollidersBox::send(std::vector<Collider> colliders, int field) {
    if (const Refusal refusal = m_doc.editColliders(colliders, field); refusal) {
        if (!refusal.text.isEmpty()) message(this, refusal.text);
        refresh();
    }
}

void CollidersBox::refresh(bool keepShown) {
    const std::vector<Collider>& colliders = m_doc.extras().colliders;
    const QStringList models = m_doc.modelNames();
    QStringList labels;
    for (const Collider& c : colliders) {
        QString label = QString::fromLatin1(kColliderKinds[std::clamp(c.kind, 0, 3)]);
        if (c.kind == KORVID_COLLIDER_MODEL)
            label += QStringLiteral(" ") + (c.model >= 0 && c.model < models.size() ? models[c.model] : QStringLiteral("(none)"));
        labels << label + QStringLiteral(", ") + QString::fromLatin1(kResponses[std::clamp(c.response, 0, 3)]);
    }
    fillList(m_list, labels);
    const bool enabled = m_list->isEnabled();
    const int row = m_list->currentRow();
    const bool chosen = enabled && row >= 0 && row < int(colliders.size());
    m_add->setEnabled(enabled && colliders.size() < size_t(KORVID_MAX_COLLIDERS));
    m_remove->setEnabled(chosen);
    const Collider c = chosen ? colliders[size_t(row)] : Collider{};
    {
        const QSignalBlocker block(m_kind), blockModel(m_model), blockResponse(m_response);
        m_kind->setCurrentIndex(chosen ? std::clamp(c.kind, 0, 3) : -1);
        m_model->clear();
        m_model->addItems(models);
        m_model->setCurrentIndex(chosen && c.kind == KORVID_COLLIDER_MODEL ? c.model : -1);
        m_response->setCurrentIndex(chosen ? std::clamp(c.response, 0, 3) : -1);
    }
    m_kind->setEnabled(chosen);
    m_response->setEnabled(chosen);
    m_model->setEnabled(chosen && c.kind == KORVID_COLLIDER_MODEL);
    const int sizes = c.kind == KORVID_COLLIDER_SPHERE ? 1 : c.kind == KORVID_COLLIDER_BOX ? 3 : 0;
    for (int a = 0; a < 3; ++a) {
        showField(m_position[a], chosen && c.kind != KORVID_COLLIDER_MODEL, c.position[a], keepShown);
        showField(m_axis[a], chosen && c.kind == KORVID_COLLIDER_PLANE, c.axis[a], keepShown);
        showField(m_size[a], chosen && a < sizes, c.size[a], keepShown);
    }
    showField(m_bounce, chosen && c.response == KORVID_HIT_BOUNCE, c.bounce, keepShown);
    showField(m_friction, chosen && c.response == KORVID_HIT_BOUNCE, c.friction, keepShown);
}

}  // namespace vantor
