#include "view/simulation_clock.h"

#include "document/korvid_scene.h"

namespace vantor {

bool SimulationClock::paused() { return m_scene.paused(); }

void SimulationClock::setPaused(bool paused) {
    m_scene.setPaused(paused);
    changed();
}

float SimulationClock::setSpeed(float factor) {
    const float speed = m_scene.setSpeed(factor);
    changed();
    return speed;
}

bool SimulationClock::step(int milliseconds) {
    const bool taken = m_scene.step(milliseconds);
    changed();
    return taken;
}

void SimulationClock::restart() {
    m_scene.restartEmitters();
    changed();
}

int SimulationClock::time() { return m_scene.simulationTime(); }

int SimulationClock::seek(int milliseconds) {
    const int reached = m_scene.seek(milliseconds);
    changed();
    return reached;
}

void SimulationClock::setFixedStep(int milliseconds) {
    m_fixedStep = milliseconds < 0 ? -1 : milliseconds;
    m_scene.setFixedStep(m_fixedStep);
    changed();
}

void SimulationClock::seed(uint32_t seed) {
    m_scene.seedRandom(seed);
    changed();
}

void SimulationClock::resume() { m_scene.resumeClock(); }

int64_t SimulationClock::liveParticles() { return m_scene.liveParticles(); }

int64_t SimulationClock::burstsFired() { return m_scene.burstsFired(); }
int64_t SimulationClock::currentEmitterHits() { return m_scene.currentEmitterHits(); }

}  // namespace vantor
