// Vantor: an editor for lit, textured 3D models with particle effects.
#include <QFileInfo>

#include "app/vantor_app.h"
#include "malloc_tuning.h"

int main(int argc, char** argv) {
    korvid::support::tuneMallocForLargeData(argv);
    setVantorSurfaceFormat();
    CVantorApp app(argc, argv);
    // A model named on the command line opens as File Open opens it; its
    // path is taken from the folder Vantor was started in, before anything
    // moves the working directory.
    // --timeline shows the timeline from the start.
    QStringList arguments = app.arguments().mid(1);
    const bool timeline = arguments.removeAll(QStringLiteral("--timeline")) > 0;
    const QString file = arguments.isEmpty() ? QString() : QFileInfo(arguments.first()).absoluteFilePath();
    if (!app.initInstance()) return 1;
    // The file first, so that the timeline takes its range from the effect.
    if (!file.isEmpty()) app.openWhenReady(file);
    if (timeline) app.showTimelineWhenReady();
    return app.exec();
}
