#include "window/Boxes.h"

#include <wx/msgdlg.h>

#include <exception>

#include "window/TextConversion.h"
#include "window/WindowTexts.h"

namespace window {

void ShowWarningBox(wxWindow* parent, const wxString& text) {
  wxMessageDialog box(parent, text, ToWx(texts::kWarningCaption), wxOK | wxICON_WARNING | wxCENTRE);
  box.SetOKLabel(ToWx(texts::kOkButton));
  box.ShowModal();
}

void ShowAbortErrorBox(wxWindow* parent, const wxString& text) {
  wxMessageDialog box(parent, text, ToWx(texts::kErrorCaption), wxOK | wxICON_ERROR | wxCENTRE);
  box.SetOKLabel(ToWx(texts::kAbortButton));
  box.ShowModal();
}

void ShowErrorReportBox(wxWindow* parent, const wxString& caption, const wxString& text) {
  wxMessageDialog box(parent, text, caption, wxOK | wxICON_ERROR | wxCENTRE);
  box.SetOKLabel(ToWx(texts::kOkButton));
  box.ShowModal();
}

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return std::string(texts::kUnknownError);
  }
}

std::unique_ptr<wxFileDialog> MakePictureDialog(wxWindow* parent) {
  // No title, folder or default extension: the platform's defaults apply. The
  // platform's file chooser is resizable and has no read-only box.
  auto dialog = std::make_unique<wxFileDialog>(parent, wxFileSelectorPromptStr, wxEmptyString,
                                               wxEmptyString, ToWx(texts::kPictureFilter),
                                               wxFD_OPEN | wxFD_MULTIPLE | wxFD_PREVIEW);
  dialog->SetFilterIndex(0);
  return dialog;
}

}  // namespace window
