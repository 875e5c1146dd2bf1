#pragma once
// The toolkit's own texts (file dialogs, edit menus, standard buttons) in Brazilian Portuguese,
// like the rest of the game. The texts the game fixes itself are not touched.

namespace truco {

// Installs the toolkit's Brazilian Portuguese translation and makes pt_BR the default locale.
// False when the translation is not installed: the toolkit then speaks English.
bool LoadToolkitTranslation();

}  // namespace truco
