#include "app/recent_files.h"

#include <QSettings>

namespace vantor {

namespace {
QSettings settings() {
    return QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Vantor"));
}
QString key(int i) { return QStringLiteral("Recent File List/File%1").arg(i); }
}  // namespace

QStringList RecentFiles::list() {
    QSettings s = settings();
    QStringList files;
    for (int i = 1; i <= kCount; ++i) {
        const QString path = s.value(key(i)).toString();
        if (!path.isEmpty()) files << path;
    }
    return files;
}

void RecentFiles::add(const QString& path) {
    QStringList files = list();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kCount) files.removeLast();
    QSettings s = settings();
    for (int i = 1; i <= kCount; ++i) {
        if (i <= files.size()) s.setValue(key(i), files[i - 1]);
        else s.remove(key(i));
    }
}

}  // namespace vantor
