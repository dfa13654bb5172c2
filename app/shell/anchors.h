#pragma once

#include <QSize>

class QFont;
class QPushButton;
class QRect;
class QString;
class QWidget;

namespace wifv {

enum Anchor { AnchorLeft = 1, AnchorTop = 2, AnchorRight = 4, AnchorBottom = 8 };

// Keeps a child's distances to the anchored edges of its parent as they are
// at the parent's design size: anchored to both left and right it stretches,
// to the right only it moves with the right edge (likewise vertically).
// The child's current geometry is its design geometry.
void anchorTo(QWidget *child, int anchors, QSize parentDesignSize);

// The design font of the windows: Segoe UI at the given point size.
QFont designFont(int pointSize, bool bold = false);

// Where Segoe UI or Tahoma is not installed, draws it with the closest free
// fonts (Open Sans has nearly Segoe UI's widths), so captions fit their
// designed sizes.
void installDesignFontFallbacks();

// A push button with its name, caption and design geometry.
QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption, const QRect &at);

// Paints a window in the system's button-face colour.
void useButtonFace(QWidget *window);

} // namespace wifv
