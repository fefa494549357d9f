// The program without a display: the command-line route with the console view.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace app {

class TFormMain;
class TConsoleView;

// Strips `files` with the stored settings and writes the settings back.
// After the last file one line on `err` counts what became of the files.
// Returns 0 when every file was written or already clean, 1 otherwise.
int RunConsoleProgram(const std::vector<std::string>& files, std::ostream& out, std::ostream& err);

// The command-line batch of `form` on `view`, run to its end or to the error
// that stops it, which is reported. True when an error stopped it.
bool RunConsoleBatch(TFormMain& form, TConsoleView& view, const std::vector<std::string>& files);
// Closes the view unless the batch did; a failed close is reported.
void CloseConsoleView(TFormMain& form, TConsoleView& view);

}  // namespace app
