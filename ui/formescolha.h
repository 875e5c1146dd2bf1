#pragma once
// The dialog before every game: against the computer or over the network, and the player's name.
// The network choices are created disabled; only "Contra PC" can be chosen for now.

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "engine/screen.h"

namespace Ui {
class TF_ESCOLHA;
}

namespace truco {

class TF_ESCOLHA : public QDialog {
  Q_OBJECT
 public:
  explicit TF_ESCOLHA(QWidget* parent = nullptr);
  ~TF_ESCOLHA() override;

  // Shows the dialog modally. The entries stay for the next game.
  GameKindChoice Escolha();

  // How the dialog tells the player off (the shared message box).
  void SetMessenger(std::function<void(const QString&)> tell) { tell_ = std::move(tell); }

  // The own IPv4 address shown in L_IP: the first non-loopback one, else the loopback address.
  static QString OwnIPv4();

 private:
  void BOKClick();
  void UpdateEnabling(bool from_connection_group);

  std::unique_ptr<Ui::TF_ESCOLHA> ui_;
  std::function<void(const QString&)> tell_;
};

}  // namespace truco
