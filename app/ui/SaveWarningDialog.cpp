#include "ui/SaveWarningDialog.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "platform/HelpBook.h"
#include "ui/QuillonApp.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr StringId kWarningTitle = 62103;  // "Warning"

}  // namespace

SaveWarningDialog::SaveWarningDialog(wxWindow* parent, const wxString& text)
    : wxDialog(parent, kTemplateId, TableText(kWarningTitle)),
      text_(text.empty() ? TableText(kAdviceText) : text) {
  auto* icon = new wxStaticBitmap(this, wxID_ANY,
                                  wxArtProvider::GetBitmap(wxART_WARNING, wxART_MESSAGE_BOX));
  auto* shown = new wxStaticText(this, kTextId, text_);
  shown->Wrap(380);

  auto* ok = new wxButton(this, wxID_OK, TableText(kOkText));
  auto* cancel = new wxButton(this, wxID_CANCEL, TableText(kCancelText));
  auto* help = new wxButton(this, wxID_HELP, TableText(kHelpText));
  ok->SetDefault();
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(ok);
  buttons->Add(cancel, 0, wxLEFT, 6);
  buttons->Add(help, 0, wxLEFT, 6);

  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(icon, 0, wxALL, 10);
  row->Add(shown, 1, wxTOP | wxRIGHT | wxBOTTOM, 10);
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(row, 1, wxEXPAND);
  column->Add(buttons, 0, wxALL | wxALIGN_RIGHT, 10);
  SetSizerAndFit(column);

  help->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ShowHelp(); });
  CentreOnParent();
}

void SaveWarningDialog::ShowHelp() {
  QuillonApp& app = wxGetApp();
  app.ShowHelpPage(HelpBaseName(app.GetLanguage()) + "/save.html");
}

}  // namespace quillon
