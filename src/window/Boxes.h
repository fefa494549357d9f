// The window's modal message boxes and the picture dialog.
#pragma once

#include <wx/filedlg.h>
#include <wx/window.h>

#include <memory>
#include <string>

namespace window {

// Warning: caption "Warning" (警告), one "OK" button, warning icon, centred.
void ShowWarningBox(wxWindow* parent, const wxString& text);
// Error with the single Abort button: caption "Error" (エラー), "&Abort"
// (中止(&A)), error icon. The texts are in the user's language.
void ShowAbortErrorBox(wxWindow* parent, const wxString& text);
// The general error report: error icon, one OK button.
void ShowErrorReportBox(wxWindow* parent, const wxString& caption, const wxString& text);

// The message of the exception being handled; call only inside a catch block.
std::string CurrentExceptionMessage();
// The general error report of the exception being handled where no form is
// there to give it (the window is gone or going); call inside a catch block.
void ReportCurrentErrorWithoutForm(wxWindow* parent);

// The wildcard with every letter of its patterns matching either case
// ("*.jpg" becomes "*.[jJ][pP][gG]"); the descriptions are kept as they are.
wxString CaseBlindWildcard(const wxString& wildcard);

// OpenPictureDialog1: several JPEG files at once, with a preview of the
// selected picture; the first filter entry is selected.
std::unique_ptr<wxFileDialog> MakePictureDialog(wxWindow* parent);

}  // namespace window
