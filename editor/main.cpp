// Vantor: an editor for lit, textured 3D models with particle effects.
#include "vantor_app.h"

int main(int argc, char** argv) {
    setVantorSurfaceFormat();
    CVantorApp app(argc, argv);
    if (!app.initInstance()) return 1;
    // A model named on the command line opens as File Open opens it.
    const QStringList arguments = app.arguments();
    if (arguments.size() > 1) app.openWhenReady(arguments.at(1));
    return app.exec();
}
