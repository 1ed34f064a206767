// Runs GUI tests inside one toolkit session. A failed toolkit assertion fails the test that
// caused it instead of opening a dialog.
#include <gtest/gtest.h>

#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include "ui/QuillonApp.h"

wxIMPLEMENT_APP_NO_MAIN(quillon::QuillonApp);

namespace {

void failOnAssert(const wxString& file, int line, const wxString& function, const wxString& cond,
                  const wxString& message) {
  ADD_FAILURE_AT(file.utf8_string().c_str(), line)
      << "toolkit assertion in " << function.utf8_string() << ": " << cond.utf8_string() << " "
      << message.utf8_string();
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests (as the build does) needs no display.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  wxSetAssertHandler(failOnAssert);
  if (!wxEntryStart(argc, argv)) {
    std::fprintf(stderr, "cannot start the toolkit (no display?)\n");
    return 1;
  }
  wxLog::SetActiveTarget(new wxLogStderr);
  wxInitAllImageHandlers();
  int result = 0;
  {
    wxEventLoop loop;  // so that tests can let the toolkit dispatch what is waiting
    wxEventLoopBase::SetActive(&loop);
    result = RUN_ALL_TESTS();
    wxEventLoopBase::SetActive(nullptr);
  }
  wxEntryCleanup();
  return result;
}
