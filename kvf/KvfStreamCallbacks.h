// Caller-supplied I/O of the KVF codec. The codec never opens files or allocates: it reads
// through fetch and seek, writes through flush and seek, and reports progress.
// Plain C declarations so that the public codec interface can reuse them.
#ifndef KVF_STREAM_CALLBACKS_H
#define KVF_STREAM_CALLBACKS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Places up to `size` further bytes of the file at the start of the caller's input buffer.
// Returns the number of bytes placed; 0 means end of file, a negative value is an error.
typedef int32_t (*KvfFetchCallback)(void* context, uint32_t size);

// Moves the file position by `offset` bytes from the current position (negative: backwards).
// Returns 0 on success; any other value is an error.
typedef int32_t (*KvfSeekCallback)(void* context, int32_t offset);

// Writes the first `count` bytes of the caller's output buffer at the current file position.
// Returns 0 on success; any other value is an error.
typedef int16_t (*KvfFlushCallback)(void* context, uint32_t count);

// Reports the share of the work done, 0..100.
typedef void (*KvfProgressCallback)(int32_t percent);

#ifdef __cplusplus
}
#endif

#endif
