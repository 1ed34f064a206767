#include "ui/QuillonApp.h"

#include <algorithm>
#include <cstdio>

#include <wx/html/helpctrl.h>
#include <wx/stdpaths.h>

#include "core/formats/raster/TiffFile.h"
#include "core/pipelines/OpenDispatch.h"
#include "core/services/FormatMessage.h"
#include "core/services/SettingsTable.h"
#include "platform/FileConfigSettings.h"
#include "platform/FreeDiskSpace.h"
#include "platform/HelpBook.h"
#include "ui/CommandIds.h"
#include "ui/HistogramWindow.h"
#include "ui/MainFrame.h"
#include "ui/OpenDialog.h"
#include "ui/PictureDocTemplate.h"
#include "ui/SaveDialog.h"
#include "ui/SplashWindow.h"
#include "ui/StatisticsWindow.h"
#include "ui/TableText.h"
#include "ui/ToolWindow.h"
#include "ui/WxUiServices.h"

namespace quillon {

namespace {

constexpr StringId kHelpTitleFormat = 62107;  // "Help: %s"

constexpr std::size_t kColourCacheBytes = 32768;
constexpr int kRecentFiles = 4;
constexpr std::string_view kRecentSection = "Recent File List";

std::string recentEntry(int index) {
  return "File" + std::to_string(index + 1);
}

}  // namespace

QuillonApp::QuillonApp()
    : errorLimits_(BuildErrorLimitTable()),
      colourCache_(kColourCacheBytes, 0),
      regionPen_(wxColour(128, 128, 255), 1, wxPENSTYLE_DOT) {}

QuillonApp::~QuillonApp() = default;

bool QuillonApp::OnInit() {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(argv[i].utf8_string());
  running_ = true;
  return InitInstance(arguments);
}

int QuillonApp::OnExit() {
  ExitInstance();
  return wxApp::OnExit();
}

int QuillonApp::DisplayDepth() const {
  return env_.displayDepth.value_or(wxDisplayDepth());
}

bool QuillonApp::InitInstance(const std::vector<std::string>& arguments) {
  env_ = std::move(pending_);
  pending_ = AppEnvironment{};
  if (!env_.settings) env_.settings = std::make_unique<FileConfigSettings>();
  language_ = env_.language.value_or(UserLanguage());
  if (!env_.ui) env_.ui = std::make_unique<WxUiServices>(BuiltInStrings(language_));
  if (!env_.disk) env_.disk = std::make_unique<FreeDiskSpace>();
  InstallTiffErrorHandler(*env_.ui);
  SetAppName("Korvel Quillon 3.0");
  SetVendorName("Daskor");

  commandLine_ = ParseCommandLine(arguments);
  for (const std::string& notice : commandLine_.notices) std::fputs(notice.c_str(), stdout);
  // Legacy KVF files decode on a scale of 1 to 15: a higher quality for them is said once.
  if (commandLine_.quality > kLegacyMaxQuality &&
      std::ranges::any_of(commandLine_.files, [](const std::string& file) {
        return DispatchFile(file).kvf == KvfGeneration::Legacy;
      }))
    std::fputs(QualityClampNotice(kLegacyMaxQuality).c_str(), stdout);
  applyLoadOptions = false;
  splashUsed_ = false;

  // The frames need the document manager, so it comes first.
  docManager_ = new DocumentManager;
  new PictureDocTemplate(docManager_);
  mainFrame_ = new MainFrame(docManager_);
  if (!mainFrame_->OnCreate()) {
    mainFrame_->Destroy();
    mainFrame_ = nullptr;
    return false;
  }
  SetTopWindow(mainFrame_);
  LoadRecentFiles();
  ReadPrintSettings();
  const std::filesystem::path programDir =
      std::filesystem::path(wxStandardPaths::Get().GetExecutablePath().utf8_string()).parent_path();
  helpPath_ = HelpBookPath(language_, programDir).string();

  openDialog_ = std::make_unique<OpenDialog>(*env_.settings);
  saveDialog_ = std::make_unique<SaveDialog>(*env_.settings);
  if (commandLine_.compressionRate >= 1.0) {
    openDialog_->rateText = FormatMessage("%.1f", {commandLine_.compressionRate});
    openDialog_->loadType = LoadType::CompressionRate;
    applyLoadOptions = true;
  }
  if (commandLine_.quality > 0) {
    openDialog_->quality = commandLine_.quality;
    openDialog_->loadType = LoadType::Quality;
    applyLoadOptions = true;
  }

  mainFrame_->Check256Colors();
  for (const std::string& file : commandLine_.files) {
    docManager_->CreateDocument(wxString::FromUTF8(file), wxDOC_SILENT);
  }
  mainFrame_->Show();
  // After the frame: a window manager stacks a frame mapped later above its splash.
  if (commandLine_.showSplash && env_.allowSplash) ShowSplash();

  regionCursor_ = wxCursor(wxCURSOR_CROSS);
  deleteCursor_ = wxCursor(wxCURSOR_NO_ENTRY);

  if (Read(*env_.settings, setting::kHistogramOpen) != 0) ToggleHistogram();
  if (Read(*env_.settings, setting::kStatisticsOpen) != 0) ToggleStatistics();
  return true;
}

void QuillonApp::ExitInstance() {
  if (!env_.settings) return;  // never started
  help_.reset();
  if (mainFrame_) {
    // Still open: a test ends the run without closing the window.
    RecordToolWindows();
    docManager_->Clear(true);
    mainFrame_->Destroy();
    DeletePendingObjects();
    mainFrame_ = nullptr;
  }
  Write(*env_.settings, setting::kHistogramOpen, histogramWasOpen_ ? 1 : 0);
  Write(*env_.settings, setting::kStatisticsOpen, statisticsWasOpen_ ? 1 : 0);
  SaveRecentFiles();
  // The dialogs write their settings as they go, and so do the print options.
  openDialog_.reset();
  saveDialog_.reset();
  WritePrintSettings();
  delete docManager_;
  docManager_ = nullptr;
  histogram_ = nullptr;
  statistics_ = nullptr;
  env_ = AppEnvironment{};
}

const LoadOptions* QuillonApp::ActiveLoadOptions() {
  if (!applyLoadOptions || !openDialog_) return nullptr;
  activeLoadOptions_ = openDialog_->Options();
  return &activeLoadOptions_;
}

void QuillonApp::OnFileOpen() {
  const std::vector<std::string> files = openDialog_->Run(mainFrame_);
  for (const std::string& file : files) {
    docManager_->CreateDocument(wxString::FromUTF8(file), wxDOC_SILENT);
  }
  if (!files.empty()) applyLoadOptions = false;
}

void QuillonApp::ToggleHistogram() {
  if (histogram_) {
    histogram_->Close();
    return;
  }
  histogram_ = new HistogramWindow(mainFrame_);
  histogram_->FollowActivePicture();
  histogram_->Show();
}

void QuillonApp::ToggleStatistics() {
  if (statistics_) {
    statistics_->Close();
    return;
  }
  statistics_ = new StatisticsWindow(mainFrame_);
  statistics_->FollowActivePicture();
  statistics_->Show();
}

void QuillonApp::ForgetToolWindow(ToolWindow* window) {
  if (window == histogram_) histogram_ = nullptr;
  if (window == statistics_) statistics_ = nullptr;
}

void QuillonApp::RecordToolWindows() {
  histogramWasOpen_ = histogram_ != nullptr;
  statisticsWasOpen_ = statistics_ != nullptr;
  // Closing them writes their positions; the main frame would destroy them without a word.
  if (histogram_) histogram_->Close();
  if (statistics_) statistics_->Close();
}

void QuillonApp::ShowSplash() {
  if (splashUsed_ || !mainFrame_) return;
  splashUsed_ = true;
  splash_ = new SplashWindow(mainFrame_);
}

int QuillonApp::FilterEvent(wxEvent& event) {
  if (!splash_) return Event_Skip;
  const wxEventType type = event.GetEventType();
  // The first key or click anywhere closes the splash window and goes no further.
  if (type == wxEVT_KEY_DOWN || type == wxEVT_LEFT_DOWN || type == wxEVT_RIGHT_DOWN ||
      type == wxEVT_MIDDLE_DOWN) {
    splash_->Destroy();
    splash_ = nullptr;
    return Event_Processed;
  }
  return Event_Skip;
}

bool QuillonApp::OpenHelpBook() {
  if (!help_) {
    help_ = std::make_unique<wxHtmlHelpController>(wxHF_DEFAULT_STYLE, mainFrame_);
    help_->SetTitleFormat(TableText(kHelpTitleFormat));
    if (!help_->AddBook(wxString::FromUTF8(helpPath_))) {
      help_.reset();
      return false;
    }
  }
  return true;
}

void QuillonApp::ShowHelpContents() {
  if (OpenHelpBook()) help_->DisplayContents();
}

void QuillonApp::ShowHelpPage(const std::string& page) {
  if (OpenHelpBook()) help_->Display(wxString::FromUTF8(page));
}

void QuillonApp::ReadPrintSettings() {
  const Settings& s = *env_.settings;
  print_.centerImage = Read(s, setting::kCenterImage) != 0;
  print_.fitToPage = Read(s, setting::kFitToPage) != 0;
  print_.full = Read(s, setting::kFull) != 0;
  print_.positionX = Read(s, setting::kPositionX);
  print_.positionY = Read(s, setting::kPositionY);
  print_.size = Read(s, setting::kPrintSize);
  print_.unit = Read(s, setting::kPrintUnit);
}

void QuillonApp::WritePrintSettings() {
  Settings& s = *env_.settings;
  Write(s, setting::kCenterImage, print_.centerImage ? 1 : 0);
  Write(s, setting::kFitToPage, print_.fitToPage ? 1 : 0);
  Write(s, setting::kFull, print_.full ? 1 : 0);
  Write(s, setting::kPositionX, print_.positionX);
  Write(s, setting::kPositionY, print_.positionY);
  Write(s, setting::kPrintSize, print_.size);
  Write(s, setting::kPrintUnit, print_.unit);
}

void QuillonApp::LoadRecentFiles() {
  // Oldest first, so that File1 ends on top.
  for (int i = kRecentFiles - 1; i >= 0; --i) {
    const std::string file = env_.settings->GetProfileString(kRecentSection, recentEntry(i), "");
    if (!file.empty()) docManager_->AddFileToHistory(wxString::FromUTF8(file));
  }
  if (wxMenuBar* bar = mainFrame_->GetMenuBar()) {
    docManager_->FileHistoryUseMenu(bar->GetMenu(0));
    docManager_->FileHistoryAddFilesToMenu(bar->GetMenu(0));
  }
}

void QuillonApp::SaveRecentFiles() {
  const std::size_t count = docManager_->GetHistoryFilesCount();
  for (int i = 0; i < kRecentFiles; ++i) {
    const wxString file =
        static_cast<std::size_t>(i) < count ? docManager_->GetHistoryFile(i) : wxString();
    env_.settings->WriteProfileString(kRecentSection, recentEntry(i), file.utf8_string());
  }
}

}  // namespace quillon
