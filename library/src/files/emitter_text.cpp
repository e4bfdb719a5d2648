// Emitters as text, for copying them between entities and programs.
#include <cstring>

#include "context.h"
#include "zob_parse.h"

using namespace korvid;

KORVID_EXPORT int32_t objCopyEmitter(char* out, int32_t capacity) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !ps->current) {
        fail(Failure::NoEmitter);
        return -1;
    }
    const std::string text = emitterText(*ps->current, currentModel());
    if (out && capacity > 0 && size_t(capacity) > text.size()) std::memcpy(out, text.c_str(), text.size() + 1);
    return static_cast<int32_t>(text.size());
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT int32_t objPasteEmitter(const char* text, int32_t index) try {
    ParticleSystem* ps = currentParticleSystem();
    if (!ps || !text || index < 0 || index > ps->count()) {
        fail(ps ? Failure::BadArgument : Failure::NoModel);
        return 0;
    }
    // Parsed whole and checked before anything is added.
    ParsedEmitter parsed;
    ParsedExtensions extras;
    std::string why;
    if (!parseEmitterText(text, parsed, extras, why)) {
        fail(Failure::EmitterText, why.c_str());
        return 0;
    }
    ShapeState shape;
    const EmitterExtras* x = extras.present ? &extras.emitters.front() : nullptr;
    if (x && x->hasShape) {
        const char* refusal = "";
        if (makeShape(x->shape, currentModel(), shape, &refusal) != Failure::None) {
            fail(Failure::EmitterText, refusal);
            return 0;
        }
    }
    EmitterData record = parsed.record;
    record.burst = parsed.burst;
    // "NONE" is how files write no image.
    const bool image = record.imageName[0] && std::strcmp(record.imageName, "NONE") != 0;
    record.textureId = image ? findTextureId(*context().textures, record.imageName) : 0;
    simulationChanged();
    Failure poolWhy = Failure::None;
    const int32_t count = insertEmitter(*ps, record, index, &poolWhy);
    if (count == 0) {
        if (poolWhy == Failure::OutOfMemory) failPool(record.totalParticles);
        else fail(Failure::ParticleLimit);
        return 0;
    }
    Emitter& added = *ps->emitters[size_t(index)];
    if (x) {
        const char* ignored = "";
        for (int which = 0; which < 2; ++which)
            if (x->hasCurve[which])
                setLifeCurve(added.curves[which], which, x->curves[which].data(),
                             static_cast<int32_t>(x->curves[which].size()), &ignored);
        if (x->hasShape) added.shape = std::move(shape);
        added.fields = x->fields;
        if (const Model* model = currentModel()) added.colliders = heldColliders(*x, *model, *context().store);
        if (setLook(added, x->look, &ignored) != Failure::None) {
            // The trails' points could not be had: the emitter goes again.
            Emitter* stays = ps->current;
            ps->current = &added;
            removeCurrentEmitter(*ps);
            ps->current = stays;
            fail(Failure::OutOfMemory, ignored);
            return 0;
        }
    }
    return count;
} catch (...) {
    return refusedByException<int32_t>(0);
}
