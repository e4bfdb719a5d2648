/* The smallest program against an installed Korvid, built with
 *   cc defaults.c $(pkg-config --cflags --libs korvid)
 * It prints the defaults a new particle emitter starts from. */
#include <korvid.h>
#include <stdio.h>

int main(void) {
    EmitterData e;
    objInitEmitter(&e);
    printf("Korvid emitter defaults: %d particles, %d per cycle, life %d ms, burst of %d\n", e.totalParticles,
           e.emitterPerCycle, e.life, e.burst.count);
    return e.totalParticles == 1000 ? 0 : 1;
}
