#include "ui/formmesas.h"

#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/dialogkeys.h"

namespace truco {
namespace {

QString DeckName(char deck) {
  return deck == kBaralhoLimpo ? QStringLiteral("24 cartas") : QStringLiteral("40 cartas");
}

}  // namespace

TF_MESAS::TF_MESAS(net::BrokerLink& link, net::Lobby& lobby, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      link_(link),
      lobby_(lobby) {
  setObjectName(QStringLiteral("F_MESAS"));
  setWindowTitle(QStringLiteral("Mesas na internet"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  server_ = new QLabel(this);
  layout->addWidget(server_);
  auto* caption = new QLabel(QStringLiteral("&Mesas públicas esperando um adversário"), this);
  layout->addWidget(caption);
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("T_MESAS"));
  // A list takes no name from its label's buddy: a screen reader needs it said.
  list_->setAccessibleName(QStringLiteral("Mesas públicas esperando um adversário"));
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({QStringLiteral("Mesa de"), QStringLiteral("Baralho"),
                          QStringLiteral("Manilha"), QStringLiteral("Mão de 11"),
                          QStringLiteral("Esperando desde")});
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list_->setMinimumSize(480, 200);
  caption->setBuddy(list_);
  // Thousands of tables may wait at once: the host's name narrows the list.
  auto* filter_row = new QHBoxLayout;
  auto* filter_label = new QLabel(QStringLiteral("Filtrar por &nome"), this);
  filter_ = new QLineEdit(this);
  filter_->setObjectName(QStringLiteral("E_FILTRO"));
  filter_->setAccessibleName(QStringLiteral("Filtrar por nome"));
  filter_->setMaxLength(int(net::kMaxLobbyNameBytes));
  filter_label->setBuddy(filter_);
  filter_row->addWidget(filter_label);
  filter_row->addWidget(filter_);
  layout->addLayout(filter_row);
  layout->addWidget(list_);
  setTabOrder(filter_, list_);  // the keys go through the window as it reads
  auto* buttons = new QHBoxLayout;
  join_ = new QPushButton(QStringLiteral("&Entrar na mesa"), this);
  public_ = new QPushButton(QStringLiteral("Criar mesa &pública"), this);
  private_ = new QPushButton(QStringLiteral("Criar mesa p&rivada"), this);
  buttons->addWidget(join_);
  buttons->addStretch();
  buttons->addWidget(public_);
  buttons->addWidget(private_);
  layout->addLayout(buttons);
  auto* code_row = new QHBoxLayout;
  auto* code_label = new QLabel(QStringLiteral("Có&digo da mesa privada"), this);
  code_ = new QLineEdit(this);
  code_->setObjectName(QStringLiteral("E_CODIGO"));
  code_->setPlaceholderText(QStringLiteral("K7PX-Q3MD"));
  code_->setMaxLength(12);
  code_label->setBuddy(code_);
  join_code_ = new QPushButton(QStringLiteral("Entrar com &código"), this);
  code_row->addWidget(code_label);
  code_row->addWidget(code_);
  code_row->addWidget(join_code_);
  layout->addLayout(code_row);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("L_STATUS"));
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  status_->setMinimumHeight(40);
  layout->addWidget(status_);
  cancel_ = new QPushButton(QStringLiteral("Cancela"), this);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(cancel_);
  layout->addLayout(bottom);
  SetDialogKeys(this, nullptr, cancel_);
  // Enter acts where it is typed (the list joins, the code field joins by code); a button that
  // took the focus from a field disabled meanwhile must not turn that Enter into its click.
  for (QPushButton* b : {join_, public_, private_, join_code_, cancel_}) b->setAutoDefault(false);

  connect(join_, &QPushButton::clicked, this, [this] { BEntrarClick(); });
  connect(list_, &QTreeWidget::itemActivated, this, [this] { BEntrarClick(); });
  connect(public_, &QPushButton::clicked, this, [this] { BPublicaClick(); });
  connect(private_, &QPushButton::clicked, this, [this] { BPrivadaClick(); });
  connect(join_code_, &QPushButton::clicked, this, [this] { BCodigoClick(); });
  connect(code_, &QLineEdit::returnPressed, this, [this] { BCodigoClick(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { BCancelaClick(); });
  connect(&lobby_, &net::Lobby::changed, this, [this] { ShowTables(); });
  connect(filter_, &QLineEdit::textChanged, this, [this] { ShowTables(); });
  // Enter in the filter sits down at the first table it leaves.
  connect(filter_, &QLineEdit::returnPressed, this, [this] { BEntrarClick(); });
  connect(&lobby_, &net::Lobby::opened, this, [this] {
    if (link_.state() == net::BrokerLink::State::Idle) status_->clear();
  });
  connect(&lobby_, &net::Lobby::failed, this, [this](const QString& text) {
    if (link_.state() == net::BrokerLink::State::Idle) status_->setText(text);
  });
  connect(&link_, &net::Link::connected, this, [this] {
    status_->setText(QStringLiteral("Adversário conectado."));
    accept();
  });
  connect(&link_, &net::Link::errorOccurred, this,
          [this](const QString& text) { Busy(false, text); });
  connect(&link_, &net::BrokerLink::tableOpen, this, [this] {
    if (!link_.isPrivate()) return;
    status_->setText(QStringLiteral("Mesa privada criada. Passe o código ao seu amigo: %1\n"
                                    "Aguardando um adversário...")
                         .arg(QString::fromStdString(net::ShowTableCode(link_.code()))));
  });
}

TF_MESAS::~TF_MESAS() = default;

bool TF_MESAS::Escolhe(const net::BrokerAddress& broker, const QString& broker_text) {
  Start(broker, broker_text);
  AttachToOwner(this);
  const bool made = exec() == QDialog::Accepted;
  lobby_.Close();
  if (!made) link_.Close();
  return made;
}

void TF_MESAS::Start(const net::BrokerAddress& broker, const QString& broker_text) {
  QString shown = QStringLiteral("Servidor de mesas: %1").arg(broker_text);
  if (net::IsUnencryptedOffLoopback(broker)) {
    shown += QStringLiteral(" (%1)").arg(QString::fromUtf8(net::kTextUnencrypted));
  }
  server_->setText(shown);
  link_.Close();
  link_.SetBroker(broker);
  list_->clear();
  Busy(false, QStringLiteral("Conectando..."));
  if (!lobby_.Open(broker)) status_->setText(lobby_.lastError());
  list_->setFocus();
}

void TF_MESAS::ShowTables() {
  const QString selected =
      list_->currentItem() ? list_->currentItem()->data(0, Qt::UserRole).toString() : QString();
  const QString wanted = filter_->text().trimmed();
  list_->setUpdatesEnabled(false);
  list_->clear();
  for (const net::LobbyTable& table : lobby_.tables()) {
    // The own table waits for somebody else.
    if (link_.side() == net::Side::Host && table.table_id == link_.tableId() &&
        link_.state() != net::BrokerLink::State::Idle) {
      continue;
    }
    const net::LobbyEntry& e = table.entry;
    const QString host = QString::fromStdString(e.host_name);
    if (!wanted.isEmpty() && !host.contains(wanted, Qt::CaseInsensitive)) continue;
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, host);
    item->setText(1, DeckName(e.deck_type));
    item->setText(2,
                  e.mode == ManilhaMode::Nova ? QStringLiteral("Nova") : QStringLiteral("Velha"));
    item->setText(3, e.eleven_mode == 1 ? QStringLiteral("No Escuro") : QStringLiteral("Normal"));
    item->setText(
        4, QDateTime::fromSecsSinceEpoch(e.since).toLocalTime().toString(QStringLiteral("HH:mm")));
    item->setData(0, Qt::UserRole, QString::fromStdString(table.table_id));
    if (item->data(0, Qt::UserRole).toString() == selected) list_->setCurrentItem(item);
  }
  if (!list_->currentItem() && list_->topLevelItemCount() > 0) {
    list_->setCurrentItem(list_->topLevelItem(0));
  }
  list_->setUpdatesEnabled(true);
}

void TF_MESAS::Busy(bool busy, const QString& text) {
  status_->setText(text);
  for (QWidget* w : std::initializer_list<QWidget*>{join_, public_, private_, join_code_, code_}) {
    w->setEnabled(!busy);
  }
}

void TF_MESAS::BEntrarClick() {
  if (link_.state() != net::BrokerLink::State::Idle) return;
  QTreeWidgetItem* item = list_->currentItem();
  if (!item) {
    status_->setText(QStringLiteral("Escolha uma mesa da lista"));
    return;
  }
  if (!link_.JoinPublic(item->data(0, Qt::UserRole).toString().toStdString())) {
    status_->setText(link_.lastError());
    return;
  }
  Busy(true, QStringLiteral("Entrando na mesa de %1...").arg(item->text(0)));
}

void TF_MESAS::BPublicaClick() {
  if (link_.state() != net::BrokerLink::State::Idle || !make_entry_) return;
  // A host that opens again keeps its table, so an opponent cut off comes back to the same one.
  const bool again =
      link_.side() == net::Side::Host && !link_.isPrivate() && !link_.tableId().empty();
  if (!(again ? link_.HostPublic(make_entry_(), link_.tableId())
              : link_.HostPublic(make_entry_()))) {
    status_->setText(link_.lastError());
    return;
  }
  QString text = QStringLiteral("Mesa pública criada. Aguardando um adversário...");
  if (!told_public_) {
    // Said once: what a public table protects and what it does not.
    told_public_ = true;
    text += QStringLiteral("\n") + QString::fromUtf8(net::kTextPublicTable);
  }
  Busy(true, text);
}

void TF_MESAS::BPrivadaClick() {
  if (link_.state() != net::BrokerLink::State::Idle) return;
  // The same code again for a host that opens again: the friend types what it already has.
  const std::string code =
      link_.side() == net::Side::Host && link_.isPrivate() && !link_.code().empty()
          ? link_.code()
          : net::NewTableCode();
  if (!link_.HostPrivate(code)) {
    status_->setText(link_.lastError());
    return;
  }
  Busy(true, QStringLiteral("Mesa privada %1: abrindo...")
                 .arg(QString::fromStdString(net::ShowTableCode(code))));
}

void TF_MESAS::BCodigoClick() {
  if (link_.state() != net::BrokerLink::State::Idle) return;
  if (!link_.JoinPrivate(code_->text().toStdString())) {
    status_->setText(link_.lastError());
    code_->setFocus();
    return;
  }
  Busy(true, QStringLiteral("Procurando a mesa %1...")
                 .arg(QString::fromStdString(net::ShowTableCode(link_.code()))));
}

void TF_MESAS::BCancelaClick() {
  if (link_.state() != net::BrokerLink::State::Idle) {
    // Leaves the table being opened or joined; the lobby stays.
    link_.Close();
    Busy(false, QString());
    ShowTables();
    return;
  }
  reject();
}

}  // namespace truco
