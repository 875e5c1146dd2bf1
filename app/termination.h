#pragma once
// Ending the program when the system asks (SIGTERM from a logout or a service manager, SIGHUP,
// Ctrl+C): every event loop is left, a modal box's included, and main returns 0 with every
// window destroyed. Nothing is saved on the way out; each file is already saved when it changes,
// and the records are handed in only by "Sair". A box's question left this way is answered No.

#include <QObject>

class QSocketNotifier;

namespace truco {

// Catches the signals from here on; call it first thing in main, so a signal that arrives while
// the toolkit starts is kept until EndOnSignal can act on it.
void CatchEndSignals();

class EndOnSignal : public QObject {
  Q_OBJECT

 public:
  // Needs the application object (and CatchEndSignals before it).
  EndOnSignal();
  ~EndOnSignal() override;

  // A signal has arrived: the program is on its way out.
  bool requested() const { return requested_; }

 private:
  void Arrived();

  QSocketNotifier* notifier_ = nullptr;
  bool requested_ = false;
};

}  // namespace truco
