/* Prints "WIDTH HEIGHT" of a JPEG 2000 file through the installed jp2.h and libquillon-jp2. */
#include <quillon/jp2.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct Input {
  const unsigned char* bytes;
  uint32_t length;
};

static int32_t ReadBytes(void* buffer, uint32_t offset, uint32_t count, uintptr_t param) {
  const struct Input* input = (const struct Input*)param;
  if (offset >= input->length) return 0;
  if (count > input->length - offset) count = input->length - offset;
  memcpy(buffer, input->bytes + offset, count);
  return (int32_t)count;
}

int main(int argc, char** argv) {
  static unsigned char bytes[1 << 22];
  FILE* file = argc == 2 ? fopen(argv[1], "rb") : NULL;
  if (file == NULL) return 2;
  struct Input input = {bytes, (uint32_t)fread(bytes, 1, sizeof bytes, file)};
  fclose(file);
  DecompressHandle handle = NULL;
  uintptr_t width = 0, height = 0;
  int32_t status = JP2_Decompress_Start(&handle, NULL, 0, NULL, 0, ReadBytes, (uintptr_t)&input);
  if (status == 0) status = JP2_Decompress_GetProp(handle, JP2_Prop_Width, &width, 0, 0);
  if (status == 0) status = JP2_Decompress_GetProp(handle, JP2_Prop_Height, &height, 0, 0);
  if (handle != NULL) JP2_Decompress_End(handle);
  if (status != 0) {
    fprintf(stderr, "%s\n", JP2_General_ErrorText(status));
    return 1;
  }
  printf("%lu %lu\n", (unsigned long)width, (unsigned long)height);
  return 0;
}
