#include "ui/ColourCommands.h"

#include <optional>

#include "core/analysis/ColourConversion.h"
#include "ui/CommandIds.h"
#include "ui/FilterStrengthDialog.h"
#include "ui/MainFrame.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"
#include "ui/QuillonApp.h"

namespace quillon {

namespace {

std::optional<ColourConversion> ConversionOf(int command) {
  switch (command) {
    case id::kGrayscale:
      return ColourConversion::Grey;
    case id::kColorMap8:
      return ColourConversion::Palette;
    case id::kSmooth:
      return ColourConversion::Smooth;
    case id::kSharpen:
      return ColourConversion::Sharpen;
    default:
      return std::nullopt;
  }
}

PictureView* ActivePictureView() {
  wxDocManager* manager = wxGetApp().DocManager();
  auto* view = manager ? dynamic_cast<PictureView*>(manager->GetCurrentView()) : nullptr;
  if (!view || view->GetPictureDoc()->Data().GetPicture().IsEmpty()) return nullptr;
  return view;
}

// The strength for smoothing and sharpening; nothing when the user cancels.
std::optional<FilterStrength> AskStrength(ColourConversion conversion) {
  if (conversion != ColourConversion::Smooth && conversion != ColourConversion::Sharpen) {
    return FilterStrength::Low;
  }
  FilterStrengthDialog dialog(wxGetApp().MainWindow(), conversion == ColourConversion::Smooth
                                                           ? KernelFilter::Smooth
                                                           : KernelFilter::Sharpen);
  if (dialog.ShowModal() != wxID_OK) return std::nullopt;
  return dialog.Strength();
}

void Convert(PictureView& sourceView, ColourConversion conversion) {
  QuillonApp& app = wxGetApp();
  const Picture& source = sourceView.GetPictureDoc()->Data().GetPicture();
  // Refused pictures are told so before the strength is asked or a window is made.
  if (const std::optional<StringId> refusal = RefusalOf(conversion, source)) {
    app.Ui().MessageBox(*refusal, MessageIcon::Exclamation);
    return;
  }
  const std::optional<FilterStrength> strength = AskStrength(conversion);
  if (!strength) return;
  const std::string sourceTitle = sourceView.WindowTitle().utf8_string();

  auto* made =
      dynamic_cast<PictureDocAdapter*>(app.DocManager()->CreateDocument(wxEmptyString, wxDOC_NEW));
  if (!made) return;
  if (RunColourConversion(conversion, *strength, source, made->Data().GetPicture(), app.Ui()) !=
      ConversionOutcome::Done) {
    // Nothing to show: the window goes with its empty document.
    if (made->Close()) made->DeleteAllViews();
    return;
  }
  made->ShowTitle(wxString::FromUTF8(ConvertedTitle(conversion, sourceTitle, app.Ui().Strings())));
  made->Modify(true);
  made->UpdateAllViews();  // refits the view to the new picture and repaints it
  if (MainFrame* frame = app.MainWindow()) {
    if (auto* view = dynamic_cast<PictureView*>(app.DocManager()->GetCurrentView())) {
      frame->ShowDocumentTitle(view->WindowTitle());
    }
    frame->RefreshHistogram();
  }
}

}  // namespace

bool ColourCommandsAvailable() {
  return ActivePictureView() != nullptr;
}

void RunColourCommand(int command) {
  PictureView* view = ActivePictureView();
  if (!view) return;
  if (command == id::kCountColors) {
    ShowColourCount(view->GetPictureDoc()->Data().GetPicture(), wxGetApp().Ui());
    return;
  }
  if (const std::optional<ColourConversion> conversion = ConversionOf(command)) {
    Convert(*view, *conversion);
  }
}

}  // namespace quillon
