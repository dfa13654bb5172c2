#pragma once

#include <QWidget>

namespace wifv {

// The import window: created once at start, hidden, owned by the main
// window; closing it only hides it, so its contents stay for the next show.
class TfImportFactVintra : public QWidget {
    Q_OBJECT
public:
    explicit TfImportFactVintra(QWidget *parent);
};

extern TfImportFactVintra *fImportFactVintra;

} // namespace wifv
