#pragma once
// The toolkit's own texts (file dialogs, edit menus, standard buttons) in Brazilian Portuguese,
// like the rest of the game. The texts the game fixes itself are not touched.

class QString;
class QWidget;

namespace truco {

// Installs the toolkit's Brazilian Portuguese translation and makes pt_BR the default locale.
// False when the translation is not installed: the toolkit then speaks English.
bool LoadToolkitTranslation();

// The name of a file to write, asked in the toolkit's own dialog (never the desktop's, which
// speaks the system's language), its list in Portuguese whatever the system locale: folders are
// "Pasta" and dates in the Brazilian form. Empty when the player cancels.
QString AskFileToSave(QWidget* parent, const QString& caption, const QString& file,
                      const QString& filter);

}  // namespace truco
