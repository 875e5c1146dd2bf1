#pragma once
// The dialog before every game: against the computer or over the network, and the player's name.
// For a network game its OK opens the connection first (through the connector that the network
// side installs) and closes only once the other side is there.

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

class QRadioButton;

#include "engine/screen.h"

class QLabel;
class QLineEdit;
class QRadioButton;

namespace Ui {
class TF_ESCOLHA;
}

namespace truco {

// What "OK" asks the network side to open for "Em rede".
struct ConnectRequest {
  bool host = true;       // "Servidor"; else "Cliente"
  QString port;           // E_PORTA as typed
  QString address;        // E_IPS as typed (guest)
  QString name;           // E_NOME
  bool internet = false;  // "Internet": through a table server
  QString broker;         // "Servidor de mesas" as typed (internet)
};

class TF_ESCOLHA : public QDialog {
  Q_OBJECT
 public:
  // Opens the connection; true once the other side is there. The player stays in the dialog on
  // false (the connector has told why, if there was a why).
  using Connector = std::function<bool(const ConnectRequest&)>;

  explicit TF_ESCOLHA(QWidget* parent = nullptr);
  ~TF_ESCOLHA() override;

  // Shows the dialog modally. The entries stay for the next game.
  GameKindChoice Escolha();

  // How the dialog tells the player off (the shared message box).
  void SetMessenger(std::function<void(const QString&)> tell) { tell_ = std::move(tell); }
  // How "Em rede" opens its connection. Without one, "Em rede" cannot be confirmed.
  void SetConnector(Connector connect) { connect_ = std::move(connect); }
  // Runs the connector in force now: false when there is none or it did not connect.
  bool Connect(const ConnectRequest& request);

  // "Servidor de mesas" (the third way, "Internet").
  void SetBroker(const QString& broker);
  [[nodiscard]] QString broker() const;

  // The own IPv4 address shown in L_IP: the first non-loopback one, else the loopback address.
  static QString OwnIPv4();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BOKClick();
  void UpdateEnabling(bool from_connection_group);
  // "Duplas contra PC": one more game kind under the other two.
  void AddDuplasChoice();
  // The third way, "Internet", and its table server's field.
  void AddInternetChoice();
  void UpdateInternet();

  std::unique_ptr<Ui::TF_ESCOLHA> ui_;
  std::function<void(const QString&)> tell_;
  Connector connect_;
  QRadioButton* rb_duplas_ = nullptr;
  QRadioButton* internet_ = nullptr;
  QLineEdit* broker_ = nullptr;
  QLabel* broker_label_ = nullptr;
  QLabel* unencrypted_ = nullptr;
};

}  // namespace truco
