// KorvidScene's drawing and the simulation's clock: what the view, the
// simulation clock and the exports ask of the library.
#include "document/korvid_scene.h"

namespace vantor {

// ---- Drawing ---------------------------------------------------------------------------

int KorvidScene::startDrawing(int width, int height, int fieldOfView) {
    makeCurrent();
    const WindowData window{width, height, fieldOfView};
    objInitWin(&window);
    return window.fieldOfView;
}

void KorvidScene::resize(int width, int height) {
    makeCurrent();
    objResizeWin(width, height);
}

void KorvidScene::draw(const CameraData& camera) {
    makeCurrent();
    objRender(&camera);
}

bool KorvidScene::setClipPlanes(float nearPlane, float farPlane) {
    makeCurrent();
    return objSetClipPlanes(nearPlane, farPlane);
}

void KorvidScene::setFieldOfView(int degrees) {
    makeCurrent();
    objZoomWin(degrees);
}

bool KorvidScene::bounds(int what, int index, float lo[3], float hi[3]) {
    makeCurrent();
    return objGetBounds(what, index, lo, hi);
}

void KorvidScene::setBoundingBox(bool on) {
    makeCurrent();
    objSetBBox(on ? 1 : 0);
}

bool KorvidScene::grid() {
    makeCurrent();
    return objGetGrid() != 0;
}

void KorvidScene::setGrid(bool on) {
    // The library's grid call is a toggle.
    if (grid() != on) objOnGrid();
}

void KorvidScene::showLights(bool on) {
    makeCurrent();
    objShowLights(on);
}

void KorvidScene::showModels(bool on) {
    makeCurrent();
    objShowModels(on);
}

void KorvidScene::showShapeOutline(bool on) {
    makeCurrent();
    objShowShapeOutline(on);
}

void KorvidScene::setAntialias(bool points, bool lines, bool polygons) {
    makeCurrent();
    objSetAntiAliasPoints(points);
    objSetAntiAliasLines(lines);
    objSetAntiAliasPolys(polygons);
}

void KorvidScene::setClearColour(const float rgba[4]) {
    makeCurrent();
    objSetClearColor(rgba);
}

void KorvidScene::setAmbient(const float rgba[4]) {
    makeCurrent();
    objSetGlobalAmb(rgba);
}

// ---- The simulation's clock --------------------------------------------------------------

bool KorvidScene::paused() {
    makeCurrent();
    return objIsSimulationPaused();
}

void KorvidScene::setPaused(bool paused) {
    makeCurrent();
    objPauseSimulation(paused);
}

float KorvidScene::setSpeed(float factor) {
    makeCurrent();
    return objSetSimulationSpeed(factor);
}

bool KorvidScene::step(int milliseconds) {
    makeCurrent();
    return objStepSimulation(milliseconds);
}

void KorvidScene::restartEmitters() {
    makeCurrent();
    objRestartEmitters();
}

int KorvidScene::simulationTime() {
    makeCurrent();
    return objGetSimulationTime();
}

int KorvidScene::seek(int milliseconds) {
    makeCurrent();
    return objSeekSimulation(milliseconds);
}

void KorvidScene::setFixedStep(int milliseconds) {
    makeCurrent();
    objSetFixedFrameTime(milliseconds);
}

void KorvidScene::seedRandom(uint32_t seed) {
    makeCurrent();
    objSeedRandom(seed);
}

void KorvidScene::resumeClock() {
    makeCurrent();
    objResumeClock();
}

int64_t KorvidScene::liveParticles() {
    makeCurrent();
    return objGetSceneLiveParticles();
}

int64_t KorvidScene::burstsFired() {
    makeCurrent();
    return objGetSceneBurstsFired();
}

int64_t KorvidScene::currentEmitterHits() {
    makeCurrent();
    const int32_t emitter = objGetCurrentEmitter();
    if (emitter < 0 || objGetEmitterColliders(nullptr, 0) <= 0) return -1;
    return objGetHits(emitter);
}

}  // namespace vantor
