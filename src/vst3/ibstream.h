// IBStream: the host's byte stream for state documents.
#pragma once

#include "vst3/funknown.h"

namespace Steinberg {

class IBStream : public FUnknown {
 public:
  enum IStreamSeekMode { kIBSeekSet = 0, kIBSeekCur, kIBSeekEnd };

  // [main-thread] Reads up to numBytes; reports how many were read.
  virtual tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead = nullptr) = 0;
  // [main-thread] Writes numBytes; reports how many were written.
  virtual tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten = nullptr) = 0;
  virtual tresult PLUGIN_API seek(int64 pos, int32 mode, int64* result = nullptr) = 0;
  virtual tresult PLUGIN_API tell(int64* pos) = 0;

  VARNOLITH_DECLARE_IID(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);

 protected:
  ~IBStream() = default;
};

}  // namespace Steinberg
