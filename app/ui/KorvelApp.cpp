#include "ui/KorvelApp.h"

#include <wx/cmdline.h>
#include <wx/frame.h>

wxIMPLEMENT_APP(quillon::CKorvelApp);

namespace quillon {

void CKorvelApp::OnInitCmdLine(wxCmdLineParser& parser) {
  wxApp::OnInitCmdLine(parser);
  parser.AddParam("FILE", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL | wxCMD_LINE_PARAM_MULTIPLE);
}

bool CKorvelApp::OnCmdLineParsed(wxCmdLineParser& parser) {
  for (size_t i = 0; i < parser.GetParamCount(); ++i) filesToOpen_.Add(parser.GetParam(i));
  return wxApp::OnCmdLineParsed(parser);
}

bool CKorvelApp::OnInit() {
  SetAppName("Korvel Quillon 3.0");
  SetVendorName("Daskor");
  if (!wxApp::OnInit()) return false;
  auto* frame = new wxFrame(nullptr, wxID_ANY, "Korvel Quillon 3.0", wxDefaultPosition,
                            wxSize(1024, 768));
  frame->Show();
  return true;
}

}  // namespace quillon
