#include "ui/tf_aguarde.h"

#include <QGuiApplication>
#include <QScreen>

#include "ui/dialogkeys.h"
#include "ui_tf_aguarde.h"

namespace truco::net {

TF_AGUARDE::TF_AGUARDE(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ui_(std::make_unique<Ui::TF_AGUARDE>()) {
  ui_->setupUi(this);
  SetDialogKeys(this, ui_->BCancela, ui_->BCancela);
  connect(ui_->BCancela, &QPushButton::clicked, this, &TF_AGUARDE::reject);
  close_timer_.setSingleShot(true);
  close_timer_.setInterval(kConnectedPauseMs);
  connect(&close_timer_, &QTimer::timeout, this, &TF_AGUARDE::FECHA_AGUARDE);
}

TF_AGUARDE::~TF_AGUARDE() = default;

QString TF_AGUARDE::text() const {
  return ui_->P_MENS->text();
}

void TF_AGUARDE::SetText(const QString& text) {
  ui_->P_MENS->setText(text);
}

int TF_AGUARDE::MOSTRA_AGUARDE(const QString& text) {
  SetText(text);
  const QScreen* screen =
      parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen) move(screen->availableGeometry().center() - rect().center());
  AttachToOwner(this);
  return exec();
}

void TF_AGUARDE::FECHA_AGUARDE() {
  close_timer_.stop();
  accept();
}

void TF_AGUARDE::reject() {
  close_timer_.stop();
  // Giving up the wait also gives up the socket, so nothing is left listening or connecting.
  if (waiting_on_) waiting_on_->Close();
  QDialog::reject();
}

void TF_AGUARDE::OnConnected() {
  SetText(QString::fromUtf8(
      waiting_on_ && waiting_on_->side() == Side::Host ? kTextHostConnected : kTextGuestConnected));
  close_timer_.start();
}

void TF_AGUARDE::OnFailed(const QString& text) {
  // The player reads why and leaves with "Cancela".
  close_timer_.stop();
  SetText(text);
}

bool TF_AGUARDE::Aguarda(Connection& connection) {
  waiting_on_ = &connection;
  links_ << connect(&connection, &Connection::connected, this, &TF_AGUARDE::OnConnected);
  links_ << connect(&connection, &Connection::errorOccurred, this, &TF_AGUARDE::OnFailed);
  links_ << connect(&connection, &Connection::protocolError, this, &TF_AGUARDE::OnFailed);
  links_ << connect(&connection, &Connection::disconnected, this,
                    [this]() { OnFailed(QString::fromUtf8(kTextConnectionLost)); });

  const bool host = connection.side() == Side::Host;
  int result = QDialog::Rejected;
  if (connection.isConnected()) {
    result = QDialog::Accepted;
  } else if (connection.state() != Connection::State::Idle) {
    result = MOSTRA_AGUARDE(QString::fromUtf8(host ? kTextWaitingHost : kTextWaitingGuest));
  } else if (!connection.lastError().isEmpty()) {
    // The attempt failed before the wait began: still show why, and let the player leave.
    result = MOSTRA_AGUARDE(connection.lastError());
  }

  for (const auto& link : links_) disconnect(link);
  links_.clear();
  waiting_on_ = nullptr;
  return result == QDialog::Accepted && connection.isConnected();
}

OpenResult AbreConexao(TF_AGUARDE& wait, Connection& connection, Side side,
                       const QString& port_text, const QString& address, const QString& name,
                       const QHostAddress& listen_on) {
  const bool opened = side == Side::Host ? connection.Listen(port_text, listen_on)
                                         : connection.ConnectTo(address, port_text);
  if (!opened) return OpenResult::Refused;
  if (!wait.Aguarda(connection)) return OpenResult::Cancelled;
  if (side == Side::Host) connection.Send(Name{name.toUpper().toStdString()});
  return OpenResult::Connected;
}

}  // namespace truco::net
