#include "ui/messageboxes.h"

#include "engine/screen.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace truco {

QString BuildMessageText(const QStringList& lines, bool question) {
  std::vector<std::string> utf8;
  utf8.reserve(static_cast<std::size_t>(lines.size()));
  for (const QString& line : lines) utf8.push_back(line.toStdString());
  return QString::fromStdString(MessageText(utf8, question));
}

QString DisplayText(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c != u'\r' && c != u'\n') {
      out.append(c);
      continue;
    }
    // A CR/LF pair in either order is one break.
    if (i + 1 < text.size()) {
      const QChar next = text.at(i + 1);
      if ((next == u'\r' || next == u'\n') && next != c) ++i;
    }
    out.append(u'\n');
  }
  return out;
}

namespace {

QPointer<QWidget>& Owner() {
  static QPointer<QWidget> owner;
  return owner;
}

// The window the box belongs to: the modal window the player is answering, else the program's
// main window, else whichever is active. A window manager keeps the box above it and minimises
// it only together with it.
QWidget* BoxParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (Owner() && Owner()->isVisible()) return Owner();
  return QApplication::activeWindow();
}

// Shows one box: attached to the window in use, modal for the whole application.
QMessageBox::ButtonRole Show(QMessageBox::Icon icon, const QString& caption, const QString& text,
                             bool yes_no) {
  QMessageBox box(icon, caption, DisplayText(text), QMessageBox::NoButton, BoxParent());
  box.setWindowModality(Qt::ApplicationModal);
  QPushButton* yes = nullptr;
  if (yes_no) {
    yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
  } else {
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
  }
  box.exec();
  if (yes_no) return box.clickedButton() == yes ? QMessageBox::YesRole : QMessageBox::NoRole;
  return QMessageBox::AcceptRole;
}

}  // namespace

void Mensagem(const QStringList& lines, int kind) {
  if (lines.isEmpty()) return;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString caption;
  switch (kind) {
    case kMensagemErro:
      icon = QMessageBox::Critical;
      caption = QStringLiteral("Erro");
      break;
    case kMensagemAtencao:
      icon = QMessageBox::Warning;
      caption = QStringLiteral("Atenção");
      break;
    case kMensagemInformacao:
      icon = QMessageBox::Information;
      caption = QStringLiteral("Informação");
      break;
    default:
      break;
  }
  Show(icon, caption, BuildMessageText(lines, false), false);
}

bool Confirma(const QStringList& lines) {
  if (lines.isEmpty()) return false;
  return Show(QMessageBox::Question, QStringLiteral("Atenção ..."), BuildMessageText(lines, true),
              true) == QMessageBox::YesRole;
}

bool MOSTRA_MENSAGEM(const QString& text, int kind) {
  const bool question = kind != kMostraInformacao;
  const auto answer = Show(QMessageBox::Information, QStringLiteral("Information"),
                           text.left(kMessageTextLimit), question);
  return !question || answer == QMessageBox::YesRole;
}

void SetMessageBoxOwner(QWidget* owner) {
  Owner() = owner;
}

}  // namespace truco
