// `varnolith-host session`: a PLAYER feeding a RECORDER, routed and clocked like a DAW would.
#pragma once

#include <ostream>
#include <string>

namespace varnolith::host {

struct SessionOptions {
  std::string playerBundle;
  std::string recorderBundle;
  std::string file;         // WAV to play; a test signal is generated when empty
  std::string destination;  // recording destination (take names are chosen when it exists)
  double sampleRate = 48000.0;
  int blockSize = 512;
  double tailSeconds = 0.0;  // a decaying effect tail added after the file ends
};

// [main-thread] Runs the session; returns the process exit code.
int sessionCommand(const SessionOptions& options, std::ostream& out, std::ostream& err);

}  // namespace varnolith::host
