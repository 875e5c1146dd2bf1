#include "opponent/duplas_view.h"

namespace truco::duplas {

Sign SignOfStrength(int best) {
  switch (best) {
    case kFirstManilhaStrength + 3:
      return Sign::Zap;
    case kFirstManilhaStrength + 2:
      return Sign::Copas;
    case kFirstManilhaStrength + 1:
      return Sign::Espadilha;
    case kFirstManilhaStrength:
      return Sign::PicaFumo;
    default:
      return Sign::Nada;
  }
}

}  // namespace truco::duplas
