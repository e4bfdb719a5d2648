// SimulationClock: the one owner of the library's simulation clock (pause,
// speed, single steps, the fixed frame time, the seed, seeks and restarts).
// The timeline, the simulation controls and the exports ask it; a Hold puts
// the pause and the frame time back when a piece of work that changed them
// is over.
#pragma once
#include <cstdint>
#include <functional>


namespace vantor {

class KorvidScene;

class SimulationClock {
public:
    explicit SimulationClock(KorvidScene& scene) : m_scene(scene) {}
    // Told after every change below (not after resume), so that a view at
    // rest draws it.
    void setChanged(std::function<void()> changed) { m_changed = std::move(changed); }

    bool paused();
    void setPaused(bool paused);
    // 0.25..4; the speed set.
    float setSpeed(float factor);
    // One step at the next frame, while paused.
    bool step(int milliseconds);
    // Every emitter drops its particles and starts again.
    void restart();
    // Milliseconds simulated since the last seek or restart.
    int time();
    // Simulates from the start to `milliseconds`; the moment reached.
    int seek(int milliseconds);
    // Each frame advances the clock by `milliseconds`; below 0 the real clock.
    void setFixedStep(int milliseconds);
    int fixedStep() const { return m_fixedStep; }
    void seed(uint32_t seed);
    // The next frame measures its time from now (time held is not simulated).
    void resume();
    // Over every model loaded.
    int64_t liveParticles();
    int64_t burstsFired();
    int64_t currentEmitterHits();  // -1: the current emitter has no colliders

    class Hold {
    public:
        explicit Hold(SimulationClock& clock) : m_clock(clock), m_paused(clock.paused()), m_fixedStep(clock.fixedStep()) {}
        ~Hold() {
            m_clock.setFixedStep(m_fixedStep);
            m_clock.setPaused(m_paused);
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        SimulationClock& m_clock;
        bool m_paused;
        int m_fixedStep;
    };

private:
    void changed() {
        if (m_changed) m_changed();
    }
    KorvidScene& m_scene;
    std::function<void()> m_changed;
    int m_fixedStep = -1;
};

}  // namespace vantor
