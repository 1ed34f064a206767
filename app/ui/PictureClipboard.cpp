#include "ui/PictureClipboard.h"

#include <algorithm>

#include <wx/clipbrd.h>
#include <wx/dataobj.h>

#include "core/formats/raster/BmpFile.h"
#include "core/pipelines/PictureImport.h"
#include "ui/ImportedDocument.h"
#include "ui/PictureBitmap.h"
#include "ui/QuillonApp.h"

namespace quillon {

namespace {

// Keeps the clipboard open for the lifetime of the object.
class OpenClipboard {
 public:
  OpenClipboard() : open_(wxTheClipboard->Open()) {}
  ~OpenClipboard() {
    if (open_) wxTheClipboard->Close();
  }
  OpenClipboard(const OpenClipboard&) = delete;
  OpenClipboard& operator=(const OpenClipboard&) = delete;
  explicit operator bool() const { return open_; }

 private:
  bool open_;
};

std::vector<std::uint8_t> ClipboardBmpFile() {
  const wxDataFormat bmp(kBmpMimeType);
  if (!wxTheClipboard->IsSupported(bmp)) return {};
  wxCustomDataObject data(bmp);
  if (!wxTheClipboard->GetData(data) || data.GetSize() > kMaxImportBytes) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(data.GetData());
  return BmpFileImageOfClipboardBmp({bytes, data.GetSize()});
}

std::vector<std::uint8_t> ClipboardBitmapAsBmpFile() {
  if (!wxTheClipboard->IsSupported(wxDF_BITMAP)) return {};
  wxBitmapDataObject data;
  if (!wxTheClipboard->GetData(data) || !data.GetBitmap().IsOk()) return {};
  Picture picture;
  if (!PictureOfImage(data.GetBitmap().ConvertToImage(), picture)) return {};
  return BmpFileImage(picture);
}

}  // namespace

bool PictureOfImage(const wxImage& image, Picture& picture) {
  if (!image.IsOk()) return false;
  const std::int64_t width = image.GetWidth(), height = image.GetHeight();
  if (width <= 0 || height <= 0 || width * height * 3 > std::int64_t(kMaxImportBytes)) return false;
  picture.Header().biWidth = std::int32_t(width);
  picture.Header().biHeight = std::int32_t(height);
  if (!picture.CreatePicture(true)) return false;
  const unsigned char* rgb = image.GetData();
  const unsigned char* alpha = image.HasAlpha() ? image.GetAlpha() : nullptr;
  for (std::int32_t line = 0; line < height; ++line) {
    std::uint8_t* row = picture.Row(std::int32_t(height) - 1 - line);
    for (std::int32_t x = 0; x < width; ++x) {
      const std::size_t at = std::size_t(line) * std::size_t(width) + std::size_t(x);
      const int a = alpha ? alpha[at] : 255;
      for (int c = 0; c < 3; ++c) {
        // Blue, green, red from red, green, blue, over white.
        const int value = rgb[3 * at + 2 - c];
        row[3 * x + c] = static_cast<std::uint8_t>((value * a + 255 * (255 - a) + 127) / 255);
      }
    }
    std::fill(row + 3 * width, row + picture.GetStride(), std::uint8_t{0});
  }
  picture.InvalidateCaches();
  return true;
}

bool CopyPicture(const Picture& picture) {
  std::vector<std::uint8_t> file = BmpFileImage(picture);
  if (file.empty()) return false;
  WaitCursor wait(wxGetApp().Ui());
  OpenClipboard clipboard;
  if (!clipboard) return false;
  auto* bmp = new wxCustomDataObject(wxDataFormat(kBmpMimeType));
  bmp->SetData(file.size(), file.data());
  auto* both = new wxDataObjectComposite;
  both->Add(bmp, true);
  both->Add(new wxBitmapDataObject(wxBitmap(ToImage(picture))));
  return wxTheClipboard->SetData(both);
}

PictureDocAdapter* PastePicture() {
  std::vector<std::uint8_t> file;
  {
    OpenClipboard clipboard;
    if (!clipboard) return nullptr;
    file = ClipboardBmpFile();
    if (file.empty()) file = ClipboardBitmapAsBmpFile();
  }
  if (file.empty()) return nullptr;
  return OpenImportedPicture(file);
}

}  // namespace quillon
