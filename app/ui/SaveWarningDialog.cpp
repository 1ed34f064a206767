#include "ui/SaveWarningDialog.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "platform/HelpBook.h"
#include "ui/QuillonApp.h"
#include "ui/UiText.h"

namespace quillon {

const char* const SaveWarningDialog::kAdvice =
    "When compressing JPG images with Korvel, you are recommended to choose a file size smaller "
    "than or a compression rate higher than the existing JPG file. Press \"Help\" for more "
    "information.\n\nProceed anyway?";

namespace {

const char* const kGermanAdvice =
    "Wenn Sie JPG-Bilder mit Korvel komprimieren, sollten Sie eine kleinere Dateigr\u00f6\u00dfe "
    "oder eine h\u00f6here Kompressionsrate als die der vorhandenen JPG-Datei w\u00e4hlen. "
    "Dr\u00fccken Sie \"Hilfe\" f\u00fcr weitere Informationen.\n\nTrotzdem fortfahren?";

}  // namespace

SaveWarningDialog::SaveWarningDialog(wxWindow* parent, const wxString& text)
    : wxDialog(parent, kTemplateId, Localized({"Warning", "Warnung"})),
      text_(text.empty() ? Localized({kAdvice, kGermanAdvice}) : text) {
  auto* icon = new wxStaticBitmap(this, wxID_ANY,
                                  wxArtProvider::GetBitmap(wxART_WARNING, wxART_MESSAGE_BOX));
  auto* shown = new wxStaticText(this, kTextId, text_);
  shown->Wrap(380);

  auto* ok = new wxButton(this, wxID_OK, "OK");
  auto* cancel = new wxButton(this, wxID_CANCEL, Localized({"Cancel", "Abbrechen"}));
  auto* help = new wxButton(this, wxID_HELP, Localized({"&Help", "&Hilfe"}));
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
