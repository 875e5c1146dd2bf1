#pragma once
// Network play wired into the program: the connection, the waiting dialog and the networked
// hand, joined to the main window (chat column), the game-kind dialog (its "Em rede" OK) and the
// game (its networked branch). One object for the whole run.

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

#include "net/link/connection.h"
#include "net/play/networked_hand.h"
#include "ui/tf_aguarde.h"

namespace truco {
class Game;
class RandomSource;
class Screen;
class TFormMain;
class TF_ESCOLHA;
struct ConnectRequest;
}  // namespace truco

namespace truco::net {

class NetworkPlay final : public QObject, private HandOutput {
  Q_OBJECT
 public:
  NetworkPlay(Game& game, RandomSource& random, TFormMain& main_window, TF_ESCOLHA& escolha,
              Screen& screen, QObject* parent = nullptr);
  ~NetworkPlay() override;

  // The TCP path, the one "Em rede" opens unless another link is set.
  [[nodiscard]] Connection& connection() { return connection_; }
  // The path the game's messages travel now: the TCP connection unless SetLink chose another.
  [[nodiscard]] Link& link() { return *link_; }
  // Carries the game over `link` from now on; `open` stands for the TCP opening at "Em rede" OK
  // (true once the other side is there). nullptr goes back to the TCP connection. The link must
  // outlive this object or be replaced before it goes; the old link is closed.
  void SetLink(Link* link, std::function<bool(const ConnectRequest&)> open = nullptr);
  [[nodiscard]] NetworkedHand& hand() { return hand_; }
  [[nodiscard]] TF_AGUARDE& waitDialog() { return *wait_; }
  // Where the host listens: every IPv4 address unless told otherwise (tests keep to loopback).
  void SetListenAddress(const QHostAddress& address) { listen_on_ = address; }

  // The "Em rede" OK of the game-kind dialog: true once the other side is there.
  bool Open(const ConnectRequest& request);

  // How long a silent peer is awaited before the player is asked (default 60 s).
  void SetSilenceTimeout(int milliseconds) { connection_.setSilenceTimeout(milliseconds); }
  // The question about a silent peer, while it is open (tests close it).
  [[nodiscard]] QWidget* silenceQuestion() const { return silence_box_; }
  // How long a game cut off in the middle waits for the same opponent (default two minutes).
  void SetResumeWindow(int milliseconds) { resume_timer_.setInterval(milliseconds); }
  [[nodiscard]] bool resumeWaiting() const { return resume_timer_.isActive(); }
  // Where the host keeps its game so that it survives a crash; empty: nowhere.
  void SetResumeFile(const QString& path) { resume_path_ = path; }
  // The host's file, or the guest's beside it.
  [[nodiscard]] QString ResumePath(Side side) const;

 private:
  bool Send(const Message& message) override;
  void SetMessagePanel(const std::string& text) override;
  void SetOpponentName(const std::string& name) override;
  void AppendChat(const std::string& line) override;
  void Tell(const std::string& text) override;
  void TableChanged() override;
  void AskTruco(const TrucoDialogRequest& request) override;
  void Ask(Question question, const std::string& text) override;
  void CancelAsk() override;
  void CloseLink() override;

  void OnLost(const std::string& text);
  // Joins the current link's events to the hand.
  void WireLink();
  // After "Iniciar": a game against the computer leaves the connection behind.
  void AfterStart();

  // The peer went silent while awaited: the player keeps waiting or leaves.
  void AskAboutSilence();
  // Whether this side now waits for the peer to say something.
  [[nodiscard]] bool AwaitingPeer() const;
  void UpdateAwaiting();
  // Host: writes the game to the resume file when it changed.
  void KeepResumeFile();

  Game& game_;
  Screen& screen_;
  TFormMain& main_;
  Connection connection_;
  Link* link_ = &connection_;
  std::function<bool(const ConnectRequest&)> open_link_;
  std::unique_ptr<TF_AGUARDE> wait_;
  NetworkedHand hand_;
  QHostAddress listen_on_ = QHostAddress(QHostAddress::AnyIPv4);
  // Gathers the table updates of a burst of messages into one.
  QTimer refresh_timer_;
  QPointer<QWidget> silence_box_;
  bool peer_spoke_ = false;
  // The dialog or question the hand asked for: each ask has a number, and a cancelled ask's
  // answer is dropped.
  int ask_id_ = 0;
  QPointer<QWidget> question_box_;
  // A game cut off in the middle can be resumed until this runs out.
  QTimer resume_timer_;
  QString resume_path_;
  std::string resume_saved_;  // what the file holds, but for its time
  std::string own_name_;
};

// The resume file's path in the folder of `file` (the records: the player's own folder).
QString ResumeFileBeside(const QString& file);

// Creates the network side of the program and wires it in; keep it for the whole run.
std::unique_ptr<NetworkPlay> WireNetworkPlay(Game& game, TFormMain& main_window,
                                             TF_ESCOLHA& escolha, Screen& screen,
                                             RandomSource& random);

}  // namespace truco::net
