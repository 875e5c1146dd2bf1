#include "ui/network_play.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "engine/game.h"
#include "net/play/resume_keeper.h"
#include "ui/formescolha.h"
#include "ui/formmain.h"
#include "ui/formtruco.h"
#include "ui/messageboxes.h"
#include "ui/windowscreen.h"

namespace truco::net {
namespace {

constexpr int kResumeWindowMs = 2 * 60 * 1000;
constexpr char kTextConnectionClosedHere[] = "A conexão com o adversário foi encerrada.";

}  // namespace

NetworkPlay::NetworkPlay(Game& game, RandomSource& random, TFormMain& main_window,
                         TF_ESCOLHA& escolha, Screen& screen, QObject* parent)
    : QObject(parent),
      game_(game),
      screen_(screen),
      main_(main_window),
      wait_(std::make_unique<TF_AGUARDE>()),
      hand_(game, random, *this) {
  game.set_networked_play(&hand_);
  escolha.SetConnector([this](const ConnectRequest& request) { return Open(request); });
  connect(&main_, &TFormMain::startHandled, this, [this] { AfterStart(); });
  resume_timer_.setSingleShot(true);
  resume_timer_.setInterval(kResumeWindowMs);
  // Too late to come back: the interrupted game is over for good.
  connect(&resume_timer_, &QTimer::timeout, this, [this] { hand_.DropResume(); });
  connect(&main_, &TFormMain::chatLineEntered, this,
          [this](const QString& line) { hand_.SendChat(line.toStdString()); });
  WireLink();
  refresh_timer_.setSingleShot(true);
  refresh_timer_.setInterval(0);
  connect(&refresh_timer_, &QTimer::timeout, this, [this] { main_.refresh(); });
}

NetworkPlay::~NetworkPlay() {
  // The game may outlive this: leave it no pointer to a hand that is gone.
  game_.set_networked_play(nullptr);
  if (link_ != nullptr) link_->disconnect(this);
}

void NetworkPlay::WireLink() {
  Link* link = link_;
  connect(link, &Link::messageReceived, this,
          [this](const Message& message) { hand_.Receive(message); });
  connect(link, &Link::disconnected, this, [this] { OnLost(link_->lostText().toStdString()); });
  connect(link, &Link::protocolError, this,
          [this](const QString& text) { OnLost(text.toStdString()); });
  connect(link, &Link::peerSilent, this, [this] { AskAboutSilence(); });
  // Whatever the peer says answers the question about its silence.
  connect(link, &Link::messageReceived, this, [this] {
    if (!silence_box_) return;
    peer_spoke_ = true;
    silence_box_->close();
  });
}

void NetworkPlay::SetLink(Link* link, std::function<bool(const ConnectRequest&)> open) {
  Link* next = link != nullptr ? link : &connection_;
  if (next == link_) {
    open_link_ = std::move(open);
    return;
  }
  link_->Close();
  link_->disconnect(this);
  link_ = next;
  hand_.set_history_path(link_ == &connection_ ? "direta" : "internet");
  open_link_ = link != nullptr ? std::move(open) : nullptr;
  WireLink();
}

bool NetworkPlay::Open(const ConnectRequest& request) {
  const Side side = request.host ? Side::Host : Side::Guest;
  const QString name = request.name.toUpper();
  if (link_->isConnected() && hand_.linked()) {
    // "Em rede" again while the game is connected: the connection stays; the start command goes
    // on to ask whether to restart the game on both sides.
    return true;
  }
  // A second start closes the old connection (Listen / ConnectTo do) and forgets its hand.
  hand_.Prepare(side, name.toStdString());
  own_name_ = name.toStdString();
  main_.SetOpponentName(QString());
  if (!hand_.Resumable() && !resume_path_.isEmpty()) {
    // A host that crashed and hosts again with its name offers its guest the game it had; a guest
    // that crashed keeps its part of the hand's deal for it.
    const ResumeLoad load =
        LoadResume(ResumePath(side), own_name_, QDateTime::currentMSecsSinceEpoch(), side);
    if (load.state) {
      hand_.SetResumeState(*load.state);
      resume_saved_.clear();
    }
    // The guest's file is only a help to the hand: a stale or damaged one goes without a word.
    if (side == Side::Host && !load.message.empty()) {
      Mensagem({QString::fromUtf8(load.message)}, kMensagemInformacao);
    }
  }
  if (link_ != &connection_) {
    // Another path opens its own way; the game above only needs to know it is there.
    const bool made = open_link_ && open_link_(request);
    if (made) resume_timer_.stop();
    return made;
  }
  switch (AbreConexao(*wait_, connection_, side, request.port, request.address, name, listen_on_)) {
    case OpenResult::Connected:
      resume_timer_.stop();
      return true;
    case OpenResult::Refused:
      Mensagem({connection_.lastError()}, kMensagemInformacao);
      return false;
    case OpenResult::Cancelled:
      return false;
  }
  return false;
}

bool NetworkPlay::Send(const Message& message) {
  return link_->Send(message);
}

void NetworkPlay::SetMessagePanel(const std::string& text) {
  main_.SetMessagePanel(QString::fromStdString(text));
}

void NetworkPlay::SetOpponentName(const std::string& name) {
  main_.SetOpponentName(QString::fromStdString(name));
}

void NetworkPlay::AppendChat(const std::string& line) {
  main_.AppendChat(QString::fromStdString(line));
}

void NetworkPlay::Tell(const std::string& text) {
  screen_.MOSTRA_MENSAGEM(text, kMostraInformacao);
}

void NetworkPlay::TableChanged() {
  // A burst of messages (a flood of chat lines) redraws the table once, on the next pass of the
  // event loop; a box that opens meanwhile brings the table up to date itself.
  if (!refresh_timer_.isActive()) refresh_timer_.start();
  UpdateAwaiting();
  KeepResumeFile();
}

void NetworkPlay::KeepResumeFile() {
  if (resume_path_.isEmpty()) return;
  KeepResume(ResumePath(hand_.side()), hand_, own_name_, QDateTime::currentMSecsSinceEpoch(),
             resume_saved_);
}

bool NetworkPlay::AwaitingPeer() const {
  if (!link_->isConnected() || !hand_.linked() || !hand_.started()) return false;
  if (hand_.whole_game()) {
    // Between hands the players read their boxes at their own pace; the secret that proves the
    // hand played is owed at once.
    if (hand_.hand_finished()) return hand_.awaits_peer_secret();
    // The peer owes the next move (a card, an answer, a decision) or the host a trick's result.
    return hand_.actor() != (hand_.side() == Side::Host ? 'S' : 'C');
  }
  if (hand_.HandOver()) return false;
  // During the deal, and whenever the turn is not this side's, the peer owes the next word.
  return !hand_.DealComplete() || !hand_.may_play();
}

void NetworkPlay::OnLost(const std::string& text) {
  hand_.ConnectionLost(text);
  // A game cut off in the middle waits a while for the same opponent to come back.
  if (hand_.resume_state()) resume_timer_.start();
}

void NetworkPlay::AfterStart() {
  if (!game_.Online() && link_->isConnected()) {
    // The player went back to the computer (or would not restart): the other side is told the
    // connection is gone, and so is this player, whose start ended it.
    link_->Close();
    hand_.ConnectionLost(kTextConnectionLost);
    Tell(kTextConnectionClosedHere);
  }
}

void NetworkPlay::AskTruco(const TrucoDialogRequest& request) {
  // The hand goes on at once; the dialog opens on the next pass of the event loop.
  const int ask = ++ask_id_;
  QTimer::singleShot(0, this, [this, request, ask] {
    if (ask != ask_id_) return;
    const char answer = screen_.MOSTRA_TRUCO(request);
    if (ask == ask_id_) hand_.AnswerTruco(answer);
  });
}

void NetworkPlay::Ask(Question question, const std::string& text) {
  const int ask = ++ask_id_;
  QTimer::singleShot(0, this, [this, question, text, ask] {
    if (ask != ask_id_) return;
    // The shared question box's look, kept at hand so a void question can be closed.
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"),
                    QString::fromStdString(text), QMessageBox::NoButton);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.setWindowModality(Qt::ApplicationModal);
    question_box_ = &box;
    main_.ShowTableForModal();
    box.exec();
    question_box_ = nullptr;
    if (ask == ask_id_) hand_.Answer(question, box.clickedButton() == yes);
  });
}

void NetworkPlay::CancelAsk() {
  ++ask_id_;
  if (question_box_) question_box_->close();
  if (const auto* windows = dynamic_cast<const WindowScreen*>(&screen_)) {
    TFormTruco* dialog = windows->trucoDialog();
    if (dialog && dialog->isVisible()) dialog->done(QDialog::Rejected);
  }
}

void NetworkPlay::CloseLink() {
  // A cheat caught by the joint deal: the game is void and cannot be taken up again.
  resume_timer_.stop();
  link_->Close();
}

void NetworkPlay::UpdateAwaiting() {
  link_->SetAwaitingReply(AwaitingPeer());
}

void NetworkPlay::AskAboutSilence() {
  if (silence_box_ || !link_->isConnected()) return;
  if (QApplication::activeModalWidget()) {
    // The player is busy with a box of its own: ask later, if the peer stays silent.
    link_->KeepWaiting();
    return;
  }
  QMessageBox box(QMessageBox::Question, QStringLiteral("Atenção"),
                  QString::fromUtf8(kTextPeerSilent), QMessageBox::NoButton);
  box.setInformativeText(QStringLiteral("Deseja continuar esperando?"));
  QPushButton* wait = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
  box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
  box.setDefaultButton(wait);
  box.setEscapeButton(wait);
  box.setWindowModality(Qt::ApplicationModal);
  silence_box_ = &box;
  peer_spoke_ = false;
  main_.ShowTableForModal();
  box.exec();
  silence_box_ = nullptr;
  const bool leave = !peer_spoke_ && box.clickedButton() != wait;
  if (!link_->isConnected()) return;
  if (!leave) {
    // Waiting on, or the peer spoke meanwhile (which closed the box).
    link_->KeepWaiting();
    return;
  }
  if (hand_.awaits_peer_secret()) {
    // The peer would not prove the hand it played: the game is void (the hand says why and closes).
    hand_.GiveUpOnSilentPeer(kTextConnectionLost);
    return;
  }
  // Leaving: the connection goes as if lost, and this side may come back to the game.
  link_->Close();
  hand_.ConnectionLost(kTextConnectionLost);
}

QString NetworkPlay::ResumePath(Side side) const {
  if (side == Side::Host) return resume_path_;
  return QFileInfo(resume_path_).dir().filePath(QString::fromLatin1(kGuestResumeFileName));
}

QString ResumeFileBeside(const QString& file) {
  return QFileInfo(file).dir().filePath(QString::fromLatin1(kResumeFileName));
}

std::unique_ptr<NetworkPlay> WireNetworkPlay(Game& game, TFormMain& main_window,
                                             TF_ESCOLHA& escolha, Screen& screen,
                                             RandomSource& random) {
  return std::make_unique<NetworkPlay>(game, random, main_window, escolha, screen);
}

}  // namespace truco::net
