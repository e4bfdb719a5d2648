// CAnimatePage: the ANIMATE tab, a placeholder.
#pragma once
#include <QWidget>

class CAnimatePage : public QWidget {
    Q_OBJECT
public:
    explicit CAnimatePage(QWidget* parent = nullptr);
};
