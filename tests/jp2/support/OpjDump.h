// Runs opj_dump on a file and reads what it prints of the main header: the image and tile
// values and the default coding style per component, keyed by their place in the listing
// ("image.x1", "image.c0.prec", "main.tdx", "main.tile.prg", "main.tile.c1.cblksty"), and
// the main header's marker list.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace quillon::jp2::test {

struct DumpedMarker {
  unsigned type = 0;
  unsigned length = 0;
};

struct OpjDump {
  bool ran = false;
  std::string listing;
  std::map<std::string, std::string> values;
  std::vector<DumpedMarker> markers;

  // The value at a key, or "(missing key)" so that a failed comparison names the key.
  std::string operator[](const std::string& key) const {
    const auto found = values.find(key);
    return found == values.end() ? "(missing " + key + ")" : found->second;
  }

  int Count(unsigned type) const {
    int count = 0;
    for (const DumpedMarker& marker : markers) count += marker.type == type ? 1 : 0;
    return count;
  }

  // The length field of the first marker segment of the type (opj_dump counts the marker's
  // own two bytes too), 0 when absent.
  unsigned LengthOf(unsigned type) const {
    for (const DumpedMarker& marker : markers) {
      if (marker.type == type) return marker.length >= 2 ? marker.length - 2 : 0;
    }
    return 0;
  }
};

namespace opj_dump_detail {

inline std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The short name of a block the listing opens with "name {".
inline std::string BlockName(const std::string& opening) {
  if (opening.rfind("Image info", 0) == 0) return "image";
  if (opening.rfind("Codestream info from main header", 0) == 0) return "main";
  if (opening.rfind("Codestream index from main header", 0) == 0) return "index";
  if (opening.rfind("Marker list", 0) == 0) return "markers";
  if (opening.rfind("default tile", 0) == 0) return "tile";
  const auto space = opening.find(' ');
  if (space != std::string::npos) {  // "component 0", "comp 1"
    // Not "c" + Trim(...): GCC 12 at -O3 takes that for an overlapping copy (-Wrestrict).
    std::string name = "c";
    name += Trim(opening.substr(space + 1, opening.find_first_of(" {", space + 1) - space - 1));
    return name;
  }
  return opening;
}

}  // namespace opj_dump_detail

inline OpjDump RunOpjDump(const std::string& file) {
  using namespace opj_dump_detail;
  OpjDump dump;
  const std::string out = file + ".dump";
  dump.ran = std::system(("opj_dump -i " + file + " > " + out + " 2>&1").c_str()) == 0;
  std::ifstream in(out);
  std::vector<std::string> path;
  for (std::string line; std::getline(in, line);) {
    dump.listing += line + "\n";
    line = Trim(line);
    if (line.empty()) continue;
    if (line == "}") {
      if (!path.empty()) path.pop_back();
      continue;
    }
    if (line.back() == '{') {
      path.push_back(BlockName(Trim(line.substr(0, line.size() - 1))));
      continue;
    }
    std::string prefix;
    for (const std::string& name : path) prefix += name + ".";
    if (!path.empty() && path.back() == "markers") {
      DumpedMarker marker;
      if (std::sscanf(line.c_str(), "type=%x, pos=%*u, len=%u", &marker.type, &marker.length) ==
          2) {
        dump.markers.push_back(marker);
      }
      continue;
    }
    // "preccintsize (w,h)=(4,4) (5,5)" and "stepsizes (m,e)=..." hold spaces and commas.
    const auto equals = line.find('=');
    if (equals != std::string::npos && line.find('(') < equals) {
      dump.values[prefix + line.substr(0, line.find(' '))] = Trim(line.substr(equals + 1));
      continue;
    }
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, ',');) {
      field = Trim(field);
      const auto at = field.find('=');
      if (at != std::string::npos) dump.values[prefix + field.substr(0, at)] = field.substr(at + 1);
    }
  }
  std::remove(out.c_str());
  return dump;
}

}  // namespace quillon::jp2::test
