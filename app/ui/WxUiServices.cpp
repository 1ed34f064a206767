#include "ui/WxUiServices.h"

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include "ui/LoadPasswordDialog.h"
#include "ui/NumberDialog.h"
#include "ui/ProgressDialog.h"

namespace quillon {

namespace {

constexpr const char* kCaption = "Korvel Quillon 3.0";

long styleOf(const Message& message) {
  long style = 0;
  switch (message.buttons) {
    case MessageButtons::Ok:
      style |= wxOK;
      break;
    case MessageButtons::OkCancel:
      style |= wxOK | wxCANCEL;
      break;
    case MessageButtons::YesNo:
      style |= wxYES_NO;
      break;
    case MessageButtons::YesNoCancel:
      style |= wxYES_NO | wxCANCEL;
      break;
  }
  switch (message.icon) {
    case MessageIcon::None:
      break;
    case MessageIcon::Information:
      style |= wxICON_INFORMATION;
      break;
    case MessageIcon::Exclamation:
      style |= wxICON_EXCLAMATION;
      break;
    case MessageIcon::Question:
      style |= wxICON_QUESTION;
      break;
    case MessageIcon::Stop:
      style |= wxICON_ERROR;
      break;
  }
  return style;
}

}  // namespace

MessageAnswer WxUiServices::ShowMessage(const Message& message) {
  wxWindow* parent = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
  wxMessageDialog dialog(parent, wxString::FromUTF8(message.text), kCaption, styleOf(message));
  if (!message.details.empty()) dialog.SetExtendedMessage(wxString::FromUTF8(message.details));
  switch (dialog.ShowModal()) {
    case wxID_YES:
      return MessageAnswer::Yes;
    case wxID_NO:
      return MessageAnswer::No;
    case wxID_CANCEL:
      return MessageAnswer::Cancel;
    default:
      return MessageAnswer::Ok;
  }
}

std::unique_ptr<Progress> WxUiServices::BeginProgress(const std::string& caption) {
  return std::make_unique<ProgressDialog>(wxString::FromUTF8(caption));
}

void WxUiServices::BeginWaitCursor() {
  wxBeginBusyCursor();
}

void WxUiServices::EndWaitCursor() {
  if (wxIsBusy()) wxEndBusyCursor();
}

std::optional<std::string> WxUiServices::AskPassword(const PasswordPrompt& prompt) {
  wxWindow* parent = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
  LoadPasswordDialog dialog(parent, prompt);
  if (dialog.ShowModal() != wxID_OK) return std::nullopt;
  return dialog.Password();
}

}  // namespace quillon

namespace quillon {

std::optional<int> WxUiServices::AskNumber(const std::string& title, const std::string& prompt,
                                           int minimum, int maximum, int initial) {
  NumberDialog dialog(wxTheApp ? wxTheApp->GetTopWindow() : nullptr, wxString::FromUTF8(title),
                      wxString::FromUTF8(prompt), minimum, maximum, initial);
  if (dialog.ShowModal() != wxID_OK) return std::nullopt;
  return dialog.Value();
}

}  // namespace quillon
