// The application object: start-up and shut-down of the program and what lives for the
// whole run.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/cursor.h>
#include <wx/pen.h>

#include "core/display/ErrorLimitTable.h"
#include "core/display/PrintPlacement.h"
#include "core/document/CommandLine.h"
#include "core/document/LoadOptions.h"
#include "core/services/DiskSpace.h"
#include "core/services/Settings.h"
#include "core/services/UiServices.h"
#include "platform/StringTables.h"

class wxDocManager;
class wxHtmlHelpController;

namespace quillon {

class MainFrame;
class OpenDialog;
class SaveDialog;
class HistogramWindow;
class StatisticsWindow;
class ToolWindow;

// What the program takes from its surroundings; tests supply their own.
struct AppEnvironment {
  std::unique_ptr<Settings> settings;
  std::unique_ptr<UiServices> ui;
  std::unique_ptr<DiskSpace> disk;
  std::optional<Language> language;
  std::optional<int> displayDepth;  // bits per pixel of the screen
  bool allowSplash = true;
};

class QuillonApp : public wxApp {
 public:
  QuillonApp();
  ~QuillonApp() override;

  bool OnInit() override;
  int OnExit() override;
  int FilterEvent(wxEvent& event) override;

  // Start-up and shut-down; also used by tests, which run several starts in one process.
  void UseEnvironment(AppEnvironment environment) { pending_ = std::move(environment); }
  bool InitInstance(const std::vector<std::string>& arguments);
  void ExitInstance();

  Settings& GetSettings() { return *env_.settings; }
  UiServices& Ui() { return *env_.ui; }
  const DiskSpace& Disk() { return *env_.disk; }
  Language GetLanguage() const { return language_; }
  int DisplayDepth() const;
  MainFrame* MainWindow() const { return mainFrame_; }
  wxDocManager* DocManager() const { return docManager_; }
  OpenDialog& FileOpenDialog() { return *openDialog_; }
  SaveDialog& FileSaveDialog() { return *saveDialog_; }
  const PrintSettings& GetPrintSettings() const { return print_; }
  PrintSettings& PrintOptions() { return print_; }
  const ErrorLimitTable& ErrorLimits() const { return errorLimits_; }
  std::vector<std::uint8_t>& ColourCache() { return colourCache_; }
  const wxPen& RegionPen() const { return regionPen_; }
  const wxCursor& RegionCursor() const { return regionCursor_; }
  const wxCursor& DeleteCursor() const { return deleteCursor_; }

  // Compressed files are decoded only in part while this is set.
  bool applyLoadOptions = false;
  // The loading options to apply to the next open, or null for the whole file.
  const LoadOptions* ActiveLoadOptions();

  // File Open (57601): the open dialog, then every chosen file.
  void OnFileOpen();
  void ToggleHistogram();
  void ToggleStatistics();
  HistogramWindow* Histogram() const { return histogram_; }
  StatisticsWindow* Statistics() const { return statistics_; }
  void ForgetToolWindow(ToolWindow* window);
  // Remembers which tool windows are open, for the next start, and closes them; called as the
  // main frame closes.
  void RecordToolWindows();

  void ShowHelpContents();
  // The help window's controller once the help book was opened, else null.
  wxHtmlHelpController* HelpController() const { return help_.get(); }
  // A page of the help book, named relative to the book ("qlmnlee/save.html").
  void ShowHelpPage(const std::string& page);
  void ShowSplash();
  bool SplashShown() const { return splash_ != nullptr; }
  void SplashClosed() { splash_ = nullptr; }

 private:
  // Loads the help book once; false when it cannot be read.
  bool OpenHelpBook();
  void ReadPrintSettings();
  void WritePrintSettings();
  void LoadRecentFiles();
  void SaveRecentFiles();

  AppEnvironment pending_;
  AppEnvironment env_;
  Language language_ = Language::English;
  CommandLineOptions commandLine_;
  MainFrame* mainFrame_ = nullptr;
  wxDocManager* docManager_ = nullptr;
  std::unique_ptr<OpenDialog> openDialog_;
  std::unique_ptr<SaveDialog> saveDialog_;
  PrintSettings print_;
  ErrorLimitTable errorLimits_;
  std::vector<std::uint8_t> colourCache_;
  wxPen regionPen_;
  wxCursor regionCursor_;  // while enhancement regions are edited
  wxCursor deleteCursor_;  // in delete mode
  std::unique_ptr<wxHtmlHelpController> help_;
  LoadOptions activeLoadOptions_;
  std::string helpPath_;
  HistogramWindow* histogram_ = nullptr;
  StatisticsWindow* statistics_ = nullptr;
  bool histogramWasOpen_ = false;
  bool statisticsWasOpen_ = false;
  wxWindow* splash_ = nullptr;
  bool splashUsed_ = false;
  bool running_ = false;
};

}  // namespace quillon

wxDECLARE_APP(quillon::QuillonApp);
