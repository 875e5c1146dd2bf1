#pragma once

#include <QColor>
#include <QDialog>
#include <memory>

namespace Ui {
class TFormRegras;
}

namespace truco {

// "Regras do Jogo": the order of the cards and suits, how the manilhas are found, and the rules
// of play as rich text that the player may edit on screen (never saved) and print.
class TFormRegras : public QDialog {
  Q_OBJECT
 public:
  // The print job's title, as the printer queue shows it.
  static constexpr const char* kPrintJobTitle = "Regras do Truco Zanforte";

  explicit TFormRegras(QWidget* parent = nullptr);
  ~TFormRegras() override;

  // The main window's background; the window and the rules box show it from the next
  // activation on (at once if the window is open).
  void setMainBackground(const QColor& colour);
  [[nodiscard]] QColor mainBackground() const { return main_background_; }

  // Writes the rules as they stand on screen to a PDF file under the job title above; false
  // when the file could not be written.
  bool saveRulesAsPdf(const QString& path);

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BImprimirClick();
  void OfferPdfInstead(const QString& why);
  void ApplyBackground();

  std::unique_ptr<Ui::TFormRegras> ui_;
  QColor main_background_;
};

}  // namespace truco
