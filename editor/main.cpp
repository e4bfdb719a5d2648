// Vantor: an editor for lit, textured 3D models with particle effects.
#include "vantor_app.h"

int main(int argc, char** argv) {
    setVantorSurfaceFormat();
    CVantorApp app(argc, argv);
    if (!app.initInstance()) return 1;
    return app.exec();
}
