/* jp2.h is a C interface: this file compiles it as C and drives a short session with the
 * shared records, so a C++-only construct in the header breaks the build. */
#include "jp2.h"

int32_t jp2_session_from_c(void) {
  CompressHandle handle = 0;
  const JP2_ChannelDef channel = {0, 1};
  const JP2_ResolutionDesc resolution = {300, 254, 4, 300, 254, 4};
  const JP2_LabParams lab = {100, 0, 170, 128, 200, 96, 0};
  int32_t status = JP2_Compress_Start(&handle, 0, 0, 0, 0, 3);
  if (status != JP2_Success) return status;
  status = JP2_Compress_SetProp(handle, JP2_Prop_FileFormat, JP2_Format_JPX, -1, -1);
  if (status == JP2_Success) status = JP2_Compress_SetProp(handle, JP2_Prop_Width, 16, -1, -1);
  if (status == JP2_Success) status = JP2_Compress_SetResolution(handle, 0, 0, &resolution, 0, 0);
  if (status == JP2_Success) status = JP2_Compress_SetChannelDefs(handle, &channel, 1);
  if (status == JP2_Success) status = JP2_Compress_SetLAB(handle, &lab);
  if (status == JP2_Success)
    status =
        JP2_Compress_Image(handle) == JP2_Error_NoInputCallback ? JP2_Success : JP2_Error_Internal;
  const int32_t ended = JP2_Compress_End(handle);
  return status != JP2_Success ? status : ended;
}
