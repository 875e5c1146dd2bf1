#pragma once

#include <QColor>
#include <QDialog>
#include <memory>

namespace Ui {
class TFormBaralho;
}

namespace truco {

// "Tipos de Baralhos, Sujo ou Limpo": the order of the cards in the 40-card and the 24-card deck.
class TFormBaralho : public QDialog {
  Q_OBJECT
 public:
  explicit TFormBaralho(QWidget* parent = nullptr);
  ~TFormBaralho() override;

  // The main window's background, taken at once (the window follows every change of it).
  void setMainBackground(const QColor& colour);
  [[nodiscard]] QColor mainBackground() const { return main_background_; }

 private:
  std::unique_ptr<Ui::TFormBaralho> ui_;
  QColor main_background_;
};

}  // namespace truco
