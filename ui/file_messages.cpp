#include "ui/file_messages.h"

#include <cerrno>

#include "ui/messageboxes.h"

namespace truco {

namespace {

QString Quoted(const QString& file_name) {
  return QStringLiteral("\"%1\"").arg(file_name);
}

QString KindReason(FileKind kind) {
  switch (kind) {
    case FileKind::Folder:
      return QStringLiteral("é uma pasta, não um arquivo comum");
    case FileKind::Pipe:
      return QStringLiteral("é um pipe (fila nomeada), não um arquivo comum");
    case FileKind::Device:
      return QStringLiteral("é um dispositivo, não um arquivo comum");
    case FileKind::Socket:
      return QStringLiteral("é um socket, não um arquivo comum");
    case FileKind::Regular:
    case FileKind::Other:
      break;
  }
  return QStringLiteral("não é um arquivo comum");
}

QString Size(std::int64_t bytes) {
  if (bytes >= (std::int64_t{1} << 20) && bytes % (std::int64_t{1} << 20) == 0)
    return QStringLiteral("%1 MiB").arg(bytes >> 20);
  return QStringLiteral("%1 bytes").arg(bytes);
}

}  // namespace

QString ErrnoReason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return QStringLiteral("sem permissão");
    case ENOSPC:
      return QStringLiteral("o disco está cheio");
    case EDQUOT:
      return QStringLiteral("a cota de disco do usuário acabou");
    case EROFS:
      return QStringLiteral("o disco só permite leitura");
    case EFBIG:
      return QStringLiteral("o arquivo passaria do tamanho máximo permitido");
    case EIO:
      return QStringLiteral("erro de entrada e saída no disco");
    case ENOENT:
      return QStringLiteral("a pasta não existe");
    case ENOTDIR:
      return QStringLiteral("uma parte do caminho não é uma pasta");
    case EISDIR:
      return QStringLiteral("é uma pasta");
    case ENAMETOOLONG:
      return QStringLiteral("o caminho é longo demais");
    case EMFILE:
    case ENFILE:
      return QStringLiteral("há arquivos abertos demais");
    case ELOOP:
      return QStringLiteral("há atalhos demais no caminho");
    case EBUSY:
    case ETXTBSY:
      return QStringLiteral("o arquivo está em uso");
    case EAGAIN:
      return QStringLiteral("o arquivo está bloqueado");
    case ENOMEM:
      return QStringLiteral("falta memória");
    case EEXIST:
      return QStringLiteral("o arquivo temporário já existe");
    case EXDEV:
      return QStringLiteral("o arquivo está em outro disco");
    case 0:
      return QStringLiteral("erro desconhecido");
    default:
      break;
  }
  return QStringLiteral("erro do sistema número %1").arg(error);
}

QString FileFaultReason(const FileStatus& status) {
  switch (status.fault) {
    case FileFault::None:
      return QStringLiteral("nenhum erro");
    case FileFault::Missing:
      return QStringLiteral("o arquivo não existe");
    case FileFault::Unreadable:
      if (status.error == EACCES || status.error == EPERM)
        return QStringLiteral("sem permissão de leitura");
      return ErrnoReason(status.error);
    case FileFault::NotRegularFile:
      return KindReason(status.kind);
    case FileFault::TooLarge:
      return QStringLiteral("o arquivo tem %1, mais que o limite de %2 que o jogo lê e grava")
          .arg(Size(status.size), Size(status.limit));
    case FileFault::ReadError:
      return QStringLiteral("erro durante a leitura (%1)").arg(ErrnoReason(status.error));
    case FileFault::Short:
      return QStringLiteral("o arquivo está incompleto (%1 bytes)").arg(status.size);
    case FileFault::WriteFailed:
      if (status.error == EACCES || status.error == EPERM) {
        if (status.folder.empty()) return QStringLiteral("sem permissão de gravação na pasta");
        return QStringLiteral("sem permissão de gravação na pasta %1")
            .arg(Quoted(QString::fromStdString(status.folder)));
      }
      return ErrnoReason(status.error);
    case FileFault::ReadOnly:
      return QStringLiteral("o arquivo está marcado como somente leitura e ficou como estava");
    case FileFault::OtherOwner:
      return QStringLiteral("o arquivo pertence a outro usuário e ficou como estava");
  }
  return ErrnoReason(status.error);
}

QStringList FileFailureLines(const QString& file_name, const FileStatus& status,
                             const QString& consequence) {
  const QString verb = status.fault == FileFault::WriteFailed ||
                               status.fault == FileFault::ReadOnly ||
                               status.fault == FileFault::OtherOwner
                           ? QStringLiteral("gravar")
                           : QStringLiteral("ler");
  QStringList lines{QStringLiteral("Não foi possível %1 o arquivo %2: %3.")
                        .arg(verb, Quoted(file_name), FileFaultReason(status))};
  if (!consequence.isEmpty()) lines << consequence;
  return lines;
}

void ReportSettingsStartup(const SettingsStartup& startup) {
  const QString name = QString::fromLatin1(kSettingsFileName);
  if (startup.read.ok()) return;
  if (!startup.wrote_default) {
    Mensagem(FileFailureLines(name, startup.read,
                              QStringLiteral("O arquivo não foi alterado; o jogo segue com as "
                                             "configurações padrão.")),
             kMensagemErro);
    return;
  }
  if (startup.read.missing()) {
    MOSTRA_MENSAGEM(QStringLiteral("Arquivo \"Conf.dll\" não encontrado. Criando agora..."),
                    kMostraInformacao);
  } else {
    MOSTRA_MENSAGEM(QStringLiteral("Arquivo \"Conf.dll\" incompleto (%1 de 8 bytes). Completando "
                                   "com as configurações padrão...")
                        .arg(startup.read.size),
                    kMostraInformacao);
  }
  if (!startup.created.ok()) {
    Mensagem(FileFailureLines(name, startup.created,
                              QStringLiteral("O jogo segue com as configurações padrão.")),
             kMensagemErro);
  }
}

bool ReportSettingsSave(const SettingsSave& save) {
  const QString name = QString::fromLatin1(kSettingsFileName);
  if (save.saved()) return false;
  if (save.wrote_default) {
    if (save.read.missing()) {
      Mensagem({QStringLiteral("Arquivo \"Conf.dll\" não encontrado, criando agora...")},
               kMensagemAtencao);
    } else {
      Mensagem({QStringLiteral("Arquivo \"Conf.dll\" incompleto (%1 de 8 bytes), gravando as "
                               "configurações padrão...")
                    .arg(save.read.size)},
               kMensagemAtencao);
    }
    if (!save.created.ok()) Mensagem(FileFailureLines(name, save.created), kMensagemErro);
    return true;
  }
  const FileStatus& failed = save.read.ok() ? save.write : save.read;
  Mensagem(FileFailureLines(name, failed,
                            QStringLiteral("As configurações não foram gravadas; o arquivo não "
                                           "foi alterado.")),
           kMensagemErro);
  return true;
}

void ReportRecordsFirstRow(const FileStatus& status) {
  if (status.ok()) return;
  if (status.missing()) {
    MOSTRA_MENSAGEM(QStringLiteral("Arquivo \"Recordes.qdx\" não encontrado"), kMostraInformacao);
    return;
  }
  Mensagem(FileFailureLines(QString::fromLatin1(kRecordsFileName), status,
                            QStringLiteral("O arquivo não foi alterado.")),
           kMensagemErro);
}

void ReportRecordsSubmit(const RecordsSubmit& submit) {
  const QString consequence =
      QStringLiteral("O resultado não entrou nos recordes; o arquivo não foi alterado.");
  const QString name = QString::fromLatin1(kRecordsFileName);
  if (!submit.read.ok() && !submit.read.missing()) {
    Mensagem(FileFailureLines(name, submit.read, consequence), kMensagemErro);
  } else if (submit.wrote && !submit.write.ok()) {
    Mensagem(FileFailureLines(name, submit.write,
                              submit.read.missing()
                                  ? QStringLiteral("O resultado não entrou nos recordes.")
                                  : consequence),
             kMensagemErro);
  }
}

}  // namespace truco
