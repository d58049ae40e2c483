// Built only by the CoreRejectsQtIncludes test, which passes when this fails to compile.
#include <QObject>
