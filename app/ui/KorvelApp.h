// The application object: start-up and shut-down of the program.
#pragma once

#include <wx/app.h>
#include <wx/arrstr.h>

namespace quillon {

class CKorvelApp : public wxApp {
 public:
  bool OnInit() override;
  void OnInitCmdLine(wxCmdLineParser& parser) override;
  bool OnCmdLineParsed(wxCmdLineParser& parser) override;

 private:
  wxArrayString filesToOpen_;
};

}  // namespace quillon

wxDECLARE_APP(quillon::CKorvelApp);
