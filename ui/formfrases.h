#pragma once
// "Frases do jogo": the editor of the four shouts the computer makes when it calls truco, seis,
// nove and doze (and of the acceptance phrase, which is loaded and saved but not editable).
// Made when first opened, when it loads Frases.ini; "Gravar" saves and closes, "Fechar" closes
// and keeps the edits on screen only.

#include <QDialog>
#include <memory>

#include "store/phrases_file.h"

namespace Ui {
class TFormFrases;
}

class QLineEdit;

namespace truco {

class TFormFrases : public QDialog {
  Q_OBJECT

 public:
  // `shipped_path`, when given, is the default file read while `ini_path` does not exist; the
  // first "Gravar" copies it to `ini_path` and saves the phrases there.
  explicit TFormFrases(QString ini_path = DefaultPhrasesPath(), QString shipped_path = {},
                       QWidget* parent = nullptr);
  ~TFormFrases() override;

  // The phrases in use (truco_phrases): the fields at the last load or save.
  const Phrases& phrases() const { return phrases_; }
  QString phrase(PhraseKey key) const { return phrases_[PhraseIndex(key)]; }

  const QString& iniPath() const { return ini_path_; }
  void setMainBackground(const QColor& colour);

  // Reads the file into the fields and makes them the phrases in use.
  void Load();
  // The phrases the window would put in use, read without making it.
  static Phrases PhrasesInUse(const QString& ini_path, const QString& shipped_path = {}) {
    return InUse(ReadFile(ini_path, shipped_path));
  }

 signals:
  // After "Gravar": the phrases now in use (also when the file could not be written).
  void phrasesSaved(const truco::Phrases& phrases);

 private slots:
  void B_GravaClick();
  void B_FechaClick();

 private:
  QLineEdit* Field(PhraseKey key) const;
  // True while the player has no phrases file of their own and a shipped default stands in.
  bool UsesShippedDefault() const;
  static bool ShippedDefaultStandsIn(const QString& ini_path, const QString& shipped_path);
  static Phrases ReadFile(const QString& ini_path, const QString& shipped_path);
  static Phrases InUse(const Phrases& read);
  Phrases FieldTexts() const;
  // What "Gravar" writes: the fields, except that an untouched one keeps the file's own text.
  Phrases TextsToSave() const;

  std::unique_ptr<Ui::TFormFrases> ui_;
  QString ini_path_;
  QString shipped_path_;
  Phrases phrases_;
  Phrases file_phrases_;   // as the file held them at the last load or save
  Phrases loaded_fields_;  // the fields as they were then
};

}  // namespace truco
