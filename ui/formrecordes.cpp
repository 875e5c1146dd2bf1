#include "ui/formrecordes.h"

#include <QLabel>
#include <QTimer>

#include "ui/dialogkeys.h"
#include "ui/file_messages.h"
#include "ui/messageboxes.h"
#include "ui_formrecordes.h"

namespace truco {

QString TwoDigits(std::int32_t number) {
  const qint64 n = ShownRecordNumber(number);
  const QString digits = QString::number(n < 0 ? -n : n).rightJustified(2, u'0');
  return n < 0 ? QStringLiteral("-") + digits : digits;
}

TFormRecordes::TFormRecordes(QString path, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TFormRecordes>()),
      path_(std::move(path)),
      rows_(ClearedRecordsTable()) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  setFixedSize(size());
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::yellow);
  setPalette(pal);
  setAutoFillBackground(true);
  // The buttons keep their own look; every text of the window is yellow on black.
  for (auto* label : findChildren<QLabel*>()) label->setPalette(pal);

  SetDialogKeys(this, ui_->BFechar, ui_->BFechar);
  connect(ui_->BFechar, &QPushButton::clicked, this, &TFormRecordes::BFecharClick);
  connect(ui_->BLimpar, &QPushButton::clicked, this, &TFormRecordes::BLimparClick);
}

TFormRecordes::~TFormRecordes() = default;

void TFormRecordes::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  const QStringList failure = Refresh();
  // Told once the window is up, so the box opens over it rather than inside its showing.
  if (!failure.isEmpty())
    QTimer::singleShot(0, this, [failure] { Mensagem(failure, kMensagemErro); });
}

QStringList TFormRecordes::Refresh() {
  const QString name = QString::fromLatin1(kRecordsFileName);
  std::vector<records_entry> entries;
  const FileStatus read = ReadRecordsFile(path_, &entries);
  if (read.missing()) {
    // Only a file that does not exist is created.
    const FileStatus created = WriteRecordsFile(path_, ClearedRecordsTable());
    if (!created.ok()) return FileFailureLines(name, created);
    return {};
  }
  if (!read.ok())
    return FileFailureLines(name, read, QStringLiteral("O arquivo não foi alterado."));
  OverlayRecords(rows_, entries);
  ShowRows();
  return {};
}

void TFormRecordes::ShowRows() {
  const std::array<QLabel*, kRecordsRows> names = {ui_->LNome1, ui_->LNome2, ui_->LNome3,
                                                   ui_->LNome4, ui_->LNome5, ui_->LNome6};
  const std::array<QLabel*, kRecordsRows> wins = {ui_->Vitoria1, ui_->Vitoria2, ui_->Vitoria3,
                                                  ui_->Vitoria4, ui_->Vitoria5, ui_->Vitoria6};
  const std::array<QLabel*, kRecordsRows> losses = {ui_->Derrota1, ui_->Derrota2, ui_->Derrota3,
                                                    ui_->Derrota4, ui_->Derrota5, ui_->Derrota6};
  const std::array<QLabel*, kRecordsRows> balances = {ui_->Saldo1, ui_->Saldo2, ui_->Saldo3,
                                                      ui_->Saldo4, ui_->Saldo5, ui_->Saldo6};
  for (int i = 0; i < kRecordsRows; ++i) {
    // Plain text: a name from the file must not be taken for markup.
    names[i]->setTextFormat(Qt::PlainText);
    names[i]->setText(rows_[i].name());
    wins[i]->setText(TwoDigits(rows_[i].wins));
    losses[i]->setText(TwoDigits(rows_[i].losses));
    balances[i]->setText(TwoDigits(rows_[i].balance));
  }
}

void TFormRecordes::BFecharClick() {
  accept();
}

void TFormRecordes::BLimparClick() {
  if (!Confirma({QStringLiteral("Tem Certeza que deseja limpar os recordes")})) return;
  const QString name = QString::fromLatin1(kRecordsFileName);
  // A file that cannot be read is the player's to mend, not the program's to replace.
  std::vector<records_entry> entries;
  const FileStatus read = ReadRecordsFile(path_, &entries);
  if (!read.ok() && !read.missing()) {
    Mensagem(FileFailureLines(name, read,
                              QStringLiteral("Os recordes não foram limpos; o arquivo não foi "
                                             "alterado.")),
             kMensagemErro);
    return;
  }
  const FileStatus written = WriteRecordsFile(path_, ClearedRecordsTable());
  if (!written.ok()) {
    Mensagem(FileFailureLines(name, written, QStringLiteral("Os recordes não foram limpos.")),
             kMensagemErro);
    return;
  }
  if (const QStringList failure = Refresh(); !failure.isEmpty()) Mensagem(failure, kMensagemErro);
  update();
}

}  // namespace truco
