#include "export/sheet_flipbook.h"

#include <QFileInfo>
#include <QImage>

#include <cstring>

#include "document/vantor_doc.h"
#include "sprite_sheet.h"
#include "widgets/controls.h"

namespace vantor {

namespace {

// The sheet over black as the 24-bit bitmap the library reads: straight
// alpha multiplied in, premultiplied colour as it is.
bool writeOverBlack(const QString& sheetPath, bool premultiplied, const QString& bitmapPath) {
    QImage sheet(sheetPath);
    if (sheet.isNull()) return false;
    QImage out = sheet.convertToFormat(premultiplied ? QImage::Format_ARGB32 : QImage::Format_ARGB32_Premultiplied);
    QImage rgb(out.size(), QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(out.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(rgb.scanLine(y));
        for (int x = 0; x < out.width(); ++x) to[x] = qRgb(qRed(from[x]), qGreen(from[x]), qBlue(from[x]));
    }
    return rgb.save(bitmapPath, "BMP");
}

}  // namespace

bool useSheetAsFlipbook(QWidget* parent, CVantorDoc& doc, const QString& sheetPath, const EffectExport& s) {
    if (doc.currentEmitter() < 0) return false;
    const QFileInfo sheet(sheetPath);
    const QString bitmap = sheet.absolutePath() + QStringLiteral("/") + sheet.completeBaseName() + QStringLiteral(".bmp");
    if (!writeOverBlack(sheetPath, s.premultiplied, bitmap)) {
        message(parent, QStringLiteral("Unable to write the bitmap %1").arg(QFileInfo(bitmap).fileName()));
        return false;
    }
    // A name of its own among the entity's images.
    const QString base = KorvidScene::safeName(sheet.completeBaseName(), sizeof(TextureInfo::name));
    QString name = base;
    TextureInfo existing{};
    for (int n = 2; doc.scene().image(name, &existing); ++n)
        name = KorvidScene::safeName(QStringLiteral("%1_%2").arg(base).arg(n), sizeof(TextureInfo::name));
    TextureInfo image{};
    copyText(image.path, sizeof image.path, bitmap);
    copyText(image.name, sizeof image.name, name);
    image.filter = KORVID_FILTER_BILINEAR;
    EmitterData e = doc.emitter();
    copyText(e.imageName, sizeof e.imageName, name);
    e.particleType = KORVID_PARTICLE_POLYGONS;
    e.isAltAlpha = 1;
    const std::vector<int> times = korvid::media::sheetMoments(s.from, s.to, s.cols * s.rows, s.stepMs);
    const int apart = times.size() > 1 ? times[1] - times[0] : std::max(1, s.stepMs);
    const Flipbook flipbook{s.cols, s.rows, s.cols * s.rows, 1000.0f / float(apart), 0, 0, 1};
    if (const Refusal refusal = doc.useImageAsFlipbook(image, e, flipbook)) {
        if (!refusal.text.isEmpty()) message(parent, refusal.text);
        return false;
    }
    return true;
}

}  // namespace vantor
