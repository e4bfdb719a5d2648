#include "dialogs/image_dlg.h"

#include <algorithm>

#include <QCheckBox>
#include <QEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QImageReader>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>

#include <cstring>

#include "resource.h"
#include "widgets/controls.h"
#include "document/vantor_doc.h"
#include "view/vantor_view.h"

using namespace vantor;

namespace {

std::function<QString()>& browseHook() {
    static std::function<QString()> hook;
    return hook;
}

const char* kFilterNames[4] = {"NONE", "LINEAR", "BILINEAR", "TRILINEAR"};

QString filterText(int code) {
    return code >= KORVID_FILTER_NONE && code <= KORVID_FILTER_TRILINEAR ? QString::fromLatin1(kFilterNames[code - 1])
                                                                         : QString();
}

QString alphaText(const TextureInfo& t) {
    if (!t.alpha) return QString();
    if (t.averaged) return QStringLiteral("Averaged");
    return QString::asprintf("%d to %d", t.low, t.high);
}

}  // namespace

void CImageDlg::setBrowseHook(std::function<QString()> hook) { browseHook() = std::move(hook); }

CImageDlg::CImageDlg(CVantorDoc& document, QWidget* parent) : QDialog(parent), m_doc(document) {
    setWindowTitle(QStringLiteral("Image Add and Edit"));
    setModal(false);
    auto* layout = new QGridLayout(this);

    m_list = new QTreeWidget(this);
    setControlId(m_list, IDC_IMAGE_LIST);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({QStringLiteral("Image Name"), QStringLiteral("Filter"), QStringLiteral("Alpha")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Grid lines; the selected row keeps the highlight colours so its text stays readable.
    m_list->setStyleSheet(QStringLiteral(
        "QTreeWidget::item { border: 1px solid #d0d0d0; }"
        "QTreeWidget::item:selected { background: palette(highlight); color: palette(highlighted-text); }"));
    m_list->setTextElideMode(Qt::ElideNone);
    m_list->setMinimumSize(300, 200);
    layout->addWidget(m_list, 0, 0, 6, 1);

    m_previewFrame = new QLabel(this);
    setControlId(m_previewFrame, IDC_IMAGE_PREVIEW);
    m_previewFrame->setMinimumSize(128, 128);
    m_previewFrame->installEventFilter(this);
    layout->addWidget(m_previewFrame, 0, 1, 3, 2);

    auto* fields = new QGridLayout;
    m_path = new QLineEdit(this);
    setControlId(m_path, IDC_IMAGE_PATH);
    auto* browseButton = makeButton(this, QStringLiteral(". . ."), IDC_IMAGE_BROWSE);
    m_name = new QLineEdit(this);
    setControlId(m_name, IDC_IMAGE_NAME);
    m_filter = new QComboBox(this);
    m_filter->setEditable(true);
    m_filter->setInsertPolicy(QComboBox::NoInsert);
    setControlId(m_filter, IDC_IMAGE_FILTER);
    for (const char* f : kFilterNames) m_filter->addItem(QString::fromLatin1(f));
    m_filter->setEditText(QStringLiteral("BILINEAR"));
    fields->addWidget(new QLabel(QStringLiteral("Path:"), this), 0, 0);
    fields->addWidget(m_path, 0, 1);
    fields->addWidget(browseButton, 0, 2);
    fields->addWidget(new QLabel(QStringLiteral("Name:"), this), 1, 0);
    fields->addWidget(m_name, 1, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Filter:"), this), 2, 0);
    fields->addWidget(m_filter, 2, 1, 1, 2);
    layout->addLayout(fields, 3, 1, 1, 3);

    auto* alphaBox = new QGroupBox(QStringLiteral("Image Alpha Prop"), this);
    auto* ag = new QGridLayout(alphaBox);
    m_alpha = new QCheckBox(QStringLiteral("Alpha"), this);
    setControlId(m_alpha, IDC_IMAGE_ALPHA);
    m_average = new QCheckBox(QStringLiteral("Average"), this);
    setControlId(m_average, IDC_IMAGE_AVERAGE);
    m_low = new QLineEdit(QStringLiteral("0"), this);
    setControlId(m_low, IDC_IMAGE_LOW);
    m_high = new QLineEdit(QStringLiteral("0"), this);
    setControlId(m_high, IDC_IMAGE_HIGH);
    ag->addWidget(m_alpha, 0, 0);
    ag->addWidget(m_average, 0, 1);
    ag->addWidget(m_low, 1, 0);
    ag->addWidget(new QLabel(QStringLiteral("To"), this), 1, 1, Qt::AlignCenter);
    ag->addWidget(m_high, 1, 2);
    layout->addWidget(alphaBox, 4, 1, 1, 2);

    auto* sizeBox = new QGroupBox(QStringLiteral("Size"), this);
    auto* sg = new QGridLayout(sizeBox);
    m_sizeX = new QLineEdit(this);
    m_sizeX->setReadOnly(true);
    setControlId(m_sizeX, IDC_IMAGE_SIZE_X);
    m_sizeY = new QLineEdit(this);
    m_sizeY->setReadOnly(true);
    setControlId(m_sizeY, IDC_IMAGE_SIZE_Y);
    sg->addWidget(new QLabel(QStringLiteral("X"), this), 0, 0);
    sg->addWidget(m_sizeX, 0, 1);
    sg->addWidget(new QLabel(QStringLiteral("Y"), this), 1, 0);
    sg->addWidget(m_sizeY, 1, 1);
    layout->addWidget(sizeBox, 0, 3, 3, 1);

    auto* addButton = makeButton(this, QStringLiteral("Add"), IDC_IMAGE_ADD);
    auto* updateButton = makeButton(this, QStringLiteral("Update"), IDC_IMAGE_UPDATE);
    auto* removeButton = makeButton(this, QStringLiteral("Remove"), IDC_IMAGE_REMOVE);
    auto* closeButton = makeButton(this, QStringLiteral("Close"), IDOK);
    closeButton->setDefault(true);
    auto* buttons = new QGridLayout;
    buttons->addWidget(addButton, 0, 0);
    buttons->addWidget(updateButton, 0, 1);
    buttons->addWidget(removeButton, 0, 2);
    buttons->addWidget(closeButton, 0, 3);
    layout->addLayout(buttons, 5, 1, 1, 3);

    // Initialisation.
    m_average->setEnabled(false);
    m_low->setEnabled(false);
    m_high->setEnabled(false);

    connect(browseButton, &QPushButton::clicked, this, &CImageDlg::browse);
    connect(addButton, &QPushButton::clicked, this, &CImageDlg::add);
    connect(updateButton, &QPushButton::clicked, this, [this] { message(this, QStringLiteral("Currently not supported")); });
    connect(removeButton, &QPushButton::clicked, this, [this] { message(this, QStringLiteral("Currently not supported")); });
    connect(closeButton, &QPushButton::clicked, this, &CImageDlg::accept);
    connect(m_alpha, &QCheckBox::clicked, this, [this](bool on) {
        m_average->setEnabled(on);
        m_low->setEnabled(on);
        m_high->setEnabled(on);
    });
    connect(m_average, &QCheckBox::clicked, this, [this](bool on) {
        m_low->setEnabled(!on);
        m_high->setEnabled(!on);
    });
    connect(m_list, &QTreeWidget::currentItemChanged, this, &CImageDlg::chooseRow);
    {
        // Undo of an added image takes its row away; redo lists it again.
        connect(&m_doc, &CVantorDoc::imageRemoved, this, [this](const QString& name) {
            for (QTreeWidgetItem* item : m_list->findItems(name, Qt::MatchExactly, 0)) delete item;
            m_lastAppended = m_list->topLevelItemCount() - 1;
            m_lastHandled = -1;
            // Add refuses the image its record holds again; once that image is
            // gone, the record must not stand in the way.
            if (QString::fromLocal8Bit(m_image.name) == name) m_image.path[0] = '\0';
        });
        connect(&m_doc, &CVantorDoc::changed, this, [this](const DocumentChange& change) {
            if (change.kind == EntityPart::Images && change.restored) listLibrary();
        });
    }
    // Tab goes through the controls as they are laid out, row by row.
    orderTabsByLayout(this);
}

void CImageDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    fitColumns();
}

void CImageDlg::fitColumns() {
    // The columns share the list's width as 4 : 2 : 3, and each is at least
    // as wide as its widest entry ("TRILINEAR", long names).
    const int w = m_list->viewport()->width();
    const int shares[3] = {4, 2, 3};
    const QFontMetrics fm = m_list->fontMetrics();
    for (int c = 0; c < 3; ++c) {
        int widest = fm.horizontalAdvance(m_list->headerItem()->text(c));
        if (c == 1) widest = std::max(widest, fm.horizontalAdvance(QStringLiteral("TRILINEAR")));
        for (int r = 0; r < m_list->topLevelItemCount(); ++r)
            widest = std::max(widest, fm.horizontalAdvance(m_list->topLevelItem(r)->text(c)));
        m_list->setColumnWidth(c, std::max(w * shares[c] / 10, widest + 16));
    }
}

bool CImageDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_previewFrame && event->type() == QEvent::Paint) {
        QPainter painter(m_previewFrame);
        if (m_preview.isNull()) painter.fillRect(m_previewFrame->rect(), Qt::black);
        else painter.drawImage(m_previewFrame->rect(), m_preview);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CImageDlg::browse() {
    QString path;
    if (browseHook()) {
        path = browseHook()();
    } else {
        QStringList patterns;
        for (const QByteArray& format : QImageReader::supportedImageFormats())
            patterns << QStringLiteral("*.") + QString::fromLatin1(format);
        path = QFileDialog::getOpenFileName(
            this, QString(), QDir::currentPath(),
            QStringLiteral("Image (*.BMP *.bmp);;Other pictures, converted to a bitmap (%1)").arg(patterns.join(' ')));
    }
    if (path.isEmpty()) return;
    bool keyed = false;
    if (QFileInfo(path).suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) != 0) {
        const QString converted = convertToBitmap(path, keyed);
        if (converted.isEmpty()) return;
        path = converted;
    }
    m_path->setText(path);
    m_name->setText(QFileInfo(path).completeBaseName());
    m_low->setText(keyed ? QStringLiteral("255") : QStringLiteral("0"));
    m_high->setText(keyed ? QStringLiteral("255") : QStringLiteral("0"));
    m_alpha->setChecked(keyed);
    m_average->setChecked(false);
    m_average->setEnabled(keyed);
    m_low->setEnabled(keyed);
    m_high->setEnabled(keyed);
}

QString CImageDlg::convertToBitmap(const QString& path, bool& keyed) {
    // The library reads 24-bit bitmaps: other pictures are converted to one in
    // the working directory, where the entity's files are.
    QImage picture(path);
    if (picture.isNull()) {
        message(this, QStringLiteral("Unable to read the picture %1").arg(QFileInfo(path).fileName()));
        return QString();
    }
    // Transparent pixels become pure white, which the alpha range 255 to 255
    // makes transparent again; opaque pure white is nudged to (254, 254, 254)
    // so that it stays opaque.
    keyed = picture.hasAlphaChannel();
    QImage rgb = picture.convertToFormat(QImage::Format_ARGB32);
    if (keyed) {
        for (int y = 0; y < rgb.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(rgb.scanLine(y));
            for (int x = 0; x < rgb.width(); ++x) {
                if (qAlpha(line[x]) < 128) line[x] = qRgb(255, 255, 255);
                else if ((line[x] & 0xffffff) == 0xffffff) line[x] = qRgb(254, 254, 254);
                else line[x] = line[x] | 0xff000000u;
            }
        }
    }
    rgb = rgb.convertToFormat(QImage::Format_RGB32);
    const QString base = QFileInfo(path).completeBaseName();
    QString target = QDir::current().filePath(base + QStringLiteral(".bmp"));
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QDir::current().filePath(QStringLiteral("%1-%2.bmp").arg(base).arg(n));
    if (!rgb.save(target, "BMP")) {
        message(this, QStringLiteral("Unable to write the bitmap %1").arg(QFileInfo(target).fileName()));
        return QString();
    }
    message(this, keyed ? QStringLiteral("The picture was converted to the bitmap %1. Its transparent pixels became white "
                                         "(255, 255, 255); Alpha with the range 255 to 255 makes them transparent.")
                              .arg(QFileInfo(target).fileName())
                        : QStringLiteral("The picture was converted to the bitmap %1.").arg(QFileInfo(target).fileName()));
    return target;
}

bool CImageDlg::readRange(int& low, int& high) {
    QLineEdit* fields[2] = {m_low, m_high};
    int values[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        if (!isInteger(fields[i]->text(), &values[i])) {
            message(this, QStringLiteral("Please enter an integer."));
            fields[i]->setFocus();
            return false;
        }
        if (values[i] < 0 || values[i] > 255) {
            message(this, QStringLiteral("Please enter an integer between 0 and 255."));
            fields[i]->setFocus();
            return false;
        }
    }
    low = values[0];
    high = values[1];
    return true;
}

void CImageDlg::add() {
    int low = 0, high = 0;
    if (!readRange(low, high)) return;
    TextureInfo& t = m_image;
    const QByteArray path = m_path->text().toLocal8Bit();
    if (path.isEmpty()) {
        message(this, QStringLiteral("Must have a path specified."));
        return;
    }
    if (m_name->text().isEmpty()) {
        message(this, QStringLiteral("Image must have a name."));
        return;
    }
    if (std::strcmp(path.constData(), t.path) == 0) {
        message(this, QStringLiteral("Already Exists"));
        return;
    }
    t.alpha = m_alpha->isChecked() ? 1 : 0;
    t.averaged = m_average->isChecked() ? 1 : 0;
    t.low = low;
    t.high = high;
    const QString filter = m_filter->currentText();
    if (!filter.isEmpty()) {
        switch (filter.at(0).toLatin1()) {
        case 'B': t.filter = KORVID_FILTER_BILINEAR; break;
        case 'L': t.filter = KORVID_FILTER_LINEAR; break;
        case 'N': t.filter = KORVID_FILTER_NONE; break;
        case 'T': t.filter = KORVID_FILTER_TRILINEAR; break;
        default: break;
        }
    }
    // The name is stored in saved entities: it must read back from them.
    m_name->setText(KorvidScene::safeName(m_name->text(), static_cast<int>(sizeof t.name)));
    copyText(t.name, sizeof t.name, m_name->text());
    copyText(t.path, sizeof t.path, m_path->text());
    // The document offers the new image in the pages' image lists.
    if (const Refusal refusal = m_doc.addImage(t)) {
        message(this, refusal.text);
        return;
    }
    new QTreeWidgetItem(m_list, {QString::fromLocal8Bit(t.name), filter, alphaText(t)});
    fitColumns();
    m_lastAppended = m_list->topLevelItemCount() - 1;
    loadPreview(m_path->text());
    // Size shows the image just added, as the library read it.
    m_sizeX->setText(QString::asprintf("%d", t.width));
    m_sizeY->setText(QString::asprintf("%d", t.height));
}

void CImageDlg::appendRow(const TextureInfo& t) {
    new QTreeWidgetItem(m_list, {QString::fromLocal8Bit(t.name), filterText(t.filter), alphaText(t)});
    fitColumns();
    m_lastAppended = m_list->topLevelItemCount() - 1;
    offerName(QString::fromLocal8Bit(t.name));
}

void CImageDlg::offerName(const QString& name) {
    m_doc.offerImage(name);
}

void CImageDlg::listLibrary() {
    KorvidScene& scene = m_doc.scene();
    const int count = scene.imageCount();
    for (int i = 0; i < count; ++i) {
        TextureInfo& t = m_image;
        if (!scene.imageAt(i, &t)) continue;
        // Each image is listed once, even when a second entity is opened without File New.
        const QString name = QString::fromLocal8Bit(t.name);
        if (!m_list->findItems(name, Qt::MatchExactly, 0).isEmpty()) continue;
        appendRow(t);
    }
}

void CImageDlg::chooseRow() {
    const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    if (row < 0 || row == m_lastHandled) return;
    m_lastHandled = row;
    m_chosenName = m_list->currentItem()->text(0);
    TextureInfo& t = m_image;
    if (!m_doc.scene().image(m_chosenName, &t)) {
        message(this, QStringLiteral("Unable to find the texture name"));
        return;
    }
    loadPreview(QString::fromLocal8Bit(t.path));
    m_sizeX->setText(QString::asprintf("%d", t.width));
    m_sizeY->setText(QString::asprintf("%d", t.height));
    m_path->setText(QString::fromLocal8Bit(t.path));
    m_name->setText(QString::fromLocal8Bit(t.name));
    if (!filterText(t.filter).isEmpty()) m_filter->setEditText(filterText(t.filter));
    if (t.alpha) {
        m_alpha->setChecked(true);
        m_average->setEnabled(true);
        if (!t.averaged) {
            m_average->setChecked(false);
            m_low->setEnabled(true);
            m_high->setEnabled(true);
            m_low->setText(QString::asprintf("%d", t.low));
            m_high->setText(QString::asprintf("%d", t.high));
        } else {
            m_average->setChecked(true);
            m_low->setText(QStringLiteral("0"));
            m_high->setText(QStringLiteral("0"));
            m_low->setEnabled(false);
            m_high->setEnabled(false);
        }
    } else {
        m_alpha->setChecked(false);
        m_average->setChecked(false);
        m_average->setEnabled(false);
        m_low->setEnabled(false);
        m_high->setEnabled(false);
    }
}

void CImageDlg::loadPreview(const QString& path) {
    m_preview = QImage();
    QImage picture;
    if (picture.load(path)) m_preview = picture;
    m_previewFrame->update();
}

void CImageDlg::empty() {
    m_preview = QImage();
    m_previewFrame->update();
    m_list->clear();
    m_alpha->setChecked(false);
    m_average->setChecked(false);
    m_average->setEnabled(false);
    m_low->setText(QStringLiteral("0"));
    m_high->setText(QStringLiteral("0"));
    m_low->setEnabled(false);
    m_high->setEnabled(false);
    {
        m_image.path[0] = '\0';
        m_image.name[0] = '\0';
    }
    m_path->clear();
    m_name->clear();
    m_lastAppended = -1;
    m_lastHandled = -1;
}

void CImageDlg::accept() {
    int low = 0, high = 0;
    if (!readRange(low, high)) return;
    hide();
}
