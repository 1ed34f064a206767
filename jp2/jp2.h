/* The JPEG 2000 codec of libquillon-jp2.so: a flat C interface.
 *
 * Every function returns a signed 32-bit status: 0 for success, a negative JP2_Error_* code
 * otherwise. Errors returned by the caller's callbacks (allocation aside, which signals
 * failure by null and gives JP2_Error_OutOfMemory) are passed back unchanged, so callers may
 * use codes of their own outside the table below.
 *
 * Ownership: the codec allocates only through the caller's JP2_AllocCallback and releases
 * only through its JP2_FreeCallback. Everything a handle allocates belongs to the handle and
 * is released by its End function, which must be called also after a failure. Data passed to
 * the Set functions is copied; the caller keeps ownership of what it passes in.
 *
 * Encoder calling order: JP2_Compress_Start; JP2_Compress_SetProp (component sizes and
 * depths first, then tiling, then per-tile values) and the other Set functions in any order;
 * JP2_Compress_Image once; metadata Set functions may still follow; JP2_Compress_End always.
 *
 * Decoder calling order: JP2_Decompress_Start (reads and parses every header); any number of
 * property and metadata queries and property settings; JP2_Decompress_End always, also when
 * Start failed after storing a handle. Data the decoder's getters return is owned by the
 * handle and stays valid until End unless a function says otherwise.
 */
#ifndef QUILLON_JP2_H
#define QUILLON_JP2_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define JP2_API __attribute__((visibility("default")))

/* One list gives every status code, its name and its message text; the codes are shared by
 * the encoder and the decoder, some with a meaning for each direction. */
#define JP2_STATUS_TABLE(X)                                                                 \
  X(JP2_Warning_ShortMetadataBox, 10, "a metadata box is shorter than its declared length") \
  X(JP2_Success, 0, "success")                                                              \
  X(JP2_Error_OutOfMemory, -1, "memory allocation failed")                                  \
  X(JP2_Error_ShortRead, -2, "the input ended inside a required field")                     \
  X(JP2_Error_PacketHeaderOverflow, -3, "packet header does not fit its buffer")            \
  X(JP2_Error_InvalidHandle, -4, "null or invalid handle")                                  \
  X(JP2_Error_NullArgument, -5, "null pointer argument")                                    \
  X(JP2_Error_ComponentCount, -6,                                                           \
    "component count outside 1..16384, or fewer components than the colour space or the "   \
    "component transform needs")                                                            \
  X(JP2_Error_ComponentIndex, -7, "component index out of range")                           \
  X(JP2_Error_ValueOutOfRange, -8, "property value out of range")                           \
  X(JP2_Error_UnknownProperty, -9, "property id without meaning here")                      \
  X(JP2_Error_NoWidth, -10, "a component has no width")                                     \
  X(JP2_Error_NoHeight, -11, "a component has no height")                                   \
  X(JP2_Error_BitDepth, -12,                                                                \
    "a component has no bit depth, or the transformed components differ in bit depth")      \
  X(JP2_Error_TileGrid, -13, "the image offset lies outside the first tile")                \
  X(JP2_Error_ColourSpace, -14,                                                             \
    "colour space invalid here, or it needs more channels than the image has")              \
  X(JP2_Error_ComponentMismatch, -15,                                                       \
    "the three colour components differ in subsampling or depth")                           \
  X(JP2_Error_TileIndex, -16, "tile index out of range")                                    \
  X(JP2_Error_ResolutionIndex, -17, "resolution index out of range")                        \
  X(JP2_Error_ReversibilityMismatch, -18,                                                   \
    "the three colour components of a tile differ in reversibility")                        \
  X(JP2_Error_Codestream, -19,                                                              \
    "packet header buffer overflow at the final flush, or a malformed marker segment")      \
  X(JP2_Error_AllComponentsOnly, -20, "property can only be set for all components")        \
  X(JP2_Error_NotPerTile, -21, "property cannot be set per tile")                           \
  X(JP2_Error_ReadOnly, -22, "read-only property")                                          \
  X(JP2_Error_Reserved, -25, "reserved property")                                           \
  X(JP2_Error_EncoderOnly, -26, "the property belongs to the encoder")                      \
  X(JP2_Error_BitDepthRange, -27, "bit depth out of range")                                 \
  X(JP2_Error_NoInputCallback, -28, "no input callback")                                    \
  X(JP2_Error_NoOutputCallback, -29, "no output callback")                                  \
  X(JP2_Error_NoReadCallback, -30, "no read callback")                                      \
  X(JP2_Error_ImageSize, -31,                                                               \
    "image size not set, or no subsampling below 256 fits the component sizes")             \
  X(JP2_Error_TargetTooSmall, -33, "target size smaller than the headers")                  \
  X(JP2_Error_SubsamplingNotPowerOfTwo, -34,                                                \
    "subsampling factor not a power of two with progression RPCL or PCRL")                  \
  X(JP2_Error_Limit, -35, "value beyond an implementation limit")                           \
  X(JP2_Error_QuantStyle, -37, "quantization style does not match the reversible flag")     \
  X(JP2_Error_PrecinctExponent, -38, "precinct exponent invalid")                           \
  X(JP2_Error_RoiShift, -39, "region-of-interest shift larger than 16 bit planes")          \
  X(JP2_Error_ScaleFactor, -40, "scale factor leaves a component empty or exceeds 32")      \
  X(JP2_Error_ResolutionZero, -41, "resolution numerator 0")                                \
  X(JP2_Error_ResolutionUnit, -42, "resolution unit other than 0, 1, 2")                    \
  X(JP2_Error_ResolutionKind, -43, "resolution kind neither capture nor display")           \
  X(JP2_Error_TooManyRegions, -45, "more than 16 regions of interest")                      \
  X(JP2_Error_ByteRead, -50, "a single-byte read of a box or marker field failed")          \
  X(JP2_Error_Cancelled, -51, "the progress callback asked to stop")                        \
  X(JP2_Error_NeedsJp2OrJpx, -52, "needs file format JP2 or JPX")                           \
  X(JP2_Error_NeedsJpx, -53, "needs file format JPX")                                       \
  X(JP2_Error_MetadataIndex, -54, "metadata index out of range")                            \
  X(JP2_Error_ColourBoxIndex, -55, "colour box index out of range")                         \
  X(JP2_Error_IccProfile, -56, "ICC profile invalid or unsupported")                        \
  X(JP2_Error_UseSetICC, -57, "colour space 40 must be set through JP2_Compress_SetICC")    \
  X(JP2_Error_UseSetLAB, -58, "colour space 60 must be set through JP2_Compress_SetLAB")    \
  X(JP2_Error_MappingWithoutPalette, -59, "a component mapping box without a palette box")  \
  X(JP2_Error_PaletteWithoutMapping, -61,                                                   \
    "a palette box without a component mapping box, or channel resolution failed")          \
  X(JP2_Error_PaletteMapping, -62, "component mapping does not fit the palette")            \
  X(JP2_Error_ChannelDefs, -63, "channel definitions do not match the image")               \
  X(JP2_Error_PaletteColourSpace, -64, "colour space code with a trailing 1 is rejected")   \
  X(JP2_Error_Internal, -100, "internal inconsistency")                                     \
  X(JP2_Error_ResolutionBox, -999, "a resolution box holds an unknown or malformed sub-box")

#define JP2_STATUS_ENUMERATOR(name, code, text) name = code,
enum JP2_Status { JP2_STATUS_TABLE(JP2_STATUS_ENUMERATOR) };
#undef JP2_STATUS_ENUMERATOR

/* Property ids of JP2_Compress_SetProp / JP2_Compress_GetProp (and of the decoder). */
enum JP2_Property {
  JP2_Prop_Width = 1,
  JP2_Prop_Height = 2,
  JP2_Prop_Components = 3,
  JP2_Prop_BitDepth = 4,
  JP2_Prop_Signed = 5,
  JP2_Prop_TileWidth = 6,
  JP2_Prop_TileHeight = 7,
  JP2_Prop_TileCount = 8,
  JP2_Prop_FileFormat = 9,
  JP2_Prop_GridWidth = 10,
  JP2_Prop_GridHeight = 11,
  JP2_Prop_OffsetX = 12,
  JP2_Prop_OffsetY = 13,
  JP2_Prop_TileOffsetX = 14,
  JP2_Prop_TileOffsetY = 15,
  JP2_Prop_ColourSpace = 20,
  JP2_Prop_ByteOrder = 21,
  JP2_Prop_OutputBufferSize = 22,
  JP2_Prop_ReduceFactor = 23,
  JP2_Prop_EnlargeFactor = 24,
  JP2_Prop_CacheInput = 25,
  JP2_Prop_InputCallback = 40,
  JP2_Prop_InputParam = 41,
  JP2_Prop_OutputCallback = 42,
  JP2_Prop_OutputParam = 43,
  JP2_Prop_WriteCallback = 50,
  JP2_Prop_WriteParam = 51,
  JP2_Prop_ProgressCallback = 52,
  JP2_Prop_ProgressParam = 53,
  JP2_Prop_Markers = 60,
  JP2_Prop_Progression = 61,
  JP2_Prop_Layers = 62,
  JP2_Prop_TargetSize = 63,
  JP2_Prop_VisualWeighting = 65,
  JP2_Prop_GuardBits = 70,
  JP2_Prop_Reversible = 71,
  JP2_Prop_Levels = 72,
  JP2_Prop_CodeBlockWidth = 73,
  JP2_Prop_CodeBlockHeight = 74,
  JP2_Prop_CodeBlockStyle = 75,
  JP2_Prop_QuantStyle = 76,
  /* Worker threads of one JP2_Compress_Image or JP2_Decompress_Image call, the calling
   * thread included: 1 to 64, default 1. Output is the same whatever the count; callbacks
   * other than memory stay on the calling thread, and memory callbacks are never entered
   * by two threads at once. */
  JP2_Prop_Threads = 77
};

/* Bits of JP2_Prop_Markers: an SOP marker before each packet, an EPH marker after each packet
 * header. */
enum JP2_MarkerFlag { JP2_Markers_SOP = 1, JP2_Markers_EPH = 2 };

/* Values of JP2_Prop_FileFormat. */
enum JP2_FileFormat { JP2_Format_Codestream = 0, JP2_Format_JP2 = 1, JP2_Format_JPX = 2 };

/* Colour space codes of JP2_Prop_ColourSpace; the decoder reports the code plus 1 when the
 * file carries a palette. */
enum JP2_ColourSpaceCode {
  JP2_Colour_Greyscale = 10,
  JP2_Colour_sRGB = 20,
  JP2_Colour_sYCC = 30,
  JP2_Colour_ICC = 40,
  JP2_Colour_CMYK = 50,
  JP2_Colour_CIELab = 60
};

/* Values of JP2_Prop_Progression. */
enum JP2_ProgressionOrder {
  JP2_Progression_LRCP = 0,
  JP2_Progression_RLCP = 1,
  JP2_Progression_RPCL = 2,
  JP2_Progression_PCRL = 3,
  JP2_Progression_CPRL = 4
};

/* Returns the block (of at least size bytes, any alignment) or null. */
typedef void* (*JP2_AllocCallback)(uint32_t size, uintptr_t param);
/* Returns 0 on success; any other value is returned by the codec function that released. */
typedef int32_t (*JP2_FreeCallback)(void* block, uintptr_t param);
/* Writes count samples of one component row segment into buffer (1 byte each for depths up
 * to 8, 2 for 9 to 16, 4 for 17 to 28, in the order of JP2_Prop_ByteOrder); row and column
 * count in component samples from the image's top left. Returns 0 to go on; any other value
 * stops compression and is returned by JP2_Compress_Image. */
typedef int32_t (*JP2_InputRowCallback)(void* buffer, int16_t component, uint32_t row,
                                        uint32_t column, uint32_t count, uintptr_t param);
/* Writes length bytes at absolute output offset (offsets are not always increasing: lengths
 * are patched afterwards). Returns 0, or a code returned by the encoder function writing. */
typedef int32_t (*JP2_OutputWriteCallback)(const void* data, uint32_t offset, uint32_t length,
                                           uintptr_t param);

/* A palette: columns generated channels of entries values each. depths holds the real bit
 * depth of each column (1 to 32), signs 1 for a signed column, values one array of entries
 * values per column. */
typedef struct JP2_PaletteDesc {
  uint32_t entries;
  uint32_t columns;
  uint8_t* depths;
  uint8_t* signs;
  uint32_t** values;
} JP2_PaletteDesc;

/* Channel i of an array of these: type 0 colour, 1 opacity, 2 premultiplied opacity,
 * 3 undefined; association 1..n colour index, 0 whole image, 65535 none. */
typedef struct JP2_ChannelDef {
  uint32_t type;
  uint32_t association;
} JP2_ChannelDef;

/* The six fields of a capture or display resolution box; the first triple is the vertical
 * resolution, the second the horizontal one: value = numerator / denominator x 10^exponent
 * samples per metre. */
typedef struct JP2_ResolutionDesc {
  uint16_t firstNumerator;
  uint16_t firstDenominator;
  int8_t firstExponent;
  uint16_t secondNumerator;
  uint16_t secondDenominator;
  int8_t secondExponent;
} JP2_ResolutionDesc;

/* The EP fields of the colr box of CIELab colour. */
typedef struct JP2_LabParams {
  uint32_t rl, ol, ra, oa, rb, ob, il;
} JP2_LabParams;

/* Opaque encoder handle; its first 32-bit word is the validity mark 12345. */
typedef struct JP2_CompressRecord* CompressHandle;

/* Creates a handle for components (1..16384) components and stores it through out (set to
 * null first). Null alloc or release callbacks are replaced by internal ones whose parameter
 * is 0. The handle must be released by JP2_Compress_End. */
JP2_API int32_t JP2_Compress_Start(CompressHandle* out, JP2_AllocCallback alloc,
                                   uintptr_t allocParam, JP2_FreeCallback release,
                                   uintptr_t freeParam, int16_t components);

/* Sets property id; tile -1 means every tile, component -1 every component. Values are
 * pointer-sized because properties 40 to 43 carry callbacks and their parameters. After a
 * successful JP2_Compress_Image every call returns 0 and changes nothing. */
JP2_API int32_t JP2_Compress_SetProp(CompressHandle handle, uint32_t id, uintptr_t value,
                                     int32_t tile, int16_t component);

/* Reads property id of one tile and component into *result (set to 0 first). */
JP2_API int32_t JP2_Compress_GetProp(CompressHandle handle, uint32_t id, uintptr_t* result,
                                     int32_t tile, int16_t component);

/* Stores a capture (kind 0) or display (kind 1) resolution: with desc its six fields as they
 * are; without it first (vertical) and second (horizontal) as numerators whose denominator
 * and exponent the unit selects: 0 gives 254 and 4 (samples per inch), 1 gives 254 and 2,
 * 2 gives 1 and 0 (samples per metre). */
JP2_API int32_t JP2_Compress_SetResolution(CompressHandle handle, uint16_t first, uint16_t second,
                                           const JP2_ResolutionDesc* desc, uint32_t unit,
                                           uint32_t kind);

/* Sets precinct size exponents (2^ppx by 2^ppy, at most 15; 0 only at resolution 0); -1 in
 * tile, component or resolution (0..32) means all. */
JP2_API int32_t JP2_Compress_SetPrecinct(CompressHandle handle, uint32_t ppx, uint32_t ppy,
                                         int32_t tile, int16_t component, int32_t resolution);

/* Adds a region of interest in thousandths of the image width and height (at most 16). */
JP2_API int32_t JP2_Compress_SetROI(CompressHandle handle, uint32_t x, uint32_t y, uint32_t width,
                                    uint32_t height);

/* Sets the region-of-interest strength, 0 to 10 (larger values are taken as 10). */
JP2_API int32_t JP2_Compress_SetROI_Enhance(CompressHandle handle, uint32_t strength);

/* Makes colour space 40 with a copy of the ICC profile; a restricted profile needs file
 * format JP2 or JPX, any other JPX. */
JP2_API int32_t JP2_Compress_SetICC(CompressHandle handle, const uint8_t* profile, uint32_t length);

/* Makes colour space 60 (needs JPX); params null gives the default CIELab description. */
JP2_API int32_t JP2_Compress_SetLAB(CompressHandle handle, const JP2_LabParams* params);

/* Replaces the channel definitions by a copy of count entries (count 0 removes them). */
JP2_API int32_t JP2_Compress_SetChannelDefs(CompressHandle handle, const JP2_ChannelDef* defs,
                                            uint32_t count);

/* Replaces the palette by a copy of desc (1..1024 entries, 1..255 columns of 1 to 32 bits). */
JP2_API int32_t JP2_Compress_SetPalette(CompressHandle handle, const JP2_PaletteDesc* desc);

/* Metadata boxes, written with the file in the order of the calls; all need file format
 * JP2 or JPX. The bytes are copied. */
JP2_API int32_t JP2_Compress_SetXML_Data(CompressHandle handle, const uint8_t* data,
                                         uint32_t length);
JP2_API int32_t JP2_Compress_SetIP_Data(CompressHandle handle, const uint8_t* data,
                                        uint32_t length);
JP2_API int32_t JP2_Compress_SetUUID_Data(CompressHandle handle, const uint8_t* uuid,
                                          const uint8_t* data, uint32_t length);
/* uuids holds count 16-byte identifiers; a zero byte ending url is not part of the text. */
JP2_API int32_t JP2_Compress_SetUUID_Info(CompressHandle handle, const uint8_t* uuids,
                                          uint32_t count, const uint8_t* url, uint32_t urlLength);
JP2_API int32_t JP2_Compress_SetIPTC_Data(CompressHandle handle, const uint8_t* data,
                                          uint32_t length);

/* Validates the configuration and compresses once (see the note at the top of this file). */
JP2_API int32_t JP2_Compress_Image(CompressHandle handle);

/* Releases everything the handle owns, last the handle itself, and returns the result of
 * that last release. A failing release stops End and is returned; the handle then still
 * holds what was not yet released and End may be called again. */
JP2_API int32_t JP2_Compress_End(CompressHandle handle);

/* Checks an ICC profile: usable is 1 when JP2 readers can use it (restricted, or colour space
 * GRAY, RGB or YCbr), restricted 1 when it meets the JP2 restricted-profile rules, channels
 * the number of colour channels of its colour space. All three are set to 0 first. */
JP2_API int32_t JP2_General_CheckICC(const uint8_t* profile, uint32_t length, uint32_t* usable,
                                     uint32_t* restricted, uint32_t* channels);

/* ---- Decoder ---- */

/* Opaque decoder handle; its first 32-bit word is the validity mark 67890. */
typedef struct JP2_DecompressRecord* DecompressHandle;

/* Copies count bytes at absolute input offset into buffer; returns the number of bytes placed
 * there. Fewer than count (or a negative value) means end of input or failure. */
typedef int32_t (*JP2_ReadCallback)(void* buffer, uint32_t offset, uint32_t count, uintptr_t param);
/* Takes count packed samples of one row segment of output channel channel, row and column in
 * output samples of its component. Returns 0 to go on; any other value stops decoding. */
typedef int32_t (*JP2_WriteRowCallback)(const void* samples, int16_t channel, uint32_t row,
                                        uint32_t column, uint32_t count, uintptr_t param);
/* Called once before each row segment; non-zero stops decoding with JP2_Error_Cancelled. */
typedef int32_t (*JP2_ProgressCallback)(uintptr_t param);

/* Where one precinct's contribution to each layer lies in the input. */
typedef struct JP2_PrecinctInfo {
  uint32_t x0, y0, width, height;
  uint32_t* layerOffsets; /* one per layer */
  uint32_t* layerLengths; /* one per layer */
} JP2_PrecinctInfo;

typedef struct JP2_ResInfo {
  uint32_t precinctsAcross, precinctsDown;
  uint32_t x0, y0, width, height;
  JP2_PrecinctInfo* precincts; /* raster order */
} JP2_ResInfo;

typedef struct JP2_CompInfo {
  uint8_t levels;
  uint32_t wavelet; /* 1 reversible 5/3, 0 irreversible 9/7 */
  uint32_t x0, y0, width, height;
  JP2_ResInfo* resolutions; /* levels + 1, level 0 the lowest */
} JP2_CompInfo;

typedef struct JP2_TileInfo {
  uint16_t layers;
  uint8_t componentTransform;
  uint32_t x0, y0, width, height;
  JP2_CompInfo* components;
} JP2_TileInfo;

/* The packet index of a file; owned by the handle. */
typedef struct JP2_ImageInfo {
  uint32_t components;
  uint8_t* depths;
  uint8_t* signedness;
  uint8_t* xSubsampling;
  uint8_t* ySubsampling;
  uint32_t width, height;    /* Xsiz, Ysiz */
  uint32_t xOffset, yOffset; /* XOsiz, YOsiz */
  uint32_t tilesAcross, tilesDown;
  JP2_TileInfo* tiles; /* tile index order */
} JP2_ImageInfo;

/* One colour description box: colour space code (plus 1 with a palette), precedence and
 * approximation as stored. */
typedef struct JP2_ColorSpec {
  uint32_t colourSpace;
  int32_t precedence;
  uint32_t approximation;
} JP2_ColorSpec;

/* Reads every header of the input and stores a new handle through out (set to null first).
 * Null alloc or release callbacks are replaced by the heap functions with parameter 0. Once a
 * handle is stored, also when a later step fails, the caller must release it with
 * JP2_Decompress_End. */
JP2_API int32_t JP2_Decompress_Start(DecompressHandle* out, JP2_AllocCallback alloc,
                                     uintptr_t allocParam, JP2_FreeCallback release,
                                     uintptr_t freeParam, JP2_ReadCallback read,
                                     uintptr_t readParam);

/* Sets property id (byte order, reduce and enlarge factors, caching, write and progress
 * callbacks with their parameters); values are pointer-sized because some carry callbacks. */
JP2_API int32_t JP2_Decompress_SetProp(DecompressHandle handle, uint32_t id, uintptr_t value);

/* Reads property id of one tile and output channel into *value (set to 0 first). */
JP2_API int32_t JP2_Decompress_GetProp(DecompressHandle handle, uint32_t id, uintptr_t* value,
                                       int32_t tile, int16_t channel);

/* The precinct size exponents of a resolution level of a codestream component (not mapped
 * through the channels). */
JP2_API int32_t JP2_Decompress_GetPrecinct(DecompressHandle handle, uint32_t* ppx, uint32_t* ppy,
                                           int32_t tile, int16_t component, int32_t resolution);

/* The capture (which 0) or display (which 1) resolution in unit 0 (per inch), 1 or 2 (per
 * metre); desc, when not null, receives the six stored fields. Both values are 0 when a
 * denominator is 0 or the file has no such box. */
JP2_API int32_t JP2_Decompress_GetResolution(DecompressHandle handle, uint32_t* vertical,
                                             uint32_t* horizontal, JP2_ResolutionDesc* desc,
                                             uint32_t unit, uint32_t which);

/* The palette in output channel order, or null; owned by the handle. */
JP2_API int32_t JP2_Decompress_GetPalette(DecompressHandle handle, const JP2_PaletteDesc** palette);

/* One definition per output channel and their count; owned by the handle. */
JP2_API int32_t JP2_Decompress_GetChannelDefs(DecompressHandle handle, const JP2_ChannelDef** defs,
                                              uint32_t* count);

/* One record per colour description box in file order; owned by the handle. */
JP2_API int32_t JP2_Decompress_GetColorSpec(DecompressHandle handle, uint32_t* count,
                                            const JP2_ColorSpec** descriptions);

/* Makes colour description index the current one. */
JP2_API int32_t JP2_Decompress_SetColorSpec(DecompressHandle handle, uint32_t index);

/* A copy of the current ICC profile that the caller may modify; owned by the handle and
 * refreshed by every call. */
JP2_API int32_t JP2_Decompress_GetICC(DecompressHandle handle, uint8_t** data, uint32_t* length);

/* The CIELab parameters of the current colour description. */
JP2_API int32_t JP2_Decompress_GetLAB(DecompressHandle handle, JP2_LabParams* params);

/* Metadata boxes, also those after the codestream. The data getters return a pointer into one
 * scratch buffer of the handle, valid until the next data getter or End, and the warning
 * JP2_Warning_ShortMetadataBox with what could be read when a box is shorter than declared. */
JP2_API int32_t JP2_Decompress_GetXML_Num(DecompressHandle handle, uint32_t* count);
JP2_API int32_t JP2_Decompress_GetXML_Data(DecompressHandle handle, uint32_t index,
                                           const uint8_t** data, uint32_t* length);
JP2_API int32_t JP2_Decompress_GetIP_Num(DecompressHandle handle, uint32_t* count);
JP2_API int32_t JP2_Decompress_GetIP_Data(DecompressHandle handle, uint32_t index,
                                          const uint8_t** data, uint32_t* length);
JP2_API int32_t JP2_Decompress_GetUUID_Num(DecompressHandle handle, uint32_t* count);
/* Copies the 16-byte identifier into uuid. */
JP2_API int32_t JP2_Decompress_GetUUID_Id(DecompressHandle handle, uint32_t index, uint8_t* uuid);
JP2_API int32_t JP2_Decompress_GetUUID_Data(DecompressHandle handle, uint32_t index,
                                            const uint8_t** data, uint32_t* length);
JP2_API int32_t JP2_Decompress_GetUUID_Info_Num(DecompressHandle handle, uint32_t* count);
/* uuids receives count packed 16-byte identifiers, location the url text as stored. */
JP2_API int32_t JP2_Decompress_GetUUID_Info_Data(DecompressHandle handle, uint32_t index,
                                                 const uint8_t** uuids, uint16_t* count,
                                                 const uint8_t** location,
                                                 uint32_t* locationLength);
/* uuid boxes with the IPTC identifier 33c7a4d2-b81d-4723-a0ba-f1a3e097ad38. */
JP2_API int32_t JP2_Decompress_GetIPTC_Num(DecompressHandle handle, uint32_t* count);
JP2_API int32_t JP2_Decompress_GetIPTC_Data(DecompressHandle handle, uint32_t index,
                                            const uint8_t** data, uint32_t* length);

/* Walks every packet header without decoding and stores through info the packet index: per
 * tile, component, resolution and precinct the offset and length of each layer's packet. The
 * records are owned by the handle; they stay valid until the next GetInformation or End. */
JP2_API int32_t JP2_Decompress_GetInformation(DecompressHandle handle, JP2_ImageInfo** info);

/* Decodes every tile and hands its rows to the write callback (property 50), tile by tile in
 * index order. Returns the write callback's non-zero result unchanged, JP2_Error_Cancelled when
 * the progress callback asks to stop. May be called again on the same handle. */
JP2_API int32_t JP2_Decompress_Image(DecompressHandle handle);

/* Releases everything the handle owns, last the handle itself, and returns the result of that
 * last release; a failing release stops End and is returned. */
JP2_API int32_t JP2_Decompress_End(DecompressHandle handle);

/* The English message of a status code; a fixed text for codes outside the table. The text
 * is static and must not be released. */
JP2_API const char* JP2_General_ErrorText(int32_t code);

#ifdef __cplusplus
}
#endif

#endif /* QUILLON_JP2_H */
