#include "ui/translation.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace truco {
namespace {

// The file list's type and date columns follow the system locale (under C: "Folder", "Dec"); the
// rest of the game speaks Brazilian Portuguese.
class PortugueseFileList : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    constexpr int kType = 2;
    constexpr int kModified = 3;
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (role == Qt::DisplayRole && files &&
        (index.column() == kType || index.column() == kModified)) {
      const QFileInfo info = files->fileInfo(mapToSource(index));
      if (index.column() == kModified) {
        return info.lastModified().isValid()
                   ? QLocale().toString(info.lastModified(), QLocale::ShortFormat)
                   : QString();
      }
      if (info.isRoot()) return QStringLiteral("Unidade");
      if (info.isDir()) return QStringLiteral("Pasta");
    }
    return QIdentityProxyModel::data(index, role);
  }
};

}  // namespace

QString AskFileToSave(QWidget* parent, const QString& caption, const QString& file,
                      const QString& filter) {
  QFileDialog dialog(parent, caption, file, filter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setProxyModel(new PortugueseFileList(&dialog));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

bool LoadToolkitTranslation() {
  const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
  QLocale::setDefault(brazil);
  // Owned by the application, which keeps it for the whole run.
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(brazil, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace truco
