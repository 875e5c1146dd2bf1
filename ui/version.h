#pragma once
// The version the windows show, from the build (CMake project version).

#include <QString>

namespace truco {

QString ProgramVersion();

}  // namespace truco
