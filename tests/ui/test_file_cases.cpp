// Forty-seven cases of the player's files through the whole program: each of the three files
// missing, empty, short, whole, long, huge, at the phrases' limit, unreadable (modes 0200 and
// 0000), read-only, a folder, a pipe, a device, a socket, a dangling link and a link to a file;
// then a read-only folder and a full disk. Each case starts the program, shows the main window,
// saves the settings and the phrases, submits a result and opens the records, answering every
// box. No file that could not be read is written over, no box says "não encontrado" of a file that
// exists, no box carries the system's English, and nothing blocks.
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstdio>
#include <optional>

#include "app/program.h"
#include "store/phrases_file.h"
#include "store/records_file.h"
#include "store/settings_file.h"
#include "tests/store/file_faults.h"
#include "tests/support_files.h"
#include "ui/formmain.h"

using truco::testing::PutFile;

namespace {

// Answers every modal window the way a player gets through a session: OK (or Yes) in boxes;
// in the settings window a changed hand of eleven and "Gravar e Fechar"; "Gravar" in the phrases
// window; "Fechar" in the records window; "Cancela" in the game-kind dialog. Keeps every box's
// text.
class Player : public QObject {
 public:
  Player() { qApp->installEventFilter(this); }
  ~Player() override { qApp->removeEventFilter(this); }
  QStringList boxes;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !widget->isWindow() || !widget->isModal()) return false;
    QPointer<QWidget> guard(widget);
    QTimer::singleShot(0, this, [this, guard] { Answer(guard); });
    return false;
  }

 private:
  static bool Click(QWidget* window, const QString& text) {
    for (auto* b : window->findChildren<QAbstractButton*>()) {
      if (b->isVisibleTo(window) && b->text().remove(u'&') == text) {
        b->click();
        return true;
      }
    }
    return false;
  }
  void Answer(const QPointer<QWidget>& window) {
    if (!window || !window->isVisible()) return;
    if (auto* box = qobject_cast<QMessageBox*>(window.data())) {
      boxes << box->text();
      if (!Click(box, "OK") && !Click(box, "Yes")) box->close();
      return;
    }
    if (auto* eleven = window->findChild<QRadioButton*>("Radio11Escuro")) eleven->click();
    for (const char* text : {"Gravar e Fechar", "Gravar", "Fechar", "Cancela"})
      if (Click(window, text)) return;
    window->close();
  }
};

enum class Shape {
  Missing,
  Empty,
  Short,
  Whole,
  Long,
  Huge,
  AtLimit,
  Mode0200,
  Mode0000,
  ReadOnly,
  Folder,
  Pipe,
  Device,
  Socket,
  DanglingLink,
  LinkToFile
};

const char* kShapeNames[] = {"missing",   "empty",          "short",         "whole",
                             "long",      "huge",           "at limit",      "mode 0200",
                             "mode 0000", "read-only file", "folder",        "pipe",
                             "device",    "socket",         "dangling link", "link to a file"};

QByteArray Whole(int file) {
  if (file == 0) return QByteArray::fromHex("3231320700800000");
  if (file == 1) {
    truco::RecordsTable table = truco::ClearedRecordsTable();
    table[0] = truco::MakeRecordsEntry("ANA", 9, 1, 8);
    return truco::EncodeRecordsFile(table);
  }
  return "[JOGADOR]\r\nNOME=ANA\r\n[FRASES]\r\nTRUCO=TRUCO!\r\nSEIS=SEIS!\r\n";
}

struct Look {
  bool exists = false, regular = false, link = false;
  QByteArray bytes;
  friend bool operator==(const Look&, const Look&) = default;
};

Look LookAt(const QString& path) {
  Look look;
  struct stat info {};
  if (::lstat(QFile::encodeName(path), &info) != 0) return look;
  look.exists = true;
  look.link = S_ISLNK(info.st_mode);
  look.regular = S_ISREG(info.st_mode);
  if (look.regular) {
    const mode_t mode = info.st_mode & 07777;
    ::chmod(QFile::encodeName(path), 0600);
    look.bytes = truco::testing::FileBytes(path);
    ::chmod(QFile::encodeName(path), mode);
  }
  return look;
}

bool HasToolkitEnglish(const QString& text) {
  for (const char* word : {"denied", "No space", "directory", "No such", "Permission",
                           "file to open", "Input/output", "Read-only", "Unknown error"})
    if (text.contains(QLatin1String(word), Qt::CaseInsensitive)) return true;
  return false;
}

}  // namespace

class TestFileCases : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QVERIFY(!QApplication::activeModalWidget()); }

  void everyCase_data() {
    QTest::addColumn<int>("file");  // 0 Conf.dll, 1 Recordes.qdx, 2 Frases.ini, -1 all whole
    QTest::addColumn<int>("shape");
    QTest::addColumn<int>("folder");  // 0 ordinary, 1 read-only, 2 full disk
    const char* files[] = {"Conf.dll", "Recordes.qdx", "Frases.ini"};
    for (int file = 0; file < 3; ++file) {
      for (int shape = 0; shape <= static_cast<int>(Shape::LinkToFile); ++shape) {
        // Only the phrases file is read whole and has a limit to stand at.
        if (static_cast<Shape>(shape) == Shape::AtLimit && file != 2) continue;
        QTest::addRow("%s %s", files[file], kShapeNames[shape]) << file << shape << 0;
      }
    }
    QTest::newRow("read-only folder") << -1 << static_cast<int>(Shape::Whole) << 1;
    QTest::newRow("full disk") << -1 << static_cast<int>(Shape::Whole) << 2;
  }

  void everyCase() {
    QFETCH(int, file);
    QFETCH(int, shape);
    QFETCH(int, folder);
    const Shape kind = static_cast<Shape>(shape);
    if (!truco::testing::PermissionsApply() &&
        (kind == Shape::Mode0200 || kind == Shape::Mode0000 || folder == 1))
      QSKIP("running as root: permissions do not bind");
    QTemporaryDir dir;
    const QString names[] = {dir.filePath("Conf.dll"), dir.filePath("Recordes.qdx"),
                             dir.filePath("Frases.ini")};
    for (int f = 0; f < 3; ++f)
      if (f != file) PutFile(names[f], Whole(f));
    int socket_fd = -1;
    if (file >= 0) {
      const QString& path = names[file];
      const QByteArray whole = Whole(file);
      const QByteArray native = QFile::encodeName(path);
      switch (kind) {
        case Shape::Missing:
          break;
        case Shape::Empty:
          PutFile(path, {});
          break;
        case Shape::Short:
          PutFile(path, whole.left(file == 2 ? 12 : 3));
          break;
        case Shape::Whole:
          PutFile(path, whole);
          break;
        case Shape::Long:
          PutFile(path, whole + (file == 2 ? "; " + QByteArray(2000, 'x') + "\r\n"
                                           : QByteArray(300, 'x')));
          break;
        case Shape::Huge:
          PutFile(path, file == 2 ? "[OUTRA]\r\n" + QByteArray((1 << 20) + 10, ';') + "\r\n" + whole
                                  : whole + QByteArray(2 << 20, '\0'));
          break;
        case Shape::AtLimit:
          PutFile(path, "\r\n" + QByteArray(truco::kPhrasesFileLimit - whole.size() - 4, ';') +
                            "\r\n" + whole);
          break;
        case Shape::Mode0200:
        case Shape::Mode0000:
        case Shape::ReadOnly:
          PutFile(path, whole);
          QVERIFY(::chmod(native, kind == Shape::Mode0200   ? 0200
                                  : kind == Shape::Mode0000 ? 0000
                                                            : 0400) == 0);
          break;
        case Shape::Folder:
          QVERIFY(truco::testing::MakeFolder(path));
          break;
        case Shape::Pipe:
          QVERIFY(truco::testing::MakeFifo(path));
          break;
        case Shape::Device:
          QVERIFY(truco::testing::MakeDeviceLink(path));
          break;
        case Shape::Socket:
          QVERIFY(truco::testing::MakeSocket(path, &socket_fd));
          break;
        case Shape::DanglingLink:
          QVERIFY(::symlink(QFile::encodeName(dir.filePath("nowhere")), native) == 0);
          break;
        case Shape::LinkToFile:
          PutFile(dir.filePath("real"), whole);
          QVERIFY(::symlink(QFile::encodeName(dir.filePath("real")), native) == 0);
          break;
      }
    }
    Look before[3];
    bool there[3];  // a link counts as what it points to
    for (int f = 0; f < 3; ++f) {
      before[f] = LookAt(names[f]);
      there[f] = QFileInfo::exists(names[f]);
    }
    if (folder == 1) QVERIFY(::chmod(QFile::encodeName(dir.path()), 0555) == 0);

    Player player;
    {
      truco::testing::Watchdog watchdog(60, "a session with odd files");
      std::optional<truco::testing::InjectedFaults> disk;
      if (folder == 2) {
        disk.emplace();
        disk->write_error = ENOSPC;
      }
      truco::Program program({names[0], names[1], names[2]}, false);
      program.Show();
      QTest::qWait(10);
      emit program.main_window().settingsRequested();
      emit program.main_window().phrasesRequested();
      program.screen().SubmitRecord("NOVO", 7, 0, 7);
      emit program.main_window().recordsRequested();
      QTest::qWait(30);  // the records window tells a failed read once it is up
      program.main_window().hide();
    }
    ::chmod(QFile::encodeName(dir.path()), 0700);
    if (socket_fd >= 0) ::close(socket_fd);

    // What could be read whole (or did not exist) may be rewritten; nothing else.
    auto readable = [&](int f) {
      if (f != file) return folder == 0;
      if (folder != 0) return false;
      switch (kind) {
        case Shape::Mode0200:
        case Shape::Mode0000:
        case Shape::Folder:
        case Shape::Pipe:
        case Shape::Device:
        case Shape::Socket:
          return false;
        case Shape::Huge:
          return false;
        default:
          return true;
      }
    };
    QStringList fates;
    for (int f = 0; f < 3; ++f) {
      const Look after = LookAt(names[f]);
      if (!readable(f)) QVERIFY2(after == before[f], qPrintable(names[f]));
      fates << QStringLiteral("%1 %2").arg(QFileInfo(names[f]).fileName(),
                                           after == before[f] ? "kept"
                                           : before[f].exists ? "rewritten"
                                                              : "created");
    }
    QVERIFY(truco::testing::TemporaryFiles(dir.path()).isEmpty());
    for (const QString& text : player.boxes) {
      QVERIFY2(!HasToolkitEnglish(text), qPrintable(text));
      if (text.contains("não encontrado")) {
        const int f = text.contains("Conf.dll") ? 0 : 1;
        QVERIFY2(!there[f], qPrintable(text));
      }
    }
    QStringList said;
    for (QString text : player.boxes) said << text.replace('\n', ' ');
    std::printf("CASE %-28s | %s | boxes: %s\n", QTest::currentDataTag(),
                qPrintable(fates.join(", ")),
                said.isEmpty() ? "none" : qPrintable(said.join(" // ")));
  }
};

TRUCO_FILE_TEST_MAIN(TestFileCases)
#include "test_file_cases.moc"
