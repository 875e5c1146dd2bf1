#pragma once

#include <QDialog>
#include <memory>

class QLineEdit;

namespace Ui {
class TFormSobre;
}

namespace truco {

class TCard;

// The about box: title, version, date, the four aces fanned, and the web site's address,
// which opens in the player's browser when clicked. Black, and closed only by "Fechar".
class TFormSobre : public QDialog {
  Q_OBJECT
 public:
  explicit TFormSobre(QWidget* parent = nullptr);
  ~TFormSobre() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ESiteClick();

  std::unique_ptr<Ui::TFormSobre> ui_;
};

}  // namespace truco
