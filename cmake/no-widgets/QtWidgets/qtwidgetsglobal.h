// Every QtWidgets header includes this file first. This copy sits ahead of
// Qt's own on the include path of logic libraries only.
#error "QtWidgets is not available in a logic library: move the widget code to a window library"
