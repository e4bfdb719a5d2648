#include "record_fields.h"

#include <algorithm>
#include <cstring>

namespace korvid {
namespace {

constexpr int fieldCount(FieldKind kind, size_t bytes) {
    return static_cast<int>(kind == FieldKind::Text ? bytes : bytes / 4);
}

// One table entry: the member's name, kind and size come from the member itself.
#define KORVID_FIELD(Record, member, kind, comment, flags)                                                  \
    Field<Record> {                                                                                        \
        #member, FieldKind::kind, fieldCount(FieldKind::kind, sizeof(Record::member)),                     \
            [](Record& r) -> void* { return &r.member; }, comment, flags                                   \
    }

constexpr unsigned kFile = kInFile;
constexpr unsigned kFileInput = kInFile | kInput;

#define S(member, kind, comment, flags) KORVID_FIELD(Surface, member, kind, comment, flags)
const Field<Surface> kSurface[] = {
    S(name, Text, nullptr, kFile | kNumberedWhenEmpty),
    S(position, Float, "Position", kFile),
    S(blending, Int, "Blending", kFile),
    S(culling, Int, "Culling", kFile),
    S(anim1, Int, "Anim 1", kFile),
    S(anim2, Int, "Anim 2", kFile),
    S(animTranslate1, Float, "Anim translate 1", kFile),
    S(animRotate1, Float, "Anim Rotate 1", kFile),
    S(animTranslate2, Float, "Anim translate 2", kFile),
    S(animRotate2, Float, "Anim Rotate 2", kFile),
    S(genMode1, Int, "GenMode1", kFile),
    S(genMode2, Int, "GenMode2", kFile),
    S(planeMode1, Int, "PlaneMode1", kFile),
    S(planeMode2, Int, "PlaneMode2", kFile),
    S(textureCount, Int, "Texture Count", kFile),
    S(texture1Name, Text, nullptr, kFile | kNoneWhenEmpty),
    S(sPlane1, Float, "sPlane1", kFile),
    S(tPlane1, Float, "tPlane1", kFile),
    S(texEnv1, Int, "TexEnv1", kFile),
    S(texture2Name, Text, nullptr, kFile | kNoneWhenEmpty),
    S(sPlane2, Float, "sPlane2", kFile),
    S(tPlane2, Float, "tPlane2", kFile),
    S(texEnv2, Int, "TexEnv2", kFile),
    S(smooth, Int, "Smooth", kFile),
    S(angle, Float, "Angle", kFile),
    S(diffuse, Float, "MatDif", kFile),
    S(ambient, Float, "MatAmb", kFile),
    S(specular, Float, "MatSpec", kFile),
    S(emission, Float, "MatEmission", kFile),
    S(shininess, Float, "MatShininess", kFile),
};
#undef S

#define E(member, kind, comment, flags) KORVID_FIELD(EmitterData, member, kind, comment, flags)
const Field<EmitterData> kEmitter[] = {
    E(name, Text, nullptr, kFileInput | kBlankBeforeNewline),
    E(particleType, Int, "Particle type", kFileInput),
    E(isReflected, Int, "Is reflected", kFileInput),
    E(groundPosition, Float, "ground position", kFileInput),
    E(isBurst, Int, "Is burst", kFileInput),
    E(isBurstOnGround, Int, "Is burst on ground", kFileInput),
    E(isLighting, Int, "Is lighting", kFileInput),
    E(isAltAlpha, Int, "Is Alt Alpha", kFileInput),
    E(isLifespan, Int, "Is lifespan", kFileInput),
    E(lifespanTime, Int, "Lifespan time", kFileInput),
    E(isAttachToModel, Int, "Is attach to model", kFileInput),
    E(position, Float, "Position", kFileInput),
    E(yaw, Float, "Yaw", kFileInput),
    E(yawVar, Float, "YawVar", kFileInput),
    E(pitch, Float, "Pitch", kFileInput),
    E(pitchVar, Float, "PitchVar", kFileInput),
    E(speed, Float, "Speed", kFileInput),
    E(speedVar, Float, "SpeedVar", kFileInput),
    E(totalParticles, Int, "Total Particles", kFileInput),
    E(emitterPerCycle, Int, "Emitter per cycle", kFileInput),
    E(emitterPerCycleVar, Int, "Emitter per cycle var", kFileInput),
    E(emitterTime, Int, "Emitter time", kFileInput),
    E(life, Int, "Life", kFileInput),
    E(lifeVar, Int, "LifeVar", kFileInput),
    E(startColor, Float, "Start color", kFileInput),
    E(startColorVar, Float, "Start color var", kFileInput),
    E(endColor, Float, "End color", kFileInput),
    E(endColorVar, Float, "End color var", kFileInput),
    E(startSize, Float, "Start Size", kFileInput),
    E(startSizeVar, Float, "Start SizeVar", kFileInput),
    E(endSize, Float, "End Size", kFileInput),
    E(endSizeVar, Float, "End SizeVar", kFileInput),
    E(imageName, Text, nullptr, kFileInput | kNoneWhenEmpty),
    E(force, Float, "Force", kFileInput),
    E(textureId, Int, nullptr, kInput),  // resolved from imageName when read
};
#undef E

#define B(member, kind, comment) KORVID_FIELD(BurstData, member, kind, comment, kFile)
const Field<BurstData> kBurst[] = {
    B(count, Int, "Total Particles"),
    B(yaw, Float, "Yaw"),
    B(yawVar, Float, "YawVar"),
    B(pitch, Float, "Pitch"),
    B(pitchVar, Float, "PitchVar"),
    B(speed, Float, "Speed"),
    B(speedVar, Float, "SpeedVar"),
    B(life, Int, "Life"),
    B(lifeVar, Int, "LifeVar"),
    B(startColor, Float, "Start color"),
    B(startColorVar, Float, "Start color var"),
    B(endColor, Float, "End color"),
    B(endColorVar, Float, "End color var"),
    B(startSize, Float, "Start Size"),
    B(startSizeVar, Float, "Start SizeVar"),
    B(endSize, Float, "End Size"),
    B(endSizeVar, Float, "End SizeVar"),
};
#undef B

#define I(member, kind, comment, flags) KORVID_FIELD(TextureInfo, member, kind, comment, flags)
const Field<TextureInfo> kImage[] = {
    I(path, Text, "Path", kFileInput | kRelativePath),
    I(name, Text, "Name", kFileInput),
    I(filter, Int, "Filter", kFileInput),
    I(alpha, Int, "Alpha", kFileInput),
    I(averaged, Int, "Averaged", kFileInput),
    I(low, Int, "Low", kFileInput),
    I(high, Int, "High", kFileInput),
};
#undef I

}  // namespace

std::span<const Field<Surface>> surfaceFields() { return kSurface; }
std::span<const Field<EmitterData>> emitterFields() { return kEmitter; }
std::span<const Field<BurstData>> burstFields() { return kBurst; }
std::span<const Field<TextureInfo>> imageFields() { return kImage; }

void copyText(char* field, size_t size, const char* text) {
    size_t n = 0;
    while (n + 1 < size && text[n]) ++n;
    std::memcpy(field, text, n);
    field[n] = '\0';
}

template <class Record>
void copyFields(Record& to, const Record& from, std::span<const Field<Record>> fields, unsigned flags) {
    for (const Field<Record>& f : fields) {
        if ((f.flags & flags) != flags) continue;
        if (f.kind == FieldKind::Text)
            copyText(f.template in<char>(to), static_cast<size_t>(f.count), f.template in<char>(from));
        else
            std::memmove(f.at(to), f.template in<char>(from), static_cast<size_t>(f.count) * 4);
    }
}

template void copyFields(Surface&, const Surface&, std::span<const Field<Surface>>, unsigned);
template void copyFields(EmitterData&, const EmitterData&, std::span<const Field<EmitterData>>, unsigned);
template void copyFields(BurstData&, const BurstData&, std::span<const Field<BurstData>>, unsigned);
template void copyFields(TextureInfo&, const TextureInfo&, std::span<const Field<TextureInfo>>, unsigned);

}  // namespace korvid
