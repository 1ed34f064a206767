// A program start for one GUI test, with scripted dialogs and settings kept in memory.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/time.h>
#include <wx/utils.h>

#include "core/services/MemorySettings.h"
#include "support/ForwardingSettings.h"
#include "support/RecordingUiServices.h"
#include "support/TempDir.h"
#include "ui/CommandIds.h"
#include "ui/MainFrame.h"
#include "ui/QuillonApp.h"

namespace quillon::test {

class GuiTest : public ::testing::Test {
 protected:
  void TearDown() override { Stop(); }

  // Starts the program as `quillon ARGUMENTS`; `ui` then records what it shows.
  void Start(const std::vector<std::string>& arguments = {}, int displayDepth = 24,
             Language language = Language::English) {
    AppEnvironment env;
    env.settings = std::make_unique<ForwardingSettings>(store);
    auto recorder = std::make_unique<RecordingUiServices>(BuiltInStrings(language));
    ui = recorder.get();
    env.ui = std::move(recorder);
    env.language = language;
    env.displayDepth = displayDepth;
    env.allowSplash = false;
    App().UseEnvironment(std::move(env));
    ASSERT_TRUE(App().InitInstance(arguments));
    running_ = true;
    Pump();
  }

  void Stop() {
    if (!running_) return;
    running_ = false;
    App().ExitInstance();
    ui = nullptr;
    Pump();
  }

 public:
  // Lets the toolkit handle what is waiting: paints, pending deletions, idle updates.
  static void Pump() {
    for (int i = 0; i < 5; ++i) {
      wxTheApp->ProcessPendingEvents();
      if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
        while (loop->Pending()) loop->Dispatch();
      }
      wxTheApp->ProcessIdle();
      wxMilliSleep(10);
    }
  }

  // Sends a menu command to the main frame, as the menu would, and lets it take effect.
  static void Command(int commandId) {
    wxCommandEvent event(wxEVT_MENU, id::wxIdOf(commandId));
    App().MainWindow()->GetEventHandler()->ProcessEvent(event);
    Pump();
  }

  // Lets the toolkit work for `milliseconds` of wall time: native widgets draw on the
  // toolkit's frame clock, which a few quick rounds of Pump() may not reach.
  static void Settle(int milliseconds = 300) {
    const wxLongLong end = wxGetLocalTimeMillis() + milliseconds;
    while (wxGetLocalTimeMillis() < end) {
      wxEventLoopBase* loop = wxEventLoopBase::GetActive();
      if (loop && loop->Pending()) {
        loop->Dispatch();
      } else {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        wxMilliSleep(5);
      }
    }
  }

 protected:
  static QuillonApp& App() { return wxGetApp(); }
  static MainFrame& Frame() { return *App().MainWindow(); }
  static std::size_t DocumentCount() { return App().DocManager()->GetDocumentsVector().size(); }

  MemorySettings store;
  RecordingUiServices* ui = nullptr;
  TempDir dir;

 private:
  bool running_ = false;
};

}  // namespace quillon::test
