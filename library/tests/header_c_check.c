/* korvid.h must compile as C: the records and every export are plain C. */
#include "korvid.h"

int korvidHeaderFromC(void) {
    ModelInfo info = {0};
    SurfaceData surface = {0};
    EmitterData emitter;
    LightData light = {0};
    TextureInfo texture = {0};
    objInitEmitter(&emitter);
    light.on = true;
    (void)surface;
    (void)light;
    (void)texture;
    return (int)sizeof(BurstData) + info.surfaceCount + (emitter.totalParticles == 1000 ? 1 : 0);
}
