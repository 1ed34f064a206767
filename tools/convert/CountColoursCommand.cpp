#include "tools/convert/CountColoursCommand.h"

#include <new>

#include "core/analysis/ColourConversion.h"
#include "core/analysis/ColourCount.h"
#include "tools/convert/ConvertInput.h"

namespace quillon::convert {

int RunCountColours(const ConvertArguments& arguments, FileIoContext& context, TextUiServices& ui,
                    std::ostream& out) {
  PictureDocument document;
  if (!OpenInput(arguments.files[0], document, context, ui, arguments)) return 1;
  std::uint32_t count = 0;
  try {
    count = CountColours(document.GetPicture());
  } catch (const std::bad_alloc&) {
    ui.MessageBox(kConversionMemoryMessage, MessageIcon::Exclamation);
    return 1;
  }
  out << FormatMessage(ui.Strings().Load(kColourCountMessage), {std::int64_t{count}}) << '\n';
  return 0;
}

}  // namespace quillon::convert
