// The colour commands as the program and the converter run them: which pictures each one
// refuses, the title of the picture it makes, its progress display and its messages.
#pragma once

#include <optional>
#include <string>

#include "core/analysis/KernelFilters.h"
#include "core/picture/Picture.h"
#include "core/services/UiServices.h"

namespace quillon {

enum class ColourConversion { Grey, Palette, Smooth, Sharpen };

inline constexpr StringId kAlreadyGreyMessage = 144;  // "This image is already a greyscale image !"
inline constexpr StringId kAlreadyEightBitMessage =
    145;                                                // "This image is already an 8 bit image !"
inline constexpr StringId kNotFilterableMessage = 146;  // "... can´t be smoothed or sharpend."
inline constexpr StringId kColourCountMessage = 119;    // "The Picture consists of %ld Colors."
inline constexpr StringId kConversionMemoryMessage = 33007;

// The message that refuses the conversion of `source`, or nothing when it may run.
std::optional<StringId> RefusalOf(ColourConversion conversion, const Picture& source);

// The new picture's title from the source window's title: "Grayscale: %s", "8-Bit-Color: %s",
// "Blur: %s" or "Sharpen: %s".
std::string ConvertedTitle(ColourConversion conversion, const std::string& sourceTitle,
                           const StringTable& strings);

enum class ConversionOutcome { Done, Refused, OutOfMemory };

// Checks `source`, converts it into `target` with the progress display of the conversion and
// tells the user why when it does not: the refusal, or message 33007. `strength` is used by
// smoothing and sharpening only. `source` is never changed.
ConversionOutcome RunColourConversion(ColourConversion conversion, FilterStrength strength,
                                      const Picture& source, Picture& target, UiServices& ui);

// Counts the colours under the wait cursor and shows the count in an information box.
// Returns the count, or nothing when memory ran out (after message 33007).
std::optional<std::uint32_t> ShowColourCount(const Picture& picture, UiServices& ui);

}  // namespace quillon
