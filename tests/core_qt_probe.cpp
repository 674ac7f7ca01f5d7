// Compiled only by the core_has_no_qt test, which expects this to fail:
// the core library's include paths must not reach Qt.
#include <QString>
int probe() { return QString().size(); }
