#pragma once
// The waiting dialog shown while the host waits for a guest or the guest connects. "Cancela"
// gives up the wait: it stops listening or connecting and hands control back to the caller.

#include <QDialog>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "net/link/connection.h"

namespace Ui {
class TF_AGUARDE;
}

namespace truco::net {

inline constexpr char kTextWaitingHost[] = "Aguardando um adversário...";
inline constexpr char kTextWaitingGuest[] = "Conectando...";
inline constexpr char kTextHostConnected[] = "Adversário Conectado.";
inline constexpr char kTextGuestConnected[] = "Conectado.";
// How long "connected" stays readable before the dialog closes.
inline constexpr int kConnectedPauseMs = 100;

class TF_AGUARDE : public QDialog {
  Q_OBJECT
 public:
  explicit TF_AGUARDE(QWidget* parent = nullptr);
  ~TF_AGUARDE() override;

  // Puts `text` into P_MENS and shows the dialog modally; returns when it closes (its result).
  int MOSTRA_AGUARDE(const QString& text);
  // Closes the dialog with OK.
  void FECHA_AGUARDE();

  // Shows the wait for an opening already started on `connection` (Listen or ConnectTo). True
  // when the other side is there; false when the player gave up, which closes `connection`.
  bool Aguarda(Connection& connection);

  // The waiting text now shown.
  [[nodiscard]] QString text() const;

 public slots:
  void reject() override;

 private:
  void SetText(const QString& text);
  void OnConnected();
  void OnFailed(const QString& text);

  std::unique_ptr<Ui::TF_AGUARDE> ui_;
  QPointer<Connection> waiting_on_;
  QList<QMetaObject::Connection> links_;
  QTimer close_timer_;
};

enum class OpenResult { Connected, Cancelled, Refused };

// The "Em rede" OK of the choice dialog: opens the connection as host or guest and shows the
// wait. The host greets every arriving connection with its name (in upper case), then with
// `extra_greeting`; the wait ends when one answers with its own name. Refused: nothing
// was opened and connection.lastError() says why (kPortRuleText for a port against the rule,
// to be shown in an information box titled "Informação"); the player stays in the dialog.
// `listen_on` is where the host listens (every IPv4 address unless told otherwise).
OpenResult AbreConexao(TF_AGUARDE& wait, Connection& connection, Side side,
                       const QString& port_text, const QString& address, const QString& name,
                       const QHostAddress& listen_on = QHostAddress::AnyIPv4,
                       const std::vector<Message>& extra_greeting = {});

}  // namespace truco::net
