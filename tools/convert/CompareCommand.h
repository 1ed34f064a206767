// quillon-convert --compare: the error measures of a picture against a reference.
#pragma once

#include <ostream>
#include <string>

#include "core/analysis/PictureComparison.h"
#include "core/document/FileIoContext.h"
#include "tools/convert/ConvertArguments.h"
#include "tools/convert/TextUiServices.h"

namespace quillon::convert {

// The lines "MAE: %lg", "MSE: %lg", "RMS: %lg", "SNR: %lg dB", "PSNR: %lg dB" and
// "SSIM: %.6f".
std::string MeasuresText(const ComparisonMeasures& measures, double ssim);

// Opens both files (with the load options) and prints the measures of the second against
// the first. Returns the exit status.
int RunCompare(const ConvertArguments& arguments, FileIoContext& context, TextUiServices& ui,
               std::ostream& out);

}  // namespace quillon::convert
