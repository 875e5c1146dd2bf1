// The program's wiring: start-up with and without files, the settings reaching the game, the
// colour reaching every window, phrases, records and the restart asked by the settings window.
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QShortcut>
#include <QTemporaryDir>
#include <QtTest>

#include "app/program.h"
#include "store/settings_file.h"
#include "tests/net/loopback.h"
#include "tests/support_files.h"
#include "tests/ui/modal.h"
#include "ui/formconfig.h"
#include "ui/formescolha.h"
#include "ui/formfrases.h"
#include "ui/formmain.h"
#include "ui/formmanilhas.h"
#include "ui/formrecordes.h"
#include "ui/formtruco.h"
#include "ui/tf_aguarde.h"

using truco::testing::ModalScript;

using truco::testing::FileBytes;
using truco::testing::PutFile;

class TestProgram : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  truco::ProgramPaths Paths() const {
    return {dir_.filePath("Conf.dll"), dir_.filePath("Recordes.qdx"), dir_.filePath("Frases.ini")};
  }
  void CleanFiles() {
    QFile::remove(dir_.filePath("Conf.dll"));
    QFile::remove(dir_.filePath("Recordes.qdx"));
    QFile::remove(dir_.filePath("Frases.ini"));
  }

 private slots:
  void init() { CleanFiles(); }

  void freshInstallReportsAndCreatesTheDefaultSettings() {
    ModalScript script;
    script.Ok();  // "Conf.dll" missing
    truco::Program program(Paths(), /*show_splash=*/false);
    QCOMPARE(script.texts().value(0),
             QString("Arquivo \"Conf.dll\" não encontrado. Criando agora..."));
    QCOMPARE(FileBytes(dir_.filePath("Conf.dll")), QByteArray::fromHex("313131000F0000FF"));
    // No phrases file: empty phrases, so the computer's calls show an empty headline.
    for (const auto& phrase : program.game().state().truco_phrases) QVERIFY(phrase.empty());

    script.Ok();  // "Recordes.qdx" missing when the main window is shown
    program.Show();
    QTRY_COMPARE(script.pending(), std::size_t{0});
    QCOMPARE(script.texts().value(1), QString("Arquivo \"Recordes.qdx\" não encontrado"));
    QCOMPARE(script.unexpected(), 0);
    program.main_window().hide();
  }

  void storedSettingsAndPhrasesReachTheGame() {
    // Manilha Velha, No Escuro, Baralho Sujo, navy background.
    PutFile(dir_.filePath("Conf.dll"), QByteArray::fromHex("3232310000008000"));
    PutFile(dir_.filePath("Frases.ini"),
            "[FRASES]\r\nTRUCO=TRUCO LADR\xC3O\r\nSEIS=SEIS!\r\nNOVE=NOVE!\r\nDOZE=DOZE!\r\n"
            "ACEITA=VEM\r\n");
    ModalScript script;
    truco::Program program(Paths(), false);
    QCOMPARE(script.unexpected(), 0);
    const truco::GameState& s = program.game().state();
    QCOMPARE(s.settings.manilha_mode, truco::ManilhaMode::Velha);
    QCOMPARE(s.settings.eleven_mode, 1);
    QCOMPARE(s.settings.deck_type, '1');
    QCOMPARE(QString::fromStdString(s.truco_phrases[truco::kPhraseTruco]), QString("TRUCO LADRÃO"));
    QCOMPARE(program.main_window().background(), QColor(0, 0, 0x80));
    // The phrases window, made when first opened, shows them on the table's colour.
    truco::TFormFrases& frases = program.phrases();
    QCOMPARE(frases.findChild<QLineEdit*>("E_TRUCO")->text(), QString("TRUCO LADRÃO"));
    QCOMPARE(frases.palette().color(QPalette::Window), QColor(0, 0, 0x80));
    // So does the settings window: the choices the game took from the record before it existed.
    QVERIFY(program.config().findChild<QRadioButton*>("RadioVelha")->isChecked());
    QVERIFY(program.config().findChild<QRadioButton*>("Radio11Escuro")->isChecked());
    QVERIFY(program.config().findChild<QRadioButton*>("RadioClassico")->isChecked());

    // A deal under "Manilha Velha" turns no vira.
    program.game().Inicio();
    QVERIFY(program.game().state().cards[truco::kCVira].face_down);

    // Saved phrases are the ones the computer shouts from then on.
    truco::Phrases phrases;
    phrases[0] = "NOVO GRITO";
    emit program.phrases().phrasesSaved(phrases);
    QCOMPARE(QString::fromStdString(program.game().state().truco_phrases[0]),
             QString("NOVO GRITO"));
  }

  void aChosenColourReachesEveryWindow() {
    ModalScript script;
    script.Ok();
    truco::Program program(Paths(), false);
    const truco::ColourCode lime = 0x0000FF00;
    emit program.config().backgroundChosen(lime);
    QCOMPARE(program.main_window().background(), QColor(0, 255, 0));
    QCOMPARE(program.manilhas().mainBackground(), QColor(0, 255, 0));
    // The manilhas window is made when first opened: once made, it follows every later choice.
    emit program.config().backgroundChosen(0x00FF0000);
    QCOMPARE(program.manilhas().mainBackground(), QColor(0, 0, 255));
  }

  // The MQTT library, and OpenSSL with it, is opened by the first internet game, Qt Print
  // Support by the first print and SQLite while the history is open: the program at a dealt
  // table has mapped none of them.
  void aDealtTableMapsNoInternetLibrary() {
    ModalScript script;
    script.Ok();
    truco::ProgramPaths paths = Paths();
    paths.history = dir_.filePath("historico.sqlite");
    truco::Program program(paths, false);
    program.game().Inicio();
    QFile maps(QStringLiteral("/proc/self/maps"));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    QVERIFY(mapped.contains("libQt6Widgets"));  // the list is the process's own
    QVERIFY2(!mapped.contains("libmosquitto"), "libmosquitto mapped at start");
    QVERIFY2(!mapped.contains("libQt6PrintSupport"), "Qt Print Support mapped at start");
    QVERIFY2(!mapped.contains("libsqlite3"), "SQLite mapped at start");
  }

  // "Em rede" and "Internet" make the network side at their first OK, and it plays as if it had
  // been made at start: as a guest the program reaches a host on this machine and plays online.
  // The table server typed in the dialog stays as typed.
  void theFirstNetworkedOkMakesTheNetworkSide() {
    auto waits = [] {
      int n = 0;
      for (QWidget* w : QApplication::topLevelWidgets())
        n += qobject_cast<truco::net::TF_AGUARDE*>(w) ? 1 : 0;
      return n;
    };
    const int waits_before = waits();
    truco::testing::NetProgram host(truco::net::Side::Host, "HOSTE");
    host.side.hand.Prepare(truco::net::Side::Host, "HOSTE");
    host.connection.SetGreeting({truco::net::Name{"HOSTE"}});
    const quint16 port = truco::testing::FreeLoopbackPort();
    QVERIFY(port != 0 && host.connection.Listen(QString::number(port), QHostAddress::LocalHost));
    ModalScript script;
    script.Ok();
    truco::Program program(Paths(), false);
    QCOMPARE(waits(), waits_before);
    script.Answer(QStringLiteral("OK"), [port](QWidget* dialog) {
      dialog->findChild<QLineEdit*>(QStringLiteral("E_SERVIDOR"))->setText("mesas.example.org");
      dialog->findChild<QRadioButton*>(QStringLiteral("RB_EMREDE"))->click();
      dialog->findChild<QRadioButton*>(QStringLiteral("RB_CLIENTE"))->click();
      dialog->findChild<QLineEdit*>(QStringLiteral("E_IPS"))->setText("127.0.0.1");
      dialog->findChild<QLineEdit*>(QStringLiteral("E_PORTA"))->setText(QString::number(port));
      dialog->findChild<QLineEdit*>(QStringLiteral("E_NOME"))->setText("ana");
    });
    // The wait ends by itself once the host answers (never "Cancela").
    script.Answer(QStringLiteral("Cancela"), [](QWidget* wait) {
      QVERIFY(
          QTest::qWaitFor([wait] { return !wait->isVisible(); }, truco::testing::kLoopbackWaitMs));
    });
    program.main_window().BInicioClick();
    QCOMPARE(script.unexpected(), 0);
    QVERIFY(program.game().Online());
    QCOMPARE(waits(), waits_before + 1);
    QTRY_COMPARE_WITH_TIMEOUT(host.side.out.opponent, std::string("ANA"),
                              truco::testing::kLoopbackWaitMs);
    QCOMPARE(program.escolha().broker(), QStringLiteral("mesas.example.org"));
  }

  // The truco dialog is made for the first call the player answers, once: owned by the table
  // (a window manager keeps it above it) and with "Dica"'s key D.
  void theTrucoDialogIsMadeForTheFirstCall() {
    ModalScript script;
    script.Ok();
    truco::Program program(Paths(), false);
    QVERIFY(!program.screen().trucoDialog());
    truco::TrucoDialogRequest request;
    request.phrase = "TRUCO!";
    request.raise_caption = "Pedir 6";
    script.Answer(QStringLiteral("Aceitar"));
    QCOMPARE(program.screen().MOSTRA_TRUCO(request), truco::kAnswerAccept);
    truco::TFormTruco* dialog = program.screen().trucoDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->parentWidget(), &program.main_window());
    bool hint_key = false;
    for (const QShortcut* key : dialog->findChildren<QShortcut*>())
      hint_key = hint_key || key->key() == QKeySequence(QStringLiteral("D"));
    QVERIFY(hint_key);
    script.Answer(QStringLiteral("Correr"));
    QCOMPARE(program.screen().MOSTRA_TRUCO(request), truco::kAnswerRun);
    QCOMPARE(program.screen().trucoDialog(), dialog);
    QCOMPARE(script.unexpected(), 0);
  }

  void theSettingsRestartStopsTheHandAndZeroesThePoints() {
    ModalScript script;
    script.Ok();
    truco::Program program(Paths(), false);
    program.game().Inicio();
    program.game().mutable_state().player_points = 5;
    program.game().mutable_state().games_computer = 2;
    script.Answer("Cancela");  // the game-kind dialog shown by the restart
    emit program.config().matchRestartRequested();
    QCOMPARE(script.unexpected(), 0);
    const truco::GameState& s = program.game().state();
    QCOMPARE(s.player_points, 0);
    QCOMPARE(s.games_computer, 2);
    QVERIFY(!s.may_play);
    QVERIFY(!s.BTrucar.enabled);
  }

  void resultsReachTheRecordsFileAndTheFirstPlaceLine() {
    ModalScript script;
    script.Ok();
    truco::Program program(Paths(), false);
    program.screen().SubmitRecord("ANA", 3, 1, 2);
    QCOMPARE(FileBytes(dir_.filePath("Recordes.qdx")).size(), 144);
    program.Show();
    QTRY_VERIFY(program.main_window().isVisible());
    auto* name = program.main_window().findChild<QLabel*>("LabelNomePonto");
    auto* balance = program.main_window().findChild<QLabel*>("LabelPonto");
    QVERIFY(name && balance);
    QTRY_COMPARE(name->text(), QString("ANA"));
    QCOMPARE(balance->text(), QString("2"));
    QCOMPARE(script.unexpected(), 0);
    program.main_window().hide();
  }

  // The first-place line follows the records file whenever a result may have changed it: a
  // restart's tally and the exit's line show at once, without the window being shown again.
  void theFirstPlaceFollowsEveryNewRecord() {
    ModalScript script;
    script.Ok();  // "Conf.dll" missing
    truco::Program program(Paths(), false);
    script.Ok();  // "Recordes.qdx" missing
    program.Show();
    QTRY_COMPARE(script.pending(), std::size_t{0});
    auto* name = program.main_window().findChild<QLabel*>("LabelNomePonto");
    auto* balance = program.main_window().findChild<QLabel*>("LabelPonto");
    QVERIFY(name && balance);

    truco::GameState& s = program.game().mutable_state();
    s.hand_counter = 5;  // a hand was dealt: "Iniciar" asks to restart
    s.games_player = 4;
    s.games_computer = 1;
    script.Answer("OK", [](QWidget* dialog) {
      auto* edit = dialog->findChild<QLineEdit*>("E_NOME");
      QVERIFY(edit);
      edit->setText("ANA");
    });
    script.Yes();
    program.main_window().BInicioClick();
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(name->text(), QString("ANA"));
    QCOMPARE(balance->text(), QString("3"));

    // Leaving behind hands the computer's line over; it leads the table now.
    program.main_window().SetQuitAction([] {});
    s.games_player = 0;
    s.games_computer = 9;
    script.Yes().Ok();
    program.main_window().BsairClick();
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(name->text(), QString("COMPUTADOR"));
    QCOMPARE(balance->text(), QString("9"));
    program.main_window().hide();
  }
};

QTEST_MAIN(TestProgram)
#include "test_program.moc"
