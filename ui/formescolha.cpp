#include "ui/formescolha.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHostAddress>
#include <QMessageBox>
#include <QNetworkInterface>
#include <QRadioButton>
#include <QScreen>

#include "ui/dialogkeys.h"
#include "ui/uppercase_validator.h"
#include "ui_formescolha.h"

namespace truco {

TF_ESCOLHA::TF_ESCOLHA(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::TF_ESCOLHA>()) {
  ui_->setupUi(this);
  setObjectName(QStringLiteral("F_ESCOLHA"));
  AddDuplasChoice();
  setFixedSize(size());
  setModal(true);
  ui_->E_NOME->setValidator(new UpperCaseValidator(ui_->E_NOME->maxLength(), ui_->E_NOME));
  ui_->L_IP->setText(OwnIPv4());

  SetDialogKeys(this, ui_->BOK, ui_->BCancela);

  connect(ui_->BCopiarIP, &QPushButton::clicked, this,
          [this] { QGuiApplication::clipboard()->setText(ui_->L_IP->text()); });
  connect(ui_->BOK, &QPushButton::clicked, this, [this] { BOKClick(); });
  connect(ui_->BCancela, &QPushButton::clicked, this, [this] { reject(); });
  connect(ui_->RB_CONTRAPC, &QRadioButton::clicked, this, [this] { UpdateEnabling(false); });
  connect(ui_->RB_EMREDE, &QRadioButton::clicked, this, [this] { UpdateEnabling(false); });
  connect(ui_->RB_SERVIDOR, &QRadioButton::clicked, this, [this] { UpdateEnabling(true); });
  connect(ui_->RB_CLIENTE, &QRadioButton::clicked, this, [this] { UpdateEnabling(true); });
}

TF_ESCOLHA::~TF_ESCOLHA() = default;

void TF_ESCOLHA::AddDuplasChoice() {
  constexpr int kRow = 22;
  // Everything below the two groups moves down one row; the groups grow by it.
  const int groups_bottom = ui_->RG_TIPOJ->geometry().bottom();
  for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (w->y() > groups_bottom) w->move(w->x(), w->y() + kRow);
  }
  for (QWidget* group :
       {static_cast<QWidget*>(ui_->RG_TIPOJ), static_cast<QWidget*>(ui_->RG_TIPOC)}) {
    group->resize(group->width(), group->height() + kRow);
  }
  resize(width(), height() + kRow);
  rb_duplas_ = new QRadioButton(QStringLiteral("Duplas contra PC"), ui_->RG_TIPOJ);
  const QRect last = ui_->RB_EMREDE->geometry();
  rb_duplas_->setGeometry(last.x(), last.y() + kRow, last.width(), last.height());
  connect(rb_duplas_, &QRadioButton::clicked, this, [this] { UpdateEnabling(false); });
}

void TF_ESCOLHA::showEvent(QShowEvent* event) {
  // The player's first keys go into the name, the one entry every game needs.
  ui_->E_NOME->setFocus();
  ui_->E_NOME->selectAll();
  QDialog::showEvent(event);
}

QString TF_ESCOLHA::OwnIPv4() {
  for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
    if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
      return address.toString();
    }
  }
  return QHostAddress(QHostAddress::LocalHost).toString();
}

void TF_ESCOLHA::UpdateEnabling(bool from_connection_group) {
  if (!from_connection_group) {
    const bool network = ui_->RB_EMREDE->isChecked();
    ui_->RG_TIPOC->setEnabled(network);
    ui_->LabelPorta->setEnabled(network);
    ui_->E_PORTA->setEnabled(network);
    // The server address follows only a click in the connection group.
    if (!network) {
      ui_->LabelIPServidor->setEnabled(false);
      ui_->E_IPS->setEnabled(false);
    }
    return;
  }
  const bool client = ui_->RB_CLIENTE->isChecked();
  ui_->LabelIPServidor->setEnabled(client);
  ui_->E_IPS->setEnabled(client);
}

void TF_ESCOLHA::BOKClick() {
  if (ui_->E_NOME->text().isEmpty()) {
    if (tell_) {
      tell_(QStringLiteral("Escolha um nome"));
    } else {
      QMessageBox::information(this, QStringLiteral("Information"),
                               QStringLiteral("Escolha um nome"));
    }
    return;
  }
  if (ui_->RB_EMREDE->isChecked()) {
    ConnectRequest request;
    request.host = !ui_->RB_CLIENTE->isChecked();
    request.port = ui_->E_PORTA->text();
    request.address = ui_->E_IPS->text();
    request.name = ui_->E_NOME->text();
    if (!connect_ || !connect_(request)) return;
  }
  accept();
}

GameKindChoice TF_ESCOLHA::Escolha() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  AttachToOwner(this);
  GameKindChoice choice;
  choice.ok = exec() == QDialog::Accepted;
  choice.kind = ui_->RB_EMREDE->isChecked() ? GameKind::EmRede : GameKind::ContraPC;
  if (rb_duplas_->isChecked()) choice.kind = GameKind::Duplas;
  choice.name = ui_->E_NOME->text().toStdString();
  return choice;
}

}  // namespace truco
