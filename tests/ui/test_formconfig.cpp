#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "store/settings_file.h"
#include "tests/store/boxes.h"
#include "tests/store/file_faults.h"
#include "tests/support_files.h"
#include "tests/ui/modal.h"
#include "ui/card.h"
#include "ui/formconfig.h"
#include "ui/formcor.h"

namespace truco {

namespace {

using truco::testing::FileBytes;
using truco::testing::PutFile;

QByteArray Record(char manilha, char eleven, char deck, int filler = 0,
                  ColourCode colour = kButtonFaceCode) {
  settings_record r;
  r.manilha_code = static_cast<std::uint8_t>(manilha);
  r.eleven_code = static_cast<std::uint8_t>(eleven);
  r.deck_type = static_cast<std::uint8_t>(deck);
  r.filler = static_cast<std::uint8_t>(filler);
  r.background_colour = colour;
  return EncodeSettingsFile(r);
}

// One run of the program's settings: the file, the record in memory, both windows.
struct Fixture {
  QTemporaryDir dir;
  QString path = dir.filePath("Conf.dll");
  std::unique_ptr<SettingsStore> store;
  std::unique_ptr<TFormCor> colours;
  std::unique_ptr<TFormConfig> config;

  explicit Fixture(const QByteArray& file) {
    PutFile(path, file);
    store = std::make_unique<SettingsStore>(path);
    store->LoadAtStart();
    colours = std::make_unique<TFormCor>(store.get());
    config = std::make_unique<TFormConfig>(store.get(), colours.get());
  }
  template <typename T>
  T* Child(const char* name) const {
    T* w = config->findChild<T*>(name);
    Q_ASSERT(w);
    return w;
  }
  void Click(const char* name) const {
    QTest::mouseClick(Child<QAbstractButton>(name), Qt::LeftButton, {}, QPoint(8, 8));
  }
  // Opening from the main window: the colour selection first, then the window.
  void Open(ColourCode main_background = kButtonFaceCode) const {
    colours->setSelectedCode(main_background);
    config->show();
  }
};

}  // namespace

class TestFormConfig : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QVERIFY(!QApplication::activeModalWidget()); }

  void controlsAndExampleCards() {
    Fixture f(Record('1', '1', '1'));
    QCOMPARE(f.config->windowTitle(), QString("Configurações"));
    QVERIFY(!(f.config->windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(f.Child<QPushButton>("BHelp")->text(), QString("O Que é\nSujo e Limpo?"));
    QCOMPARE(f.Child<QPushButton>("SpeedButton2")->text(), QString("Cores de Fundo"));
    QCOMPARE(f.Child<QPushButton>("SpeedButton1")->text(), QString("Gravar e Fechar"));
    QCOMPARE(f.Child<QGroupBox>("Radio11")->title(), QString(" Mão de 11 x 11 "));
    QCOMPARE(f.Child<QGroupBox>("RadioBaralho")->title(), QString(" Tipo de Baralho "));
    QCOMPARE(f.Child<QRadioButton>("RadioNova")->text(), QString("Manilha Nova"));
    QCOMPARE(f.Child<QRadioButton>("RadioVelha")->text(), QString("Manilha Velha"));

    auto card = [&](const char* name) { return f.Child<TCard>(name); };
    QCOMPARE(card("CartaVira")->card(), (Card{1, Suit::Hearts}));
    QVERIFY(!card("CartaVira")->showDeck());
    const Card nova[] = {
        {2, Suit::Clubs}, {2, Suit::Hearts}, {2, Suit::Spades}, {2, Suit::Diamonds}};
    const Card velha[] = {
        {4, Suit::Clubs}, {7, Suit::Hearts}, {1, Suit::Spades}, {7, Suit::Diamonds}};
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(card(qPrintable(QString("ManilhaNova%1").arg(i + 1)))->card(), nova[i]);
      QCOMPARE(card(qPrintable(QString("ManilhaVelha%1").arg(i + 1)))->card(), velha[i]);
    }
    QVERIFY(card("CartaMonte")->showDeck());
    QCOMPARE(card("CartaMonte")->deckType(), TDecks::Standard1);
  }

  void selectionsStartFromTheRecord() {
    Fixture f(Record('2', '2', '1'));
    QCOMPARE(f.config->manilha_mode(), ManilhaMode::Velha);
    QCOMPARE(f.config->eleven_mode(), 1);
    QCOMPARE(f.config->deck_index(), 0);
    QVERIFY(!f.Child<QGroupBox>("RadioBaralho")->isEnabled());

    Fixture limpo(Record('1', '1', '2'));
    QCOMPARE(limpo.config->manilha_mode(), ManilhaMode::Nova);
    QCOMPARE(limpo.config->deck_index(), 1);
    QVERIFY(limpo.Child<QGroupBox>("RadioBaralho")->isEnabled());
    QCOMPARE(limpo.config->current_key(), QString("RadioNovaBaralho Limpo"));

    // Unknown codes leave the design selections.
    Fixture odd(Record('x', '9', '\0'));
    QCOMPARE(odd.config->manilha_mode(), ManilhaMode::Nova);
    QCOMPARE(odd.config->eleven_mode(), 0);
    QCOMPARE(odd.config->deck_index(), 0);
  }

  void manilhaVelhaForcesTheDirtyDeck() {
    Fixture f(Record('1', '1', '2'));
    f.Open();
    QCOMPARE(f.config->deck_index(), 1);
    f.Click("RadioVelha");
    QCOMPARE(f.config->deck_index(), 0);
    QVERIFY(!f.Child<QGroupBox>("RadioBaralho")->isEnabled());
    QCOMPARE(f.config->current_key(), QString("RadioVelhaBaralho Sujo"));
    f.Click("RadioNova");
    QVERIFY(f.Child<QGroupBox>("RadioBaralho")->isEnabled());
    QCOMPARE(f.config->deck_index(), 0);
    QCOMPARE(f.config->activation_key(), QString("RadioNovaBaralho Limpo"));
    testing::AnswerNextModal("&No");
    f.Click("SpeedButton1");
  }

  // Only the hand of eleven changed: no question, no restart, saved.
  void elevenAloneSavesWithoutAsking() {
    Fixture f(Record('1', '1', '1', 0x42));
    QSignalSpy restart(f.config.get(), &TFormConfig::matchRestartRequested);
    f.Open();
    f.Click("Radio11Escuro");
    QCOMPARE(testing::CountModalsDuring([&] { f.Click("SpeedButton1"); }), 0);
    QVERIFY(!f.config->isVisible());
    QCOMPARE(restart.count(), 0);
    QCOMPARE(FileBytes(f.path), Record('1', '2', '1', 0x42));
  }

  // Velha and back to Nova with the dirty deck: the keys are equal, nothing is asked.
  void togglingBackAsksNothing() {
    Fixture f(Record('1', '1', '1'));
    f.Open();
    f.Click("RadioVelha");
    f.Click("RadioNova");
    QCOMPARE(testing::CountModalsDuring([&] { f.Click("SpeedButton1"); }), 0);
    QCOMPARE(FileBytes(f.path), Record('1', '1', '1'));
  }

  void yesSavesManilhaAndDeckAndRestarts() {
    Fixture f(Record('1', '1', '2', 7));
    QSignalSpy restart(f.config.get(), &TFormConfig::matchRestartRequested);
    f.Open(0x00800000);
    f.Click("RadioVelha");
    QString seen;
    testing::AnswerNextModal("&Yes", &seen);
    f.Click("SpeedButton1");
    QVERIFY(
        seen.contains("Se você mudar as configurações agora, terá que reiniciar a partida. "
                      "Deseja reiniciar ?"));
    QCOMPARE(restart.count(), 1);
    QCOMPARE(FileBytes(f.path), Record('2', '1', '1', 7, 0x00800000));
    QCOMPARE(f.store->record().manilha_code, kManilhaVelhaCode);
    // Opened again later: still velha, deck group still disabled.
    f.Open(0x00800000);
    QCOMPARE(f.config->manilha_mode(), ManilhaMode::Velha);
    QVERIFY(!f.Child<QGroupBox>("RadioBaralho")->isEnabled());
    f.Click("SpeedButton1");
  }

  // No keeps the stored manilha and deck (and shows them) but still saves eleven and colour.
  void noKeepsManilhaAndDeckButSavesTheRest() {
    Fixture f(Record('1', '1', '1'));
    QSignalSpy restart(f.config.get(), &TFormConfig::matchRestartRequested);
    f.Open(0x000000FF);
    f.Click("RadioLimpo");
    f.Click("Radio11Escuro");
    testing::AnswerNextModal("&No");
    f.Click("SpeedButton1");
    QCOMPARE(restart.count(), 0);
    QCOMPARE(f.config->deck_index(), 0);
    QCOMPARE(f.config->eleven_mode(), 1);
    QCOMPARE(FileBytes(f.path), Record('1', '2', '1', 0, 0x000000FF));
  }

  // A colour picked and cancelled (button or Escape) is forgotten: the next save writes the
  // colour that was there, and so does the next start.
  void cancelledColourIsNotSaved() {
    Fixture f(Record('1', '1', '1', 0, 0x00008000));
    QSignalSpy chosen(f.config.get(), &TFormConfig::backgroundChosen);
    f.Open(0x00008000);
    testing::OnNextModal([](QWidget* modal) {
      QTest::mouseClick(modal->findChild<QFrame*>("Cor4"), Qt::LeftButton);
      QTest::mouseClick(modal->findChild<QPushButton*>("BCancelar"), Qt::LeftButton);
    });
    f.Click("SpeedButton2");
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(f.colours->selectedCode(), ColourCode{0x00008000});
    testing::OnNextModal([](QWidget* modal) {
      QTest::mouseClick(modal->findChild<QFrame*>("Cor12"), Qt::LeftButton);
      QTest::keyClick(modal, Qt::Key_Escape);
    });
    f.Click("SpeedButton2");
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(FileBytes(f.path), Record('1', '1', '1', 0, 0x00008000));
    f.Click("SpeedButton1");
    QCOMPARE(FileBytes(f.path), Record('1', '1', '1', 0, 0x00008000));

    // The next start reads the colour that was there.
    SettingsStore next(f.path);
    QVERIFY(next.LoadAtStart().read.ok());
    QCOMPARE(next.record().background_colour, ColourCode{0x00008000});

    // A pick after a cancel still counts when confirmed.
    f.Open(0x00008000);
    testing::OnNextModal([](QWidget* modal) {
      QTest::mouseClick(modal->findChild<QFrame*>("Cor2"), Qt::LeftButton);
      QTest::mouseClick(modal->findChild<QPushButton*>("BOK"), Qt::LeftButton);
    });
    f.Click("SpeedButton2");
    QCOMPARE(chosen.count(), 1);
    f.Click("SpeedButton1");
    QCOMPARE(FileBytes(f.path), Record('1', '1', '1', 0, 0x0000FFFF));
  }

  void colourOkWritesAtOnceAndKeepsTheCode() {
    Fixture f(Record('2', '2', '1', 3));
    QSignalSpy chosen(f.config.get(), &TFormConfig::backgroundChosen);
    f.Open();
    testing::OnNextModal([](QWidget* modal) {
      QTest::mouseClick(modal->findChild<QFrame*>("Cor20"), Qt::LeftButton);
      QTest::mouseClick(modal->findChild<QPushButton*>("BOK"), Qt::LeftButton);
    });
    f.Click("SpeedButton2");
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).value<ColourCode>(), SystemColourCode(kSysHighlight));
    QCOMPARE(FileBytes(f.path), Record('2', '2', '1', 3, SystemColourCode(kSysHighlight)));
    f.Click("SpeedButton1");
  }

  // The file vanished while the window was open: warned, rebuilt from the default record, and
  // the eleven choice and colour of this save still written over it.
  void vanishedFileIsRebuilt() {
    Fixture f(Record('2', '2', '1', 9));
    f.Open(0x0000FF00);
    f.Click("RadioNova");
    QFile::remove(f.path);
    QString warning;
    testing::AnswerNextModal("&Yes");
    QTimer::singleShot(200, [&] { testing::AnswerNextModal("OK", &warning); });
    f.Click("SpeedButton1");
    QVERIFY(warning.contains("Arquivo \"Conf.dll\" não encontrado, criando agora..."));
    QCOMPARE(FileBytes(f.path), Record('1', '2', '1', 9, 0x0000FF00));
  }

  // A full disk: one box that says so (not "não encontrado"), no restart, the old file whole, and
  // the choice that was not saved is not shown as if it were.
  void fullDiskIsToldAndRestartsNothing() {
    const QByteArray mine = Record('2', '2', '1', 9, 0x00800000);
    Fixture f(mine);
    QSignalSpy restart(f.config.get(), &TFormConfig::matchRestartRequested);
    f.Open(0x00800000);
    f.Click("RadioNova");
    testing::ModalScript script;
    script.Yes().Ok();
    {
      testing::InjectedFaults faults;
      faults.write_error = ENOSPC;
      faults.write_after = 3;
      f.Click("SpeedButton1");
    }
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(script.texts().size(), 2);
    QCOMPARE(script.texts()[1],
             QString::fromUtf8("Não foi possível gravar o arquivo \"Conf.dll\": o disco está "
                               "cheio.\nAs configurações não foram gravadas; o arquivo não foi "
                               "alterado."));
    QCOMPARE(restart.count(), 0);
    QCOMPARE(f.config->manilha_mode(), ManilhaMode::Velha);
    QCOMPARE(FileBytes(f.path), mine);
    QVERIFY(testing::TemporaryFiles(QFileInfo(f.path).path()).isEmpty());
  }

  void openFromTheMainWindowIsModal() {
    Fixture f(Record('1', '1', '1'));
    testing::OnNextModal([&f](QWidget* modal) {
      QCOMPARE(modal, static_cast<QWidget*>(f.config.get()));
      f.Click("SpeedButton1");
    });
    QCOMPARE(f.config->OpenFrom(0x00808080), int(QDialog::Accepted));
    QCOMPARE(f.colours->selectedCode(), ColourCode{0x00808080});
    QCOMPARE(FileBytes(f.path), Record('1', '1', '1', 0, 0x00808080));
  }

  // Tab walks every control in reading order, one stop per option group, each stop a visible
  // control inside the window; the arrows choose inside a group; "Cores de Fundo" opens the
  // colour window from the keyboard.
  void tabReachesEveryControlInReadingOrder() {
    Fixture f(Record('1', '1', '1'));
    f.Open();
    QVERIFY(QTest::qWaitForWindowActive(f.config.get()));
    QStringList stops;
    for (int i = 0; i < 20; ++i) {
      QWidget* focus = QApplication::focusWidget();
      QVERIFY(focus);
      QVERIFY2(focus->isVisible() && f.config->rect().contains(QRect(
                                         focus->mapTo(f.config.get(), QPoint()), focus->size())),
               qPrintable(focus->objectName()));
      if (stops.contains(focus->objectName())) break;
      stops << focus->objectName();
      QTest::keyClick(focus, Qt::Key_Tab);
    }
    QCOMPARE(stops, QStringList({"RadioNova", "Radio11Normal", "RadioSujo", "BHelp", "SpeedButton2",
                                 "SpeedButton1", "RadioClassico"}));
    // The arrows choose inside a group, and Tab then stops on the new choice.
    f.Child<QWidget>("Radio11Normal")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QVERIFY(f.Child<QRadioButton>("Radio11Escuro")->isChecked());
    QCOMPARE(QApplication::focusWidget(), f.Child<QWidget>("Radio11Escuro"));
    bool colour_opened = false;
    testing::OnNextModal([&](QWidget* modal) {
      colour_opened = modal == f.colours.get();
      static_cast<QDialog*>(modal)->reject();
    });
    f.Child<QWidget>("SpeedButton2")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(colour_opened);
    f.Click("SpeedButton1");
  }

  void helpAndEscape() {
    Fixture f(Record('1', '1', '1'));
    QSignalSpy help(f.config.get(), &TFormConfig::helpRequested);
    f.Open();
    // The keyboard starts on the manilha option in force, where the player sees it.
    QVERIFY(QTest::qWaitForWindowActive(f.config.get()));
    QCOMPARE(QApplication::focusWidget(), f.Child<QWidget>("RadioNova"));
    f.Click("BHelp");
    QCOMPARE(help.count(), 1);
    QTest::keyClick(f.config.get(), Qt::Key_Escape);
    QVERIFY(f.config->isVisible());

    f.Click("SpeedButton1");
    QVERIFY(!f.config->isVisible());
  }
};

// The colour window on its own.
class TestFormCor : public QObject {
  Q_OBJECT

 private slots:
  void swatchesShowTheirColoursAndKeepCodes() {
    TFormCor window(nullptr);
    QCOMPARE(window.windowTitle(), QString("FormCor"));
    const auto& codes = SwatchCodes();
    QCOMPARE(codes[0], ColourCode{0x0000FF00});
    QCOMPARE(codes[19], SystemColourCode(kSysHighlight));
    for (int i = 0; i < kNumSwatches; ++i) {
      auto* swatch = window.findChild<QFrame*>(QString("Cor%1").arg(i + 1));
      QVERIFY(swatch);
      QCOMPARE(swatch->palette().color(QPalette::Window), ColourFromCode(codes[i]));
      QTest::mouseClick(swatch, Qt::LeftButton);
      QCOMPARE(window.selectedCode(), codes[i]);
      QCOMPARE(window.findChild<QLineEdit*>("EditCor")->palette().color(QPalette::Base),
               ColourFromCode(codes[i]));
    }
  }

  // Without a mouse: the arrows walk the grid from the first swatch (the main window's colour
  // is none of them), stop at its edges, and Enter keeps what they reached.
  void arrowsWalkTheSwatches() {
    TFormCor window(nullptr);
    window.setSelectedCode(kButtonFaceCode);
    const auto& codes = SwatchCodes();
    testing::OnNextModal([&codes](QWidget* modal) {
      auto* cor = static_cast<TFormCor*>(modal);
      QVERIFY(QTest::qWaitForWindowActive(modal));
      QWidget* focus = QApplication::focusWidget();
      QVERIFY(focus);
      QTest::keyClick(focus, Qt::Key_Left);
      QCOMPARE(cor->selectedCode(), codes[0]);
      QTest::keyClick(focus, Qt::Key_Left);
      QTest::keyClick(focus, Qt::Key_Up);
      QCOMPARE(cor->selectedCode(), codes[0]);
      QTest::keyClick(focus, Qt::Key_Right);
      QTest::keyClick(focus, Qt::Key_Down);
      QTest::keyClick(focus, Qt::Key_Down);
      QCOMPARE(cor->selectedCode(), codes[11]);
      for (int i = 0; i < 5; ++i) QTest::keyClick(focus, Qt::Key_Down);
      QCOMPARE(cor->selectedCode(), codes[19]);
      QTest::keyClick(focus, Qt::Key_Return);
    });
    QCOMPARE(window.exec(), int(QDialog::Accepted));
    QCOMPARE(window.selectedCode(), codes[19]);
  }

  void directAndSystemCodes() {
    QCOMPARE(ColourFromCode(0x000000FF), QColor(255, 0, 0));
    QCOMPARE(ColourFromCode(0x00FF0000), QColor(0, 0, 255));
    QCOMPARE(ColourFromCode(0x00C0DCC0), QColor(0xC0, 0xDC, 0xC0));
    QCOMPARE(ColourFromCode(kButtonFaceCode), ColourFromCode(kButtonFaceCode));
    // Every system index in use has its own fixed colour; unknown ones still give one.
    QSet<QRgb> seen;
    for (int index : {0, 5, 13, 15, 19, 22, 27}) {
      const QColor c = ColourFromCode(SystemColourCode(index));
      QVERIFY(c.isValid());
      seen.insert(c.rgb());
    }
    QCOMPARE(seen.size(), 7);
    QVERIFY(ColourFromCode(SystemColourCode(200)).isValid());
    QCOMPARE(ColourFromCode(0x02008000), QColor(0, 128, 0));
  }

  void okWithoutFileStillReturnsOk() {
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("missing/Conf.dll"));
    TFormCor window(&store);
    testing::OnNextModal([](QWidget* modal) {
      QTest::mouseClick(modal->findChild<QFrame*>("Cor2"), Qt::LeftButton);
      QTest::mouseClick(modal->findChild<QPushButton*>("BOK"), Qt::LeftButton);
    });
    QCOMPARE(window.exec(), int(QDialog::Accepted));
    QCOMPARE(window.selectedCode(), ColourCode{0x0000FFFF});
  }

  void takesTheMainBackground() {
    TFormCor window(nullptr);
    window.setMainBackground(QColor(1, 2, 3));
    QCOMPARE(window.palette().color(QPalette::Window), QColor(1, 2, 3));
    QCOMPARE(window.findChild<QFrame*>("PanelBotoes")->palette().color(QPalette::Window),
             QColor(1, 2, 3));
  }
};

}  // namespace truco

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  truco::TestFormConfig config;
  truco::TestFormCor colours;
  return QTest::qExec(&config, argc, argv) | QTest::qExec(&colours, argc, argv);
}
#include "test_formconfig.moc"
