#include "ui/version.h"

namespace truco {

QString ProgramVersion() { return QStringLiteral(TRUCO_VERSION); }

}  // namespace truco
