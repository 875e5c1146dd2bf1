#pragma once
// The path that carries a networked game's messages to the peer: a direct TCP connection today,
// a broker tomorrow. The game above sees only messages and these few events, so it never knows
// which path it is on. Exactly one of disconnected() or protocolError() ends a link that was made.

#include <QObject>
#include <QString>

#include "net/wire/protocol.h"

namespace truco::net {

class Link : public QObject {
  Q_OBJECT
 public:
  explicit Link(QObject* parent = nullptr) : QObject(parent) {}
  ~Link() override = default;

  // Sends one message to the peer; false when there is no peer to send it to.
  virtual bool Send(const Message& message) = 0;
  // Closes whatever is open. Emits nothing.
  virtual void Close() = 0;
  [[nodiscard]] virtual bool isConnected() const = 0;
  // Why the last attempt to open failed, in the player's words.
  [[nodiscard]] virtual QString lastError() const = 0;

  // The game above awaits a message from the peer; the link watches for silence meanwhile.
  virtual void SetAwaitingReply(bool awaiting) = 0;
  // After peerSilent(): the player keeps waiting, so the watch starts again.
  virtual void KeepWaiting() = 0;
  // After disconnected(): what the player is told went away (the peer, or the path to it).
  [[nodiscard]] virtual QString lostText() const {
    return QStringLiteral("A conexão com o adversário foi perdida.");
  }

 signals:
  // The host accepted its guest, or the guest reached the host.
  void connected();
  // A message the peer sent, decoded for this side; lines this side does not accept never come.
  void messageReceived(const truco::net::Message& message);
  // The peer broke the framing or the path's rules; the link is already closed.
  void protocolError(const QString& text);
  // The peer went away after the link was made; everything is already closed.
  void disconnected();
  // The guest's attempt to reach the host failed; everything is closed.
  void errorOccurred(const QString& text);
  // The peer has been silent for the silence timeout while awaited. The link stays open.
  void peerSilent();
};

}  // namespace truco::net
