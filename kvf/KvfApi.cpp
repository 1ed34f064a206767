// The entry points that neither direction owns: the workspace start and the error texts.
#include "kvf/KvfApiSupport.h"
#include "kvf/kvf.h"

extern "C" {

int16_t KvfInit(KvfWorkspace* workspace) {
  if (!kvf::TagIsRight(workspace)) return kvf::Code(kvf::KvfStatus::wrongInterface);
  for (uint32_t& size : workspace->sizes) size = 0;
  workspace->sizes[KVF_HEADER_STATE_BUFFER] = KVF_HEADER_STATE_SIZE;
  return 0;
}

const char* KvfErrorText(int32_t code) {
  return kvf::KvfErrorMessage(code);
}

}  // extern "C"
