/* The KVF version 2 codec: seven entry points over caller-owned records.
 *
 * The codec allocates nothing and keeps no state outside the caller's records and its five
 * work buffers: it reports their sizes, the caller allocates, passes them in and frees them.
 * Input comes through fetch and seek callbacks into a caller buffer, output leaves through
 * flush and seek callbacks from a caller buffer. Every entry point returns 0 or a negative
 * code whose English message KvfErrorText gives.
 *
 * Decoding: store KVF_INTERFACE_TAG in the workspace, KvfInit, allocate buffer 3,
 * KvfReadHeader, fill the image, KvfDecodeInit, allocate all five buffers (buffer 3 anew:
 * decoding needs more than the header state), then KvfDecode for row windows in increasing
 * order, the first with KVF_FIRST_CALL.
 * Encoding: store the tag, KvfEncodeInit, allocate the five buffers, then KvfEncode for
 * consecutive row blocks, the first with KVF_FIRST_CALL and the one ending at the last row
 * with KVF_LAST_CALL. */
#ifndef KVF_KVF_H
#define KVF_KVF_H

#include <stdint.h>

#include "kvf/KvfStreamCallbacks.h"

#ifdef __cplusplus
extern "C" {
#endif

#define KVF_INTERFACE_TAG 8213u
#define KVF_WORK_BUFFERS 5
/* The work buffer that holds the header state between KvfReadHeader and KvfDecodeInit, and
 * its size then. */
#define KVF_HEADER_STATE_BUFFER 3
#define KVF_HEADER_STATE_SIZE 356u
#define KVF_FULL_QUALITY 1024u
#define KVF_MAX_REGIONS 255
#define KVF_PASSWORD_CHARS 32

/* Results of the entry points; KvfErrorText gives their messages. */
#define KVF_OK 0
#define KVF_ERROR_INTERNAL (-1)
#define KVF_ERROR_LEVEL_TOO_HIGH (-2)
#define KVF_ERROR_IMAGE_SIZE (-3)
#define KVF_ERROR_SOURCE_FORMAT (-4)
#define KVF_ERROR_COLOUR_MODE (-5)
#define KVF_ERROR_RESULT_POINTER (-6)
#define KVF_ERROR_RESULT_SIZE (-7)
#define KVF_ERROR_DATA_POINTER (-8)
#define KVF_ERROR_CORRUPTED_HEADER (-9)
#define KVF_ERROR_SCALING (-10)
#define KVF_ERROR_SCAN_MODE (-11)
#define KVF_ERROR_CODER_PARAMETERS (-12)
#define KVF_ERROR_FLUSH (-13)
#define KVF_ERROR_FETCH (-14)
#define KVF_ERROR_SEEK (-15)
#define KVF_ERROR_VERSION (-16)
#define KVF_ERROR_END_OF_FILE (-17)
#define KVF_ERROR_WRONG_PASSWORD (-18)
#define KVF_ERROR_CORRUPTED_FILE (-19)
#define KVF_ERROR_SOURCE_RANGE (-22)
#define KVF_ERROR_WRONG_INTERFACE (-23)

/* Colour modes of KvfInfo.colourMode and KvfEncodeParams.colourMode that the program writes:
 * one grey component, and red, green and blue coded as a sum and two differences. */
#define KVF_COLOUR_GREY 1
#define KVF_COLOUR_RGB 2

/* Flags of KvfDecodeParams and KvfEncodeParams. */
#define KVF_FIRST_CALL 0x0001u
#define KVF_LAST_CALL 0x0002u
/* KvfInfo.modeFlags and KvfEncodeParams.modeFlags. */
#define KVF_MODE_BASELINE 0x0001u
#define KVF_MODE_ANIMATED 0x0002u

/* Pixel layout codes of KvfImage.format. */
#define KVF_LAYOUT_GREY 0       /* 1 byte per pixel */
#define KVF_LAYOUT_BYTES_0123 2 /* 4 bytes per pixel */
#define KVF_LAYOUT_BYTES_012 16 /* 3 bytes per pixel */
#define KVF_LAYOUT_BYTES_210 19 /* 3 bytes per pixel, first and third of layout 16 swapped */

typedef struct KvfWorkspace {
  uint32_t sizes[KVF_WORK_BUFFERS]; /* written by KvfInit, KvfDecodeInit, KvfEncodeInit */
  void* buffers[KVF_WORK_BUFFERS];  /* caller-allocated; a size of 0 needs none */
  uint32_t tag;                     /* KVF_INTERFACE_TAG, stored by the caller */
} KvfWorkspace;

typedef struct KvfImage {
  int32_t height; /* decoding: the output size, the picture's or divided by a power of two */
  int32_t width;
  uint8_t* rows;  /* row 0 */
  int32_t stride; /* bytes from one row to the next; negative for bottom-up buffers */
  int16_t format; /* pixel layout code */
  uint32_t xres;  /* dots per inch, 16.16; written by the decoder, read by the encoder */
  uint32_t yres;
  uint32_t maxval; /* largest sample value; written by the decoder */
} KvfImage;

typedef struct KvfInfo {
  uint32_t height;
  uint32_t width;
  uint32_t codedSize; /* header plus stripe sizes; 0 when the file has no stripe table */
  uint16_t quality;   /* 0..1024 */
  uint16_t version;   /* also filled when KvfReadHeader fails with -16 */
  uint32_t xres;
  uint32_t yres;
  uint16_t colourMode;
  uint16_t modeFlags;
  uint16_t levels;
  uint16_t freeQuality; /* 1024 without a password */
  uint32_t maxval;
} KvfInfo;

typedef struct KvfPassword {
  uint16_t freeQuality;              /* encoder: quality open without the password */
  uint32_t key;                      /* decoder: a precomputed key; non-zero replaces the text */
  char text[KVF_PASSWORD_CHARS + 1]; /* NUL-terminated; the first 32 characters count */
} KvfPassword;

typedef struct KvfRegionEntry {
  uint32_t x;
  uint32_t y;
  uint16_t width;
  uint16_t height;
} KvfRegionEntry;

typedef struct KvfRegionList {
  uint8_t count;
  uint8_t weight; /* bit planes by which regions move forward; 0 ignores the regions */
  KvfRegionEntry entries[KVF_MAX_REGIONS];
} KvfRegionList;

typedef struct KvfDecodeParams {
  int32_t firstRow; /* output rows of this call */
  int32_t endRow;
  uint16_t flags; /* KVF_FIRST_CALL, KVF_LAST_CALL */
  /* The input buffer; on the first use it holds the file's first `filled` bytes. The codec
   * never asks fetch for more than that first `filled`, so a caller fills the whole buffer
   * (or gives the whole file and no fetch callback). */
  uint8_t* buffer;
  uint32_t filled;
  KvfFetchCallback fetch; /* null: the buffer holds the whole file */
  KvfSeekCallback seek;   /* null: forward skips read and discard */
  void* context;
  int32_t byteBudget; /* coded bytes to read at most; 0 reads everything */
  uint16_t reserved0;
  uint16_t qualityLimit;   /* 0..1024 */
  uint16_t qualityReached; /* out */
  int32_t rowOffset;       /* must be 0 */
  int32_t reserved1;
  int32_t refWidth; /* 0 or the header's size */
  int32_t refHeight;
  const KvfPassword* password; /* null: decode up to the free quality */
  KvfProgressCallback progress;
  uint32_t privateSize; /* in: capacity of privateData; out: length of the file's private data */
  uint8_t* privateData;
  uint32_t privateRead; /* out: 1 when the private data was copied */
} KvfDecodeParams;

typedef struct KvfEncodeParams {
  int32_t firstRow; /* picture rows handed in this call */
  int32_t endRow;
  uint16_t flags;
  uint8_t* outBuffer;
  uint32_t outSize;
  uint32_t written;        /* out: bytes produced so far */
  uint16_t qualityReached; /* out: lowest over the stripes coded so far */
  KvfFlushCallback flush;  /* null: the whole file must fit outBuffer */
  KvfSeekCallback seek;    /* needed to complete the header at the end */
  void* context;
  uint32_t targetSize; /* wanted file size in bytes; 0: no limit */
  uint16_t quality;    /* 0..1024 */
  uint16_t levels;
  uint16_t modeFlags;
  uint16_t reserved[2];
  const KvfRegionList* regions; /* or null */
  uint16_t colourMode;
  const KvfPassword* password; /* or null */
  KvfProgressCallback progress;
  uint32_t privateSize;
  const uint8_t* privateData; /* must stay valid until the last call */
} KvfEncodeParams;

/* KVF_ERROR_WRONG_INTERFACE unless the tag is right; sizes[KVF_HEADER_STATE_BUFFER] =
 * KVF_HEADER_STATE_SIZE, the others 0. */
int16_t KvfInit(KvfWorkspace* workspace);

/* Parses the header into buffer 3 and fills info; params.privateSize receives the length of
 * the private data. Afterwards the buffer again holds the file's first bytes (refetched
 * through seek when the header outgrew it; -15 when that needs a seek callback there is not).
 * -16 for a version other than 2 (info.version filled), -9 for a damaged header, -17 when the
 * file ends inside it, -5 for an unknown colour mode (info filled). */
int16_t KvfReadHeader(KvfInfo* info, KvfDecodeParams* params, KvfWorkspace* workspace);

/* Checks the output layout (-4) and size (-3: the picture's, or divided by a power of two) and
 * fills the five sizes; rowOffset and a reference size other than the header's give -10.
 * Writes the file's resolution and maximum value into the image. */
int16_t KvfDecodeInit(KvfImage* image, KvfDecodeParams* params, KvfWorkspace* workspace);

/* Decodes output rows firstRow..endRow-1 into image (row r at rows + r * stride). With
 * KVF_FIRST_CALL the header is read again from the start, the password checked (-18) and the
 * private data copied when privateSize can take it. Sets qualityReached. */
int16_t KvfDecode(KvfImage* image, KvfDecodeParams* params, KvfWorkspace* workspace);

/* -23 for a wrong tag; checks size (-3), layout and maxval (-4), colour mode (-5), levels and
 * coder parameters, and fills the five sizes. */
int16_t KvfEncodeInit(KvfImage* image, KvfEncodeParams* params, KvfWorkspace* workspace);

/* Encodes picture rows firstRow..endRow-1 (row r at rows + r * stride), which must follow the
 * rows of the previous call. KVF_FIRST_CALL writes the header first; KVF_LAST_CALL, on the
 * block that ends at the last row, codes the rest and completes the header through seek. */
int16_t KvfEncode(KvfImage* image, KvfEncodeParams* params, KvfWorkspace* workspace);

/* The English message of a code; a static string owned by the codec. */
const char* KvfErrorText(int32_t code);

#ifdef __cplusplus
}
#endif

#endif
