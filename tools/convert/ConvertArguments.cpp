#include "tools/convert/ConvertArguments.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string_view>

#include "core/document/PictureDocument.h"
#include "core/formats/jp2/Jpeg2000Threads.h"

namespace quillon::convert {

namespace {

constexpr int kMaxThumbnailSide = 16384;

enum class Scope { General, Save, Load };

struct ParseState {
  ConvertArguments arguments;
  std::string compressionOption;  // the one of --lossless, --quality, --rate, --size given
  std::string loadOption;         // the one of --load-quality, --load-rate, --load-size given
  std::string firstSaveOption;
  std::string conversionOption;  // the one of --grey, --palette, --smooth, --sharpen given
  std::string outputType;        // --to, without its dot
  std::optional<int> jobs;
};

using Error = std::optional<std::string>;

std::optional<long long> WholeNumber(std::string_view text) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

Error ReadInt(std::string_view option, std::string_view text, int minimum, int maximum,
              int& target) {
  const std::optional<long long> value = WholeNumber(text);
  if (!value || *value < minimum || *value > maximum) {
    return std::string(option) + ": expected a whole number from " + std::to_string(minimum) +
           " to " + std::to_string(maximum) + ", got '" + std::string(text) + "'";
  }
  target = int(*value);
  return std::nullopt;
}

template <typename T>
Error ReadOptionalInt(std::string_view option, std::string_view text, int minimum, int maximum,
                      std::optional<T>& target) {
  int value = 0;
  if (Error error = ReadInt(option, text, minimum, maximum, value)) return error;
  target = T(value);
  return std::nullopt;
}

// A finite number of at least `minimum`; `what` names it in the error text.
Error ReadNumber(std::string_view option, std::string_view text, double minimum,
                 std::string_view what, double& target) {
  const std::string copy(text);
  char* end = nullptr;
  const double value = copy.empty() ? 0.0 : std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size() || !std::isfinite(value) ||
      value < minimum) {
    return std::string(option) + ": expected " + std::string(what) + ", got '" + copy + "'";
  }
  target = value;
  return std::nullopt;
}

// "WxH" with both parts from 1 to `maximum`.
Error ReadSize(std::string_view option, std::string_view text, long long maximum,
               std::optional<std::uint32_t>& width, std::optional<std::uint32_t>& height) {
  const std::size_t cross = text.find_first_of("xX");
  const std::optional<long long> w =
      cross == std::string_view::npos ? std::nullopt : WholeNumber(text.substr(0, cross));
  const std::optional<long long> h =
      cross == std::string_view::npos ? std::nullopt : WholeNumber(text.substr(cross + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > maximum || *h > maximum) {
    return std::string(option) + ": expected WIDTHxHEIGHT with both from 1 to " +
           std::to_string(maximum) + ", got '" + std::string(text) + "'";
  }
  width = std::uint32_t(*w);
  height = std::uint32_t(*h);
  return std::nullopt;
}

Error ReadRegion(std::string_view text, std::vector<EnhancementRegion>& regions) {
  std::array<long long, 4> values{};
  std::size_t start = 0;
  bool valid = true;
  for (std::size_t i = 0; i < values.size() && valid; ++i) {
    const std::size_t comma = i + 1 < values.size() ? text.find(',', start) : text.size();
    const std::optional<long long> value = comma == std::string_view::npos
                                               ? std::nullopt
                                               : WholeNumber(text.substr(start, comma - start));
    valid = value.has_value();
    if (valid) values[i] = *value;
    start = comma + 1;
  }
  const auto [x, y, w, h] = values;
  if (!valid || x < 0 || y < 0 || x > INT32_MAX || y > INT32_MAX || w < 1 || h < 1 ||
      w > INT16_MAX || h > INT16_MAX) {
    return "--region: expected X,Y,W,H in pixels (X, Y from 0, W, H from 1 to 32767), got '" +
           std::string(text) + "'";
  }
  if (regions.size() == std::size_t(EnhancementRegions::kMaxRegions)) {
    return "--region: at most " + std::to_string(EnhancementRegions::kMaxRegions) +
           " regions can be given";
  }
  regions.push_back({std::int32_t(x), std::int32_t(y), std::int16_t(w), std::int16_t(h)});
  return std::nullopt;
}

// The options of one group exclude each other, as in the dialogs; `chosen` keeps the one given.
Error ExcludeOthers(std::string& chosen, std::string_view option, std::string_view group) {
  if (!chosen.empty() && chosen != option) {
    return std::string(option) + " and " + chosen + " exclude each other: choose one of " +
           std::string(group);
  }
  chosen = option;
  return std::nullopt;
}

Error ChooseCompression(ParseState& state, std::string_view option, SaveOption choice) {
  if (Error error = ExcludeOthers(state.compressionOption, option,
                                  "--lossless, --quality, --rate and --size")) {
    return error;
  }
  state.arguments.save.option = choice;
  return std::nullopt;
}

Error ChooseLoad(ParseState& state, std::string_view option, LoadType type) {
  if (Error error =
          ExcludeOthers(state.loadOption, option, "--load-quality, --load-rate and --load-size")) {
    return error;
  }
  if (!state.arguments.load) state.arguments.load.emplace();
  state.arguments.load->type = type;
  return std::nullopt;
}

template <typename T, std::size_t N>
using Names = std::array<std::pair<std::string_view, T>, N>;

// One of `names`; the error lists them all.
template <typename T, std::size_t N>
Error ReadChoice(std::string_view option, std::string_view text, const Names<T, N>& names,
                 T& target) {
  std::string listed;
  for (std::size_t i = 0; i < N; ++i) {
    if (text == names[i].first) {
      target = names[i].second;
      return std::nullopt;
    }
    listed += (i == 0 ? "" : i + 1 == N ? " or " : ", ") + std::string(names[i].first);
  }
  return std::string(option) + ": expected " + listed + ", got '" + std::string(text) + "'";
}

constexpr Names<SortedBy, 4> kProgressions{{
    {"quality", SortedBy::Quality},
    {"resolution", SortedBy::Resolution},
    {"position", SortedBy::Position},
    {"color", SortedBy::Color},
}};

constexpr Names<FilterStrength, 3> kStrengths{{
    {"low", FilterStrength::Low},
    {"medium", FilterStrength::Medium},
    {"high", FilterStrength::High},
}};

Error ReadPassword(std::string_view text, std::optional<std::string>& target) {
  if (text.empty() || text.size() > kMaxPasswordLength) {
    return "--password: expected 1 to " + std::to_string(kMaxPasswordLength) + " characters";
  }
  target = std::string(text);
  return std::nullopt;
}

Error ChooseConversion(ParseState& state, std::string_view option, ColourConversion conversion) {
  if (Error error = ExcludeOthers(state.conversionOption, option,
                                  "--grey, --palette, --smooth and --sharpen")) {
    return error;
  }
  state.arguments.conversion = conversion;
  return std::nullopt;
}

struct Option {
  std::string_view name;
  bool takesValue;
  Scope scope;
  Error (*apply)(ParseState&, std::string_view name, std::string_view value);
};

// clang-format off
constexpr std::array kOptions{
  Option{"--lossless", false, Scope::Save, [](ParseState& s, std::string_view n, std::string_view) {
    return ChooseCompression(s, n, SaveOption::Lossless); }},
  Option{"--quality", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    if (Error e = ReadInt(n, v, 1, 100, s.arguments.save.quality)) return e;
    return ChooseCompression(s, n, SaveOption::Quality); }},
  Option{"--rate", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    if (Error e = ReadNumber(n, v, 1.0, "a compression rate of at least 1", s.arguments.save.rate)) return e;
    return ChooseCompression(s, n, SaveOption::CompressionRate); }},
  Option{"--size", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    if (Error e = ReadNumber(n, v, 0.001, "a size in kilobytes above 0", s.arguments.save.sizeKb)) return e;
    return ChooseCompression(s, n, SaveOption::FileSize); }},
  Option{"--progression", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadChoice(n, v, kProgressions, s.arguments.save.progression); }},
  Option{"--baseline", false, Scope::Save, [](ParseState& s, std::string_view, std::string_view) {
    s.arguments.save.scanMode = ScanMode::Baseline; return Error(); }},
  Option{"--free-quality", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadOptionalInt(n, v, 0, 100, s.arguments.freeQualityPercent); }},
  Option{"--region", true, Scope::Save, [](ParseState& s, std::string_view, std::string_view v) {
    return ReadRegion(v, s.arguments.regions); }},
  Option{"--enhance", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadOptionalInt(n, v, 0, EnhancementRegions::kMaxLevel, s.arguments.enhanceLevel); }},
  Option{"--jpeg-quality", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadInt(n, v, 1, 100, s.arguments.save.jpegQuality); }},
  Option{"--png-level", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadInt(n, v, 0, 9, s.arguments.save.pngCompression); }},
  Option{"--ascii", false, Scope::Save, [](ParseState& s, std::string_view, std::string_view) {
    s.arguments.save.pnmCoding = PnmCoding::Plain; return Error(); }},
  Option{"--packbits", false, Scope::Save, [](ParseState& s, std::string_view, std::string_view) {
    s.arguments.save.tiffCompression = TiffCompression::PackBits; return Error(); }},
  Option{"--levels", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadOptionalInt(n, v, 0, 32, s.arguments.save.expert.levels); }},
  Option{"--layers", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadOptionalInt(n, v, 1, 65535, s.arguments.save.expert.layers); }},
  Option{"--tile", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadSize(n, v, INT32_MAX, s.arguments.save.expert.tileWidth,
                    s.arguments.save.expert.tileHeight); }},
  Option{"--codeblock", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    auto& expert = s.arguments.save.expert;
    if (Error e = ReadSize(n, v, 1024, expert.codeBlockWidth, expert.codeBlockHeight)) return e;
    const std::uint32_t w = *expert.codeBlockWidth, h = *expert.codeBlockHeight;
    const bool powers = (w & (w - 1)) == 0 && (h & (h - 1)) == 0;
    if (!powers || w < 4 || h < 4 || w * h > 4096) {
      return Error("--codeblock: width and height are powers of two from 4 to 1024 whose "
                   "product is at most 4096, got '" + std::string(v) + "'");
    }
    return Error(); }},
  Option{"--sop", false, Scope::Save, [](ParseState& s, std::string_view, std::string_view) {
    s.arguments.save.expert.sop = true; return Error(); }},
  Option{"--eph", false, Scope::Save, [](ParseState& s, std::string_view, std::string_view) {
    s.arguments.save.expert.eph = true; return Error(); }},
  Option{"--visual-weighting", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadOptionalInt(n, v, 0, 3, s.arguments.save.expert.visualWeighting); }},
  Option{"--grey", false, Scope::Save, [](ParseState& s, std::string_view n, std::string_view) {
    return ChooseConversion(s, n, ColourConversion::Grey); }},
  Option{"--palette", false, Scope::Save, [](ParseState& s, std::string_view n, std::string_view) {
    return ChooseConversion(s, n, ColourConversion::Palette); }},
  Option{"--smooth", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    if (Error e = ReadChoice(n, v, kStrengths, s.arguments.strength)) return e;
    return ChooseConversion(s, n, ColourConversion::Smooth); }},
  Option{"--sharpen", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    if (Error e = ReadChoice(n, v, kStrengths, s.arguments.strength)) return e;
    return ChooseConversion(s, n, ColourConversion::Sharpen); }},
  Option{"--load-quality", true, Scope::Load, [](ParseState& s, std::string_view n, std::string_view v) {
    if (Error e = ChooseLoad(s, n, LoadType::Quality)) return e;
    return ReadInt(n, v, 1, 100, s.arguments.load->quality); }},
  Option{"--load-rate", true, Scope::Load, [](ParseState& s, std::string_view n, std::string_view v) {
    if (Error e = ChooseLoad(s, n, LoadType::CompressionRate)) return e;
    return ReadNumber(n, v, 1.0, "a compression rate of at least 1", s.arguments.load->rate); }},
  Option{"--load-size", true, Scope::Load, [](ParseState& s, std::string_view n, std::string_view v) {
    if (Error e = ChooseLoad(s, n, LoadType::FileSize)) return e;
    return ReadNumber(n, v, 0.001, "a size in kilobytes above 0", s.arguments.load->sizeKb); }},
  Option{"--reduce", true, Scope::Load, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadOptionalInt(n, v, 0, 31, s.arguments.reduce); }},
  Option{"--thumbnail", true, Scope::Save, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadOptionalInt(n, v, 1, kMaxThumbnailSide, s.arguments.thumbnailSide); }},
  Option{"--password", true, Scope::General, [](ParseState& s, std::string_view, std::string_view v) {
    return ReadPassword(v, s.arguments.password); }},
  Option{"--output-dir", true, Scope::General, [](ParseState& s, std::string_view n, std::string_view v) {
    if (v.empty()) return Error(std::string(n) + " needs a directory");
    s.arguments.outputDirectory = std::filesystem::path(v); return Error(); }},
  Option{"--to", true, Scope::General, [](ParseState& s, std::string_view, std::string_view v) {
    s.outputType = std::string(v); return Error(); }},
  Option{"--jobs", true, Scope::General, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadOptionalInt(n, v, 1, 256, s.jobs); }},
  Option{"--threads", true, Scope::General, [](ParseState& s, std::string_view n, std::string_view v) {
    return ReadOptionalInt(n, v, 1, kMaxJpeg2000Threads, s.arguments.threads); }},
  Option{"--yes", false, Scope::General, [](ParseState& s, std::string_view, std::string_view) {
    s.arguments.yes = true; return Error(); }},
};
// clang-format on

Error SetCommand(ConvertArguments& arguments, Command command, std::string_view option) {
  if (arguments.command != Command::Convert && arguments.command != command) {
    return std::string(option) + " cannot be combined with another command";
  }
  arguments.command = command;
  return std::nullopt;
}

// Several inputs into one directory: every output is named after its input with the extension
// of --to, and no two inputs may give the same output.
Error CheckBatch(ParseState& state) {
  ConvertArguments& arguments = state.arguments;
  if (arguments.files.empty()) return std::string("--output-dir expects one or more INPUT files");
  if (state.outputType.empty()) return std::string("--output-dir needs --to TYPE (see --help)");
  const std::string extension = "." + state.outputType;
  const std::optional<OutputType> type = OutputTypeOfPath("output" + extension);
  if (!type) {
    return "--to: unknown output type '" + state.outputType + "' (see --help for the types)";
  }
  arguments.save.type = type->format;
  arguments.save.container = type->container;
  arguments.outputExtension = extension;
  std::set<std::filesystem::path> outputs;
  for (const std::filesystem::path& input : arguments.files) {
    const std::filesystem::path output = BatchOutputPath(arguments, input);
    // Made absolute first: a relative path with no existing part stays relative otherwise.
    const auto resolved = [](const std::filesystem::path& path) {
      std::error_code ignored;
      return std::filesystem::weakly_canonical(std::filesystem::absolute(path, ignored), ignored);
    };
    if (resolved(output) == resolved(input)) {
      return "'" + input.string() + "' would be replaced by its own output";
    }
    if (!outputs.insert(output).second) {
      return "two inputs would both be written to '" + output.string() + "'";
    }
  }
  return std::nullopt;
}

Error CheckFiles(ParseState& state) {
  ConvertArguments& arguments = state.arguments;
  const std::size_t given = arguments.files.size();
  if (arguments.command == Command::Convert && !arguments.outputDirectory.empty()) {
    arguments.command = Command::Batch;
  } else if (!state.outputType.empty() || state.jobs) {
    return std::string(state.jobs ? "--jobs" : "--to") + " applies with --output-dir only";
  }
  if (state.jobs) arguments.jobs = *state.jobs;
  switch (arguments.command) {
    case Command::Batch:
      return CheckBatch(state);
    case Command::Help:
      return std::nullopt;
    case Command::Info:
      if (given != 1) return std::string("--info expects one FILE");
      break;
    case Command::CountColours:
      if (given != 1) return std::string("--count-colours expects one FILE");
      break;
    case Command::Compare:
      if (given != 2) return std::string("--compare expects REFERENCE and FILE");
      break;
    case Command::Convert: {
      if (given != 2) return std::string("expected INPUT and OUTPUT (see --help)");
      const std::optional<OutputType> type = OutputTypeOfPath(arguments.files[1]);
      if (!type) {
        return "cannot tell the output type from the extension of '" + arguments.files[1].string() +
               "' (see --help for the types)";
      }
      arguments.save.type = type->format;
      arguments.save.container = type->container;
      return std::nullopt;
    }
  }
  if (!state.firstSaveOption.empty()) {
    return state.firstSaveOption + " is a save option and applies to a convert only";
  }
  return std::nullopt;
}

}  // namespace

std::optional<OutputType> OutputTypeOfPath(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  static constexpr std::array<std::pair<std::string_view, OutputType>, 15> kTypes{{
      {".jp2", {PictureFormat::Jpeg2000, Jp2Container::Jp2}},
      {".jpx", {PictureFormat::Jpeg2000, Jp2Container::Jpx}},
      {".jpf", {PictureFormat::Jpeg2000, Jp2Container::Jpx}},
      {".j2k", {PictureFormat::Jpeg2000, Jp2Container::Codestream}},
      {".j2c", {PictureFormat::Jpeg2000, Jp2Container::Codestream}},
      {".jpc", {PictureFormat::Jpeg2000, Jp2Container::Codestream}},
      {".kvf", {PictureFormat::Kvf}},
      {".bmp", {PictureFormat::Bmp}},
      {".ppm", {PictureFormat::Ppm}},
      {".pgm", {PictureFormat::Pgm}},
      {".tif", {PictureFormat::Tiff}},
      {".tiff", {PictureFormat::Tiff}},
      {".jpg", {PictureFormat::Jpeg}},
      {".jpeg", {PictureFormat::Jpeg}},
      {".png", {PictureFormat::Png}},
  }};
  for (const auto& [name, type] : kTypes) {
    if (extension == name) return type;
  }
  return std::nullopt;
}

std::filesystem::path BatchOutputPath(const ConvertArguments& arguments,
                                      const std::filesystem::path& input) {
  std::filesystem::path name = input.filename();
  name.replace_extension(arguments.outputExtension);
  return arguments.outputDirectory / name;
}

std::variant<ConvertArguments, std::string> ParseConvertArguments(
    const std::vector<std::string>& arguments, int defaultJobs) {
  ParseState state;
  state.arguments.jobs = std::max(1, defaultJobs);
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      state.arguments.files.emplace_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      state.arguments.command = Command::Help;
      return state.arguments;
    }
    if (argument == "--info" || argument == "--compare" || argument == "--count-colours") {
      const Command command = argument == "--info"      ? Command::Info
                              : argument == "--compare" ? Command::Compare
                                                        : Command::CountColours;
      if (Error error = SetCommand(state.arguments, command, argument)) {
        return *error;
      }
      continue;
    }
    const std::size_t equals = argument.find('=');
    // -o is the short form of --output-dir.
    const std::string_view name = argument == "-o" ? "--output-dir" : argument.substr(0, equals);
    const auto option = std::find_if(kOptions.begin(), kOptions.end(),
                                     [name](const Option& o) { return o.name == name; });
    if (option == kOptions.end()) return "unknown option '" + std::string(name) + "' (see --help)";
    std::string_view value;
    if (equals != std::string_view::npos) {
      if (!option->takesValue) return std::string(name) + " takes no value";
      value = argument.substr(equals + 1);
    } else if (option->takesValue) {
      if (i + 1 == arguments.size()) return std::string(name) + " needs a value";
      value = arguments[++i];
    }
    if (option->scope == Scope::Save && state.firstSaveOption.empty()) {
      state.firstSaveOption = name;
    }
    if (Error error = option->apply(state, name, value)) return *error;
  }
  if (Error error = CheckFiles(state)) return *error;
  return state.arguments;
}

}  // namespace quillon::convert
