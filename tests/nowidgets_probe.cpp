// Built against a logic library's include path this must fail; against a
// window library's it must build (the control case).
#include <QtWidgets/QPushButton>

int probe()
{
    return sizeof(QPushButton) > 0 ? 1 : 0;
}
