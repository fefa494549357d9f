// The toolkit's own texts (its standard catalog, and on GTK the dialogs'
// texts of the C library's catalogs) in the program's language, so that its
// dialogs and buttons speak it too.
#pragma once

#include <string_view>

namespace window {

// Loads the toolkit's standard catalog for `language` ("ja"; "en" needs none)
// and, on GTK, takes the C library's locale from the environment, as the
// toolkit's file dialog reads its texts through it. Numbers keep the "C"
// format, and the messages follow the program's language where the desktop's
// differs, so that GTK's dialogs speak the program's language and a desktop
// in a language the program has no catalog for does not show a third one. The console run never
// gets here: its locale stays "C".
void UseToolkitLanguage(std::string_view language);

}  // namespace window
