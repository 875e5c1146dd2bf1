#include "store/messageboxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "engine/screen.h"

namespace truco {
namespace {

std::vector<std::string> ToLines(const QStringList& lines) {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(lines.size()));
  for (const QString& line : lines) out.push_back(line.toStdString());
  return out;
}

QMessageBox* NewBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
  auto* box = new QMessageBox(icon, caption, ShownLineBreaks(text), QMessageBox::NoButton);
  box->setAttribute(Qt::WA_DeleteOnClose, false);
  box->setWindowModality(Qt::ApplicationModal);
  box->setTextFormat(Qt::PlainText);
  return box;
}

}  // namespace

QString ShownLineBreaks(const QString& text) {
  QString out = text;
  out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  out.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
  out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return out;
}

bool MOSTRA_MENSAGEM(const QString& text, int kind) {
  std::unique_ptr<QMessageBox> box(
      NewBox(QMessageBox::Information, QStringLiteral("Information"), text));
  if (kind == 1) {
    box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box->exec();
    return true;
  }
  QPushButton* yes = box->addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
  QPushButton* no = box->addButton(QStringLiteral("&No"), QMessageBox::NoRole);
  box->setDefaultButton(yes);
  box->setEscapeButton(no);
  box->exec();
  return box->clickedButton() == yes;
}

void Mensagem(const QStringList& lines, int kind) {
  if (lines.isEmpty()) return;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString caption;
  switch (kind) {
    case 0:
      icon = QMessageBox::Critical;
      caption = QStringLiteral("Erro");
      break;
    case 1:
      icon = QMessageBox::Warning;
      caption = QStringLiteral("Atenção");
      break;
    case 2:
      icon = QMessageBox::Information;
      caption = QStringLiteral("Informação");
      break;
    default:
      break;
  }
  const QString text = QString::fromStdString(JoinMessageLines(ToLines(lines)));
  std::unique_ptr<QMessageBox> box(NewBox(icon, caption, text));
  box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box->exec();
}

bool Confirma(const QStringList& lines) {
  if (lines.isEmpty()) return false;
  const QString text = QString::fromStdString(ConfirmaText(ToLines(lines)));
  std::unique_ptr<QMessageBox> box(
      NewBox(QMessageBox::Question, QStringLiteral("Atenção ..."), text));
  QPushButton* yes = box->addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
  QPushButton* no = box->addButton(QStringLiteral("&No"), QMessageBox::NoRole);
  box->setDefaultButton(yes);
  box->setEscapeButton(no);
  box->exec();
  return box->clickedButton() == yes;
}

}  // namespace truco
