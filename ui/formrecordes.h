#pragma once
// "Melhores Recordistas": the six rows of the records file, read afresh each time the window is
// shown. "Limpar" (after a question) resets the file to six "RECORDISTA" rows.

#include <QDialog>
#include <memory>

#include "store/records_file.h"

namespace Ui {
class TFormRecordes;
}

namespace truco {

// Numbers of the records window: at least two digits (0 "00", 5 "05", -5 "-05", 123 "123").
QString TwoDigits(std::int32_t number);

class TFormRecordes : public QDialog {
  Q_OBJECT

 public:
  explicit TFormRecordes(QString path = QString::fromLatin1(kRecordsFileName),
                         QWidget* parent = nullptr);
  ~TFormRecordes() override;

  // The window's own copy of the table, as last read.
  const RecordsTable& rows() const { return rows_; }

  // What showing the window does: read the file and show its rows. A missing or unreadable
  // file is replaced by six "RECORDISTA" rows, without a message, and the rows keep what they
  // showed.
  // Reads the file and shows its rows; the lines of the box to show when that failed.
  QStringList Refresh();

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void BFecharClick();
  void BLimparClick();

 private:
  void ShowRows();

  std::unique_ptr<Ui::TFormRecordes> ui_;
  QString path_;
  RecordsTable rows_;
};

}  // namespace truco
