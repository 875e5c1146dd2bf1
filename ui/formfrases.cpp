#include "ui/formfrases.h"

#include <QFile>
#include <QFileInfo>
#include <utility>

#include "ui/dialogkeys.h"
#include "ui/file_messages.h"
#include "ui/messageboxes.h"
#include "ui/uppercase_validator.h"
#include "ui_formfrases.h"

namespace truco {

TFormFrases::TFormFrases(QString ini_path, QString shipped_path, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TFormFrases>()),
      ini_path_(std::move(ini_path)),
      shipped_path_(std::move(shipped_path)) {
  ui_->setupUi(this);
  // Each phrase is named by the label beside it, for a screen reader as for the eye.
  for (auto [label, field] :
       {std::pair{ui_->L_TRUCO, ui_->E_TRUCO}, std::pair{ui_->L_SEIS, ui_->E_SEIS},
        std::pair{ui_->L_NOVE, ui_->E_NOVE}, std::pair{ui_->L_DOZE, ui_->E_DOZE},
        std::pair{ui_->L_ACEITA, ui_->E_ACEITA}}) {
    label->setBuddy(field);
    field->setAccessibleName(label->text());
  }
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(477, 263);
  QFont heading(QStringLiteral("Times New Roman"));
  heading.setStyleHint(QFont::Serif);
  heading.setBold(true);
  // 24 pixels is the design size in Times New Roman; where the font that stands in for it is
  // wider, a smaller size keeps the whole heading inside its two lines.
  const QRect box = ui_->L_Titulo->contentsRect();
  for (int px = 24; px >= 12; --px) {
    heading.setPixelSize(px);
    const QRect needed = QFontMetrics(heading).boundingRect(box, Qt::AlignCenter | Qt::TextWordWrap,
                                                            ui_->L_Titulo->text());
    if (needed.height() <= box.height() && needed.width() <= box.width()) break;
  }
  ui_->L_Titulo->setFont(heading);

  for (int k = 0; k < kNumPhrases; ++k) {
    QLineEdit* field = Field(static_cast<PhraseKey>(k));
    field->setMaxLength(kPhraseMaxLength);
    field->setValidator(new UpperCaseValidator(kPhraseMaxLength, field));
  }
  // The acceptance phrase belongs to network play: kept in the file, not edited here.
  ui_->L_ACEITA->hide();
  ui_->L_ACEITA->setEnabled(false);
  ui_->E_ACEITA->hide();
  ui_->E_ACEITA->setEnabled(false);

  StyleBoldButton(ui_->B_Grava);
  StyleBoldButton(ui_->B_Fecha);
  // Enter in a field saves, as "Gravar"; Escape leaves without saving, as "Fechar".
  SetDialogKeys(this, ui_->B_Grava, ui_->B_Fecha);
  connect(ui_->B_Grava, &QPushButton::clicked, this, &TFormFrases::B_GravaClick);
  connect(ui_->B_Fecha, &QPushButton::clicked, this, &TFormFrases::B_FechaClick);
  Load();
}

TFormFrases::~TFormFrases() = default;

QLineEdit* TFormFrases::Field(PhraseKey key) const {
  switch (key) {
    case PhraseKey::Truco:
      return ui_->E_TRUCO;
    case PhraseKey::Seis:
      return ui_->E_SEIS;
    case PhraseKey::Nove:
      return ui_->E_NOVE;
    case PhraseKey::Doze:
      return ui_->E_DOZE;
    case PhraseKey::Aceita:
      return ui_->E_ACEITA;
  }
  return ui_->E_TRUCO;
}

Phrases TFormFrases::FieldTexts() const {
  Phrases texts;
  for (int k = 0; k < kNumPhrases; ++k) texts[k] = Field(static_cast<PhraseKey>(k))->text();
  return texts;
}

void TFormFrases::setMainBackground(const QColor& colour) {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, colour);
  setPalette(pal);
  setAutoFillBackground(true);
}

bool TFormFrases::UsesShippedDefault() const {
  return ShippedDefaultStandsIn(ini_path_, shipped_path_);
}

bool TFormFrases::ShippedDefaultStandsIn(const QString& ini_path, const QString& shipped_path) {
  if (shipped_path.isEmpty()) return false;
  // Any entry at the player's path is the player's own, even one that cannot be read.
  const QFileInfo own(ini_path);
  return !own.exists() && !own.isSymLink();
}

Phrases TFormFrases::ReadFile(const QString& ini_path, const QString& shipped_path) {
  // A missing, unreadable or oversized file gives empty phrases; "Gravar" tells why it is kept.
  Phrases read;
  ReadPhrasesFile(ShippedDefaultStandsIn(ini_path, shipped_path) ? shipped_path : ini_path, &read);
  return read;
}

Phrases TFormFrases::InUse(const Phrases& read) {
  // As a field takes it: upper case, no longer than the field.
  Phrases in_use;
  for (int k = 0; k < kNumPhrases; ++k) in_use[k] = read[k].toUpper().left(kPhraseMaxLength);
  return in_use;
}

void TFormFrases::Load() {
  const Phrases read = ReadFile(ini_path_, shipped_path_);
  const Phrases in_use = InUse(read);
  for (int k = 0; k < kNumPhrases; ++k) Field(static_cast<PhraseKey>(k))->setText(in_use[k]);
  phrases_ = FieldTexts();
  file_phrases_ = read;
  loaded_fields_ = phrases_;
}

Phrases TFormFrases::TextsToSave() const {
  // A phrase the player did not touch goes back as the file held it (its case, its length).
  Phrases texts = FieldTexts();
  for (int k = 0; k < kNumPhrases; ++k) {
    if (texts[k] == loaded_fields_[k]) texts[k] = file_phrases_[k];
  }
  return texts;
}

void TFormFrases::B_GravaClick() {
  const Phrases texts = FieldTexts();
  // The first save starts from the shipped file's bytes, so whatever else it holds is kept.
  if (UsesShippedDefault() && QFileInfo(shipped_path_).isFile())
    QFile::copy(shipped_path_, ini_path_);
  const Phrases to_save = TextsToSave();
  const FileStatus saved = WritePhrasesFile(ini_path_, to_save);
  if (saved.ok()) {
    file_phrases_ = to_save;
    loaded_fields_ = texts;
  }
  if (!saved.ok()) {
    Mensagem(FileFailureLines(QString::fromLatin1(kPhrasesFileName), saved,
                              QStringLiteral("O arquivo não foi alterado; as frases novas valem "
                                             "só até o programa ser fechado.")),
             kMensagemAtencao);
  }
  phrases_ = texts;
  emit phrasesSaved(phrases_);
  accept();
}

void TFormFrases::B_FechaClick() {
  reject();
}

}  // namespace truco
