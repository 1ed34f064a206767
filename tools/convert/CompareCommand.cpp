#include "tools/convert/CompareCommand.h"

#include <cstdio>

#include "core/analysis/StructuralSimilarity.h"
#include "tools/convert/ConvertInput.h"

namespace quillon::convert {

std::string MeasuresText(const ComparisonMeasures& measures, double ssim) {
  char text[256];
  std::snprintf(text, sizeof text,
                "MAE: %lg\nMSE: %lg\nRMS: %lg\nSNR: %lg dB\nPSNR: %lg dB\nSSIM: %.6f\n",
                measures.mae, measures.mse, measures.rms, measures.snr, measures.psnr, ssim);
  return text;
}

int RunCompare(const ConvertArguments& arguments, FileIoContext& context, TextUiServices& ui,
               std::ostream& out) {
  PictureDocument reference, compared;
  if (!OpenInput(arguments.files[0], reference, context, ui, arguments) ||
      !OpenInput(arguments.files[1], compared, context, ui, arguments)) {
    return 1;
  }
  const Picture& a = reference.GetPicture();
  const Picture& b = compared.GetPicture();
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) {
    const ComparisonArea area = ComparisonAreaOf(a, b);
    ui.Report("the pictures differ in size; comparing the top-left " + std::to_string(area.width) +
              " x " + std::to_string(area.height) + " pixels");
  }
  out << MeasuresText(CompareWithReference(a, b), StructuralSimilarity(a, b));
  return 0;
}

}  // namespace quillon::convert
