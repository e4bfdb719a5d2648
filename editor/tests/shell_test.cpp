// The editor shell: documents, the toolbar, the 3D view's drags, keys, layout.
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QMouseEvent>
#include <QSplitter>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>

#include <fstream>
#include <sstream>

#include "editor_test.h"
#include "entity_control_view.h"
#include "object_page.h"
#include "particles_page.h"
#include "surface_page.h"

namespace vantor::testing {
namespace {

class ShellTest : public EditorTest {};

TEST_F(ShellTest, ScreenshotWithASampleLoaded) {
    open(sample("showcase.zob"));
    ASSERT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    frame().resize(1000, 700);
    pump(600);
    const QImage shot = frame().grab().toImage();
    ASSERT_FALSE(shot.isNull());
    if (const char* out = std::getenv("VANTOR_SCREENSHOT")) shot.save(QString::fromLocal8Bit(out));
}

}  // namespace
}  // namespace vantor::testing
