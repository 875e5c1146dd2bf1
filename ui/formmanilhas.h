#pragma once

#include <QColor>
#include <QDialog>
#include <memory>

#include "engine/cards.h"

class QGroupBox;

namespace Ui {
class TFormManilhas;
}

namespace truco {

class TCard;

// "Manilhas da Rodada": the four manilhas of the hand, one per suit, strongest (zape) first.
class TFormManilhas : public QDialog {
  Q_OBJECT
 public:
  explicit TFormManilhas(QWidget* parent = nullptr);
  ~TFormManilhas() override;

  // Sets each card to the manilha value of its suit (`manilha_value`, indexed by Suit).
  void setManilhas(const ManilhaValues& manilha_value);
  // setManilhas, then shows the window modally until "Fechar".
  int showManilhas(const ManilhaValues& manilha_value);

  // The main window's background; the window and its group boxes show it from the next
  // activation on (at once if the window is open).
  void setMainBackground(const QColor& colour);
  [[nodiscard]] QColor mainBackground() const { return main_background_; }

  [[nodiscard]] TCard* Zap() const { return zap_; }
  [[nodiscard]] TCard* Copas() const { return copas_; }
  [[nodiscard]] TCard* Espadas() const { return espadas_; }
  [[nodiscard]] TCard* Ouros() const { return ouros_; }

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ApplyBackground();

  std::unique_ptr<Ui::TFormManilhas> ui_;
  QColor main_background_;
  TCard* zap_ = nullptr;
  TCard* copas_ = nullptr;
  TCard* espadas_ = nullptr;
  TCard* ouros_ = nullptr;
};

}  // namespace truco
