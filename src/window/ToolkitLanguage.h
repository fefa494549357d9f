// The toolkit's own texts (its standard catalog) in the program's language,
// so that its dialogs and buttons speak it too.
#pragma once

#include <string_view>

namespace window {

// Loads the toolkit's standard catalog for `language` ("ja"; "en" needs none).
// The process's C locale is left as it is: the file-name conversion of the
// toolkit depends on it.
void UseToolkitLanguage(std::string_view language);

}  // namespace window
