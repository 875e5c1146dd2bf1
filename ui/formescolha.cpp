#include "ui/formescolha.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <utility>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include "net/link/internet.h"
#include "ui/dialogkeys.h"
#include "ui/uppercase_validator.h"
#include "ui_formescolha.h"

namespace truco {

TF_ESCOLHA::TF_ESCOLHA(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::TF_ESCOLHA>()) {
  ui_->setupUi(this);
  setObjectName(QStringLiteral("F_ESCOLHA"));
  // Each field is named by the label beside it, for a screen reader as for the eye.
  for (auto [label, field] :
       {std::pair{ui_->LabelSeuNome, ui_->E_NOME}, std::pair{ui_->LabelIPServidor, ui_->E_IPS},
        std::pair{ui_->LabelPorta, ui_->E_PORTA}}) {
    label->setBuddy(field);
    field->setAccessibleName(label->text());
  }
  ui_->L_IP->setAccessibleName(QStringLiteral("Seu IP"));
  AddDuplasChoice();
  setFixedSize(size());
  setModal(true);
  ui_->E_NOME->setValidator(new UpperCaseValidator(ui_->E_NOME->maxLength(), ui_->E_NOME));
  ui_->L_IP->setText(OwnIPv4());

  AddInternetChoice();
  SetDialogKeys(this, ui_->BOK, ui_->BCancela);

  connect(ui_->BCopiarIP, &QPushButton::clicked, this,
          [this] { QGuiApplication::clipboard()->setText(ui_->L_IP->text()); });
  connect(ui_->BOK, &QPushButton::clicked, this, [this] { BOKClick(); });
  connect(ui_->BCancela, &QPushButton::clicked, this, [this] { reject(); });
  connect(ui_->RB_CONTRAPC, &QRadioButton::clicked, this, [this] { UpdateEnabling(false); });
  connect(ui_->RB_EMREDE, &QRadioButton::clicked, this, [this] { UpdateEnabling(false); });
  connect(internet_, &QRadioButton::clicked, this, [this] { UpdateEnabling(false); });
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

void TF_ESCOLHA::AddInternetChoice() {
  // "Internet" joins the game kinds; its server row goes under the kinds and the rest moves down.
  constexpr int kRadioRow = 22;
  constexpr int kServerRow = 30;
  const int below = ui_->RG_TIPOJ->geometry().bottom();
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->y() > below) child->move(child->x(), child->y() + kRadioRow + kServerRow);
  }
  ui_->RG_TIPOJ->resize(ui_->RG_TIPOJ->width(), ui_->RG_TIPOJ->height() + kRadioRow);
  ui_->RG_TIPOC->resize(ui_->RG_TIPOC->width(), ui_->RG_TIPOC->height() + kRadioRow);
  internet_ = new QRadioButton(QStringLiteral("Internet"), ui_->RG_TIPOJ);
  internet_->setObjectName(QStringLiteral("RB_INTERNET"));
  // Under the last kind ("Duplas contra PC").
  internet_->setGeometry(rb_duplas_->x(), rb_duplas_->y() + kRadioRow, rb_duplas_->width(),
                         rb_duplas_->height());
  const int row = below + kRadioRow + 8;
  broker_label_ = new QLabel(QStringLiteral("Servidor de mesas"), this);
  broker_label_->setGeometry(8, row + 2, 118, 20);
  broker_ = new QLineEdit(this);
  broker_->setObjectName(QStringLiteral("E_SERVIDOR"));
  broker_->setGeometry(128, row, 120, 22);
  broker_->setPlaceholderText(QStringLiteral("servidor[:porta]"));
  broker_label_->setBuddy(broker_);
  unencrypted_ = new QLabel(QString::fromUtf8(net::kTextUnencrypted), this);
  unencrypted_->setObjectName(QStringLiteral("L_SEMCRIPTO"));
  unencrypted_->setGeometry(252, row + 2, 70, 20);
  unencrypted_->setStyleSheet(QStringLiteral("color: #a00000"));
  QFont small = unencrypted_->font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  unencrypted_->setFont(small);
  setFixedSize(width(), height() + kRadioRow + kServerRow);
  setTabOrder(rb_duplas_, internet_);
  connect(internet_, &QRadioButton::toggled, this, [this] { UpdateInternet(); });
  connect(broker_, &QLineEdit::textChanged, this, [this] { UpdateInternet(); });
  UpdateInternet();
}

void TF_ESCOLHA::UpdateInternet() {
  const bool internet = internet_->isChecked();
  broker_label_->setEnabled(internet);
  broker_->setEnabled(internet);
  const auto address = net::ParseBrokerAddress(broker_->text().toStdString());
  unencrypted_->setVisible(address && net::IsUnencryptedOffLoopback(*address));
}

void TF_ESCOLHA::SetBroker(const QString& broker) {
  broker_->setText(broker);
}

QString TF_ESCOLHA::broker() const {
  return broker_->text().trimmed();
}

void TF_ESCOLHA::showEvent(QShowEvent* event) {
  // The player's first keys go into the name, the one entry every game needs.
  ui_->E_NOME->setFocus();
  ui_->E_NOME->selectAll();
  QDialog::showEvent(event);
}

QString TF_ESCOLHA::OwnIPv4() {
  // Straight from the system: Qt's interface list, read as the program starts, kept a quarter of
  // a megabyte more of Qt Network resident for the whole run.
  QString own = QStringLiteral("127.0.0.1");
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return own;
  for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) continue;
    const in_addr address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr;
    if ((ntohl(address.s_addr) >> 24) == 127) continue;
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &address, text, sizeof text)) {
      own = QString::fromLatin1(text);
      break;
    }
  }
  freeifaddrs(list);
  return own;
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
  if (internet_->isChecked()) {
    if (!net::ParseBrokerAddress(broker().toStdString())) {
      const QString text =
          QStringLiteral("Informe o servidor de mesas (servidor ou servidor:porta)");
      if (tell_) {
        tell_(text);
      } else {
        QMessageBox::information(this, QStringLiteral("Information"), text);
      }
      broker_->setFocus();
      return;
    }
    ConnectRequest request;
    request.internet = true;
    request.broker = broker();
    request.name = ui_->E_NOME->text();
    if (!Connect(request)) return;
    accept();
    return;
  }
  if (ui_->RB_EMREDE->isChecked()) {
    ConnectRequest request;
    request.host = !ui_->RB_CLIENTE->isChecked();
    request.port = ui_->E_PORTA->text();
    request.address = ui_->E_IPS->text();
    request.name = ui_->E_NOME->text();
    if (!Connect(request)) return;
  }
  accept();
}

bool TF_ESCOLHA::Connect(const ConnectRequest& request) {
  // A copy: the connector may hand the dialog another one while it runs (the program's first
  // networked game makes the network side, which sets its own).
  const Connector connect = connect_;
  return connect && connect(request);
}

GameKindChoice TF_ESCOLHA::Escolha() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  AttachToOwner(this);
  GameKindChoice choice;
  choice.ok = exec() == QDialog::Accepted;
  // A game through a table server is a networked game like "Em rede": only its path differs.
  choice.kind =
      ui_->RB_EMREDE->isChecked() || internet_->isChecked() ? GameKind::EmRede : GameKind::ContraPC;
  if (rb_duplas_->isChecked()) choice.kind = GameKind::Duplas;
  choice.name = ui_->E_NOME->text().toStdString();
  return choice;
}

}  // namespace truco
