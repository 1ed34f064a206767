/* kvfcodec: the legacy KVF codec (file versions 0 and 1) as a C library.
 *
 * The Windows library exported these functions with the standard-call convention under
 * decorated names ("_Name@bytes"); those decorations mean nothing on Linux, so every
 * function is exported here under its plain C name with the platform's C convention.
 *
 * Results: 0 for success, a negative code otherwise (texts through GetWaveletError).
 * Buffers are described by a base pointer, width, height, column step and row step in
 * elements and a channel count; channels are interleaved. A negative step runs backwards
 * from the far end: the base is always the lowest address of the buffer. Every buffer
 * argument is checked (null, sizes, steps, overflow of the implied extent) before use and
 * answers -5 when the check fails; readable memory beyond that cannot be probed on Linux.
 *
 * Memory the library hands out (an output picture when the caller passes a null buffer
 * pointer, prepared coefficient planes) comes from AllocPtr and is released with FreePtr.
 *
 * Threads: the library serialises itself. Every export that codes, decodes or transforms
 * holds one library-wide lock for its whole run, so concurrent callers wait for each
 * other; the coder state lives in that run only. GetWaveletError, GetFilterShortName and
 * GetFilterLongName return texts in a per-thread buffer that the same thread's next call
 * overwrites.
 */
#ifndef KVFCODEC_KVFCODEC_H
#define KVFCODEC_KVFCODEC_H

#include <stdint.h>
#include <stdio.h>

#define KVFCODEC_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Filters 0..11 work on double planes, 12..18 on 16-bit integer planes; 19 ends the list. */
enum { KVF_FILTER_COUNT = 19, KVF_MAX_FORWARD_LEVELS = 6, KVF_MAX_LEVELS = 15 };

/* The largest padded picture (width x height x channels, in samples) the library codes;
 * a header claiming more fails with -6 before anything is allocated. */
enum { KVF_MAX_PLANE_SAMPLES = 1 << 24 };

/* What to compress and where to. The record is passed by value. */
typedef struct KvfCompressJob {
  const uint8_t* pixels; /* 8-bit samples, channels interleaved; not retained */
  int32_t width, height, columnStep, rowStep, channels;
  int32_t levels;      /* 1..6 */
  int32_t filter;      /* 0..18 */
  int32_t planes;      /* bit planes to code, 1..15; other values: all */
  int32_t budget;      /* largest file size in bytes; 0 or less: no limit */
  void* output;        /* file path (const char*) or memory block */
  int32_t* outputSize; /* memory: in, the block size (at least 12); out, the bytes used */
  int32_t toMemory;    /* 1: output is a memory block */
} KvfCompressJob;

/* Decoding limits; levels and filter are filled in from the file. */
typedef struct KvfDecodeSettings {
  int32_t levels, filter;
  int32_t planeLimit; /* 1..15; other values: every plane */
  int32_t budget;     /* file: bytes to read, 12 or less means all; memory: the block size */
} KvfDecodeSettings;

/* Output window; a width or height of 0 or less, or a step of 0, means the picture's own. */
typedef struct KvfOutputWindow {
  int32_t width, height, columnStep, rowStep;
} KvfOutputWindow;

/* Size record of the header functions. */
typedef struct KvfPictureSize {
  int32_t width, height, reserved, channels;
} KvfPictureSize;

typedef struct KvfLevelsFilter {
  int32_t levels, filter;
} KvfLevelsFilter;

/* Geometry of a coefficient plane made by PrepareByteImageD/S. */
typedef struct KvfPlaneGeometry {
  int32_t width, height, channels, rowStep, columnStep, offsetX, offsetY;
} KvfPlaneGeometry;

KVFCODEC_API int WvlKompressByteImage(KvfCompressJob job);
KVFCODEC_API int WvlKompByteImageToMem(KvfCompressJob job);
/* Decodes into *output (allocated with AllocPtr when null). firstChannel: in, the first
 * channel delivered (negative: 0); out, the channel count delivered. */
KVFCODEC_API int WvlDekompressByteImage(const void* source, KvfDecodeSettings* settings,
                                        const KvfOutputWindow* window, int32_t* firstChannel,
                                        uint8_t** output, int32_t* colour, int32_t fromMemory);
KVFCODEC_API int WvlDekompByteImageFromMem(const void* source, KvfDecodeSettings* settings,
                                           const KvfOutputWindow* window, int32_t* firstChannel,
                                           uint8_t** output, int32_t* colour);

KVFCODEC_API int ReadHeader(const char* path, int32_t* width, int32_t* height, int32_t* channels,
                            int32_t* filter, int32_t* levels);
KVFCODEC_API int ExReadHeader(const char* path, int32_t* width, int32_t* height, int32_t* channels,
                              int32_t* filter, int32_t* levels, int32_t* threshold,
                              int32_t* colour);
KVFCODEC_API int WriteHeader(const char* path, int32_t width, int32_t height, int32_t channels,
                             int32_t filter, int32_t levels, int32_t threshold, int32_t colour);
KVFCODEC_API int MWriteHeader(void* block, int32_t blockSize, int32_t width, int32_t height,
                              int32_t channels, int32_t filter, int32_t levels, int32_t threshold);
KVFCODEC_API int MReadHeader(const void* block, int32_t blockSize, int32_t* width, int32_t* height,
                             int32_t* channels, int32_t* filter);
KVFCODEC_API int KvfCreate(const char* path);
KVFCODEC_API int KvfWriteHeaderV01(const char* path, const KvfPictureSize* size,
                                   const KvfLevelsFilter* levelsFilter, int32_t threshold,
                                   int32_t colour);
KVFCODEC_API int KvfReadHeaderV01(const char* path, KvfPictureSize* size,
                                  KvfLevelsFilter* levelsFilter, int32_t* threshold,
                                  int32_t* colour, int32_t* versionZero, int32_t* stamp);

/* Padded coefficient planes (sample - 128) for the transforms; *plane is allocated. */
KVFCODEC_API int PrepareByteImageD(const uint8_t* pixels, int32_t width, int32_t height,
                                   int32_t columnStep, int32_t rowStep, int32_t channels,
                                   int32_t padMultiple, int32_t reserved, double** plane,
                                   KvfPlaneGeometry* geometry);
KVFCODEC_API int PrepareByteImageS(const uint8_t* pixels, int32_t width, int32_t height,
                                   int32_t columnStep, int32_t rowStep, int32_t channels,
                                   int32_t padMultiple, int32_t reserved, int16_t** plane,
                                   KvfPlaneGeometry* geometry);
/* Back to 8 bits (+128, clamped, rounded); *output is allocated when null. */
KVFCODEC_API int RestoreByteImage(const double* plane, const KvfPlaneGeometry* geometry,
                                  uint8_t** output, int32_t width, int32_t height, int32_t rowStep,
                                  int32_t columnStep);
KVFCODEC_API int RestoreByteImageS(const int16_t* plane, const KvfPlaneGeometry* geometry,
                                   uint8_t** output, int32_t width, int32_t height, int32_t rowStep,
                                   int32_t columnStep);

KVFCODEC_API int WavTrafoD(double* plane, int32_t width, int32_t height, int32_t channels,
                           int32_t rowStep, int32_t columnStep, int32_t levels, int32_t filter);
KVFCODEC_API int RWavTrafoD(double* plane, int32_t width, int32_t height, int32_t channels,
                            int32_t rowStep, int32_t columnStep, int32_t levels, int32_t filter);

/* Coefficient words in tree order: (width >> levels) * (height >> levels) trees of
 * 4^levels words per channel. Quantize stores the start threshold in *threshold. */
KVFCODEC_API int Quantize(const double* plane, int32_t width, int32_t height, int32_t channels,
                          int32_t rowStep, int32_t columnStep, int32_t levels, uint32_t* words,
                          int32_t* threshold);
KVFCODEC_API int RQuantize(const uint32_t* words, int32_t width, int32_t height, int32_t channels,
                           int32_t levels, double* plane, int32_t rowStep, int32_t columnStep);

/* Codes (decodes) coefficient words. *size: in, the output (input) size in bytes; coding
 * stops 5 bytes before it; out, the bytes used. A file is written with (read after) its
 * header. */
KVFCODEC_API int ACodePic(const uint32_t* words, int32_t width, int32_t height, int32_t channels,
                          int32_t reserved1, int32_t reserved2, int32_t levels, int32_t threshold,
                          int32_t planes, void* output, int32_t* size, int32_t toMemory);
KVFCODEC_API int ADecodePic(uint32_t* words, int32_t width, int32_t height, int32_t channels,
                            int32_t reserved1, int32_t reserved2, int32_t levels, int32_t threshold,
                            int32_t planes, const void* input, int32_t* size, int32_t fromMemory);

KVFCODEC_API int CheckLevel(const KvfPictureSize* size, const KvfLevelsFilter* levelsFilter);

KVFCODEC_API int WSmooth(double* plane, const KvfPlaneGeometry* geometry, int32_t levels,
                         const double* factors);
/* direction 0: horizontal detail bands, otherwise vertical. */
KVFCODEC_API int WXYSmooth(double* plane, const KvfPlaneGeometry* geometry, int32_t levels,
                           const double* factors, int32_t direction);
KVFCODEC_API int WSetTP(double* plane, const KvfPlaneGeometry* geometry, int32_t level,
                        double value);
KVFCODEC_API int WMultTP(double* plane, const KvfPlaneGeometry* geometry, int32_t level,
                         double value);

KVFCODEC_API const char* GetWaveletError(int code);
KVFCODEC_API const char* GetFilterShortName(int filter);
KVFCODEC_API const char* GetFilterLongName(int filter);

KVFCODEC_API void* AllocPtr(int32_t count, int32_t elementSize); /* zero-filled; null on failure */
KVFCODEC_API int FreePtr(void* block);
KVFCODEC_API FILE* DllFopen(const char* path, const char* mode); /* modes "rb", "wb", "ab" */
KVFCODEC_API int DllFclose(FILE* stream);
KVFCODEC_API void* GetKorvelDllHandle(void);
typedef double (*KvfSampleMap)(double value, intptr_t user);
KVFCODEC_API int NormPic(double* plane, int32_t width, int32_t height, int32_t rowStep,
                         int32_t columnStep, int32_t channels, KvfSampleMap map, intptr_t user);
KVFCODEC_API double Multiply(double factor, const double* value);
KVFCODEC_API int TestDll(void);

#ifdef __cplusplus
}
#endif

#endif
