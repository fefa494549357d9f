#include "window/Boxes.h"

#include <wx/msgdlg.h>
#include <wx/wxcrt.h>

#include <exception>

#include "app/ErrorReport.h"
#include "app/Texts.h"
#include "platform/Files.h"
#include "platform/Translation.h"
#include "window/TextConversion.h"
#include "window/WindowTexts.h"

namespace window {

void ShowWarningBox(wxWindow* parent, const wxString& text) {
  wxMessageDialog box(parent, text, ToWx(platform::Tr(app::texts::kWarningCaption)),
                      wxOK | wxICON_WARNING | wxCENTRE);
  box.SetOKLabel(ToWx(platform::Tr(texts::kOkButton)));
  box.ShowModal();
}

void ShowAbortErrorBox(wxWindow* parent, const wxString& text) {
  wxMessageDialog box(parent, text, ToWx(platform::Tr(app::texts::kErrorCaption)),
                      wxOK | wxICON_ERROR | wxCENTRE);
  box.SetOKLabel(ToWx(platform::Tr(texts::kAbortButton)));
  box.ShowModal();
}

void ShowErrorReportBox(wxWindow* parent, const wxString& caption, const wxString& text) {
  wxMessageDialog box(parent, text, caption, wxOK | wxICON_ERROR | wxCENTRE);
  box.SetOKLabel(ToWx(platform::Tr(texts::kOkButton)));
  box.ShowModal();
}

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return std::string(platform::Tr(texts::kUnknownError));
  }
}

wxString CaseBlindWildcard(const wxString& wildcard) {
  wxString result;
  bool pattern = false;  // fields alternate: description, patterns, ...
  for (const wxUniChar c : wildcard) {
    if (c == '|') {
      pattern = !pattern;
      result << c;
    } else if (pattern && wxIsalpha(c) && wxTolower(c) != wxToupper(c)) {
      result << '[' << wxUniChar(wxTolower(c)) << wxUniChar(wxToupper(c)) << ']';
    } else {
      result << c;
    }
  }
  return result;
}

void ReportCurrentErrorWithoutForm(wxWindow* parent) {
  ShowErrorReportBox(parent, ToWx(app::ErrorReportCaption(platform::ExecutablePath())),
                     ToWx(app::ErrorReportText(platform::Tr(CurrentExceptionMessage()))));
}

std::unique_ptr<wxFileDialog> MakePictureDialog(wxWindow* parent) {
  // No title, folder or default extension: the platform's defaults apply. The
  // platform's file chooser is resizable and has no read-only box.
  wxString filter = ToWx(platform::Tr(texts::kPictureFilter));
#ifdef __WXGTK__
  // GTK's patterns are case-sensitive, so a camera's DSC_0001.JPG would not
  // be listed; elsewhere the system's matching ignores case already.
  filter = CaseBlindWildcard(filter);
#endif
  auto dialog =
      std::make_unique<wxFileDialog>(parent, wxFileSelectorPromptStr, wxEmptyString, wxEmptyString,
                                     filter, wxFD_OPEN | wxFD_MULTIPLE | wxFD_PREVIEW);
  dialog->SetFilterIndex(0);
  return dialog;
}

}  // namespace window
