// The codestream's marker codes, for the writer and the parsers alike.
#pragma once

#include <cstdint>

namespace quillon::jp2 {

enum MarkerCode : std::uint16_t {
  kMarkerSoc = 0xFF4F,  // start of codestream
  kMarkerSiz = 0xFF51,  // image and tile size
  kMarkerCod = 0xFF52,  // coding style default
  kMarkerCoc = 0xFF53,  // coding style of a component
  kMarkerTlm = 0xFF55,  // tile-part lengths
  kMarkerPlm = 0xFF57,  // packet lengths, main header
  kMarkerPlt = 0xFF58,  // packet lengths, tile-part header
  kMarkerQcd = 0xFF5C,  // quantization default
  kMarkerQcc = 0xFF5D,  // quantization of a component
  kMarkerRgn = 0xFF5E,  // region of interest
  kMarkerPoc = 0xFF5F,  // progression order change
  kMarkerPpm = 0xFF60,  // packed packet headers, main header
  kMarkerPpt = 0xFF61,  // packed packet headers, tile-part header
  kMarkerCrg = 0xFF63,  // component registration
  kMarkerCom = 0xFF64,  // comment
  kMarkerSot = 0xFF90,  // start of tile-part
  kMarkerSop = 0xFF91,  // start of packet
  kMarkerEph = 0xFF92,  // end of packet header
  kMarkerSod = 0xFF93,  // start of data
  kMarkerEoc = 0xFFD9,  // end of codestream
};

// Markers FF30 to FF3F stand alone: no length field follows them.
constexpr bool IsMarkerWithoutLength(std::uint16_t marker) {
  return marker >= 0xFF30 && marker <= 0xFF3F;
}

}  // namespace quillon::jp2
