#pragma once
// The tabbed panel of the " DXF Entities " group: one tab per kind of entity with its create
// box, 2D/3D pair, text height, precision, layer and layer colour. This class only lays the
// controls out under their names; their rules are added with the entity options.

#include <QTabWidget>

namespace mervalon::app {

class EntityPanels : public QTabWidget {
    Q_OBJECT
public:
    explicit EntityPanels(QWidget* parent = nullptr);
};

} // namespace mervalon::app
