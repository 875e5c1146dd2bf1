#pragma once
// The version the windows show, from the build (CMake project version).

#include <QString>

namespace truco {

inline QString ProgramVersion() { return QStringLiteral(TRUCO_VERSION); }

}  // namespace truco
