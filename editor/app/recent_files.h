// The recent-file list, kept in the program's settings: the newest first, at
// most four entries.
#pragma once
#include <QStringList>

namespace vantor {

class RecentFiles {
public:
    static constexpr int kCount = 4;
    static QStringList list();
    static void add(const QString& path);
};

}  // namespace vantor
