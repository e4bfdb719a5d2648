#include "view/simulation_clock.h"

#include "korvid.h"

namespace vantor {

bool SimulationClock::paused() {
    m_gl.makeCurrent();
    return objIsSimulationPaused();
}

void SimulationClock::setPaused(bool paused) {
    m_gl.makeCurrent();
    objPauseSimulation(paused);
}

float SimulationClock::setSpeed(float factor) {
    m_gl.makeCurrent();
    return objSetSimulationSpeed(factor);
}

bool SimulationClock::step(int milliseconds) {
    m_gl.makeCurrent();
    return objStepSimulation(milliseconds);
}

void SimulationClock::restart() {
    m_gl.makeCurrent();
    objRestartEmitters();
}

int SimulationClock::time() {
    m_gl.makeCurrent();
    return objGetSimulationTime();
}

int SimulationClock::seek(int milliseconds) {
    m_gl.makeCurrent();
    return objSeekSimulation(milliseconds);
}

void SimulationClock::setFixedStep(int milliseconds) {
    m_gl.makeCurrent();
    m_fixedStep = milliseconds < 0 ? -1 : milliseconds;
    objSetFixedFrameTime(m_fixedStep);
}

void SimulationClock::seed(uint32_t seed) {
    m_gl.makeCurrent();
    objSeedRandom(seed);
}

void SimulationClock::resume() {
    m_gl.makeCurrent();
    objResumeClock();
}

int64_t SimulationClock::liveParticles() {
    m_gl.makeCurrent();
    return objGetSceneLiveParticles();
}

int64_t SimulationClock::burstsFired() {
    m_gl.makeCurrent();
    return objGetSceneBurstsFired();
}

}  // namespace vantor
