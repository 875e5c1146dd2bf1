#pragma once
// The program's web site, shown in the about window and opened in the player's browser.

#include <QString>

namespace truco {

inline QString SiteAddress() {
  return QStringLiteral("https://truco-zanforte.example.org/");
}

}  // namespace truco
