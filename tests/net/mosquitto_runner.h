#pragma once
// A real Mosquitto for a test: started on a free loopback port with a configuration of its own
// (plain, or TLS with a certificate authority made here with openssl), optionally confined by
// the shipped ACL, and stopped when the runner goes. Needs a QCoreApplication.

#include <pwd.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#ifndef TRUCO_SOURCE_DIR
#error "TRUCO_SOURCE_DIR names the source tree (for the shipped ACL)"
#endif

namespace truco::testing {

// Runs the event loop until `done` or `ms` have passed, sleeping between events. (processEvents
// with a time limit ignores WaitForMoreEvents and spins, which starved the broker and the links.)
inline bool RunEventsUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  QTimer tick;  // wakes the wait to look at `done` and the clock again
  tick.start(10);
  while (!done() && clock.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return done();
}

class MosquittoRunner {
 public:
  struct Options {
    bool tls = false;
    bool acl = true;  // the shipped resources/broker ACL
    // Accepts the bridge's account (resources/broker/truco-zanforte-bridge.acl).
    bool bridge_account = false;
    // Bridges every game topic both ways to the broker on this loopback port (which accepts the
    // bridge's account), as resources/broker/bridge.conf does.
    quint16 bridge_to = 0;
    // A library preloaded into the broker (tools/nodelay_preload.c for the bridge's socket).
    QString preload = {};
  };
  static constexpr char kBridgePassword[] = "truco-bridge-test";

  explicit MosquittoRunner(Options options) : options_(options) { Start(); }
  ~MosquittoRunner() { Kill(); }
  MosquittoRunner(const MosquittoRunner&) = delete;
  MosquittoRunner& operator=(const MosquittoRunner&) = delete;

  [[nodiscard]] bool ok() const { return ok_; }
  [[nodiscard]] const QString& error() const { return error_; }
  [[nodiscard]] quint16 port() const { return port_; }
  // The certificate authority that signed the broker's certificate (TLS only).
  [[nodiscard]] QString caFile() const { return dir_.filePath(QStringLiteral("ca.crt")); }
  [[nodiscard]] qint64 pid() const { return process_ ? process_->processId() : 0; }
  [[nodiscard]] QString log() const {
    QFile file(dir_.filePath(QStringLiteral("mosquitto.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  // Gone at once, as a crash or a cut cable: no last will is sent.
  void Crash() {
    if (!process_) return;
    process_->kill();
    process_->waitForFinished(3000);
    process_.reset();
  }

  void Kill() {
    if (!process_) return;
    process_->terminate();
    if (!process_->waitForFinished(3000)) {
      process_->kill();
      process_->waitForFinished(3000);
    }
    process_.reset();
  }

 private:
  static bool Run(const QString& program, const QStringList& arguments, const QString& where) {
    QProcess process;
    process.setWorkingDirectory(where);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
  }

  bool MakeCertificates() {
    const QString d = dir_.path();
    const QStringList ec = {
        QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    QFile ext(dir_.filePath(QStringLiteral("san.ext")));
    if (!ext.open(QIODevice::WriteOnly)) return false;
    ext.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n");
    ext.close();
    return Run(QStringLiteral("openssl"),
               QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ec +
                   QStringList{"-keyout", "ca.key", "-out", "ca.crt", "-days", "2", "-subj",
                               "/CN=truco-test-ca"},
               d) &&
           Run(QStringLiteral("openssl"),
               QStringList{QStringLiteral("req")} + ec +
                   QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj",
                               "/CN=localhost"},
               d) &&
           Run(QStringLiteral("openssl"),
               {"x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key",
                "-CAcreateserial", "-out", "server.crt", "-days", "2", "-extfile", "san.ext"},
               d);
  }

  // The shipped ACL with the bridge's lines below it, and the bridge's password.
  bool MakeBridgeAccount() {
    QFile acl(dir_.filePath(QStringLiteral("with-bridge.acl")));
    QFile players(QStringLiteral(TRUCO_SOURCE_DIR "/resources/broker/truco-zanforte.acl"));
    QFile bridge(QStringLiteral(TRUCO_SOURCE_DIR "/resources/broker/truco-zanforte-bridge.acl"));
    if (!acl.open(QIODevice::WriteOnly) || !players.open(QIODevice::ReadOnly) ||
        !bridge.open(QIODevice::ReadOnly)) {
      return false;
    }
    acl.write(players.readAll() + "\n" + bridge.readAll());
    acl.close();
    return Run(QStringLiteral("mosquitto_passwd"),
               {QStringLiteral("-b"), QStringLiteral("-c"), QStringLiteral("bridge.passwd"),
                QStringLiteral("truco-bridge"), QString::fromLatin1(kBridgePassword)},
               dir_.path());
  }

  static quint16 FreePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
    return probe.serverPort();
  }

  void Start() {
    if (!dir_.isValid()) {
      error_ = QStringLiteral("no temporary folder");
      return;
    }
    if (options_.tls && !MakeCertificates()) {
      error_ = QStringLiteral("openssl could not make the certificates");
      return;
    }
    // A port taken between the probe and the start: try another.
    for (int attempt = 0; attempt < 5 && !ok_; ++attempt) {
      port_ = FreePort();
      QString conf = QStringLiteral(
                         "per_listener_settings false\nallow_anonymous true\npersistence false\n"
                         "set_tcp_nodelay true\nmax_packet_size 5120\nlog_dest file %1\n"
                         "log_type error\nlog_type warning\nlistener %2 127.0.0.1\n")
                         .arg(dir_.filePath(QStringLiteral("mosquitto.log")))
                         .arg(port_);
      // Run as whoever runs the test (as root, Mosquitto would switch to its own user, who
      // cannot read this folder).
      if (const passwd* me = getpwuid(getuid())) {
        conf += QStringLiteral("user %1\n").arg(QString::fromLocal8Bit(me->pw_name));
      }
      if (options_.tls) {
        conf += QStringLiteral("cafile %1\ncertfile %2\nkeyfile %3\n")
                    .arg(caFile(), dir_.filePath(QStringLiteral("server.crt")),
                         dir_.filePath(QStringLiteral("server.key")));
      }
      if (options_.bridge_account) {
        if (!MakeBridgeAccount()) break;
        conf += QStringLiteral("password_file %1\nacl_file %2\n")
                    .arg(dir_.filePath(QStringLiteral("bridge.passwd")),
                         dir_.filePath(QStringLiteral("with-bridge.acl")));
      } else if (options_.acl) {
        conf += QStringLiteral("acl_file %1/resources/broker/truco-zanforte.acl\n")
                    .arg(QStringLiteral(TRUCO_SOURCE_DIR));
      }
      if (options_.bridge_to != 0) {
        // resources/broker/bridge.conf with a loopback address and without TLS.
        QFile shipped(QStringLiteral(TRUCO_SOURCE_DIR "/resources/broker/bridge.conf"));
        if (!shipped.open(QIODevice::ReadOnly)) break;
        for (const QByteArray& line : shipped.readAll().split('\n')) {
          if (line.startsWith('#') || line.startsWith("address") || line.startsWith("bridge_") ||
              line.startsWith("remote_password")) {
            continue;
          }
          conf += QString::fromUtf8(line) + QStringLiteral("\n");
        }
        conf += QStringLiteral("address 127.0.0.1:%1\nremote_password %2\n")
                    .arg(options_.bridge_to)
                    .arg(QString::fromLatin1(kBridgePassword));
      }
      QFile file(dir_.filePath(QStringLiteral("mosquitto.conf")));
      if (!file.open(QIODevice::WriteOnly)) break;
      file.write(conf.toUtf8());
      file.close();
      process_ = std::make_unique<QProcess>();
      process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
      if (!options_.preload.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_PRELOAD"), options_.preload);
        process_->setProcessEnvironment(environment);
      }
      process_->start(QStringLiteral("/usr/sbin/mosquitto"),
                      {QStringLiteral("-c"), file.fileName()});
      if (!process_->waitForStarted(5000)) break;
      for (int wait = 0; wait < 100 && process_->state() == QProcess::Running; ++wait) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port_);
        if (socket.waitForConnected(100)) {
          ok_ = true;
          break;
        }
        QThread::msleep(20);
      }
      if (!ok_) Kill();
    }
    if (!ok_) error_ = QStringLiteral("mosquitto did not start: ") + log();
  }

  Options options_;
  QTemporaryDir dir_;
  std::unique_ptr<QProcess> process_;
  quint16 port_ = 0;
  bool ok_ = false;
  QString error_;
};

}  // namespace truco::testing
