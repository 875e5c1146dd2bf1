#pragma once
// The lobby window of a table server ("Mesas na internet"): the open public tables, live, to
// join; a public or a private table to create; a private table's code to type. Thin: the broker
// link and the lobby do the work, this shows them and forwards clicks and keys.

#include <QDialog>
#include <QString>
#include <functional>

#include "net/link/broker_link.h"
#include "net/link/lobby.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace truco {

class TF_MESAS : public QDialog {
  Q_OBJECT
 public:
  TF_MESAS(net::BrokerLink& link, net::Lobby& lobby, QWidget* parent = nullptr);
  ~TF_MESAS() override;

  // What a public table created here says in the lobby (the host's name and the table's rules).
  using EntryMaker = std::function<net::LobbyEntry()>;
  void SetEntryMaker(EntryMaker make) { make_entry_ = std::move(make); }

  // Shows the lobby of `broker` modally; true once the other side is at the table.
  bool Escolhe(const net::BrokerAddress& broker, const QString& broker_text);
  // Escolhe without the modal wait: opens the lobby and leaves the window to be shown (tests
  // show several at once); accepted() says the other side is there.
  void Start(const net::BrokerAddress& broker, const QString& broker_text);

  // The controls (tests drive them).
  [[nodiscard]] QTreeWidget* tableList() const { return list_; }
  [[nodiscard]] QLineEdit* filterEdit() const { return filter_; }
  [[nodiscard]] QPushButton* joinButton() const { return join_; }
  [[nodiscard]] QPushButton* publicButton() const { return public_; }
  [[nodiscard]] QPushButton* privateButton() const { return private_; }
  [[nodiscard]] QLineEdit* codeEdit() const { return code_; }
  [[nodiscard]] QPushButton* codeButton() const { return join_code_; }
  [[nodiscard]] QLabel* status() const { return status_; }

 private:
  void ShowTables();
  void BEntrarClick();
  void BPublicaClick();
  void BPrivadaClick();
  void BCodigoClick();
  void BCancelaClick();
  void Busy(bool busy, const QString& text);

  net::BrokerLink& link_;
  net::Lobby& lobby_;
  EntryMaker make_entry_;
  QLabel* server_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QLineEdit* filter_ = nullptr;
  QPushButton* join_ = nullptr;
  QPushButton* public_ = nullptr;
  QPushButton* private_ = nullptr;
  QLineEdit* code_ = nullptr;
  QPushButton* join_code_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* cancel_ = nullptr;
  bool told_public_ = false;
};

}  // namespace truco
