#include "view/simulation_clock.h"

#include "document/korvid_scene.h"

namespace vantor {

bool SimulationClock::paused() { return m_scene.paused(); }

void SimulationClock::setPaused(bool paused) { m_scene.setPaused(paused); }

float SimulationClock::setSpeed(float factor) { return m_scene.setSpeed(factor); }

bool SimulationClock::step(int milliseconds) { return m_scene.step(milliseconds); }

void SimulationClock::restart() { m_scene.restartEmitters(); }

int SimulationClock::time() { return m_scene.simulationTime(); }

int SimulationClock::seek(int milliseconds) { return m_scene.seek(milliseconds); }

void SimulationClock::setFixedStep(int milliseconds) {
    m_fixedStep = milliseconds < 0 ? -1 : milliseconds;
    m_scene.setFixedStep(m_fixedStep);
}

void SimulationClock::seed(uint32_t seed) { m_scene.seedRandom(seed); }

void SimulationClock::resume() { m_scene.resumeClock(); }

int64_t SimulationClock::liveParticles() { return m_scene.liveParticles(); }

int64_t SimulationClock::burstsFired() { return m_scene.burstsFired(); }

}  // namespace vantor
